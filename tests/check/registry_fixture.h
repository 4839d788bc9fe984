// Test helper: a registry subtree that the test creates and that is deleted again, with everything below it,
// when the object ends. Used only for trees that did not exist before, so nothing of the machine is lost.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/unique_handle.h"

namespace tavlun::testing_support {

class ScopedRegistryTree {
 public:
  // `tree` is relative to `root`, in the registry view `view` (KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0).
  ScopedRegistryTree(HKEY root, REGSAM view, std::wstring tree) : root_(root), view_(view), tree_(std::move(tree)) {
    UniqueRegKey existing;
    existed_before_ = ::RegOpenKeyExW(root_, tree_.c_str(), 0, KEY_READ | view_, existing.put()) == ERROR_SUCCESS;
  }
  ~ScopedRegistryTree() {
    if (existed_before_ || !created_) return;
    const std::size_t slash = tree_.rfind(L'\\');
    const std::wstring parent = slash == std::wstring::npos ? std::wstring() : tree_.substr(0, slash);
    const std::wstring leaf = slash == std::wstring::npos ? tree_ : tree_.substr(slash + 1);
    UniqueRegKey parent_key;
    if (::RegOpenKeyExW(root_, parent.c_str(), 0, KEY_ALL_ACCESS | view_, parent_key.put()) == ERROR_SUCCESS) {
      ::RegDeleteTreeW(parent_key.get(), leaf.c_str());
    }
  }
  ScopedRegistryTree(const ScopedRegistryTree&) = delete;
  ScopedRegistryTree& operator=(const ScopedRegistryTree&) = delete;

  bool existed_before() const { return existed_before_; }

  // Stores the bytes exactly as given. RegSetValueExW may adjust string data (Wine pads odd sizes and adds missing
  // terminators), so the native call underneath it is used: an opened HKEY is the native key handle.
  static bool SetValueRaw(HKEY key, const wchar_t* value_name, DWORD type, const void* data, DWORD size) {
    struct CountedName {
      USHORT Length;
      USHORT MaximumLength;
      PWSTR Buffer;
    };
    using NtSetValueKeyFn = LONG(NTAPI*)(HANDLE, CountedName*, ULONG, ULONG, const void*, ULONG);
    auto set_value = reinterpret_cast<NtSetValueKeyFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    if (set_value == nullptr) return false;
    std::wstring name = value_name != nullptr ? value_name : L"";
    CountedName counted{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(name.size() * sizeof(wchar_t)), &name[0]};
    return set_value(key, &counted, 0, type, data, size) >= 0;
  }

  // Creates `subkey` below the tree (empty: the tree's own key) and stores raw value bytes of any type and size.
  bool SetRaw(const std::wstring& subkey, const wchar_t* value_name, DWORD type, const void* data, DWORD size) {
    if (existed_before_) return false;
    const std::wstring path = subkey.empty() ? tree_ : tree_ + L"\\" + subkey;
    UniqueRegKey key;
    if (::RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    created_ = true;
    return SetValueRaw(key.get(), value_name, type, data, size);
  }

  // A string with its terminating NUL.
  bool SetString(const std::wstring& subkey, const wchar_t* value_name, const std::wstring& text, DWORD type = REG_SZ) {
    return SetRaw(subkey, value_name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  bool CreateKey(const std::wstring& subkey) {
    if (existed_before_) return false;
    const std::wstring path = subkey.empty() ? tree_ : tree_ + L"\\" + subkey;
    UniqueRegKey key;
    const bool ok = ::RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, key.put(),
                                      nullptr) == ERROR_SUCCESS;
    created_ = created_ || ok;
    return ok;
  }

 private:
  HKEY root_;
  REGSAM view_;
  std::wstring tree_;
  bool existed_before_ = false;
  bool created_ = false;
};

}  // namespace tavlun::testing_support

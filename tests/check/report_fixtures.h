// Machine states for whole-check tests: AKİS targets, Java homes and their registry declarations, a .jnlp opener,
// planted system files and environment variables. Everything is put back when the PrefixState ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "resources/resource_ids.h"
#include "target/targets.h"
#include "tests/support/test_support.h"

namespace tavlun::report_fixtures {

class PrefixState {
 public:
  PrefixState() : scratch_(L"tavlun-report") {
    SetEnvironment(L"JAVA_HOME", L"");
    std::wstring message;
    if (ResolveRequiredTargets(&targets_, &message)) {
      for (const TargetEntry& target : targets_) SaveAndRemove(target.location.file_path);
    }
  }
  ~PrefixState() {
    for (auto it = created_keys_.rbegin(); it != created_keys_.rend(); ++it) {
      ::RegDeleteKeyExW(it->root, it->path.c_str(), it->view, 0);
    }
    for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
      testing_support::RemoveTree(*it);
    }
    for (const SavedFile& saved : saved_files_) {
      Remove(saved.path);
      if (saved.existed) testing_support::WriteBytes(saved.path, saved.bytes);
    }
    for (auto it = saved_environment_.rbegin(); it != saved_environment_.rend(); ++it) {
      ::SetEnvironmentVariableW(it->name.c_str(), it->existed ? it->value.c_str() : nullptr);
    }
  }
  PrefixState(const PrefixState&) = delete;
  PrefixState& operator=(const PrefixState&) = delete;

  const std::wstring& scratch() const { return scratch_.path(); }

  // The embedded builds at their targets, as an installation would leave them.
  bool InstallStandInDlls() {
    if (targets_.empty()) return false;
    for (const TargetEntry& target : targets_) {
      const int id = target.descriptor->resource_id;
      if (!testing_support::WriteBytes(target.location.file_path, testing_support::EmbeddedPayload(id))) return false;
    }
    return true;
  }

  // A Java home in the scratch folder: bin\java.exe (and bin\javaws.exe) as local programs, and a release file.
  std::wstring AddJavaHome(const std::wstring& name, const std::wstring& version, bool with_javaws) {
    return AddJavaHomeAt(scratch_.Child(name), version, with_javaws);
  }

  std::wstring AddJavaHomeAt(const std::wstring& home, const std::wstring& version, bool with_javaws) {
    if (!CreateFolder(JoinPath(home, L"bin"))) return std::wstring();
    const std::vector<std::uint8_t> program =
        testing_support::ReadBytes(testing_support::ToolPath(L"pcsc_standin.exe"));
    bool ok = testing_support::WriteBytes(JoinPath(JoinPath(home, L"bin"), L"java.exe"), program);
    if (with_javaws) ok = ok && testing_support::WriteBytes(JoinPath(JoinPath(home, L"bin"), L"javaws.exe"), program);
    const std::string release = "IMPLEMENTOR=\"Test\"\r\nJAVA_VERSION=\"" + testing_support::Utf8(version) +
                                "\"\r\nOS_ARCH=\"amd64\"\r\n";
    ok = ok && testing_support::WriteBytes(JoinPath(home, L"release"), release.data(), release.size());
    return ok ? home : std::wstring();
  }

  // HKLM (64-bit view) <key>\<version>, value JavaHome.
  bool DeclareJava(const std::wstring& key, const std::wstring& version, const std::wstring& home) {
    return SetDefaultOrValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key + L"\\" + version, L"JavaHome", home);
  }

  // A machine-wide .jnlp class whose "open" runs `program` (Wine reads associations from HKLM only); `quoted`
  // false writes the program without quotes, as careless installers do.
  bool RegisterJnlpOpener(const std::wstring& program, bool quoted = true) {
    const std::wstring command = quoted ? L"\"" + program + L"\" \"%1\"" : program + L" \"%1\"";
    return SetDefaultOrValue(HKEY_LOCAL_MACHINE, 0, L"Software\\Classes\\.jnlp", nullptr, L"TavlunTest.jnlpfile") &&
           SetDefaultOrValue(HKEY_LOCAL_MACHINE, 0, L"Software\\Classes\\TavlunTest.jnlpfile\\shell\\open\\command",
                             nullptr, command);
  }

  bool PlantSystemFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    SaveAndRemove(path);
    return testing_support::WriteBytes(path, bytes);
  }

  // Creates the folder and any missing parents; the ones created are removed at the end.
  bool CreateFolder(const std::wstring& path) {
    for (std::size_t pos = path.find(L'\\', 3);; pos = path.find(L'\\', pos + 1)) {
      const std::wstring prefix = pos == std::wstring::npos ? path : path.substr(0, pos);
      if (::GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!::CreateDirectoryW(prefix.c_str(), nullptr)) return false;
        created_folders_.push_back(prefix);
      }
      if (pos == std::wstring::npos) return true;
    }
  }

  // An empty value removes the variable for the test.
  void SetEnvironment(const std::wstring& name, const std::wstring& value) {
    SavedVariable saved{name, false, L""};
    std::wstring buffer(32768, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), &buffer[0], 32768);
    if (length > 0 && length < 32768) {
      saved.existed = true;
      saved.value = buffer.substr(0, length);
    }
    saved_environment_.push_back(saved);
    ::SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  }

 private:
  struct SavedFile {
    std::wstring path;
    bool existed = false;
    std::vector<std::uint8_t> bytes;
  };
  struct CreatedKey {
    HKEY root;
    REGSAM view;
    std::wstring path;
  };
  struct SavedVariable {
    std::wstring name;
    bool existed;
    std::wstring value;
  };

  static void Remove(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
  }

  void SaveAndRemove(const std::wstring& path) {
    SavedFile saved;
    saved.path = path;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    saved.existed = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (saved.existed) saved.bytes = testing_support::ReadBytes(path);
    Remove(path);
    saved_files_.push_back(std::move(saved));
  }

  // Creates the key path one level at a time, remembering the levels that did not exist, and sets one string.
  bool SetDefaultOrValue(HKEY root, REGSAM view, const std::wstring& path, const wchar_t* name,
                         const std::wstring& value) {
    UniqueRegKey key;
    for (std::size_t pos = path.find(L'\\');; pos = path.find(L'\\', pos + 1)) {
      const std::wstring prefix = pos == std::wstring::npos ? path : path.substr(0, pos);
      DWORD disposition = 0;
      key.reset();
      if (::RegCreateKeyExW(root, prefix.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(),
                            &disposition) != ERROR_SUCCESS) {
        return false;
      }
      if (disposition == REG_CREATED_NEW_KEY) created_keys_.push_back({root, view, prefix});
      if (pos == std::wstring::npos) break;
    }
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
  }

  testing_support::ScratchDir scratch_;
  std::vector<TargetEntry> targets_;
  std::vector<SavedFile> saved_files_;
  std::vector<CreatedKey> created_keys_;
  std::vector<std::wstring> created_folders_;
  std::vector<SavedVariable> saved_environment_;
};

}  // namespace tavlun::report_fixtures

// Helpers shared by the installation engine tests: scratch targets, file facts, digests, planted names.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "core/scoped_privilege.h"
#include "install/engine_hooks.h"
#include "install/secure_object.h"
#include "install/temp_files.h"
#include "integrity/payload.h"
#include "integrity/sha256.h"
#include "resources/resource_ids.h"
#include "target/targets.h"
#include "tests/support/test_support.h"

namespace tavlun::install_testing {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::Utf8;
using testing_support::WriteBytes;

inline std::vector<std::uint8_t> Bytes(const char* text) {
  return std::vector<std::uint8_t>(text, text + std::char_traits<char>::length(text));
}

inline std::wstring DigestOf(const std::vector<std::uint8_t>& bytes) {
  std::wstring digest;
  std::wstring message;
  Sha256Memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &digest, &message);
  return digest;
}

inline std::wstring DigestOfFile(const std::wstring& path) {
  std::wstring digest;
  std::wstring message;
  if (!Sha256FilePath(path, &digest, &message)) return L"(" + message + L")";
  return digest;
}

// Identity and link count of a path, read without following links; `valid` false when it cannot be opened.
struct FileFacts {
  FileIdentity identity;
  DWORD links = 0;
};

inline FileFacts FactsOf(const std::wstring& path) {
  FileFacts facts;
  UniqueHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.get(), &info)) return facts;
  facts.identity.volume_serial = info.dwVolumeSerialNumber;
  facts.identity.index_high = info.nFileIndexHigh;
  facts.identity.index_low = info.nFileIndexLow;
  facts.identity.valid = true;
  facts.links = info.nNumberOfLinks;
  return facts;
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names of the folder's entries other than "." and "..", sorted by the enumeration.
inline std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  if (folder.empty()) return names;  // never the current folder
  WIN32_FIND_DATAW entry;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry));
  if (!find) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &entry));
  return names;
}

inline bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }
inline bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

inline LoadedPayload LoadBuild(PayloadKind kind) {
  LoadedPayload payload;
  std::wstring message;
  EXPECT_TRUE(LoadPayload(PayloadFor(kind), &payload, &message)) << Utf8(message);
  return payload;
}

inline std::vector<std::uint8_t> BuildBytes(PayloadKind kind) {
  return testing_support::EmbeddedPayload(PayloadFor(kind).resource_id);
}

// A target folder inside a scratch folder, with its akisp11.dll path.
inline TargetLocation ScratchTarget(const std::wstring& folder, const std::wstring& display = std::wstring()) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  TargetLocation location;
  location.directory = folder;
  location.file_path = JoinPath(folder, kAkisDllName);
  location.display_path = display.empty() ? location.file_path : display;
  location.route = L"test";
  return location;
}

// A DLL built for the tests (build/tests/dlls).
inline std::wstring TestDll(const std::wstring& name) {
  return JoinPath(JoinPath(testing_support::TestBinDir(), L"dlls"), name);
}

inline bool CopyTestDll(const std::wstring& name, const std::wstring& destination) {
  const std::vector<std::uint8_t> bytes = ReadBytes(TestDll(name));
  return !bytes.empty() && WriteBytes(destination, bytes);
}

// Hooks whose random tokens come from a fixed list (then from the system generator).
struct ScriptedTokens {
  std::vector<std::wstring> tokens;
  std::size_t next = 0;

  void Install(EngineHooks* hooks) {
    hooks->random_token = [this](std::wstring* token) {
      if (next < tokens.size()) {
        *token = tokens[next++];
        return true;
      }
      return RandomHexToken(token);
    };
  }
};

inline UniqueSecurityDescriptor FromSddl(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &raw, nullptr))
      << Utf8(sddl);
  return UniqueSecurityDescriptor(raw);
}

// Whether files and folders of this platform keep the owner and protected DACL they are created with. Wine
// accepts them and reports the user as owner with an unprotected DACL instead.
inline bool PlatformKeepsFileSecurity(const std::wstring& scratch, bool* could_create) {
  const std::wstring probe = JoinPath(scratch, L"security-probe");
  UniqueSecurityDescriptor descriptor = FromSddl(kSecureFolderSddl);
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
  ScopedPrivilege restore(SE_RESTORE_NAME);
  *could_create = ::CreateDirectoryW(probe.c_str(), &security) != FALSE;
  if (!*could_create) return false;
  UniqueHandle folder(::CreateFileW(probe.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring message;
  const bool kept = folder && VerifySecureObject(folder.get(), true, &message);
  folder.reset();
  ::RemoveDirectoryW(probe.c_str());
  return kept;
}

inline std::wstring Token(wchar_t digit) { return std::wstring(32, digit); }

}  // namespace tavlun::install_testing

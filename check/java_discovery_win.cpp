#include <windows.h>

#include <vector>

#include "check/check_limits.h"
#include "check/directory_chain.h"
#include "check/java_discovery.h"
#include "check/redaction.h"
#include "check/registry_string.h"
#include "core/text.h"

namespace tavlun {
namespace {

struct RegistryLocation {
  HKEY root;
  const wchar_t* root_label;
  REGSAM view;
  const wchar_t* view_label;
};

const RegistryLocation kJavaRegistryLocations[] = {
    {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_32KEY, L"32-bit"},
    {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_64KEY, L"64-bit"},
    {HKEY_CURRENT_USER, L"HKCU", KEY_WOW64_32KEY, L"32-bit"},
    {HKEY_CURRENT_USER, L"HKCU", KEY_WOW64_64KEY, L"64-bit"},
};

constexpr DWORD kMaxSubkeyIndices = 512;
constexpr DWORD kSubkeyNameChars = 512;

void ScanJavaSoftKey(const RegistryLocation& location, const wchar_t* key_path, JavaCandidateList* candidates) {
  const REGSAM access = KEY_READ | location.view;
  UniqueRegKey key;
  if (::RegOpenKeyExW(location.root, key_path, 0, access, key.put()) != ERROR_SUCCESS) return;
  const std::wstring label = JavaSourceLabel(location.root_label, location.view_label, key_path);

  std::wstring current_version;
  ReadRegistryString(key.get(), L"CurrentVersion", &current_version);
  std::wstring home;
  if (ReadRegistryString(key.get(), L"JavaHome", &home)) AddJavaCandidate(candidates, home, label, current_version);

  for (DWORD index = 0; index < kMaxSubkeyIndices; ++index) {
    wchar_t name[kSubkeyNameChars] = {};
    DWORD name_length = kSubkeyNameChars;
    const LSTATUS status = ::RegEnumKeyExW(key.get(), index, name, &name_length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || name_length >= kSubkeyNameChars) continue;
    const std::wstring subkey_name(name, name_length);
    UniqueRegKey subkey;
    if (::RegOpenKeyExW(key.get(), subkey_name.c_str(), 0, access, subkey.put()) != ERROR_SUCCESS) continue;
    std::wstring subkey_home;
    if (ReadRegistryString(subkey.get(), L"JavaHome", &subkey_home)) {
      AddJavaCandidate(candidates, subkey_home, label, SanitizeVersionToken(subkey_name, true));
    }
  }
}

void ExamineCandidate(JavaCandidate* candidate) {
  {
    DirectoryHandleList chain;
    std::wstring message;
    candidate->homeValid = PinDirectoryChain(candidate->home, &chain, &message);
    if (!candidate->homeValid) {
      candidate->javaExe.detail = kJavaHomeNotValidated + message;
      return;
    }
  }
  std::wstring release_text;
  std::wstring message;
  if (ReadBoundedTextFile(JoinPath(candidate->home, L"release"), &release_text, &message)) {
    candidate->releaseVersion = SanitizeVersionToken(FindReleaseValue(release_text, L"JAVA_VERSION"), true);
    candidate->releaseArch = SanitizeVersionToken(FindReleaseValue(release_text, L"OS_ARCH"), false);
  }
  const std::wstring bin = JoinPath(candidate->home, L"bin");
  candidate->javaExe = ProbeExecutable(JoinPath(bin, L"java.exe"), false);
  candidate->javawsExe = ProbeExecutable(JoinPath(bin, L"javaws.exe"), false);

  const std::wstring& version = !candidate->releaseVersion.empty()    ? candidate->releaseVersion
                                : !candidate->registryVersion.empty() ? candidate->registryVersion
                                                                      : candidate->javaExe.fileVersion;
  candidate->majorVersion = ParseMajorVersion(version);
}

}  // namespace

bool ExpandEnvironmentText(const std::wstring& text, std::wstring* expanded) {
  const DWORD required = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (required == 0 || required > kCheckBufferChars) return false;
  std::vector<wchar_t> buffer(required, L'\0');
  const DWORD written = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), required);
  if (written == 0 || written > required) return false;
  // The count includes the terminating NUL; the text ends at the first NUL within the buffer.
  std::size_t length = 0;
  while (length < buffer.size() && buffer[length] != L'\0') ++length;
  expanded->assign(buffer.data(), length);
  return true;
}

bool ReadRegistryString(HKEY key, const std::wstring& value_name, std::wstring* text) {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, value_name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < 1 || size > kMaxRegistryStringBytes) return false;

  std::vector<wchar_t> buffer(size / 2 + 2, L'\0');
  DWORD buffer_bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  DWORD returned = buffer_bytes;
  if (::RegQueryValueExW(key, value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &returned) != ERROR_SUCCESS ||
      returned > buffer_bytes) {
    return false;
  }
  return InterpretRegistryString(type, reinterpret_cast<const std::uint8_t*>(buffer.data()), returned,
                                 &ExpandEnvironmentText, text);
}

JavaCandidateList DiscoverJava() {
  JavaCandidateList candidates;
  for (const RegistryLocation& location : kJavaRegistryLocations) {
    for (const wchar_t* key_path : kJavaSoftKeys) ScanJavaSoftKey(location, key_path, &candidates);
  }
  const std::wstring java_home = ReadEnvironmentVariable(kJavaHomeLabel);
  if (!java_home.empty()) AddJavaCandidate(&candidates, java_home, kJavaHomeLabel, std::wstring());
  for (JavaCandidate& candidate : candidates) ExamineCandidate(&candidate);
  return candidates;
}

}  // namespace tavlun

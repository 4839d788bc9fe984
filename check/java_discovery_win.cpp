#include <windows.h>

#include <iterator>
#include <vector>

#include "check/check_budget.h"
#include "check/check_limits.h"
#include "check/directory_chain.h"
#include "check/java_discovery.h"
#include "check/path_safety.h"
#include "check/redaction.h"
#include "check/registry_string.h"
#include "core/text.h"
#include "core/windows_error.h"

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
// HKCU is one key in both views: its second location is not read again when both show one tree (see DiscoverJava).
constexpr std::size_t kHkcuFirstView = 2;
constexpr std::size_t kHkcuSecondView = 3;

constexpr DWORD kMaxSubkeyIndices = 512;
constexpr DWORD kSubkeyNameChars = 512;
constexpr wchar_t kRegistryNotExamined[] = L"Java kayıt defteri anahtarlarının bir kısmı";

// One home declared in the registry: which key, which candidate it went to, with which version text.
struct Declaration {
  std::size_t key;
  std::size_t candidate;
  std::wstring version;
};

class JavaSoftScan {
 public:
  JavaSoftScan(JavaCandidateSet* candidates, CheckBudget* budget) : candidates_(candidates), budget_(budget) {}

  // Reads the key's homes into the candidates; `declarations` (when given) records each. False once the budget
  // is spent (the rest of the key is not read).
  bool Scan(const RegistryLocation& location, std::size_t key_index, std::vector<Declaration>* declarations) {
    const wchar_t* key_path = kJavaSoftKeys[key_index];
    const REGSAM access = KEY_READ | location.view;
    UniqueRegKey key;
    if (::RegOpenKeyExW(location.root, key_path, 0, access, key.put()) != ERROR_SUCCESS) return true;
    const std::wstring label = JavaSourceLabel(location.root_label, location.view_label, key_path);

    std::wstring current_version;
    ReadRegistryString(key.get(), L"CurrentVersion", &current_version);
    std::wstring home;
    if (ReadRegistryString(key.get(), L"JavaHome", &home)) Add(home, label, current_version, key_index, declarations);

    for (DWORD index = 0; index < kMaxSubkeyIndices; ++index) {
      if (Spent()) return false;
      wchar_t name[kSubkeyNameChars] = {};
      DWORD name_length = kSubkeyNameChars;
      const LSTATUS status =
          ::RegEnumKeyExW(key.get(), index, name, &name_length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS || name_length >= kSubkeyNameChars) continue;
      const std::wstring subkey_name(name, name_length);
      UniqueRegKey subkey;
      if (::RegOpenKeyExW(key.get(), subkey_name.c_str(), 0, access, subkey.put()) != ERROR_SUCCESS) continue;
      std::wstring subkey_home;
      if (ReadRegistryString(subkey.get(), L"JavaHome", &subkey_home)) {
        Add(subkey_home, label, SanitizeVersionToken(subkey_name, true), key_index, declarations);
      }
    }
    return true;
  }

  bool Spent() { return budget_ != nullptr && budget_->Spent(); }

 private:
  void Add(const std::wstring& home, const std::wstring& label, const std::wstring& version, std::size_t key_index,
           std::vector<Declaration>* declarations) {
    const std::size_t candidate = AddJavaCandidate(candidates_, home, label, version);
    if (declarations != nullptr && candidate != kNoJavaCandidate) {
      declarations->push_back({key_index, candidate, version});
    }
  }

  JavaCandidateSet* candidates_;
  CheckBudget* budget_;
};

// Whether HKCU shows one JavaSoft tree in both views, as every supported Windows does (HKCU\Software is shared, not
// redirected): the two handles then report the same key, to its last write time. Otherwise both are read.
bool HkcuViewsShowOneTree() {
  struct KeyFacts {
    DWORD subkeys = 0;
    DWORD values = 0;
    FILETIME written{};
  };
  KeyFacts facts[2];
  const REGSAM views[2] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
  for (int i = 0; i < 2; ++i) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\JavaSoft", 0, KEY_READ | views[i], key.put()) !=
            ERROR_SUCCESS ||
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &facts[i].subkeys, nullptr, nullptr,
                           &facts[i].values, nullptr, nullptr, nullptr, &facts[i].written) != ERROR_SUCCESS) {
      return false;
    }
  }
  return facts[0].subkeys == facts[1].subkeys && facts[0].values == facts[1].values &&
         ::CompareFileTime(&facts[0].written, &facts[1].written) == 0;
}

// Whether the chain stopped because a folder of the path is not there (the path itself passed every rule).
bool ChainStoppedAtMissingFolder(const std::wstring& message) {
  for (DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}) {
    if (message == kPathComponentOpenFailed + WindowsErrorText(error)) return true;
  }
  return false;
}

// The home's chain is opened once: the release file is read inside it and the bin folder is pinned as one more
// component, so the cost grows with the depth once per candidate.
void ExamineCandidate(JavaCandidate* candidate) {
  DirectoryHandleList chain;
  std::wstring message;
  candidate->homeValid = PinDirectoryChain(candidate->home, &chain, &message);
  if (!candidate->homeValid) {
    candidate->javaExe.folderMissing = ChainStoppedAtMissingFolder(message);
    candidate->javaExe.detail =
        candidate->javaExe.folderMissing ? std::wstring(kJavaHomeMissing) : kJavaHomeNotValidated + message;
    return;
  }
  std::wstring release_text;
  if (ReadBoundedTextFileInPinnedFolder(JoinPath(candidate->home, L"release"), &release_text, &message)) {
    candidate->releaseVersion = SanitizeVersionToken(FindReleaseValue(release_text, L"JAVA_VERSION"), true);
    candidate->releaseArch = SanitizeVersionToken(FindReleaseValue(release_text, L"OS_ARCH"), false);
  }
  const std::wstring bin = JoinPath(candidate->home, L"bin");
  if (PinChildDirectory(bin, &chain, &message)) {
    candidate->javaExe = ProbeExecutableInPinnedFolder(JoinPath(bin, L"java.exe"), false);
    candidate->javawsExe = ProbeExecutableInPinnedFolder(JoinPath(bin, L"javaws.exe"), false);
  } else {
    candidate->javaExe.detail = message;
    candidate->javawsExe.detail = message;
  }

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

void ExamineJavaCandidates(JavaCandidateList* candidates, CheckBudget* budget) {
  std::size_t left = 0;
  for (JavaCandidate& candidate : *candidates) {
    if (budget != nullptr && budget->Spent()) {
      candidate.javaExe = NotExaminedProbe();
      candidate.javawsExe = NotExaminedProbe();
      ++left;
      continue;
    }
    ExamineCandidate(&candidate);
  }
  if (left > 0) budget->NoteNotExamined(DecimalText(static_cast<std::uint64_t>(left)) + L" Java adayı");
}

JavaDiscovery DiscoverJava(CheckBudget* budget) {
  JavaCandidateSet candidates;
  JavaSoftScan scan(&candidates, budget);
  const bool hkcu_once = HkcuViewsShowOneTree();
  bool finished = true;
  for (std::size_t location = 0; location < std::size(kJavaRegistryLocations) && finished; ++location) {
    if (location == kHkcuSecondView && hkcu_once) break;
    std::vector<Declaration> hkcu;
    for (std::size_t key = 0; key < std::size(kJavaSoftKeys) && finished; ++key) {
      finished = scan.Scan(kJavaRegistryLocations[location], key, location == kHkcuFirstView ? &hkcu : nullptr);
    }
    if (location != kHkcuFirstView || !finished || !hkcu_once) continue;
    // The second view of HKCU holds the same homes: each gets that view's label in the order a second reading
    // would give it.
    const RegistryLocation& second = kJavaRegistryLocations[kHkcuSecondView];
    for (const Declaration& declaration : hkcu) {
      MergeJavaSource(&candidates.list[declaration.candidate],
                      JavaSourceLabel(second.root_label, second.view_label, kJavaSoftKeys[declaration.key]),
                      declaration.version);
    }
  }
  if (!finished) budget->NoteNotExamined(kRegistryNotExamined);
  const std::wstring java_home = ReadEnvironmentVariable(kJavaHomeLabel);
  if (!java_home.empty()) AddJavaCandidate(&candidates, java_home, kJavaHomeLabel, std::wstring());

  JavaDiscovery discovery;
  discovery.candidates = std::move(candidates.list);
  discovery.listFull = candidates.full;
  ExamineJavaCandidates(&discovery.candidates, budget);
  return discovery;
}

JavaCandidateList DiscoverJava() { return DiscoverJava(nullptr).candidates; }

}  // namespace tavlun

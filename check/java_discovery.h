// Discovery of the Java installations that the machine declares (JavaSoft registry keys in both views of HKLM
// and HKCU, and JAVA_HOME), each examined read-only. Java is never run. The pure rules (home normalisation,
// merging, registry-string acceptance) build without Windows headers; DiscoverJava is the Windows side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "check/executable_probe.h"

namespace tavlun {

// One distinct home directory.
struct JavaCandidate {
  std::wstring home;             // NormalizeJavaHome form; never empty
  std::wstring sources;          // labels that declared it, "; "-joined in discovery order, at most 4096 characters
  std::wstring registryVersion;  // version token with a leading digit, from the registry; may be empty
  std::wstring releaseVersion;   // JAVA_VERSION of the release file, version token with a leading digit
  std::wstring releaseArch;      // OS_ARCH of the release file, version token without the digit rule
  std::int32_t majorVersion = 0;  // 0 = not determined, else 1 to 1000
  bool homeValid = false;         // the home passed PinDirectoryChain
  ExecutableProbe javaExe;        // bin\java.exe as a program
  ExecutableProbe javawsExe;      // bin\javaws.exe as a program
};

// Discovery order is the report's numbering; at most kMaxJavaCandidates.
using JavaCandidateList = std::vector<JavaCandidate>;

// The candidates being collected, with their homes folded (ToLowerText) for finding an equal home without a scan:
// a declaration costs the length of its home, whatever the list holds.
struct JavaCandidateSet {
  JavaCandidateList list;
  std::unordered_map<std::wstring, std::size_t> positions;  // folded home -> index in list
  bool full = false;  // a new home was dropped because the list held kMaxJavaCandidates
};

inline constexpr std::size_t kNoJavaCandidate = static_cast<std::size_t>(-1);

// What DiscoverJava found; the parts it left are named in `budget` (see check_budget.h).
struct JavaDiscovery {
  JavaCandidateList candidates;
  bool listFull = false;  // more distinct homes were declared than kMaxJavaCandidates
};

inline constexpr wchar_t kJavaHomeNotValidated[] = L"Java home yerel/reparse yol doğrulamasını geçmedi: ";
// A declared home whose folder (or a folder above it) does not exist: nothing there was refused.
inline constexpr wchar_t kJavaHomeMissing[] = L"Java home klasörü mevcut değil";
inline constexpr wchar_t kJavaHomeLabel[] = L"JAVA_HOME";

// Trim, one pair of enclosing double quotes removed, "/" to "\", trailing backslashes removed while longer than 3.
std::wstring NormalizeJavaHome(const std::wstring& raw_home);

// Merges into the candidate with the same home (case-insensitive) or appends a new one; see JavaCandidate for
// the bounds. An empty home, or a new home beyond kMaxJavaCandidates, is dropped (and `full` set). Returns the
// candidate's index, or kNoJavaCandidate when dropped.
std::size_t AddJavaCandidate(JavaCandidateSet* candidates, const std::wstring& raw_home, const std::wstring& label,
                             const std::wstring& raw_version);

// The merge step of AddJavaCandidate on a known candidate: the label joins `sources` (unless empty, already
// contained, or beyond 4096 characters) and an empty registryVersion takes the version token.
void MergeJavaSource(JavaCandidate* candidate, const std::wstring& label, const std::wstring& raw_version);

// The source label of a JavaSoft key: "<root>/<view>/<key path>", e.g. "HKLM/64-bit/SOFTWARE\JavaSoft\JDK".
std::wstring JavaSourceLabel(const std::wstring& root_label, const std::wstring& view_label, const std::wstring& key);

// The JavaSoft keys scanned under each root and view, in order.
inline constexpr const wchar_t* kJavaSoftKeys[] = {
    L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
    L"SOFTWARE\\JavaSoft\\JRE",
    L"SOFTWARE\\JavaSoft\\Java Development Kit",
    L"SOFTWARE\\JavaSoft\\JDK",
};

// Registry value types (winnt.h values) accepted as strings.
inline constexpr std::uint32_t kRegistryTypeSz = 1;
inline constexpr std::uint32_t kRegistryTypeExpandSz = 2;

// Expands environment references; false when the expansion fails or does not fit the program's limits.
using EnvironmentExpander = bool (*)(const std::wstring& text, std::wstring* expanded);

// The acceptance rules of a registry string on the raw value bytes (UTF-16 little-endian): type REG_SZ or
// REG_EXPAND_SZ, an even size of 2 to 65534 bytes, the last unit NUL and no other, well-formed UTF-16; for
// REG_EXPAND_SZ the expansion must succeed and leave no "%". The text must not be empty. False = value absent.
bool InterpretRegistryString(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                             EnvironmentExpander expand, std::wstring* text);

// Every high surrogate followed by a low one, no low surrogate alone.
bool IsWellFormedUtf16(const std::wstring& text);

class CheckBudget;

// Scans the 16 JavaSoft locations (HKCU is one key in both views: it is read once and each home found there is
// labelled for both views, as a second reading would) and JAVA_HOME, then examines each candidate (home chain,
// release file, bin\java.exe and bin\javaws.exe, the chain opened once) and sets majorVersion. Never fails;
// problems are skipped or recorded. Once the budget is spent, the rest of the registry is not read and the
// remaining candidates are listed with kNotExaminedDetail; both are noted in the budget.
JavaDiscovery DiscoverJava(CheckBudget* budget);

// DiscoverJava without a time budget.
JavaCandidateList DiscoverJava();

// Examines the candidates in order while the budget lasts; the rest get kNotExaminedDetail.
void ExamineJavaCandidates(JavaCandidateList* candidates, CheckBudget* budget);

}  // namespace tavlun

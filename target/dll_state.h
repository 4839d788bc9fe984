// Read-only assessment of the installed akisp11.dll files against the embedded builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "integrity/authenticode.h"
#include "integrity/payload.h"

namespace tavlun {

struct SystemDirectories;

enum class DllStateKind : std::int32_t {
  Missing = 0,
  MatchesPackage = 1,
  SameOrNewerKept = 2,
  DifferentFile = 3,
  UnsupportedArchitecture = 4,
  VerificationFailed = 5,
};

// The signature verdict on one file found at a target (the report writes one line for each).
struct FoundFileSignature {
  std::wstring label;      // "32-bit" / "64-bit"
  bool identical = false;  // byte-identical to the embedded build: not checked, nothing to add
  SignatureCheck check;
};

struct DllState {
  DllStateKind kind = DllStateKind::VerificationFailed;
  std::wstring targets_text;  // "label: display_path" items joined by "   |   "
  std::wstring message;
  bool package_verified = false;
  bool runtime_confirmed = false;
  bool install_offered = false;
  // The labels of the builds this Windows needs ("32-bit", "64-bit"), in target order; empty when unresolved.
  std::vector<std::wstring> required_builds;
  // Every file found at an examined target, in target order, with its signature verdict.
  std::vector<FoundFileSignature> found_files;
};

// Never fails: failures become the kind and the message.
DllState AssessDllState();

// The assessment on given system facts (the files themselves are still read from disk). Once `out_of_time`
// answers true, signatures not yet checked are left NotChecked with kSignatureNotExaminedDetail.
DllState AssessDllStateOn(const SystemDirectories& system, const std::function<bool()>& out_of_time = {});
DllState AssessDllState(const std::function<bool()>& out_of_time);

// The detail of a signature left for the check's time budget (the check's own "not examined" words).
inline constexpr wchar_t kSignatureNotExaminedDetail[] = L"süre sınırı aşıldığı için incelenmedi";

// Safety pre-check of a target path; opens nothing that could follow a link. Absent (2 or 3) is success with
// exists = false. Stores 4393 for a directory or reparse point and 1142 for a file with more than one link.
// `size` (when given) receives the size of a file that passed, read with attribute access only.
bool CheckTargetFile(const std::wstring& path, bool* exists, std::wstring* message,
                     std::uint32_t* win32_error = nullptr, std::uint64_t* size = nullptr);

// Membership of BUILTIN\Administrators in the effective token (false for a filtered token).
bool IsUserAdmin();

// Decisions of the assessment, apart from the files they are made on.

// How the targets that were examined to the end compare with their builds.
struct TargetCounts {
  std::size_t identical = 0;
  std::size_t same_or_newer = 0;
  std::size_t replaceable = 0;
  std::size_t missing = 0;
};

// What one examined target holds, and so what an installation will do there.
enum class TargetVerdict {
  Identical,     // the embedded build: kept
  SameVersion,   // other bytes declaring exactly the build's version for its machine: kept, but not repaired
  Newer,         // a newer version for the build's machine: kept
  OtherMachine,  // built for another processor: backed up and replaced whatever version it declares
  Replaceable,   // older, without version or not a readable DLL: backed up and replaced
  Missing,       // nothing there: added
};

struct TargetFinding {
  TargetFinding(std::wstring target_label, TargetVerdict target_verdict)
      : label(std::move(target_label)), verdict(target_verdict) {}

  std::wstring label;  // "32-bit" / "64-bit"
  TargetVerdict verdict;
  bool signature_checked = false;  // set for every file that differs from the build
  SignatureCheck signature;
};

TargetCounts CountTargets(const std::vector<TargetFinding>& findings);

// Sets kind, message and the three flags from the examined targets (first match wins: all identical, any missing,
// any replaceable, otherwise only same-or-newer files besides identical ones). The message names which targets
// will be added, backed up and replaced, or kept, and the signature verdict on each kept file. targets_text is
// left alone.
void FoldTargets(const std::vector<TargetFinding>& findings, DllState* state);

// The verdict on a file whose bytes differ from the build: kept only when it is a DLL for the build's machine
// declaring at least the build's version.
TargetVerdict ClassifyDifferentFile(bool machine_read, std::uint16_t machine, bool version_read,
                                    PackedVersion version, const PayloadDescriptor& build);
bool IsSameOrNewerThanBuild(bool machine_read, std::uint16_t machine, bool version_read, PackedVersion version,
                            const PayloadDescriptor& build);

// A target that failed the pre-check with this code may still be installable by the elevated run (5, 32, 33).
bool IsAccessProblem(std::uint32_t code);

// The attribute test of CheckTargetFile: no directory and no reparse point.
bool IsPlainTargetAttributes(std::uint32_t attributes);

}  // namespace tavlun

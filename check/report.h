// The diagnostic report: the whole read-only system check turned into findings, six requirement rows, a full
// technical text and a shorter, privacy-reduced clipboard text that always describe the same check.
//
// BuildDiagnosticReport gathers the facts (Windows side) and AssembleDiagnosticReport writes the texts from them
// (pure: no Windows headers), so whole texts can be checked for machine states built by hand.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "check/check_budget.h"
#include "check/java_discovery.h"
#include "check/jnlp_association.h"
#include "check/pcsc_probe.h"
#include "check/redaction.h"
#include "check/requirements.h"
#include "check/wrapper_candidates.h"
#include "target/dll_state.h"

namespace tavlun {

inline constexpr std::size_t kFullTextLimit = 60000;
inline constexpr std::size_t kClipboardTextLimit = 32000;
inline constexpr wchar_t kFullTextCutNote[] = L"\r\n[teknik rapor belirlenen uzunluk sınırında kesildi]";
inline constexpr wchar_t kClipboardTextCutNote[] =
    L"\r\n[panoya kopyalanan rapor belirlenen uzunluk sınırında kesildi]";

struct DiagnosticReport {
  std::vector<ReportFinding> findings;  // in the order they were added
  std::vector<RequirementItem> items;   // six, in row order (NormalizeRequirementItems)
  std::wstring fullText;                // at most 60000 characters plus the cut note
  std::wstring clipboardText;           // at most 32000 characters plus the cut note
  bool hasError = false;                // set by an Error finding, never cleared
  bool hasWarning = false;              // set by a Warning finding, never cleared
};

// Appends a finding with display-safe text and sets the flag of its severity.
void AddFinding(DiagnosticReport& report, FindingSeverity severity, const std::wstring& text);

// One line per finding with its severity prefix, separated by CR LF, no break after the last.
std::wstring FormatFindings(const DiagnosticReport& report);

struct ReportTarget {
  std::wstring label;         // "32-bit" / "64-bit"
  std::wstring displayPath;
  std::wstring route;
};

// Everything the check found, in the order the report describes it.
struct ReportFacts {
  std::wstring toolVersion;     // the program's own version (kProgramVersion)
  bool vendorPayload = false;   // the embedded DLLs are the vendor's published builds, not development stand-ins
  std::wstring windowsVersion;
  std::wstring nativeArchitecture;
  std::wstring localTime;

  bool targetsResolved = false;
  std::wstring targetsMessage;  // why resolution failed
  std::vector<ReportTarget> targets;

  std::wstring expectedSha256Build32;
  std::wstring expectedSha256Build64;
  bool payloadsVerified = false;
  std::wstring payloadMessage;  // the first verification failure
  DllState dllState;

  // Engine files left in a target folder by an interrupted installation: "label: name" (names only).
  std::vector<std::wstring> leftoverEngineFiles;

  std::vector<JavaCandidate> javaCandidates;
  bool javaListFull = false;  // more distinct homes were declared than could be listed
  JnlpAssociation jnlp;
  bool jnlpExamined = true;  // false when the time budget was spent before the association was looked up

  PcscProbeOutcome pcsc;
  bool pcscExamined = true;  // false when the time budget was spent before the probe was started
  std::wstring serviceErrorText;  // the Windows text of pcsc.serviceError

  std::vector<WrapperCandidate> wrappers;

  // The user's folders as the environment gave them; every path in the report is redacted with them.
  RedactionValues redaction;
  std::wstring userName;  // USERNAME; the clipboard names no program that carries it

  // Parts of the check left out because its time budget was spent, in the order they were left.
  std::vector<std::wstring> notExamined;
};

// Writes findings, rows and both texts from the facts. Throws only on memory exhaustion.
DiagnosticReport AssembleDiagnosticReport(const ReportFacts& facts);

// Runs every read-only check of this machine (targets, embedded builds, installed DLLs, Java, the .jnlp opener,
// the smart-card probe, PKCS11Wrapper.dll). Writes nothing; the only process it starts is the probe.
// Once `budget` is spent, what is left is not examined and is named in notExamined.
ReportFacts GatherReportFacts(CheckBudget* budget);

// AssembleDiagnosticReport(GatherReportFacts(StartCheckBudget())). Throws only on memory exhaustion.
DiagnosticReport BuildDiagnosticReport();

// The names of the engine's own temporary files (".akisp11.*.tmp") in a folder, found by listing it (no file is
// opened); at most kMaxLeftoverNames.
inline constexpr std::size_t kMaxLeftoverNames = 16;
std::vector<std::wstring> ListLeftoverEngineFiles(const std::wstring& folder);

}  // namespace tavlun

#include <windows.h>

#include <utility>

#include "check/pcsc_probe_win.h"
#include "check/redaction.h"
#include "check/report.h"
#include "check/system_identity.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "integrity/payload.h"
#include "payload_constants.h"
#include "program_version.h"
#include "target/targets.h"

namespace tavlun {

std::vector<std::wstring> ListLeftoverEngineFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(folder, L".akisp11.*.tmp").c_str(), &entry));
  if (!find) return names;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(entry.cFileName);
  } while (names.size() < kMaxLeftoverNames && ::FindNextFileW(find.get(), &entry));
  return names;
}

CheckBudget StartCheckBudget() {
  return CheckBudget(kCheckTimeLimitMs, [] { return static_cast<std::uint64_t>(::GetTickCount64()); });
}

ReportFacts GatherReportFacts(CheckBudget* budget) {
  ReportFacts facts;
  facts.toolVersion = kProgramVersion;
  facts.vendorPayload = payload_constants::kVendorBuild;
  facts.windowsVersion = WindowsVersionText();
  facts.nativeArchitecture = NativeArchitectureText();
  facts.localTime = LocalTimeText();

  std::vector<TargetEntry> targets;
  facts.targetsResolved = ResolveRequiredTargets(&targets, &facts.targetsMessage);
  for (const TargetEntry& entry : targets) {
    const std::wstring label = entry.descriptor != nullptr ? entry.descriptor->label : L"";
    facts.targets.push_back({label, entry.location.display_path, entry.location.route});
    for (const std::wstring& name : ListLeftoverEngineFiles(entry.location.directory)) {
      facts.leftoverEngineFiles.push_back(label + L": " + name);
    }
  }

  facts.expectedSha256Build32 = PayloadBuild32().expected_sha256;
  facts.expectedSha256Build64 = PayloadBuild64().expected_sha256;
  // The 32-bit build first; the first failure is the one reported.
  LoadedPayload payload;
  facts.payloadsVerified = LoadPayload(PayloadBuild32(), &payload, &facts.payloadMessage) &&
                           LoadPayload(PayloadBuild64(), &payload, &facts.payloadMessage);
  facts.dllState = AssessDllState([budget] { return budget->Spent(); });
  for (const FoundFileSignature& found : facts.dllState.found_files) {
    if (found.check.detail == kSignatureNotExaminedDetail) budget->NoteNotExamined(L"akisp11.dll imzası");
  }

  JavaDiscovery java = DiscoverJava(budget);
  facts.javaCandidates = std::move(java.candidates);
  facts.javaListFull = java.listFull;
  if (budget->Spent()) {
    facts.jnlpExamined = false;
    facts.jnlp.opener = NotExaminedProbe();
    budget->NoteNotExamined(L".jnlp ilişkilendirmesi");
  } else {
    facts.jnlp = QueryJnlpAssociation();
  }
  if (budget->Spent()) {
    facts.pcscExamined = false;
    facts.pcsc.kind = PcscOutcomeKind::NotRun;
    facts.pcsc.detail = kNotExaminedDetail;
    budget->NoteNotExamined(L"PC/SC");
  } else {
    facts.pcsc = RunPcscProbe();
  }
  if (facts.pcsc.kind == PcscOutcomeKind::Completed && !facts.pcsc.serviceQueried) {
    facts.serviceErrorText = WindowsErrorText(facts.pcsc.serviceError);
  }
  const bool examine_wrappers = !budget->Spent();
  if (!examine_wrappers) budget->NoteNotExamined(kWrapperDllName);
  facts.wrappers = ProbeWrapperCandidates(examine_wrappers);
  facts.redaction = ReadRedactionValues();
  facts.userName = ReadEnvironmentVariable(L"USERNAME");
  facts.notExamined = budget->NotExamined();
  return facts;
}

DiagnosticReport BuildDiagnosticReport() {
  CheckBudget budget = StartCheckBudget();
  return AssembleDiagnosticReport(GatherReportFacts(&budget));
}

}  // namespace tavlun

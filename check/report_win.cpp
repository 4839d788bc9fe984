#include <windows.h>

#include <utility>

#include "check/pcsc_probe_win.h"
#include "check/redaction.h"
#include "check/report.h"
#include "check/system_identity.h"
#include "core/windows_error.h"
#include "integrity/payload.h"
#include "payload_constants.h"
#include "program_version.h"
#include "target/targets.h"

namespace tavlun {

ReportFacts GatherReportFacts() {
  ReportFacts facts;
  facts.toolVersion = kProgramVersion;
  facts.vendorPayload = payload_constants::kVendorBuild;
  facts.windowsVersion = WindowsVersionText();
  facts.nativeArchitecture = NativeArchitectureText();
  facts.localTime = LocalTimeText();

  std::vector<TargetEntry> targets;
  facts.targetsResolved = ResolveRequiredTargets(&targets, &facts.targetsMessage);
  for (const TargetEntry& entry : targets) {
    facts.targets.push_back(
        {entry.descriptor != nullptr ? entry.descriptor->label : L"", entry.location.display_path,
         entry.location.route});
  }

  facts.expectedSha256Build32 = PayloadBuild32().expected_sha256;
  facts.expectedSha256Build64 = PayloadBuild64().expected_sha256;
  // The 32-bit build first; the first failure is the one reported.
  LoadedPayload payload;
  facts.payloadsVerified = LoadPayload(PayloadBuild32(), &payload, &facts.payloadMessage) &&
                           LoadPayload(PayloadBuild64(), &payload, &facts.payloadMessage);
  facts.dllState = AssessDllState();

  facts.javaCandidates = DiscoverJava();
  facts.jnlp = QueryJnlpAssociation();
  facts.pcsc = RunPcscProbe();
  if (facts.pcsc.kind == PcscOutcomeKind::Completed && !facts.pcsc.serviceQueried) {
    facts.serviceErrorText = WindowsErrorText(facts.pcsc.serviceError);
  }
  facts.wrappers = ProbeWrapperCandidates();
  facts.redaction = ReadRedactionValues();
  return facts;
}

DiagnosticReport BuildDiagnosticReport() {
  return AssembleDiagnosticReport(GatherReportFacts());
}

}  // namespace tavlun

// The pure half of the --check-report run.
#include "app/check_report.h"

#include "app/run_mode.h"
#include "check/check_report_json.h"

namespace tavlun {

int CheckReportExitCode(const std::vector<RequirementItem>& rows) {
  switch (WorstRequirementState(rows)) {
    case RequirementState::Ready:
      return kExitCheckReportReady;
    case RequirementState::Attention:
      return kExitCheckReportAttention;
    case RequirementState::Missing:
      return kExitCheckReportMissing;
  }
  return kExitCheckReportAttention;
}

ReportPathVerdict ReportFileVerdict(bool exists, std::uint32_t attributes, std::uint32_t reparse_tag) {
  if (!exists) return ReportPathVerdict::Accepted;
  constexpr std::uint32_t kDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
  constexpr std::uint32_t kReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
  constexpr std::uint32_t kDevice = 0x40;         // FILE_ATTRIBUTE_DEVICE
  if ((attributes & (kDirectory | kReparsePoint | kDevice)) != 0 || reparse_tag != 0) return ReportPathVerdict::Refused;
  return ReportPathVerdict::Accepted;
}

}  // namespace tavlun

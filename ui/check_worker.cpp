// The pure half of the check worker.
#include "ui/check_worker.h"

#include "check/requirements.h"

namespace tavlun {

DiagnosticReport MakeFallbackReport(const std::wstring& message) {
  DiagnosticReport report;
  for (const wchar_t* title : kRequirementTitles) {
    report.items.push_back(MakeRequirementItem(RequirementState::Attention, title, message));
  }
  report.fullText = message;
  report.clipboardText = L"Sistem kontrolü tamamlanamadı.\r\n" + message;
  report.hasWarning = true;
  return report;
}

}  // namespace tavlun

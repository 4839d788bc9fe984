#include "install/event_log.h"

#include "core/text.h"
#include "install/install_log.h"
#include "program_version.h"

namespace tavlun {

ElevatedReport ComposeElevatedReport(int exit_code, const std::wstring& cause, const std::wstring& message) {
  ElevatedReport report;
  const std::wstring code = DecimalText(static_cast<std::int32_t>(exit_code));
  const std::wstring keyword = cause.empty() ? std::wstring(L"unknown") : EscapeLogValue(cause);
  const std::wstring text = EscapeLogValue(message);
  // ASCII up to the message, so that a script reading the line in any code page finds the keys.
  report.output_line = std::wstring(L"TavlunYardimcisi ") + kProgramVersionShort + L" exit=" + code +
                       L" cause=" + keyword + L" message=" + text + L"\r\n";
  report.event_type = exit_code == 0 ? kEventTypeInformation : kEventTypeError;
  report.event_id = 1000u + static_cast<std::uint32_t>(exit_code);
  report.event_text = std::wstring(L"Tavlun Yardımcısı ") + kProgramVersionShort + L" --install-elevated\r\nexit=" +
                      code + L"\r\ncause=" + keyword + L"\r\nmessage=" + text;
  return report;
}

}  // namespace tavlun

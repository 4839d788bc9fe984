#include "core/text.h"
#include "install/install_log.h"
#include "program_version.h"

namespace tavlun {
namespace {

const std::wstring& OrDefault(const std::wstring& value, const std::wstring& fallback) {
  return value.empty() ? fallback : value;
}

const wchar_t* OutcomeName(std::int32_t outcome) {
  if (outcome == kOutcomeInstalled) return L"installed";
  if (outcome == kOutcomeAlreadyInstalled) return L"already-installed";
  return L"failed";
}

}  // namespace

std::wstring ComposeInstallLogText(const InstallOutcome& outcome, const std::wstring& time_stamp,
                                   std::uint32_t native_architecture) {
  static const std::wstring kUnknown = L"unknown";
  static const std::wstring kNone = L"none";
  static const std::wstring kNotNeeded = L"not-needed";
  // Values are written as they are: a value holding a line break continues on the next line.
  std::wstring text;
  text += std::wstring(L"Tavlun Yardımcısı ") + kProgramVersionShort + L"\r\n";
  text += L"time_local=" + time_stamp + L"\r\n";
  text += L"native_arch=" + DecimalText(native_architecture) + L"\r\n";
  text += L"target=" + outcome.target + L"\r\n";
  text += L"expected_sha256=" + OrDefault(outcome.expected_sha256, kUnknown) + L"\r\n";
  text += L"old_sha256=" + OrDefault(outcome.old_sha256, kNone) + L"\r\n";
  text += L"backup=" + OrDefault(outcome.backup, kNone) + L"\r\n";
  text += std::wstring(L"outcome=") + OutcomeName(outcome.outcome) + L"\r\n";
  text += L"win32_error=" + DecimalText(outcome.win32_error) + L"\r\n";
  text += L"rollback=" + OrDefault(outcome.rollback, kNotNeeded) + L"\r\n";
  text += L"message=" + outcome.message + L"\r\n";
  return text;
}

}  // namespace tavlun

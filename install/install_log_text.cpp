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

bool NeedsEscape(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == L'%';
}

void AppendPercentByte(std::wstring* text, std::uint32_t byte) {
  const auto value = static_cast<std::uint8_t>(byte);
  *text += L'%' + HexUpper(&value, 1);
}

// The UTF-8 bytes of one character below U+10000 (every escaped character is).
void AppendPercentUtf8(std::wstring* text, std::uint32_t c) {
  if (c < 0x80) {
    AppendPercentByte(text, c);
  } else if (c < 0x800) {
    AppendPercentByte(text, 0xC0 | (c >> 6));
    AppendPercentByte(text, 0x80 | (c & 0x3F));
  } else {
    AppendPercentByte(text, 0xE0 | (c >> 12));
    AppendPercentByte(text, 0x80 | ((c >> 6) & 0x3F));
    AppendPercentByte(text, 0x80 | (c & 0x3F));
  }
}

}  // namespace

std::wstring EscapeLogValue(const std::wstring& value) {
  std::wstring text;
  text.reserve(value.size());
  for (wchar_t c : value) {
    const auto code = static_cast<std::uint32_t>(c);
    if (NeedsEscape(code)) {
      AppendPercentUtf8(&text, code);
    } else {
      text += c;
    }
  }
  return text;
}

std::wstring ComposeInstallLogText(const InstallOutcome& outcome, const InstallLogContext& context) {
  static const std::wstring kUnknown = L"unknown";
  static const std::wstring kNone = L"none";
  static const std::wstring kNotNeeded = L"not-needed";
  std::wstring text;
  const auto line = [&text](const wchar_t* key, const std::wstring& value) {
    text += key;
    text += L'=';
    text += EscapeLogValue(value);
    text += L"\r\n";
  };
  text += std::wstring(L"Tavlun Yardımcısı ") + kProgramVersionShort + L"\r\n";
  line(L"time_local", context.time_local);
  line(L"time_utc", context.time_utc);
  line(L"computer_name", context.computer_name);
  line(L"native_arch", DecimalText(context.native_architecture));
  line(L"target", outcome.target);
  line(L"expected_sha256", OrDefault(outcome.expected_sha256, kUnknown));
  line(L"old_sha256", OrDefault(outcome.old_sha256, kNone));
  line(L"backup", OrDefault(outcome.backup, kNone));
  line(L"outcome", OutcomeName(outcome.outcome));
  line(L"win32_error", DecimalText(outcome.win32_error));
  line(L"rollback", OrDefault(outcome.rollback, kNotNeeded));
  line(L"work_area_moved", OrDefault(context.work_area_moved, kNone));
  line(L"message", outcome.message);
  return text;
}

}  // namespace tavlun

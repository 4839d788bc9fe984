#include "app/run_mode.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

namespace tavlun {
namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// As _wcsnicmp in the "C" locale: only ASCII letters fold.
bool EqualsPrefixIgnoreCase(const std::wstring& text, const wchar_t* prefix, std::size_t count) {
  if (text.size() < count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

bool EqualsIgnoreCase(const std::wstring& text, const std::wstring& switch_text) {
  return text.size() == switch_text.size() && EqualsPrefixIgnoreCase(text, switch_text.c_str(), switch_text.size());
}

}  // namespace

bool ArgsHaveSwitch(const std::vector<std::wstring>& args, const std::wstring& switch_text) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (EqualsIgnoreCase(args[i], switch_text)) return true;
  }
  return false;
}

RunMode SelectRunMode(bool split_ok, const std::vector<std::wstring>& args) {
  if (!split_ok) return RunMode::WindowMode;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (EqualsPrefixIgnoreCase(args[i], L"--pcsc-probe", 12)) return RunMode::ProbeMode;
  }
  const std::size_t report_prefix = sizeof(kCheckReportSwitch) / sizeof(wchar_t) - 1;
  std::size_t reports = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg.empty() || (arg[0] != L'-' && arg[0] != L'/')) continue;
    if (EqualsPrefixIgnoreCase(arg, kCheckReportSwitch, report_prefix)) {
      ++reports;
      continue;
    }
    if (!EqualsIgnoreCase(arg, L"--self-test") && !EqualsIgnoreCase(arg, L"--install-elevated")) {
      return RunMode::UsageErrorMode;
    }
  }
  const bool self_test = ArgsHaveSwitch(args, L"--self-test");
  const bool elevated = ArgsHaveSwitch(args, L"--install-elevated");
  if (reports > 1 || (reports == 1 && (self_test || elevated))) return RunMode::UsageErrorMode;
  if (self_test) return RunMode::SelfTestMode;
  if (elevated) return RunMode::ElevatedInstallMode;
  if (reports == 1) return RunMode::CheckReportMode;
  return RunMode::WindowMode;
}

std::wstring CheckReportArgument(const std::vector<std::wstring>& args) {
  const std::size_t prefix = sizeof(kCheckReportSwitch) / sizeof(wchar_t) - 1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (EqualsPrefixIgnoreCase(args[i], kCheckReportSwitch, prefix)) return args[i].substr(prefix);
  }
  return std::wstring();
}

bool ParseProbeArguments(const std::vector<std::wstring>& args, std::uint32_t* pipe_value) {
  if (args.size() != 3) return false;
  if (args[1] != L"--pcsc-probe") return false;
  if (args[2].compare(0, 12, L"--pcsc-pipe=") != 0 || args[2].size() < 12) return false;
  const wchar_t* number = args[2].c_str() + 12;
  // wcstoull negates a "-" number in unsigned arithmetic: "-18446744073709551615" would read as handle 1.
  const wchar_t* sign = number;
  while (std::iswspace(static_cast<std::wint_t>(*sign))) ++sign;
  if (*sign == L'-') return false;
  wchar_t* end = nullptr;
  errno = 0;
  const unsigned long long value = std::wcstoull(number, &end, 10);
  if (errno == ERANGE || end == number || *end != L'\0') return false;
  // An embedded NUL would hide the rest of the argument from wcstoull.
  if (static_cast<std::size_t>(end - args[2].c_str()) != args[2].size()) return false;
  if (value == 0 || value > 0xFFFFFFFFull) return false;
  *pipe_value = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace tavlun

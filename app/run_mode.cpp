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

}  // namespace

bool ArgsHaveSwitch(const std::vector<std::wstring>& args, const std::wstring& switch_text) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i].size() == switch_text.size() &&
        EqualsPrefixIgnoreCase(args[i], switch_text.c_str(), switch_text.size())) {
      return true;
    }
  }
  return false;
}

RunMode SelectRunMode(bool split_ok, const std::vector<std::wstring>& args) {
  if (split_ok) {
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (EqualsPrefixIgnoreCase(args[i], L"--pcsc-probe", 12)) return RunMode::ProbeMode;
    }
    if (ArgsHaveSwitch(args, L"--self-test")) return RunMode::SelfTestMode;
    if (ArgsHaveSwitch(args, L"--install-elevated")) return RunMode::ElevatedInstallMode;
  }
  return RunMode::WindowMode;
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

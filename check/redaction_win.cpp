#include <windows.h>

#include <vector>

#include "check/check_limits.h"
#include "check/redaction.h"

namespace tavlun {

std::wstring ReadEnvironmentVariable(const std::wstring& name) {
  const DWORD required = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (required == 0 || required > kCheckBufferChars) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(required) + 1, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return std::wstring();
  return std::wstring(buffer.data(), length);
}

RedactionValues ReadRedactionValues() {
  RedactionValues values;
  for (std::size_t i = 0; i < kRedactionVariables.size(); ++i) {
    values[i] = ReadEnvironmentVariable(kRedactionVariables[i].name);
  }
  return values;
}

std::wstring RedactPathForReport(const std::wstring& text) { return RedactPathText(text, ReadRedactionValues()); }

}  // namespace tavlun

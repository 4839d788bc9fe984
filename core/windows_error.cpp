#include "core/windows_error.h"

#include <windows.h>

#include "core/text.h"
#include "core/unique_handle.h"

namespace tavlun {

std::wstring WindowsErrorText(std::uint32_t code) {
  if (code == 0) return std::wstring();
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  UniqueLocal<wchar_t*> owned(buffer);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (text.empty()) return L"Windows hata kodu " + DecimalText(code);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text;
}

}  // namespace tavlun

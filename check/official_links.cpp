#include "check/official_links.h"

namespace tavlun {

bool IsOfficialLink(const std::wstring& url) {
  for (const wchar_t* entry : kOfficialLinkAllowlist) {
    if (url == entry) return true;
  }
  return false;
}

std::wstring ShortHostOf(const std::wstring& url) {
  static constexpr wchar_t kScheme[] = L"https://";
  for (const wchar_t* origin : kOfficialOrigins) {
    const std::wstring prefix = std::wstring(origin) + L"/";
    if (url.compare(0, prefix.size(), prefix) == 0) return std::wstring(origin).substr(sizeof(kScheme) / sizeof(wchar_t) - 1);
  }
  return std::wstring();
}

}  // namespace tavlun

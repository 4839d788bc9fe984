#include "check/jnlp_association.h"

#include "check/display_text.h"

namespace tavlun {

std::wstring OpenerFileName(const std::wstring& opener_path) {
  const std::size_t separator = opener_path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? opener_path : opener_path.substr(separator + 1);
}

JnlpOpenerKind ClassifyJnlpOpener(bool opener_found, bool structurally_valid, const std::wstring& opener_path) {
  if (!opener_found) return JnlpOpenerKind::NoOpener;
  if (!structurally_valid) return JnlpOpenerKind::OpenerNotExamined;
  return ToLowerText(OpenerFileName(opener_path)) == L"javaws.exe" ? JnlpOpenerKind::JavawsOpener
                                                                   : JnlpOpenerKind::OtherOpener;
}

}  // namespace tavlun

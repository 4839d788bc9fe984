#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "check/check_limits.h"
#include "check/jnlp_association.h"

namespace tavlun {

JnlpAssociation QueryJnlpAssociation() {
  JnlpAssociation association;
  std::vector<wchar_t> buffer(kCheckBufferChars, L'\0');
  DWORD count = static_cast<DWORD>(buffer.size());
  const HRESULT result = ::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, L".jnlp", nullptr,
                                             buffer.data(), &count);
  association.queryResult = static_cast<std::int32_t>(result);
  if (result == S_OK && count != 0 && count <= buffer.size()) {
    std::size_t length = 0;
    while (length < buffer.size() && buffer[length] != L'\0') ++length;
    association.openerPath.assign(buffer.data(), length);
  }
  if (!association.openerPath.empty()) {
    association.openerFound = true;
    association.opener = ProbeExecutable(association.openerPath, false);
  }
  return association;
}

}  // namespace tavlun

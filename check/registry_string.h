// Reading one registry string value under the check's acceptance rules (InterpretRegistryString).
#pragma once

#include <windows.h>

#include <string>

namespace tavlun {

// False (value counts as absent) unless the value is a well-formed, non-empty REG_SZ or expandable REG_EXPAND_SZ
// of at most 65534 bytes; see InterpretRegistryString. `text` is written only on success.
bool ReadRegistryString(HKEY key, const std::wstring& value_name, std::wstring* text);

// ExpandEnvironmentStringsW within 32768 characters; false when it fails or does not fit.
bool ExpandEnvironmentText(const std::wstring& text, std::wstring* expanded);

}  // namespace tavlun

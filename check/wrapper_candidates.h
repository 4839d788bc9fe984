// Where a system-wide PKCS11Wrapper.dll would be, and what is there. Information only: a copy is never loaded,
// run or changed, and its absence is no error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/executable_probe.h"

namespace tavlun {

inline constexpr wchar_t kWrapperDllName[] = L"PKCS11Wrapper.dll";

struct WrapperCandidate {
  std::wstring displayPath;  // shown in the report
  ExecutableProbe probe;     // of the path actually opened, probed as a DLL
};

struct WrapperLocation {
  std::wstring displayPath;
  std::wstring probePath;
};

// Pure. On 64-bit Windows (architecture 6, 9 or 12): the native system folder, shown as System32 and reached
// through Sysnative, then the 32-bit system folder (`wow64_directory`, or the Windows folder's SysWOW64 when that
// is empty). Otherwise one location in `system_directory`. Empty when a needed folder is empty.
std::vector<WrapperLocation> WrapperCandidateLocations(const std::wstring& windows_directory,
                                                       std::uint16_t native_architecture,
                                                       const std::wstring& wow64_directory,
                                                       const std::wstring& system_directory);

// Reads the folders of the running Windows and probes each location. Never fails: unreadable folders give a
// shorter or empty list, per-file problems are in each probe. Without `examine` no file is opened and each probe
// says kNotExaminedDetail.
std::vector<WrapperCandidate> ProbeWrapperCandidates(bool examine = true);

}  // namespace tavlun

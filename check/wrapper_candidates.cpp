#include "check/wrapper_candidates.h"

#include "core/native_architecture.h"
#include "core/text.h"

namespace tavlun {

std::vector<WrapperLocation> WrapperCandidateLocations(const std::wstring& windows_directory,
                                                       std::uint16_t native_architecture,
                                                       const std::wstring& wow64_directory,
                                                       const std::wstring& system_directory) {
  std::vector<WrapperLocation> locations;
  if (windows_directory.empty()) return locations;
  // IA64, x64 and ARM64: the check runs as a 32-bit process under WOW64.
  if (native_architecture == kArchitectureIa64 || native_architecture == kArchitectureX64 ||
      native_architecture == kArchitectureArm64) {
    locations.push_back({JoinPath(JoinPath(windows_directory, L"System32"), kWrapperDllName),
                         JoinPath(JoinPath(windows_directory, L"Sysnative"), kWrapperDllName)});
    const std::wstring wow64 =
        wow64_directory.empty() ? JoinPath(windows_directory, L"SysWOW64") : wow64_directory;
    const std::wstring path = JoinPath(wow64, kWrapperDllName);
    locations.push_back({path, path});
    return locations;
  }
  if (system_directory.empty()) return locations;
  const std::wstring path = JoinPath(system_directory, kWrapperDllName);
  locations.push_back({path, path});
  return locations;
}

}  // namespace tavlun

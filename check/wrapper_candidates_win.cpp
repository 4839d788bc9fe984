#include <windows.h>

#include <string>

#include "check/check_budget.h"
#include "check/wrapper_candidates.h"

namespace tavlun {
namespace {

constexpr UINT kDirectoryChars = 32768;

// A folder from one of the Get...DirectoryW calls, or empty when the answer is unusable.
template <typename Query>
std::wstring ReadDirectory(Query query) {
  std::wstring buffer(kDirectoryChars, L'\0');
  const UINT length = query(&buffer[0], kDirectoryChars);
  if (length == 0 || length >= kDirectoryChars || buffer[0] == L'\0') return std::wstring();
  buffer.resize(length);
  return buffer;
}

}  // namespace

std::vector<WrapperCandidate> ProbeWrapperCandidates(bool examine) {
  std::vector<WrapperCandidate> candidates;
  const std::wstring windows = ReadDirectory([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
  if (windows.empty()) return candidates;
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  const unsigned short architecture = info.wProcessorArchitecture;
  const bool wow64 = architecture == 6 || architecture == 9 || architecture == 12;
  const std::wstring wow64_directory =
      wow64 ? ReadDirectory([](wchar_t* b, UINT n) { return ::GetSystemWow64DirectoryW(b, n); }) : std::wstring();
  const std::wstring system_directory =
      wow64 ? std::wstring() : ReadDirectory([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });

  for (const WrapperLocation& location :
       WrapperCandidateLocations(windows, architecture, wow64_directory, system_directory)) {
    WrapperCandidate candidate;
    candidate.displayPath = location.displayPath;
    if (examine) {
      candidate.probe = ProbeExecutable(location.probePath, true);
    } else {
      candidate.probe.detail = kNotExaminedDetail;
    }
    candidates.push_back(std::move(candidate));
  }
  return candidates;
}

}  // namespace tavlun

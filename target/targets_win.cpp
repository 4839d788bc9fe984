#include <windows.h>

#include <vector>

#include "target/targets.h"

namespace tavlun {
namespace {

constexpr UINT kDirectoryBufferSize = 32768;

// Runs one directory query into a buffer of 32768 characters; a result counts only when it is non-zero,
// smaller than the buffer and not empty.
template <typename Query>
DirectoryQuery AskDirectory(Query query) {
  DirectoryQuery answer;
  std::vector<wchar_t> buffer(kDirectoryBufferSize, L'\0');
  ::SetLastError(ERROR_SUCCESS);
  const UINT length = query(buffer.data(), kDirectoryBufferSize);
  if (length == 0 || length >= kDirectoryBufferSize || buffer[0] == L'\0') {
    const DWORD error = ::GetLastError();
    // A result that does not fit sets no error of its own.
    answer.error = error != ERROR_SUCCESS ? error : static_cast<std::uint32_t>(ERROR_INSUFFICIENT_BUFFER);
    return answer;
  }
  answer.path.assign(buffer.data(), length);
  return answer;
}

}  // namespace

SystemDirectories QuerySystemDirectories() {
  SystemDirectories system;
  system.architecture = NativeArchitecture();
  system.system = AskDirectory([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
  system.system_wow64 = AskDirectory([](wchar_t* b, UINT n) { return ::GetSystemWow64DirectoryW(b, n); });
  system.windows = AskDirectory([](wchar_t* b, UINT n) { return ::GetSystemWindowsDirectoryW(b, n); });
  return system;
}

bool ResolveRequiredTargets(std::vector<TargetEntry>* targets, std::wstring* message) {
  return ResolveRequiredTargetsOn(QuerySystemDirectories(), targets, message);
}

bool ResolveTarget(const PayloadDescriptor& descriptor, TargetLocation* location, std::wstring* message) {
  return ResolveTargetOn(QuerySystemDirectories(), descriptor, location, message);
}

}  // namespace tavlun

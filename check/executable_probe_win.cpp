#include <windows.h>

#include <vector>

#include "check/check_limits.h"
#include "check/directory_chain.h"
#include "check/executable_probe.h"
#include "check/path_safety.h"
#include "core/windows_error.h"
#include "integrity/pe_file.h"
#include "integrity/sha256.h"

namespace tavlun {
namespace {

// Read access, read and write sharing (a file in use stays readable, but nobody may delete or rename it while it is
// examined), the link itself rather than its target.
UniqueHandle OpenForReading(const std::wstring& path) {
  return UniqueHandle(::CreateFileW(PathForOpening(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
}

bool DecodeAnsi(const std::uint8_t* bytes, std::size_t length, std::wstring* text) {
  if (length == 0 || length > static_cast<std::size_t>(INT32_MAX)) return false;
  const auto* source = reinterpret_cast<const char*>(bytes);
  const int count = ::MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(length), nullptr, 0);
  if (count <= 0) return false;
  text->assign(static_cast<std::size_t>(count), L'\0');
  return ::MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(length), &(*text)[0], count) == count;
}

}  // namespace

ExecutableProbe ProbeExecutable(const std::wstring& path, bool expect_dll) {
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return ExecutableProbe();
  DirectoryHandleList chain;
  std::wstring message;
  if (!PinDirectoryChain(path.substr(0, slash), &chain, &message)) {
    ExecutableProbe probe;
    probe.detail = message;
    return probe;
  }
  return ProbeExecutableInPinnedFolder(path, expect_dll);
}

ExecutableProbe ProbeExecutableInPinnedFolder(const std::wstring& path, bool expect_dll) {
  ExecutableProbe probe;
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return probe;
  std::wstring message;
  if (!CheckPathComponent(path.substr(slash + 1), &message)) {
    probe.detail = message;
    return probe;
  }

  UniqueHandle file = OpenForReading(path);
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      probe.detail = kExecutableOpenFailed + WindowsErrorText(error);
    }
    return probe;
  }
  probe.found = true;

  FileIdentity identity;
  std::wstring machine;
  if (!CheckRegularSingleLinkFile(file.get(), &identity, &message) ||
      !InspectPeFile(file.get(), expect_dll, &machine, &message)) {
    probe.detail = message;
    return probe;
  }
  probe.structurallyValid = true;
  probe.isDll = expect_dll;
  probe.machine = machine;
  // Read while the file and its chain are still held, so the version belongs to the file that was validated.
  probe.fileVersion = FileVersionText(PathForOpening(path));
  return probe;
}

bool ReadBoundedTextFile(const std::wstring& path, std::wstring* text, std::wstring* message) {
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) {
    if (message != nullptr) message->clear();
    return false;
  }
  DirectoryHandleList chain;
  std::wstring fragment;
  if (!PinDirectoryChain(path.substr(0, slash), &chain, &fragment)) {
    if (message != nullptr) *message = fragment;
    return false;
  }
  return ReadBoundedTextFileInPinnedFolder(path, text, message);
}

bool ReadBoundedTextFileInPinnedFolder(const std::wstring& path, std::wstring* text, std::wstring* message) {
  const std::size_t slash = path.rfind(L'\\');
  std::wstring fragment;
  if (slash == std::wstring::npos || !CheckPathComponent(path.substr(slash + 1), &fragment)) {
    if (message != nullptr) *message = fragment;
    return false;
  }

  UniqueHandle file = OpenForReading(path);
  if (!file) {
    const DWORD error = ::GetLastError();
    if (message != nullptr) *message = WindowsErrorText(error);
    return false;
  }
  FileIdentity identity;
  if (!CheckRegularSingleLinkFile(file.get(), &identity, &fragment)) {
    if (message != nullptr) *message = fragment;
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > kMaxCheckedTextFileBytes) {
    if (message != nullptr) *message = kTextFileTooLarge;
    return false;
  }

  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size.QuadPart));
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer.data() + filled, static_cast<DWORD>(buffer.size() - filled), &read, nullptr)) {
      const DWORD error = ::GetLastError();
      if (message != nullptr) *message = WindowsErrorText(error);
      return false;
    }
    if (read == 0) break;  // the file shrank since its size was read
    filled += read;
  }
  std::wstring decoded;
  if (!DecodeTextFileBytes(buffer.data(), filled, &DecodeAnsi, &decoded, message)) return false;
  *text = std::move(decoded);
  return true;
}

}  // namespace tavlun

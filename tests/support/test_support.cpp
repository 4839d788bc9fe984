#include "tests/support/test_support.h"

#include <cstdlib>

#include "core/text.h"
#include "core/unique_handle.h"

namespace tavlun::testing_support {

std::wstring TestBinDir() {
  std::wstring path(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring BuildFolderChild(const std::wstring& name) {
  const char* build = std::getenv("TAVLUN_BUILD_DIR");
  if (build == nullptr || build[0] != '/') return std::wstring();
  std::wstring folder = L"Z:";
  for (const char* p = build; *p != '\0'; ++p) folder.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return JoinPath(folder, name);
}

std::wstring ProgramPath() {
  const std::wstring bin = TestBinDir();
  return JoinPath(bin.substr(0, bin.find_last_of(L'\\')), L"TavlunYardimcisi.exe");
}

std::wstring ToolPath(const std::wstring& name) { return JoinPath(TestBinDir(), name); }

ScratchDir::ScratchDir(const std::wstring& label) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  static LONG counter = 0;
  const LONG serial = ::InterlockedIncrement(&counter);
  path_ = JoinPath(std::wstring(temp, length), label + L"-" + DecimalText(static_cast<std::uint32_t>(::GetCurrentProcessId())) +
                                                   L"-" + DecimalText(static_cast<std::uint32_t>(serial)) + L"-" +
                                                   DecimalText(static_cast<std::uint32_t>(::GetTickCount())));
  RemoveTree(path_);
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::wstring ScratchDir::Child(const std::wstring& name) const { return JoinPath(path_, name); }

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      ::RemoveDirectoryW(path.c_str());
    } else {
      ::DeleteFileW(path.c_str());
    }
    return;
  }
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(path, L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") RemoveTree(JoinPath(path, name));
    } while (::FindNextFileW(find.get(), &data));
  }
  find.reset();
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(path.c_str());
}

bool WriteBytes(const std::wstring& path, const void* data, std::size_t size) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file.get(), p, chunk, &written, nullptr) || written != chunk) return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  return WriteBytes(path, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return bytes;
  std::uint8_t buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.insert(bytes.end(), buffer, buffer + read);
  }
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

ProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeout_ms,
                         const wchar_t* environment_block) {
  ProcessResult result;
  std::wstring command = QuoteArgument(program);
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  DWORD flags = environment_block != nullptr ? CREATE_UNICODE_ENVIRONMENT : 0;
  if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, flags,
                        const_cast<wchar_t*>(environment_block), nullptr, &startup, &info)) {
    return result;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  result.started = true;
  if (::WaitForSingleObject(process.get(), timeout_ms) != WAIT_OBJECT_0) {
    result.timed_out = true;
    ::TerminateProcess(process.get(), 999);
    ::WaitForSingleObject(process.get(), 5000);
  }
  ::GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

std::vector<std::uint8_t> EmbeddedPayload(int resource_id) {
  std::vector<std::uint8_t> bytes;
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(self, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10));
  if (resource == nullptr) return bytes;
  HGLOBAL loaded = ::LoadResource(self, resource);
  const DWORD size = ::SizeofResource(self, resource);
  const auto* data = static_cast<const std::uint8_t*>(::LockResource(loaded));
  if (data != nullptr) bytes.assign(data, data + size);
  return bytes;
}

}  // namespace tavlun::testing_support

// pcsc_standin --pcsc-probe --pcsc-pipe=<handle>
// Plays the probe child for the parent-side tests. What it does is read from the environment variable
// TAVLUN_PCSC_STANDIN (the parent's environment is inherited):
//   hang                     wait forever
//   hang-family              start a second copy that hangs too (inside the same job), then wait forever
//   exit:<n>                 exit with code n, writing nothing
//   write:<hex>[:<n>]        write the bytes given in hexadecimal in one call, then exit with n (default 0)
//   inherit-check:<h>:<hex>  exit 61 if handle value h names the parent's test mapping (it leaked), else as
//                            write:<hex>; the mapping begins with the 16 bytes "TAVLUN-LEAK-TEST"
// With TAVLUN_PCSC_STANDIN_PID_FILE set, the process first appends its process id and a line break to that file.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, 4096);
  return length == 0 || length >= 4096 ? std::wstring() : std::wstring(buffer, length);
}

void RecordProcessId() {
  const std::wstring path = Environment(L"TAVLUN_PCSC_STANDIN_PID_FILE");
  if (path.empty()) return;
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = std::to_string(::GetCurrentProcessId()) + "\n";
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::vector<unsigned char> FromHex(const std::wstring& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

int Write(HANDLE pipe, const std::wstring& request) {
  const std::size_t colon = request.find(L':');
  const std::vector<unsigned char> bytes = FromHex(request.substr(0, colon));
  const int exit_code = colon == std::wstring::npos ? 0 : std::wcstol(request.c_str() + colon + 1, nullptr, 10);
  DWORD written = 0;
  ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(pipe);
  return exit_code;
}

void StartHangingCopy() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  ::SetEnvironmentVariableW(L"TAVLUN_PCSC_STANDIN", L"hang");
  std::wstring command = L"\"" + std::wstring(self) + L"\" --pcsc-probe --pcsc-pipe=0";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &info)) {
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  RecordProcessId();
  const std::wstring mode = Environment(L"TAVLUN_PCSC_STANDIN");
  if (mode == L"hang") {
    ::Sleep(INFINITE);
  }
  if (mode == L"hang-family") {
    StartHangingCopy();
    ::Sleep(INFINITE);
  }
  if (mode.rfind(L"exit:", 0) == 0) return std::wcstol(mode.c_str() + 5, nullptr, 10);

  const std::wstring prefix = L"--pcsc-pipe=";
  if (argc != 3 || std::wstring(argv[2]).rfind(prefix, 0) != 0) return 61;
  HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::wcstoull(argv[2] + prefix.size(), nullptr, 10)));
  if (mode.rfind(L"write:", 0) == 0) return Write(pipe, mode.substr(6));
  if (mode.rfind(L"inherit-check:", 0) == 0) {
    const std::wstring rest = mode.substr(14);
    const std::size_t colon = rest.find(L':');
    HANDLE probe = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::wcstoull(rest.c_str(), nullptr, 10)));
    const void* view = ::MapViewOfFile(probe, FILE_MAP_READ, 0, 0, 16);
    if (view != nullptr) {
      const bool leaked = std::memcmp(view, "TAVLUN-LEAK-TEST", 16) == 0;
      ::UnmapViewOfFile(view);
      if (leaked) return 61;
    }
    return Write(pipe, rest.substr(colon + 1));
  }
  return 61;
}

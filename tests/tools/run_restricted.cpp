// run_restricted <program> [arguments...]
// Starts the program with the BUILTIN\Administrators group disabled in its token (deny-only), waits for it and
// exits with its exit code, so tests can see how the program behaves without administrator rights.
// Exit 200..203 when the restricted start itself failed.
#include <windows.h>

#include <string>

#include "core/unique_handle.h"

namespace {

// The part of our own command line after the first argument, as typed.
std::wstring RemainingCommandLine() {
  const wchar_t* p = ::GetCommandLineW();
  bool quoted = false;
  while (*p != L'\0' && (quoted || (*p != L' ' && *p != L'\t'))) {
    if (*p == L'"') quoted = !quoted;
    ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

int wmain() {
  std::wstring command = RemainingCommandLine();
  if (command.empty()) return 200;

  tavlun::UniqueHandle process_token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process_token.put())) return 201;

  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD admins_size = sizeof(admins);
  ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &admins_size);
  SID_AND_ATTRIBUTES disable{admins, 0};
  tavlun::UniqueHandle restricted;
  if (!::CreateRestrictedToken(process_token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr, restricted.put())) {
    return 202;
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessAsUserW(restricted.get(), nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info)) {
    return 203;
  }
  tavlun::UniqueHandle process(info.hProcess);
  tavlun::UniqueHandle thread(info.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process.get(), &exit_code);
  return static_cast<int>(exit_code);
}

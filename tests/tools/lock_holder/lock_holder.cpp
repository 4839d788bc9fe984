// lock_holder <mutex name> <ready event> <quit event> protected|default [abandon]
// Creates the named mutex, with the install lock's own descriptor ("protected") or the default one, takes it,
// signals the ready event and waits for the quit event. Then releases the mutex, or with "abandon" exits while
// still owning it. Exit 0 on success, 2..5 when a step failed.
#include <windows.h>
#include <sddl.h>

#include <string>

#include "core/scoped_privilege.h"
#include "core/unique_handle.h"
#include "install/install_lock.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const std::wstring mode = argv[4];
  const bool abandon = argc > 5 && std::wstring(argv[5]) == L"abandon";

  tavlun::UniqueLocal<PSECURITY_DESCRIPTOR> descriptor;
  SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
  if (mode == L"protected") {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(tavlun::kInstallLockSddl, SDDL_REVISION_1, &raw,
                                                                nullptr)) {
      return 3;
    }
    descriptor.reset(raw);
    security.lpSecurityDescriptor = raw;
  }
  tavlun::UniqueHandle mutex;
  {
    tavlun::ScopedPrivilege restore(SE_RESTORE_NAME);
    mutex.reset(::CreateMutexW(mode == L"protected" ? &security : nullptr, TRUE, argv[1]));
  }
  if (!mutex) return 4;
  tavlun::UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
  tavlun::UniqueHandle quit(::OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
  if (!ready || !quit) return 5;
  ::SetEvent(ready.get());
  ::WaitForSingleObject(quit.get(), 60000);
  if (abandon) ::ExitProcess(0);  // the mutex is still owned: the next waiter sees WAIT_ABANDONED
  ::ReleaseMutex(mutex.get());
  return 0;
}

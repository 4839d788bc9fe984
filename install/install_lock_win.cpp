#include "install/install_lock.h"

#include <aclapi.h>
#include <sddl.h>

#include "core/scoped_privilege.h"
#include "core/windows_error.h"
#include "install/secure_object.h"

namespace tavlun {

InstallLock::~InstallLock() { ReleaseInstallLock(this); }

void ReleaseInstallLock(InstallLock* lock) {
  if (lock->owned && lock->mutex) ::ReleaseMutex(lock->mutex.get());
  lock->owned = false;
  lock->mutex.reset();
}

bool VerifyInstallLockDescriptor(PSECURITY_DESCRIPTOR descriptor, std::wstring* message) {
  DescriptorFacts facts;
  ReadDescriptorFacts(descriptor, &facts);
  return EvaluateInstallLockRule(facts, message);
}

bool VerifyInstallLockSecurity(HANDLE mutex, std::wstring* message) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD result = ::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &dacl, nullptr, &raw);
  UniqueSecurityDescriptor descriptor(raw);
  if (result != ERROR_SUCCESS || !descriptor || owner == nullptr || dacl == nullptr) {
    *message = L"Kurulum kilidinin güvenliği okunamadı: " + WindowsErrorText(result);
    return false;
  }
  return VerifyInstallLockDescriptor(descriptor.get(), message);
}

bool AcquireInstallLock(InstallLock* lock, std::wstring* message, std::uint32_t* error, const wchar_t* name) {
  ReleaseInstallLock(lock);
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kInstallLockSddl, SDDL_REVISION_1, &raw, nullptr)) {
    const DWORD code = ::GetLastError();
    *error = code;
    *message = L"Kurulum kilidi güvenlik tanımı hazırlanamadı: " + WindowsErrorText(code);
    return false;
  }
  UniqueSecurityDescriptor descriptor(raw);
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
  DWORD create_error;
  {
    ScopedPrivilege restore(SE_RESTORE_NAME);  // the descriptor names Administrators as owner
    lock->mutex.reset(::CreateMutexW(&security, FALSE, name));
    create_error = ::GetLastError();
  }
  descriptor.reset();
  if (!lock->mutex) {
    *error = create_error;
    *message = create_error == ERROR_ACCESS_DENIED
                   ? std::wstring(L"Global kurulum kilidine erişim reddedildi; ad güvenilmeyen bir işlem tarafından "
                                  L"önceden alınmış olabilir.")
                   : L"Kurulum kilidi oluşturulamadı: " + WindowsErrorText(create_error);
    return false;
  }
  std::wstring verification;
  if (!VerifyInstallLockSecurity(lock->mutex.get(), &verification)) {
    *error = kErrorNewFileNotVerified;
    *message = (create_error == ERROR_ALREADY_EXISTS ? L"Önceden var olan global kurulum kilidi güvenilir değil: "
                                                     : L"Yeni global kurulum kilidi doğrulanamadı: ") +
               verification;
    return false;
  }
  const DWORD wait = ::WaitForSingleObject(lock->mutex.get(), 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {  // an abandoned lock of a crashed installer is taken over
    lock->owned = true;
    return true;
  }
  if (wait == WAIT_TIMEOUT) {
    *error = ERROR_BUSY;
    *message = L"Başka bir AKİS DLL kurulumu zaten çalışıyor.";
  } else if (wait == WAIT_FAILED) {
    const DWORD code = ::GetLastError();
    *error = code;
    *message = L"Kurulum kilidi alınamadı: " + WindowsErrorText(code);
  } else {
    *error = ERROR_BUSY;
    *message = L"Kurulum kilidi alınamadı: " + WindowsErrorText(ERROR_BUSY);
  }
  return false;
}

}  // namespace tavlun

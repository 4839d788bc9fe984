// The machine-wide lock that keeps two installations from running at once, across all sessions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/unique_handle.h"

namespace tavlun {

inline constexpr wchar_t kInstallLockName[] = L"Global\\Korvan-1D17366E-6320-4DA0-98F8-21BD1B20C79B";
inline constexpr wchar_t kInstallLockSddl[] = L"O:BAG:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)";

struct InstallLock {
  UniqueHandle mutex;  // may be held after a failed acquisition; released with the lock
  bool owned = false;

  InstallLock() = default;
  ~InstallLock();
  InstallLock(const InstallLock&) = delete;
  InstallLock& operator=(const InstallLock&) = delete;
};

// Creates (or opens) the named mutex with the fixed protected descriptor, verifies the descriptor of the object
// actually held and takes it without waiting; an abandoned mutex is taken over. Codes: the creation or wait
// error, 1338 for an untrusted descriptor, 170 when another installation holds it. `name` is for tests.
bool AcquireInstallLock(InstallLock* lock, std::wstring* message, std::uint32_t* error,
                        const wchar_t* name = kInstallLockName);

// Owner Administrators or SYSTEM and the exact protected three-entry DACL of the lock.
bool VerifyInstallLockSecurity(HANDLE mutex, std::wstring* message);

// The same rule on a descriptor held in memory (for example one converted from SDDL).
bool VerifyInstallLockDescriptor(PSECURITY_DESCRIPTOR descriptor, std::wstring* message);

// ReleaseMutex when owned, then closes the handle. Safe to call on a lock that holds nothing.
void ReleaseInstallLock(InstallLock* lock);

}  // namespace tavlun

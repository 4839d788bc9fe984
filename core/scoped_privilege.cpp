#include "core/scoped_privilege.h"

namespace tavlun {

ScopedPrivilege::ScopedPrivilege(const wchar_t* privilege_name) noexcept {
  LastErrorPreserver keep;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) return;
  LUID luid{};
  if (!::LookupPrivilegeValueW(nullptr, privilege_name, &luid)) return;
  TOKEN_PRIVILEGES wanted{};
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Luid = luid;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  DWORD previous_size = 0;
  ::SetLastError(ERROR_SUCCESS);
  // ERROR_NOT_ALL_ASSIGNED comes with a non-zero return: the token does not hold the privilege.
  if (::AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof(previous_), &previous_, &previous_size) &&
      ::GetLastError() == ERROR_SUCCESS) {
    enabled_ = true;
  }
}

void ScopedPrivilege::Restore() noexcept {
  LastErrorPreserver keep;
  if (enabled_ && token_) ::AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
  enabled_ = false;
  token_.reset();
}

}  // namespace tavlun

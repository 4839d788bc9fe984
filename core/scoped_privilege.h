// Enables one privilege of the process token for the length of a scope and puts the previous state back.
#pragma once

#include <windows.h>

#include "core/unique_handle.h"

namespace tavlun {

class ScopedPrivilege {
 public:
  // Tries to enable the privilege (e.g. SE_RESTORE_NAME). Failure is silent: `enabled()` stays false and the
  // protected operation is left to fail on its own.
  explicit ScopedPrivilege(const wchar_t* privilege_name) noexcept;
  ~ScopedPrivilege() { Restore(); }
  ScopedPrivilege(const ScopedPrivilege&) = delete;
  ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

  bool enabled() const noexcept { return enabled_; }

  // Puts back the state found on construction (only when this object enabled the privilege) and closes the
  // token. Safe to call more than once; keeps the thread's last error.
  void Restore() noexcept;

 private:
  UniqueHandle token_;
  TOKEN_PRIVILEGES previous_{};  // one entry: 16 bytes
  bool enabled_ = false;
};

}  // namespace tavlun

// One log record per installation transaction, in the protected log folder.
#pragma once

#include <cstdint>
#include <string>

#include "core/install_outcome.h"
#include "install/engine_hooks.h"

namespace tavlun {

// The eleven lines of a record, each ended by CR LF (pure; `native_architecture` as NativeArchitecture gives it).
std::wstring ComposeInstallLogText(const InstallOutcome& outcome, const std::wstring& time_stamp,
                                   std::uint32_t native_architecture);

// Creates "<timestamp>-<token>.log" new in the folder (never appends, never overwrites; 20 names at most),
// writes the record in UTF-8 without byte-order mark, flushes it and, when `secure`, gives it and verifies the
// secure file descriptor. True only when the complete record is on disk; no partial file is ever left.
bool WriteInstallLog(const std::wstring& log_folder, const InstallOutcome& outcome, bool secure = true,
                     const EngineHooks* hooks = nullptr);

}  // namespace tavlun

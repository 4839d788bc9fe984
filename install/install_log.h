// One log record per installation transaction, in the protected log folder.
#pragma once

#include <cstdint>
#include <string>

#include "core/install_outcome.h"
#include "install/engine_hooks.h"

namespace tavlun {

// What a record says about the run and the machine besides the transaction's outcome.
struct InstallLogContext {
  std::wstring time_local;          // MakeTimestampName: local time and process id
  std::wstring time_utc;            // FormatUtcTime
  std::wstring computer_name;
  std::uint32_t native_architecture = 0;  // as NativeArchitecture gives it
  std::wstring work_area_moved;     // new names of work folders this run moved aside ("; "), empty when none
};

// A value as one line: every control character (C0, DEL, C1), the Unicode line and paragraph separators and "%"
// itself become "%" and two upper-case hexadecimal digits per UTF-8 byte ("\r\n" gives "%0D%0A"), so no value
// can break its line or make a line of its own. Everything else, backslashes of paths included, stays as it is.
std::wstring EscapeLogValue(const std::wstring& value);

// The record, one "key=value" line per value, each ended by CR LF (pure). Keys in order: the program line,
// time_local, time_utc, computer_name, native_arch, target, expected_sha256, old_sha256, backup, outcome,
// win32_error, rollback, work_area_moved, message.
std::wstring ComposeInstallLogText(const InstallOutcome& outcome, const InstallLogContext& context);

// The time, the computer name and the native machine of this moment, for a record.
InstallLogContext ReadInstallLogContext(const EngineHooks* hooks, const std::wstring& work_area_moved);

// Creates "<timestamp>-<token>.log" new in the folder (never appends, never overwrites; 20 names at most),
// writes the record in UTF-8 without byte-order mark, flushes it and, when `secure`, gives it and verifies the
// secure file descriptor. True only when the complete record is on disk; no partial file is ever left.
// `work_area_moved` names what the run moved aside from its work area (empty: nothing).
bool WriteInstallLog(const std::wstring& log_folder, const InstallOutcome& outcome, bool secure = true,
                     const EngineHooks* hooks = nullptr, const std::wstring& work_area_moved = std::wstring());

}  // namespace tavlun

// What an elevated installation leaves for administrators besides its exit code and log files: one entry in the
// Windows Application event log and one line on standard output. Pure: the texts and their kinds;
// event_log_win.cpp delivers them.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

// Stable keywords of how an elevated run ended, for scripts and event filters (the README lists them).
inline constexpr wchar_t kCauseInstalled[] = L"installed";
inline constexpr wchar_t kCauseAlreadyInstalled[] = L"already-installed";
inline constexpr wchar_t kCauseInstallFailed[] = L"install-failed";          // a target's transaction failed
inline constexpr wchar_t kCauseNotAdmin[] = L"not-admin";
inline constexpr wchar_t kCauseLockBusy[] = L"lock-busy";                    // another installation runs
inline constexpr wchar_t kCauseLockUntrusted[] = L"lock-untrusted";          // the lock's name is taken or unsafe
inline constexpr wchar_t kCauseLockFailed[] = L"lock-failed";
inline constexpr wchar_t kCauseTargetsUnresolved[] = L"targets-unresolved";  // no target folders for this machine
inline constexpr wchar_t kCausePayloadInvalid[] = L"payload-invalid";        // an embedded build failed its check
inline constexpr wchar_t kCauseTargetsNotReady[] = L"targets-not-ready";     // the preflight refused a target
inline constexpr wchar_t kCauseProgramDataMissing[] = L"programdata-missing";
inline constexpr wchar_t kCauseWorkFolderUnsafe[] = L"work-folder-unsafe";

// The event source every entry carries; it needs no registration.
inline constexpr wchar_t kEventSourceName[] = L"TavlunYardimcisi";

// Event types as ReportEventW takes them.
inline constexpr std::uint16_t kEventTypeError = 0x0001;        // EVENTLOG_ERROR_TYPE
inline constexpr std::uint16_t kEventTypeInformation = 0x0004;  // EVENTLOG_INFORMATION_TYPE

struct ElevatedReport {
  std::wstring output_line;  // "TavlunYardimcisi <version> exit=<code> cause=<keyword> message=<text>" + CR LF
  std::uint16_t event_type = kEventTypeError;
  std::uint32_t event_id = 0;  // 1000 + exit code
  std::wstring event_text;     // the program line, then exit, cause and message as key=value lines
};

// Exit code 0 is an information entry, every other code an error entry. The message is escaped as log values
// are (EscapeLogValue), so the line stays one line; an empty cause reads "unknown".
ElevatedReport ComposeElevatedReport(int exit_code, const std::wstring& cause, const std::wstring& message);

}  // namespace tavlun

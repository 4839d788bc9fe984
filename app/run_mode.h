// Choosing the run mode from the command-line arguments. Pure: builds natively too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/install_outcome.h"  // the elevated run's exit codes

namespace tavlun {

enum class RunMode { ProbeMode, UsageErrorMode, SelfTestMode, ElevatedInstallMode, CheckReportMode, WindowMode };

// Exit codes of the entry (the elevated run's are beside InstallOutcome).
inline constexpr int kExitProbeWritten = 0;
inline constexpr int kExitProbeRejected = 61;
inline constexpr int kExitProbeWriteFailed = 62;
inline constexpr int kExitRegisterClassFailed = 40;
inline constexpr int kExitCreateWindowFailed = 41;
// An argument that looks like a switch but is none of the program's (also "/?" and "--help"), a switch given
// without its value, or --check-report together with another mode: the process ends at once, no window.
inline constexpr int kExitUsageError = 63;
// --check-report=<file>: readiness of the six rows, or why no report was written.
inline constexpr int kExitCheckReportReady = 0;          // every row ready
inline constexpr int kExitCheckReportAttention = 70;     // no row missing, at least one needs attention
inline constexpr int kExitCheckReportMissing = 71;       // at least one row missing
inline constexpr int kExitCheckReportNotWritten = 72;    // the check ran, but the file could not be written
inline constexpr int kExitCheckReportPathRefused = 73;   // path refused before anything ran; nothing written

inline constexpr wchar_t kCheckReportSwitch[] = L"--check-report=";

// `args` holds the split command line, program name first. `split_ok` is false when splitting failed.
// Probe detection (first 12 characters "--pcsc-probe", any case, any position after the program name) comes
// first. Then any argument beginning with "-" or "/" that is not --self-test, --install-elevated or
// --check-report=<file> (switch names in any case) selects UsageErrorMode, and so does --check-report= given twice
// or beside --self-test or --install-elevated: a deployment tool never waits on a window nobody sees. Otherwise
// --self-test, then --install-elevated, then --check-report=; otherwise the window (other arguments, such as a
// file dropped on the icon, are ignored).
RunMode SelectRunMode(bool split_ok, const std::vector<std::wstring>& args);

// The text after "--check-report=" of the first such argument (any case); empty when there is none.
std::wstring CheckReportArgument(const std::vector<std::wstring>& args);

// True when any argument after the program name equals `switch_text` as a whole, ignoring case.
bool ArgsHaveSwitch(const std::vector<std::wstring>& args, const std::wstring& switch_text);

// The strict probe checks: exactly "<program> --pcsc-probe --pcsc-pipe=<n>" with 0 < n < 2^32 read as by
// wcstoull (leading blanks and a "+" accepted, nothing left over, no range error); a "-" is refused, since
// wcstoull would wrap a negative number into range. On success `pipe_value` holds n.
bool ParseProbeArguments(const std::vector<std::wstring>& args, std::uint32_t* pipe_value);

}  // namespace tavlun

// Choosing the run mode from the command-line arguments. Pure: builds natively too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/install_outcome.h"  // the elevated run's exit codes

namespace tavlun {

enum class RunMode { ProbeMode, SelfTestMode, ElevatedInstallMode, WindowMode };

// Exit codes of the entry (the elevated run's are beside InstallOutcome).
inline constexpr int kExitProbeWritten = 0;
inline constexpr int kExitProbeRejected = 61;
inline constexpr int kExitProbeWriteFailed = 62;
inline constexpr int kExitRegisterClassFailed = 40;
inline constexpr int kExitCreateWindowFailed = 41;

// `args` holds the split command line, program name first. `split_ok` is false when splitting failed.
// Probe detection (first 12 characters "--pcsc-probe", any case, any position after the program name) comes
// first; then --self-test, then --install-elevated (whole argument, any case); otherwise the window.
RunMode SelectRunMode(bool split_ok, const std::vector<std::wstring>& args);

// True when any argument after the program name equals `switch_text` as a whole, ignoring case.
bool ArgsHaveSwitch(const std::vector<std::wstring>& args, const std::wstring& switch_text);

// The strict probe checks: exactly "<program> --pcsc-probe --pcsc-pipe=<n>" with 0 < n < 2^32 read as by
// wcstoull (leading blanks and a "+" accepted, nothing left over, no range error); a "-" is refused, since
// wcstoull would wrap a negative number into range. On success `pipe_value` holds n.
bool ParseProbeArguments(const std::vector<std::wstring>& args, std::uint32_t* pipe_value);

}  // namespace tavlun

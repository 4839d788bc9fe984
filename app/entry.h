// The process entry: picks one run mode and turns its result into the exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/install_outcome.h"

namespace tavlun {

// Splits GetCommandLineW() with CommandLineToArgvW; false when splitting fails.
bool SplitProcessCommandLine(std::vector<std::wstring>* args);

int RunEntry(HINSTANCE instance, int show_command);

int RunProbeMode();
int RunSelfTestMode();
int RunElevatedInstallMode();

// 0 for outcome installed or already-installed; otherwise 30 when every log record was written, 31 when not.
int ElevatedInstallExitCode(const InstallOutcome& result);

int RunWindowMode(HINSTANCE instance, int show_command);

}  // namespace tavlun

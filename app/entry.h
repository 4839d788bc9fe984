// The process entry: picks one run mode and turns its result into the exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tavlun {

// Splits GetCommandLineW() with CommandLineToArgvW; false when splitting fails.
bool SplitProcessCommandLine(std::vector<std::wstring>* args);

int RunEntry(HINSTANCE instance, int show_command);

int RunProbeMode();
int RunSelfTestMode();
int RunElevatedInstallMode();
int RunWindowMode(HINSTANCE instance, int show_command);

}  // namespace tavlun

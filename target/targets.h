// Which akisp11.dll builds this Windows needs, and where each one lives.
#pragma once

#include <string>
#include <vector>

#include "integrity/payload.h"

namespace tavlun {

inline constexpr wchar_t kAkisDllName[] = L"akisp11.dll";

struct TargetLocation {
  std::wstring directory;     // used for every file operation (Sysnative for the 64-bit build)
  std::wstring file_path;     // directory + akisp11.dll
  std::wstring display_path;  // shown, logged and used as InstallOutcome::target (System32 for the 64-bit build)
  std::wstring route;
};

struct TargetEntry {
  const PayloadDescriptor* descriptor = nullptr;
  TargetLocation location;
};

// The native processor architecture (wProcessorArchitecture of GetNativeSystemInfo).
unsigned short NativeArchitecture();

// Fails (with an empty list) on ARM64 and other architectures; never returns a partial list.
bool ResolveRequiredTargets(std::vector<TargetEntry>* targets, std::wstring* message);
bool ResolveTarget(const PayloadDescriptor& descriptor, TargetLocation* location, std::wstring* message);

}  // namespace tavlun

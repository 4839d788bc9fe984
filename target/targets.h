// Which akisp11.dll builds this Windows needs, and where each one lives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/native_architecture.h"
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

// The answer of one directory query: the path, or empty with the Windows error of the failed query.
struct DirectoryQuery {
  std::wstring path;
  std::uint32_t error = 0;
};

// What the system reported about itself; the resolution below depends on nothing else.
struct SystemDirectories {
  std::uint16_t architecture = 0;  // NativeArchitecture()
  DirectoryQuery system;           // GetSystemDirectoryW
  DirectoryQuery system_wow64;     // GetSystemWow64DirectoryW
  // GetSystemWindowsDirectoryW: the shared Windows folder. GetWindowsDirectoryW is not used: on a Remote Desktop
  // Session Host it can name a private folder in the user's profile.
  DirectoryQuery windows;
};

// Asks this Windows. A query counts only when it returned a non-empty path that fitted the buffer.
SystemDirectories QuerySystemDirectories();

// Fails (with an empty list) on ARM64 and other architectures; never returns a partial list.
bool ResolveRequiredTargets(std::vector<TargetEntry>* targets, std::wstring* message);
// One build's target on this Windows; fails for a build this architecture cannot take or a failed directory query,
// leaving `location` untouched.
bool ResolveTarget(const PayloadDescriptor& descriptor, TargetLocation* location, std::wstring* message);

// The same decisions on given system facts (no system calls).
bool ResolveRequiredTargetsOn(const SystemDirectories& system, std::vector<TargetEntry>* targets,
                              std::wstring* message);
bool ResolveTargetOn(const SystemDirectories& system, const PayloadDescriptor& descriptor, TargetLocation* location,
                     std::wstring* message);

}  // namespace tavlun

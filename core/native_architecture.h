// The processor architecture of Windows itself, as the wProcessorArchitecture values the program reasons in.
//
// This program is a 32-bit process. GetNativeSystemInfo answers it as if the machine were x86 or x64 even on
// ARM64 Windows (the emulator's view), so the native machine comes from IsWow64Process2 wherever Windows has it
// (Windows 10 1709 and later) and from GetNativeSystemInfo only where it does not.
#pragma once

#include <cstdint>

namespace tavlun {

// wProcessorArchitecture values (PROCESSOR_ARCHITECTURE_*).
inline constexpr std::uint16_t kArchitectureX86 = 0;
inline constexpr std::uint16_t kArchitectureArm = 5;
inline constexpr std::uint16_t kArchitectureIa64 = 6;
inline constexpr std::uint16_t kArchitectureX64 = 9;
inline constexpr std::uint16_t kArchitectureArm64 = 12;
inline constexpr std::uint16_t kArchitectureUnknown = 0xFFFF;

// IMAGE_FILE_MACHINE_* values as IsWow64Process2 reports the native machine.
inline constexpr std::uint16_t kImageMachineI386 = 0x014C;
inline constexpr std::uint16_t kImageMachineArmNt = 0x01C4;
inline constexpr std::uint16_t kImageMachineIa64 = 0x0200;
inline constexpr std::uint16_t kImageMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kImageMachineArm64 = 0xAA64;

// The architecture value of a native image machine; kArchitectureUnknown for any machine not listed above. Pure.
std::uint16_t ArchitectureOfImageMachine(std::uint16_t image_machine);

// The native architecture of this Windows: IsWow64Process2's native machine (looked up at run time), else
// GetNativeSystemInfo. Every place that asks about the machine asks here.
std::uint16_t NativeArchitecture();

}  // namespace tavlun

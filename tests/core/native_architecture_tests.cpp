#include <gtest/gtest.h>

#include <windows.h>

#include "core/native_architecture.h"

namespace tavlun {
namespace {

TEST(ArchitectureOfImageMachine, MapsEachNativeMachineAndNothingElse) {
  // ARM64 above all: an x86 program there is told "x64" by GetNativeSystemInfo, never ARM64.
  EXPECT_EQ(ArchitectureOfImageMachine(IMAGE_FILE_MACHINE_ARM64), PROCESSOR_ARCHITECTURE_ARM64);
  EXPECT_EQ(ArchitectureOfImageMachine(IMAGE_FILE_MACHINE_AMD64), PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(ArchitectureOfImageMachine(IMAGE_FILE_MACHINE_I386), PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_EQ(ArchitectureOfImageMachine(IMAGE_FILE_MACHINE_IA64), PROCESSOR_ARCHITECTURE_IA64);
  EXPECT_EQ(ArchitectureOfImageMachine(IMAGE_FILE_MACHINE_ARMNT), PROCESSOR_ARCHITECTURE_ARM);
  for (std::uint16_t other : {0x0000, 0x01C0, 0xA641, 0xFFFF}) {  // unknown, ARM (not Thumb-2), ARM64EC, garbage
    EXPECT_EQ(ArchitectureOfImageMachine(other), PROCESSOR_ARCHITECTURE_UNKNOWN) << other;
  }
}

TEST(NativeArchitecture, SeesThe64BitPrefixFromThis32BitProcess) {
  // The helper's first source: Wine 8 has IsWow64Process2 and reports an x86 process on an x64 machine.
  using Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto is_wow64_process2 = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
  if (is_wow64_process2 != nullptr) {
    USHORT process = 0;
    USHORT native = 0;
    ASSERT_TRUE(is_wow64_process2(::GetCurrentProcess(), &process, &native));
    EXPECT_EQ(process, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(native, IMAGE_FILE_MACHINE_AMD64);
  }
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  // Where both calls exist and the machine is not ARM64 they agree; the Wine test prefix is x64.
  EXPECT_EQ(NativeArchitecture(), info.wProcessorArchitecture);
  EXPECT_EQ(NativeArchitecture(), kArchitectureX64);
}

}  // namespace
}  // namespace tavlun

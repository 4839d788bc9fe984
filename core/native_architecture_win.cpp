#include <windows.h>

#include "core/native_architecture.h"

namespace tavlun {

std::uint16_t NativeArchitecture() {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE process, USHORT* process_machine, USHORT* native_machine);
  // kernel32 is imported statically, so it is looked up, never loaded.
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto is_wow64_process2 =
      kernel == nullptr ? nullptr
                        : reinterpret_cast<IsWow64Process2Fn>(
                              reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process2")));
  USHORT process_machine = 0;
  USHORT native_machine = 0;
  if (is_wow64_process2 != nullptr &&
      is_wow64_process2(::GetCurrentProcess(), &process_machine, &native_machine) != FALSE) {
    // A machine this program does not know stays unknown (and is refused), never a guess.
    return ArchitectureOfImageMachine(native_machine);
  }
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

}  // namespace tavlun

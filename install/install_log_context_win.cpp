#include <windows.h>

#include "core/native_architecture.h"
#include "core/text.h"
#include "install/install_log.h"
#include "install/temp_files.h"

namespace tavlun {

InstallLogContext ReadInstallLogContext(const EngineHooks* hooks, const std::wstring& work_area_moved) {
  InstallLogContext context;
  context.time_local = MakeTimestampName(hooks);
  SYSTEMTIME utc{};
  ::GetSystemTime(&utc);
  context.time_utc = FormatUtcTime(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
  // The NetBIOS name, as inventories and the event log show it.
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (::GetComputerNameW(name, &length)) context.computer_name.assign(name, length);
  // The documented values 0, 9 and 12; the upper half of the logged 32-bit field stays 0.
  context.native_architecture = NativeArchitecture();
  context.work_area_moved = work_area_moved;
  return context;
}

}  // namespace tavlun

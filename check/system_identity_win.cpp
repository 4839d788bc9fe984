#include <windows.h>

#include <cwchar>

#include "check/system_identity.h"
#include "core/native_architecture.h"

namespace tavlun {
namespace {

// The fixed-size name arrays of the time-zone structure, up to their first NUL.
template <std::size_t N>
std::wstring BoundedName(const WCHAR (&name)[N]) {
  std::size_t length = 0;
  while (length < N && name[length] != L'\0') ++length;
  return std::wstring(name, length);
}

}  // namespace

std::wstring NativeArchitectureText() { return ArchitectureText(NativeArchitecture()); }

std::wstring WindowsVersionText() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  // ntdll is in every process; it is looked up, never loaded.
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return kWindowsVersionUnavailable;
  auto rtl_get_version = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtl_get_version == nullptr) return kWindowsVersionUnavailable;
  // The extended form (284 bytes) also gives the product type: Windows 11 and Server 2025 share version numbers.
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (rtl_get_version(&version) < 0) return kWindowsVersionUnavailable;
  return FormatWindowsVersion(version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                              version.wProductType);
}

std::wstring LocalTimeText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  const DWORD zone_id = ::GetDynamicTimeZoneInformation(&zone);
  const std::int32_t bias = EffectiveTimeZoneBias(zone_id, zone.Bias, zone.StandardBias, zone.DaylightBias);
  LocalClock clock;
  clock.year = now.wYear;
  clock.month = now.wMonth;
  clock.day = now.wDay;
  clock.hour = now.wHour;
  clock.minute = now.wMinute;
  clock.second = now.wSecond;
  return FormatLocalTime(clock, bias,
                         TimeZoneDisplayName(BoundedName(zone.TimeZoneKeyName), BoundedName(zone.StandardName)));
}

}  // namespace tavlun

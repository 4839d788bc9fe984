// The three facts about the machine that open the report: Windows architecture, Windows version, local time with
// UTC offset and time-zone name. Every operation returns a text; nothing fails. The formatters are pure.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

// "x86", "IA64", "x64", "ARM64" for the PROCESSOR_ARCHITECTURE values 0, 6, 9, 12; else "bilinmiyor (<n>)".
std::wstring ArchitectureText(std::uint32_t processor_architecture);

// "Windows <major>.<minor> (build <build>)"; a workstation of version 10.0 from build 22000 on is Windows 11 and is
// named so first: "Windows 11 (10.0, build <build>)". Servers of that version keep the plain form.
inline constexpr std::uint32_t kProductTypeWorkstation = 1;  // VER_NT_WORKSTATION
std::wstring FormatWindowsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                  std::uint32_t product_type);
inline constexpr wchar_t kWindowsVersionUnavailable[] = L"Windows (sürüm alınamadı)";

// Minutes to add to local time to get UTC: Bias plus DaylightBias in daylight time (zone id 2), plus StandardBias
// in standard time (zone id 1), Bias alone otherwise.
std::int32_t EffectiveTimeZoneBias(std::uint32_t zone_id, std::int32_t bias, std::int32_t standard_bias,
                                   std::int32_t daylight_bias);

// The key name when not empty, else the standard name, else "saat dilimi adı yok"; display-safe.
std::wstring TimeZoneDisplayName(const std::wstring& key_name, const std::wstring& standard_name);

struct LocalClock {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
};

// "YYYY-MM-DD hh:mm:ss, UTC+hh:mm (zone)"; the sign is "-" only for a positive bias (west of UTC).
std::wstring FormatLocalTime(const LocalClock& clock, std::int32_t bias_minutes, const std::wstring& zone_name);

// NativeArchitecture(): the architecture of Windows itself, also under WOW64 and on ARM64.
std::wstring NativeArchitectureText();
// RtlGetVersion of the already loaded ntdll; kWindowsVersionUnavailable when it cannot be called.
std::wstring WindowsVersionText();
// GetLocalTime and GetDynamicTimeZoneInformation.
std::wstring LocalTimeText();

}  // namespace tavlun

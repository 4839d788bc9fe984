#include "check/system_identity.h"

#include "check/display_text.h"
#include "core/text.h"

namespace tavlun {
namespace {

std::wstring ZeroPadded(std::uint64_t value, std::size_t width) {
  std::wstring digits = DecimalText(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

}  // namespace

std::wstring ArchitectureText(std::uint32_t processor_architecture) {
  switch (processor_architecture) {
    case 0:
      return L"x86";
    case 6:
      return L"IA64";
    case 9:
      return L"x64";
    case 12:
      return L"ARM64";
    default:
      return L"bilinmiyor (" + DecimalText(processor_architecture) + L")";
  }
}

std::wstring FormatWindowsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                  std::uint32_t product_type) {
  // Windows 11 kept the kernel version 10.0; only the build number tells it from Windows 10.
  if (major == 10 && minor == 0 && build >= 22000 && product_type == kProductTypeWorkstation) {
    return L"Windows 11 (10.0, build " + DecimalText(build) + L")";
  }
  return L"Windows " + DecimalText(major) + L"." + DecimalText(minor) + L" (build " + DecimalText(build) + L")";
}

std::int32_t EffectiveTimeZoneBias(std::uint32_t zone_id, std::int32_t bias, std::int32_t standard_bias,
                                   std::int32_t daylight_bias) {
  // Widened so that crafted registry values cannot overflow; real biases are within a day.
  std::int64_t total = bias;
  if (zone_id == 2) total += daylight_bias;
  if (zone_id == 1) total += standard_bias;
  if (total > INT32_MAX) total = INT32_MAX;
  if (total < INT32_MIN + 1) total = INT32_MIN + 1;
  return static_cast<std::int32_t>(total);
}

std::wstring TimeZoneDisplayName(const std::wstring& key_name, const std::wstring& standard_name) {
  const std::wstring& name = !key_name.empty() ? key_name : standard_name;
  if (name.empty()) return L"saat dilimi adı yok";
  return SanitizeForDisplay(name);
}

std::wstring FormatLocalTime(const LocalClock& clock, std::int32_t bias_minutes, const std::wstring& zone_name) {
  const wchar_t sign = bias_minutes > 0 ? L'-' : L'+';
  const std::int64_t bias = bias_minutes;
  const std::uint64_t offset = static_cast<std::uint64_t>(bias < 0 ? -bias : bias);
  return ZeroPadded(clock.year, 4) + L"-" + ZeroPadded(clock.month, 2) + L"-" + ZeroPadded(clock.day, 2) + L" " +
         ZeroPadded(clock.hour, 2) + L":" + ZeroPadded(clock.minute, 2) + L":" + ZeroPadded(clock.second, 2) +
         L", UTC" + sign + ZeroPadded(offset / 60, 2) + L":" + ZeroPadded(offset % 60, 2) + L" (" + zone_name + L")";
}

}  // namespace tavlun

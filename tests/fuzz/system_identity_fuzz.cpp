// The formatters of the report's machine facts on any values Windows (or a tampered time-zone registry) may give:
// ArchitectureText, FormatWindowsVersion, EffectiveTimeZoneBias, TimeZoneDisplayName and FormatLocalTime.
//
// Input: the numbers as little-endian fields, then UTF-16LE units for the key name and the standard name of the
// time zone, separated by U+FFFF.
//
// Properties: no arithmetic overflows (UndefinedBehaviorSanitizer); the bias is the sum the rules name, clamped
// to 32 bits; the offset printed reads back as the negated bias with "+" for zero; the zone name is display-safe
// (or the fixed text when both names are empty); unknown architectures read "bilinmiyor (<n>)".
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "check/system_identity.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

std::uint64_t ReadDecimal(const std::wstring& text, std::size_t at, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    FUZZ_CHECK(text[i] >= L'0' && text[i] <= L'9');
    value = value * 10 + static_cast<std::uint64_t>(text[i] - L'0');
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto architecture = input.ConsumeIntegral<std::uint32_t>();
  const auto zone_id = input.ConsumeIntegral<std::uint32_t>();
  const auto bias = input.ConsumeIntegral<std::int32_t>();
  const auto standard_bias = input.ConsumeIntegral<std::int32_t>();
  const auto daylight_bias = input.ConsumeIntegral<std::int32_t>();
  tavlun::LocalClock clock;
  clock.year = input.ConsumeIntegral<std::uint16_t>();
  clock.month = input.ConsumeIntegral<std::uint16_t>();
  clock.day = input.ConsumeIntegral<std::uint16_t>();
  clock.hour = input.ConsumeIntegral<std::uint16_t>();
  clock.minute = input.ConsumeIntegral<std::uint16_t>();
  clock.second = input.ConsumeIntegral<std::uint16_t>();
  const std::string rest = input.ConsumeRemainingBytesAsString();
  const auto names = SplitParts(Utf16FromBytes(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size()), 2);
  const std::wstring key_name = names[0];
  const std::wstring standard_name = names.size() > 1 ? names[1] : std::wstring();

  const std::wstring arch = tavlun::ArchitectureText(architecture);
  if (architecture != 0 && architecture != 6 && architecture != 9 && architecture != 12) {
    FUZZ_CHECK(arch == L"bilinmiyor (" + std::to_wstring(architecture) + L")");
  }
  const std::wstring version =
      tavlun::FormatWindowsVersion(architecture, zone_id, static_cast<std::uint32_t>(bias), daylight_bias & 3);
  const bool eleven = architecture == 10 && zone_id == 0 && static_cast<std::uint32_t>(bias) >= 22000 &&
                      (daylight_bias & 3) == 1;
  FUZZ_CHECK(StartsWith(version, eleven ? std::wstring(L"Windows 11 (10.0, build ")
                                        : L"Windows " + std::to_wstring(architecture) + L"." +
                                              std::to_wstring(zone_id) + L" (build "));

  const std::int32_t effective = tavlun::EffectiveTimeZoneBias(zone_id, bias, standard_bias, daylight_bias);
  std::int64_t sum = bias;
  if (zone_id == 2) sum += daylight_bias;
  if (zone_id == 1) sum += standard_bias;
  if (sum >= INT32_MIN + 1 && sum <= INT32_MAX) FUZZ_CHECK(effective == sum);
  FUZZ_CHECK(effective != INT32_MIN);

  const std::wstring zone = tavlun::TimeZoneDisplayName(key_name, standard_name);
  if (key_name.empty() && standard_name.empty()) {
    FUZZ_CHECK(zone == L"saat dilimi adı yok");
  } else {
    FUZZ_CHECK(IsDisplaySafe(zone));
  }

  for (const std::int32_t minutes : {effective, bias}) {
    const std::wstring text = tavlun::FormatLocalTime(clock, minutes, zone);
    const std::size_t utc = text.find(L", UTC");
    FUZZ_CHECK(utc != std::wstring::npos);
    const wchar_t sign = text[utc + 5];
    FUZZ_CHECK(sign == (minutes > 0 ? L'-' : L'+'));
    const std::size_t colon = text.find(L':', utc + 6);
    FUZZ_CHECK(colon != std::wstring::npos && colon >= utc + 8);
    const std::uint64_t hours = ReadDecimal(text, utc + 6, colon - utc - 6);
    const std::uint64_t rest_minutes = ReadDecimal(text, colon + 1, 2);
    const std::int64_t wide = minutes;
    FUZZ_CHECK(hours * 60 + rest_minutes == static_cast<std::uint64_t>(wide < 0 ? -wide : wide));
    FUZZ_CHECK(text.compare(colon + 3, 2, L" (") == 0 && text.back() == L')');
  }
  return 0;
}

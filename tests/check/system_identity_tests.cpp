#include <gtest/gtest.h>

#include <windows.h>

#include "check/system_identity.h"

namespace tavlun {
namespace {

TEST(SystemIdentity, ArchitectureNames) {
  EXPECT_EQ(ArchitectureText(0), L"x86");
  EXPECT_EQ(ArchitectureText(6), L"IA64");
  EXPECT_EQ(ArchitectureText(9), L"x64");
  EXPECT_EQ(ArchitectureText(12), L"ARM64");
  EXPECT_EQ(ArchitectureText(5), L"bilinmiyor (5)");
  EXPECT_EQ(ArchitectureText(65535), L"bilinmiyor (65535)");
}

TEST(SystemIdentity, NativeArchitectureUnderWow64) {
  BOOL wow64 = FALSE;
  ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
  if (!wow64) GTEST_SKIP() << "this Windows is 32-bit";
  const std::wstring text = NativeArchitectureText();
  EXPECT_TRUE(text == L"x64" || text == L"ARM64") << "a 32-bit program on 64-bit Windows names the native kind";
}

TEST(SystemIdentity, WindowsVersionFromTheKernel) {
  EXPECT_EQ(FormatWindowsVersion(10, 0, 19045, VER_NT_WORKSTATION), L"Windows 10.0 (build 19045)");
  // Windows 11 keeps the kernel version 10.0: the product is named first, the raw numbers follow.
  EXPECT_EQ(FormatWindowsVersion(10, 0, 22000, VER_NT_WORKSTATION), L"Windows 11 (10.0, build 22000)");
  EXPECT_EQ(FormatWindowsVersion(10, 0, 22631, VER_NT_WORKSTATION), L"Windows 11 (10.0, build 22631)");
  EXPECT_EQ(FormatWindowsVersion(10, 0, 21999, VER_NT_WORKSTATION), L"Windows 10.0 (build 21999)");
  EXPECT_EQ(FormatWindowsVersion(10, 0, 26100, VER_NT_SERVER), L"Windows 10.0 (build 26100)") << "a server is no 11";
  EXPECT_EQ(FormatWindowsVersion(6, 1, 7601, VER_NT_WORKSTATION), L"Windows 6.1 (build 7601)");
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  using Fn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  auto rtl = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtl, nullptr);
  ASSERT_GE(rtl(&version), 0);
  EXPECT_EQ(WindowsVersionText(),
            FormatWindowsVersion(version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                                 version.wProductType));
}

TEST(SystemIdentity, TimeZoneBiasAndOffsetText) {
  LocalClock clock;
  clock.year = 2026;
  clock.month = 3;
  clock.day = 7;
  clock.hour = 9;
  clock.minute = 5;
  clock.second = 3;
  EXPECT_EQ(FormatLocalTime(clock, EffectiveTimeZoneBias(0, -180, 0, 0), L"Turkey Standard Time"),
            L"2026-03-07 09:05:03, UTC+03:00 (Turkey Standard Time)");
  EXPECT_EQ(EffectiveTimeZoneBias(2, 300, 0, -60), 240);
  EXPECT_EQ(FormatLocalTime(clock, EffectiveTimeZoneBias(2, 300, 0, -60), L"x").substr(19), L", UTC-04:00 (x)");
  EXPECT_EQ(EffectiveTimeZoneBias(1, 300, 10, -60), 310);
  EXPECT_EQ(FormatLocalTime(clock, -330, L"x").substr(19), L", UTC+05:30 (x)");
  EXPECT_EQ(FormatLocalTime(clock, 0, L"UTC").substr(19), L", UTC+00:00 (UTC)");
  clock.year = 987;
  EXPECT_EQ(FormatLocalTime(clock, 0, L"x").substr(0, 4), L"0987");
}

TEST(SystemIdentity, ZoneNameChoiceAndSafety) {
  EXPECT_EQ(TimeZoneDisplayName(L"Turkey Standard Time", L"Türkiye"), L"Turkey Standard Time");
  EXPECT_EQ(TimeZoneDisplayName(L"", L"Türkiye"), L"Türkiye");
  EXPECT_EQ(TimeZoneDisplayName(L"", L""), L"saat dilimi adı yok");
  EXPECT_EQ(TimeZoneDisplayName(L"Bad\r\nZone", L""), L"Bad  Zone");
}

TEST(SystemIdentity, LocalTimeTextShape) {
  const std::wstring text = LocalTimeText();
  ASSERT_GT(text.size(), 30u);
  EXPECT_EQ(text[4], L'-');
  EXPECT_EQ(text[10], L' ');
  EXPECT_EQ(text.substr(19, 5), L", UTC");
  EXPECT_TRUE(text[24] == L'+' || text[24] == L'-');
  EXPECT_EQ(text[27], L':');
  EXPECT_EQ(text.substr(30, 2), L" (");
  EXPECT_EQ(text.back(), L')');
}

}  // namespace
}  // namespace tavlun

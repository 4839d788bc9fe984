#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "check/display_text.h"
#include "check/redaction.h"
#include "tests/check/scoped_environment.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ScopedEnvironment;

TEST(ReadEnvironmentVariable, AbsentEmptyAndOversized) {
  {
    ScopedEnvironment set(L"TAVLUN_TEST_VALUE", L"değer");
    EXPECT_EQ(ReadEnvironmentVariable(L"TAVLUN_TEST_VALUE"), L"değer");
  }
  EXPECT_EQ(ReadEnvironmentVariable(L"TAVLUN_TEST_VALUE"), L"");
  {
    ScopedEnvironment set(L"TAVLUN_TEST_VALUE", L"");
    EXPECT_EQ(ReadEnvironmentVariable(L"TAVLUN_TEST_VALUE"), L"");
  }
  {
    const std::wstring at_limit(32766, L'a');
    ScopedEnvironment set(L"TAVLUN_TEST_VALUE", at_limit.c_str());
    EXPECT_EQ(ReadEnvironmentVariable(L"TAVLUN_TEST_VALUE"), at_limit) ;
  }
}

TEST(RedactPathForReport, UsesTheCurrentEnvironment) {
  ScopedEnvironment profile(L"USERPROFILE", L"C:\\Users\\Çağrı Işık");
  ScopedEnvironment local(L"LOCALAPPDATA", L"C:\\Users\\Çağrı Işık\\AppData\\Local");
  ScopedEnvironment roaming(L"APPDATA", L"C:\\Users\\Çağrı Işık\\AppData\\Roaming");
  ScopedEnvironment temp(L"TEMP", L"C:\\Users\\Çağrı Işık\\AppData\\Local\\Temp");
  ScopedEnvironment tmp(L"TMP", L"C:\\Users\\Çağrı Işık\\AppData\\Local\\Temp");
  EXPECT_EQ(RedactPathForReport(L"C:\\USERS\\ÇAĞRI IŞIK\\AppData\\Local\\Temp\\jdk"), L"%TEMP%\\jdk");
  EXPECT_EQ(RedactPathForReport(L"c:\\users\\çağrı ışık\\appdata\\roaming\\x"), L"%APPDATA%\\x");
  EXPECT_EQ(RedactPathForReport(L"C:\\Users\\Çağrı Işık\\jdk"), L"%USERPROFILE%\\jdk");
  EXPECT_EQ(RedactPathForReport(L"E:\\Users\\Çağrı Işık\\jdk"), L"E:\\Users\\<kullanıcı>\\jdk");
}

}  // namespace
}  // namespace tavlun

#include <gtest/gtest.h>

#include <windows.h>

#include "check/wrapper_candidates.h"

namespace tavlun {
namespace {

TEST(WrapperCandidateLocations, SixtyFourBitWindowsHasTwoInOrder) {
  for (unsigned short architecture : {6, 9, 12}) {
    const auto list = WrapperCandidateLocations(L"C:\\Windows", architecture, L"C:\\Windows\\SysWOW64", L"");
    ASSERT_EQ(list.size(), 2u) << architecture;
    EXPECT_EQ(list[0].displayPath, L"C:\\Windows\\System32\\PKCS11Wrapper.dll");
    EXPECT_EQ(list[0].probePath, L"C:\\Windows\\Sysnative\\PKCS11Wrapper.dll");
    EXPECT_EQ(list[1].displayPath, L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll");
    EXPECT_EQ(list[1].probePath, list[1].displayPath);
  }
}

TEST(WrapperCandidateLocations, TrailingBackslashAndMissingWow64Folder) {
  const auto list = WrapperCandidateLocations(L"D:\\WIN\\", 9, L"", L"");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].displayPath, L"D:\\WIN\\System32\\PKCS11Wrapper.dll");
  EXPECT_EQ(list[0].probePath, L"D:\\WIN\\Sysnative\\PKCS11Wrapper.dll");
  EXPECT_EQ(list[1].displayPath, L"D:\\WIN\\SysWOW64\\PKCS11Wrapper.dll");
}

TEST(WrapperCandidateLocations, ThirtyTwoBitWindowsHasOne) {
  const auto list = WrapperCandidateLocations(L"C:\\Windows", 0, L"", L"C:\\Windows\\system32");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].displayPath, L"C:\\Windows\\system32\\PKCS11Wrapper.dll");
  EXPECT_EQ(list[0].probePath, list[0].displayPath);
  EXPECT_TRUE(WrapperCandidateLocations(L"C:\\Windows", 0, L"", L"").empty());
  EXPECT_TRUE(WrapperCandidateLocations(L"", 9, L"C:\\Windows\\SysWOW64", L"").empty());
}

TEST(ProbeWrapperCandidates, NothingPlantedMeansTwoAbsentCandidates) {
  const auto list = ProbeWrapperCandidates();
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  ASSERT_EQ(list.size(), info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? 1u : 2u);
  for (const auto& candidate : list) {
    EXPECT_FALSE(candidate.probe.found);
    EXPECT_TRUE(candidate.probe.detail.empty());
  }
}

}  // namespace
}  // namespace tavlun

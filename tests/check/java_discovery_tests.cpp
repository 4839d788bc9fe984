#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "check/check_budget.h"
#include "check/directory_chain.h"
#include "check/java_discovery.h"
#include "check/path_safety.h"
#include "core/text.h"
#include "core/windows_error.h"
#include "tests/check/registry_fixture.h"
#include "tests/check/scoped_environment.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ScopedEnvironment;
using testing_support::ScopedRegistryTree;
using testing_support::ScratchDir;
using testing_support::Utf8;

const wchar_t kJre[] = L"SOFTWARE\\JavaSoft\\JRE";
const wchar_t kRuntimeEnvironment[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
const wchar_t kDevelopmentKit[] = L"SOFTWARE\\JavaSoft\\Java Development Kit";
const wchar_t kJdk[] = L"SOFTWARE\\JavaSoft\\JDK";

// --- discovery in the registry -----------------------------------------------------------------------------------

// The JavaSoft trees of all four roots and views, for tests that build their own; skipped when the machine has its
// own registrations (they would mix into the results) or the test may not write HKLM.
class JavaRegistry {
 public:
  JavaRegistry()
      : hklm32_(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"SOFTWARE\\JavaSoft"),
        hklm64_(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft"),
        hkcu32_(HKEY_CURRENT_USER, KEY_WOW64_32KEY, L"SOFTWARE\\JavaSoft"),
        hkcu64_(HKEY_CURRENT_USER, KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft"),
        java_home_(L"JAVA_HOME", nullptr) {}

  bool usable() const {
    return !hklm32_.existed_before() && !hklm64_.existed_before() && !hkcu32_.existed_before() &&
           !hkcu64_.existed_before();
  }

  ScopedRegistryTree& hklm32() { return hklm32_; }
  ScopedRegistryTree& hklm64() { return hklm64_; }
  ScopedRegistryTree& hkcu32() { return hkcu32_; }
  ScopedRegistryTree& hkcu64() { return hkcu64_; }

  // Whether HKCU shows one tree in both views (Windows shares HKCU\Software between them).
  bool HkcuViewsShared() {
    hkcu32_.CreateKey(L"TavlunViewProbe");
    UniqueRegKey key;
    const bool shared = ::RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\JavaSoft\\TavlunViewProbe", 0,
                                        KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
    key.reset();
    UniqueRegKey parent;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\JavaSoft", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, parent.put());
    ::RegDeleteTreeW(parent.get(), L"TavlunViewProbe");
    return shared;
  }

 private:
  ScopedRegistryTree hklm32_;
  ScopedRegistryTree hklm64_;
  ScopedRegistryTree hkcu32_;
  ScopedRegistryTree hkcu64_;
  ScopedEnvironment java_home_;
};

#define REQUIRE_USABLE(registry)                                                                       \
  if (!(registry).usable()) GTEST_SKIP() << "this machine has its own JavaSoft registrations";         \
  if (!(registry).hklm32().CreateKey(L"") || !(registry).hklm64().CreateKey(L""))                     \
  GTEST_SKIP() << "HKLM cannot be written by this test run"

// Relative to the SOFTWARE\JavaSoft tree.
std::wstring Sub(const wchar_t* key_path, const std::wstring& subkey = L"") {
  std::wstring relative = std::wstring(key_path).substr(std::wstring(L"SOFTWARE\\JavaSoft\\").size());
  return subkey.empty() ? relative : relative + L"\\" + subkey;
}

std::wstring Label(const wchar_t* root, const wchar_t* view, const wchar_t* key) {
  return JavaSourceLabel(root, view, key);
}

// A fake Java installation in a scratch folder.
std::wstring MakeHome(const ScratchDir& scratch, const std::wstring& name, const wchar_t* java_exe,
                      const wchar_t* javaws_exe, const char* release) {
  const std::wstring home = scratch.Child(name);
  const std::wstring bin = JoinPath(home, L"bin");
  ::CreateDirectoryW(home.c_str(), nullptr);
  ::CreateDirectoryW(bin.c_str(), nullptr);
  const std::wstring fakes = JoinPath(testing_support::TestBinDir(), L"fakes");
  if (java_exe != nullptr) ::CopyFileW(JoinPath(fakes, java_exe).c_str(), JoinPath(bin, L"java.exe").c_str(), TRUE);
  if (javaws_exe != nullptr) {
    ::CopyFileW(JoinPath(fakes, javaws_exe).c_str(), JoinPath(bin, L"javaws.exe").c_str(), TRUE);
  }
  if (release != nullptr) testing_support::WriteBytes(JoinPath(home, L"release"), release, std::strlen(release));
  return home;
}

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

std::wstring ForwardSlashes(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
  }
  return text;
}

TEST(DiscoverJava, NothingDeclaredGivesAnEmptyList) {
  JavaRegistry registry;
  if (!registry.usable()) GTEST_SKIP() << "this machine has its own JavaSoft registrations";
  EXPECT_TRUE(DiscoverJava().empty());
}

TEST(DiscoverJava, OneHomeDeclaredThreeWaysIsOneCandidate) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  ScratchDir scratch(L"tavlun-java");
  const std::wstring home = MakeHome(scratch, L"jre1.8.0_301", L"java8_x86.exe", L"java8_x86.exe", nullptr);

  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJre, L"1.8.0_301"), L"JavaHome", L"\"" + ForwardSlashes(home) + L"/\""));
  ASSERT_TRUE(registry.hklm64().SetString(Sub(kJdk), L"CurrentVersion", L"17"));
  ASSERT_TRUE(registry.hklm64().SetString(Sub(kJdk), L"JavaHome", AsciiUpper(home) + L"\\\\"));
  ScopedEnvironment java_home(L"JAVA_HOME", (L" " + home + L" ").c_str());

  const JavaCandidateList list = DiscoverJava();
  ASSERT_EQ(list.size(), 1u);
  const JavaCandidate& java = list[0];
  EXPECT_EQ(java.home, home);
  EXPECT_EQ(java.sources, Label(L"HKLM", L"32-bit", kJre) + L"; " + Label(L"HKLM", L"64-bit", kJdk) + L"; JAVA_HOME");
  EXPECT_EQ(java.registryVersion, L"1.8.0_301");
  EXPECT_EQ(java.releaseVersion, L"");
  EXPECT_EQ(java.majorVersion, 8);
  EXPECT_TRUE(java.homeValid);
  EXPECT_TRUE(java.javaExe.structurallyValid) << Utf8(java.javaExe.detail);
  EXPECT_EQ(java.javaExe.machine, L"x86");
  EXPECT_EQ(java.javaExe.fileVersion, L"8.0.3010.9");
  EXPECT_TRUE(java.javawsExe.structurallyValid) << Utf8(java.javawsExe.detail);
}

TEST(DiscoverJava, BothViewsOfBothRootsInOrder) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  const bool hkcu_shared = registry.HkcuViewsShared();
  ScratchDir scratch(L"tavlun-java");
  const std::wstring a = MakeHome(scratch, L"a", L"java8_x86.exe", nullptr, nullptr);
  const std::wstring b = MakeHome(scratch, L"b", L"java17_x64.exe", L"java17_x64.exe",
                                  "IMPLEMENTOR=\"x\"\r\nJAVA_VERSION=\"11.0.2\"\r\nOS_ARCH=\"amd64\"\r\n");
  const std::wstring c = MakeHome(scratch, L"c", L"java21_x64.exe", nullptr, nullptr);
  const std::wstring d = MakeHome(scratch, L"d", L"java17_x64.exe", nullptr, nullptr);
  const std::wstring e = MakeHome(scratch, L"e", nullptr, nullptr, "JAVA_VERSION=\"Latest\"\n");

  ASSERT_TRUE(registry.hkcu64().SetString(Sub(kJdk), L"CurrentVersion", L"21"));
  ASSERT_TRUE(registry.hkcu64().SetString(Sub(kJdk), L"JavaHome", c));
  ASSERT_TRUE(registry.hkcu32().SetString(Sub(kDevelopmentKit, L"Latest"), L"JavaHome", d));
  ASSERT_TRUE(registry.hklm64().SetString(Sub(kRuntimeEnvironment, L"1.8.0_301"), L"JavaHome", b));
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJre, L"1.8.0_301"), L"JavaHome", a));
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJre, L"9"), L"JavaHome", e));
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJre, L"10"), L"Other", L"C:\\ignored"));

  const JavaCandidateList list = DiscoverJava();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].home, a);
  EXPECT_EQ(list[1].home, e);
  EXPECT_EQ(list[2].home, b);
  EXPECT_EQ(list[0].sources, Label(L"HKLM", L"32-bit", kJre));
  EXPECT_EQ(list[1].sources, Label(L"HKLM", L"32-bit", kJre));
  EXPECT_EQ(list[2].sources, Label(L"HKLM", L"64-bit", kRuntimeEnvironment));

  // A subkey named 1.8.0_301 without a release file: major 8 from the registry.
  EXPECT_EQ(list[0].registryVersion, L"1.8.0_301");
  EXPECT_EQ(list[0].majorVersion, 8);
  // No java.exe, a release version that is not a token with a leading digit: nothing determined.
  EXPECT_EQ(list[1].registryVersion, L"9");
  EXPECT_EQ(list[1].releaseVersion, L"");
  EXPECT_EQ(list[1].majorVersion, 9);
  EXPECT_TRUE(list[1].homeValid);
  EXPECT_FALSE(list[1].javaExe.found);
  EXPECT_EQ(list[1].javaExe.detail, L"");
  // The release file overrides the registry.
  EXPECT_EQ(list[2].registryVersion, L"1.8.0_301");
  EXPECT_EQ(list[2].releaseVersion, L"11.0.2");
  EXPECT_EQ(list[2].releaseArch, L"amd64");
  EXPECT_EQ(list[2].majorVersion, 11);
  EXPECT_EQ(list[2].javaExe.machine, L"x64");
  EXPECT_TRUE(list[2].javawsExe.structurallyValid);

  // HKCU: the key's own JavaHome with CurrentVersion, and a "Latest" subkey whose version comes from java.exe.
  // Windows shows HKCU\Software in both views, so each HKCU home is declared by both view labels.
  const JavaCandidate* java_c = nullptr;
  const JavaCandidate* java_d = nullptr;
  for (const JavaCandidate& candidate : list) {
    if (candidate.home == c) java_c = &candidate;
    if (candidate.home == d) java_d = &candidate;
  }
  ASSERT_NE(java_c, nullptr);
  ASSERT_NE(java_d, nullptr);
  EXPECT_EQ(&list[3], java_d) << "the 32-bit view of HKCU is scanned before its 64-bit view";
  EXPECT_EQ(&list[4], java_c);
  EXPECT_EQ(java_c->registryVersion, L"21");
  EXPECT_EQ(java_c->majorVersion, 21);
  EXPECT_EQ(java_d->registryVersion, L"");
  EXPECT_EQ(java_d->majorVersion, 17) << "from the version resource of java.exe";
  if (hkcu_shared) {
    EXPECT_EQ(java_c->sources, Label(L"HKCU", L"32-bit", kJdk) + L"; " + Label(L"HKCU", L"64-bit", kJdk));
    EXPECT_EQ(java_d->sources,
              Label(L"HKCU", L"32-bit", kDevelopmentKit) + L"; " + Label(L"HKCU", L"64-bit", kDevelopmentKit));
  } else {
    EXPECT_EQ(java_c->sources, Label(L"HKCU", L"64-bit", kJdk));
    EXPECT_EQ(java_d->sources, Label(L"HKCU", L"32-bit", kDevelopmentKit));
  }
}

TEST(DiscoverJava, MalformedValuesAreIgnored) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  ScratchDir scratch(L"tavlun-java");
  const std::wstring home = MakeHome(scratch, L"jdk", L"java17_x64.exe", nullptr, nullptr);
  ScopedEnvironment root(L"TAVLUN_JAVA_ROOT", scratch.path().c_str());
  ScopedEnvironment undefined(L"TAVLUN_UNDEFINED_ROOT", nullptr);
  ScopedRegistryTree& tree = registry.hkcu64();

  const std::wstring text = home;
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  ASSERT_TRUE(tree.SetString(Sub(kJre, L"1"), L"JavaHome", L"%TAVLUN_UNDEFINED_ROOT%\\jdk", REG_EXPAND_SZ));
  ASSERT_TRUE(tree.SetRaw(Sub(kJre, L"2"), L"JavaHome", REG_SZ, text.c_str(), bytes - 1));
  const std::wstring with_nul = text + std::wstring(1, L'\0') + L"x";
  ASSERT_TRUE(tree.SetRaw(Sub(kJre, L"3"), L"JavaHome", REG_SZ, with_nul.c_str(),
                          static_cast<DWORD>((with_nul.size() + 1) * sizeof(wchar_t))));
  const std::wstring lone = text + std::wstring(1, wchar_t(0xDC00));
  ASSERT_TRUE(tree.SetString(Sub(kJre, L"4"), L"JavaHome", lone));
  const DWORD number = 7;
  ASSERT_TRUE(tree.SetRaw(Sub(kJre, L"5"), L"JavaHome", REG_DWORD, &number, sizeof(number)));
  ASSERT_TRUE(tree.SetRaw(Sub(kJre, L"6"), L"JavaHome", REG_SZ, text.c_str(), bytes - 2));  // no terminator
  const std::wstring oversized = text + std::wstring(32768 - text.size(), L'\\');
  ASSERT_TRUE(tree.SetString(Sub(kJre, L"7"), L"JavaHome", oversized));
  ASSERT_TRUE(tree.SetString(Sub(kJre, L"8"), L"JavaHome", L""));

  // The raw values are stored as written (the registry adds no terminator of its own).
  {
    UniqueRegKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, (L"SOFTWARE\\JavaSoft\\" + Sub(kJre, L"2")).c_str(), 0,
                              KEY_READ | KEY_WOW64_64KEY, key.put()),
              ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(::RegQueryValueExW(key.get(), L"JavaHome", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, bytes - 1);
  }
  EXPECT_TRUE(DiscoverJava().empty());

  // The same home through a defined variable is found.
  ASSERT_TRUE(tree.SetString(Sub(kJre, L"17.0.2"), L"JavaHome", L"%TAVLUN_JAVA_ROOT%\\jdk", REG_EXPAND_SZ));
  const JavaCandidateList list = DiscoverJava();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].home, home);
  EXPECT_EQ(list[0].registryVersion, L"17.0.2");
  EXPECT_EQ(list[0].majorVersion, 17);
}

TEST(DiscoverJava, HomesThatFailValidationStayListed) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  ScratchDir scratch(L"tavlun-java");
  const std::wstring missing = scratch.Child(L"missing");
  const std::wstring dotted = scratch.Child(L"jdk") + L"\\..\\jdk";
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJdk, L"17"), L"JavaHome", missing));
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJdk, L"21"), L"JavaHome", dotted));
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJdk, L"8"), L"JavaHome", L"\\\\server\\share\\jdk"));

  const JavaCandidateList list = DiscoverJava();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_FALSE(list[0].homeValid);
  EXPECT_EQ(list[0].javaExe.detail, kJavaHomeMissing);  // not there: no path rule failed
  EXPECT_EQ(list[0].majorVersion, 0) << "nothing inside an unvalidated home is read";
  EXPECT_FALSE(list[0].javawsExe.found);
  EXPECT_EQ(list[1].javaExe.detail, kJavaHomeNotValidated + std::wstring(kPathBadComponent));
  EXPECT_EQ(list[2].home, L"\\\\server\\share\\jdk");
  EXPECT_EQ(list[2].javaExe.detail, kJavaHomeNotValidated + std::wstring(kPathNotLocalAbsolute));
}

TEST(DiscoverJava, EachHomeChainIsOpenedOnce) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  ScratchDir scratch(L"tavlun-java");
  std::wstring name = L"deep";
  for (int level = 0; level < 24; ++level) {
    ASSERT_TRUE(::CreateDirectoryW(scratch.Child(name).c_str(), nullptr));
    name += L"\\d";
  }
  const std::wstring home =
      MakeHome(scratch, name, L"java8_x86.exe", L"java8_x86.exe", "JAVA_VERSION=\"1.8.0_301\"\n");
  ASSERT_TRUE(registry.hklm32().SetString(Sub(kJre, L"1.8.0_301"), L"JavaHome", home));

  const std::uint64_t before = DirectoryComponentsOpened();
  const JavaCandidateList list = DiscoverJava();
  const std::uint64_t opened = DirectoryComponentsOpened() - before;
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].releaseVersion, L"1.8.0_301");
  EXPECT_TRUE(list[0].javaExe.structurallyValid) << Utf8(list[0].javaExe.detail);
  EXPECT_TRUE(list[0].javawsExe.structurallyValid) << Utf8(list[0].javawsExe.detail);
  // One open per folder below the drive root, and one for bin.
  EXPECT_EQ(opened, static_cast<std::uint64_t>(std::count(home.begin(), home.end(), L'\\')) + 1);
}

TEST(ExamineJavaCandidates, WhatTheBudgetLeavesIsListedAsNotExamined) {
  ScratchDir scratch(L"tavlun-java");
  JavaCandidateList list(2);
  list[0].home = MakeHome(scratch, L"a", L"java8_x86.exe", nullptr, nullptr);
  list[1].home = MakeHome(scratch, L"b", L"java8_x86.exe", nullptr, nullptr);
  int asked = 0;
  CheckBudget budget(50, [&asked] { return ++asked <= 2 ? std::uint64_t{0} : std::uint64_t{100}; });
  ExamineJavaCandidates(&list, &budget);
  EXPECT_TRUE(list[0].javaExe.structurallyValid) << Utf8(list[0].javaExe.detail);
  EXPECT_FALSE(list[1].homeValid);
  EXPECT_EQ(list[1].javaExe.detail, kNotExaminedDetail);
  EXPECT_EQ(list[1].javawsExe.detail, kNotExaminedDetail);
  EXPECT_TRUE(list[1].javaExe.notExamined && list[1].javawsExe.notExamined && !list[0].javaExe.notExamined);
  EXPECT_EQ(budget.NotExamined(), std::vector<std::wstring>{L"1 Java adayı"});
}

TEST(DiscoverJava, AtMost128Of130Homes) {
  JavaRegistry registry;
  REQUIRE_USABLE(registry);
  for (std::uint32_t i = 0; i < 130; ++i) {
    std::wstring number = DecimalText(i);
    number.insert(0, 3 - number.size(), L'0');
    ASSERT_TRUE(registry.hkcu64().SetString(Sub(kJre, L"1.8.0_" + number), L"JavaHome",
                                           L"C:\\tavlun-absent-java\\jdk" + number));
  }
  const JavaCandidateList list = DiscoverJava();
  ASSERT_EQ(list.size(), 128u);
  // Subkeys are enumerated in name order, so the first 128 names are the ones listed.
  EXPECT_EQ(list.front().home, L"C:\\tavlun-absent-java\\jdk000");
  EXPECT_EQ(list.back().home, L"C:\\tavlun-absent-java\\jdk127");
  EXPECT_EQ(list.back().registryVersion, L"1.8.0_127");
  CheckBudget unlimited(kCheckTimeLimitMs, [] { return std::uint64_t{0}; });
  EXPECT_TRUE(DiscoverJava(&unlimited).listFull);
}

}  // namespace
}  // namespace tavlun

// The program's import table names only DLLs that Windows always takes from the system folder.
//
// Windows looks for any other DLL in the program's own folder first. The elevated copy runs from wherever the
// user saved the program, so a statically imported non-KnownDLL there would run as administrator before the
// entry could restrict the search. The rule and the list live in cmake/SystemImports.cmake and
// core/system_dlls.h; the list is repeated here on purpose, so that widening it takes a visible change to a test.
//
// version.dll and uxtheme.dll are covered only here: Wine's own user32 imports both while the process starts,
// before any code of the program runs, so the planted-DLL tests cannot tell the program's loads from Wine's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "tests/app/pe_image_reader.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using namespace testing_support;

const char* const kKnownDlls[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                  "shell32.dll",  "shlwapi.dll", "ole32.dll", "msvcrt.dll"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool IsKnownDll(const std::string& name) {
  const std::string lower = Lower(name);
  return std::any_of(std::begin(kKnownDlls), std::end(kKnownDlls), [&](const char* known) { return lower == known; });
}

TEST(ImportTable, NamesOnlyKnownDlls) {
  const std::vector<std::uint8_t> program = ReadBytes(ProgramPath());
  ASSERT_FALSE(program.empty());
  const PeImageFacts facts = ReadPeImage(program);
  ASSERT_TRUE(facts.valid) << facts.error;

  // The reader found the imports every Win32 program has, so an empty or misread table cannot pass.
  std::vector<std::string> lower;
  for (const std::string& name : facts.imported_dlls) lower.push_back(Lower(name));
  EXPECT_NE(std::find(lower.begin(), lower.end(), "kernel32.dll"), lower.end());
  EXPECT_NE(std::find(lower.begin(), lower.end(), "user32.dll"), lower.end());

  for (const std::string& name : facts.imported_dlls) {
    EXPECT_TRUE(IsKnownDll(name)) << name << " is imported statically but is not a KnownDLL";
  }
  // A delayed import is resolved with the ordinary search order too.
  for (const std::string& name : facts.delay_imported_dlls) {
    ADD_FAILURE() << name << " is delay-imported; load it through core/system_dlls.h instead";
  }
}

TEST(ImportTable, ReaderRefusesEveryTruncatedCopyCleanly) {
  const std::vector<std::uint8_t> program = ReadBytes(ProgramPath());
  ASSERT_GT(program.size(), 4096u);
  const PeImageFacts whole = ReadPeImage(program);
  ASSERT_TRUE(whole.valid) << whole.error;
  // Every prefix of the headers, then prefixes at coarse steps through the sections.
  std::vector<std::size_t> lengths;
  for (std::size_t length = 0; length < 1024; ++length) lengths.push_back(length);
  for (std::size_t length = 1024; length < program.size(); length += program.size() / 97) lengths.push_back(length);
  for (std::size_t length : lengths) {
    const std::vector<std::uint8_t> prefix(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(length));
    const PeImageFacts facts = ReadPeImage(prefix);
    EXPECT_FALSE(facts.valid) << "a copy cut at " << length << " bytes was read as whole";
  }
}

}  // namespace
}  // namespace tavlun

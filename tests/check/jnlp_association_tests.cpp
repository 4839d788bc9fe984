#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "check/jnlp_association.h"
#include "check/path_safety.h"
#include "core/text.h"
#include "tests/check/registry_fixture.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ScopedRegistryTree;
using testing_support::ScratchDir;
using testing_support::Utf8;

TEST(ClassifyJnlpOpener, FileNameDecidesAmongValidOpeners) {
  EXPECT_EQ(ClassifyJnlpOpener(false, false, L""), JnlpOpenerKind::NoOpener);
  EXPECT_EQ(ClassifyJnlpOpener(false, true, L"C:\\Java\\bin\\javaws.exe"), JnlpOpenerKind::NoOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, false, L"C:\\Java\\bin\\javaws.exe"), JnlpOpenerKind::OpenerNotExamined);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\Program Files\\Java\\jre1.8.0_301\\bin\\javaws.exe"),
            JnlpOpenerKind::JavawsOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\Java\\JAVAWS.EXE"), JnlpOpenerKind::JavawsOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:/Java/bin/JAVAWS.EXE"), JnlpOpenerKind::JavawsOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"javaws.exe"), JnlpOpenerKind::JavawsOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\Tools\\launcher.exe"), JnlpOpenerKind::OtherOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\Java\\javaws.exe.bak"), JnlpOpenerKind::OtherOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\Java\\javaws.exe.lnk"), JnlpOpenerKind::OtherOpener);
  EXPECT_EQ(ClassifyJnlpOpener(true, true, L"C:\\javaws.exe\\"), JnlpOpenerKind::OtherOpener);

  EXPECT_EQ(OpenerFileName(L"C:\\a/b\\c.exe"), L"c.exe");
  EXPECT_EQ(OpenerFileName(L"C:\\a\\b/c.exe"), L"c.exe");
  EXPECT_EQ(OpenerFileName(L"c.exe"), L"c.exe");
  EXPECT_EQ(OpenerFileName(L""), L"");
}

// A .jnlp association of the test's own in HKLM\Software\Classes (where Wine's class root lives; on Windows it is
// merged into the class root too), removed again at the end.
class JnlpRegistration {
 public:
  JnlpRegistration()
      : extension_(HKEY_LOCAL_MACHINE, 0, L"Software\\Classes\\.jnlp"),
        program_id_(HKEY_LOCAL_MACHINE, 0, L"Software\\Classes\\TavlunTest.JnlpFile") {
    UniqueRegKey merged;
    merged_existed_ = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".jnlp", 0, KEY_READ, merged.put()) == ERROR_SUCCESS;
  }

  // Skipped unless the machine had no .jnlp association and HKLM can be written.
  bool usable() const { return !merged_existed_ && !extension_.existed_before() && !program_id_.existed_before(); }

  bool Register(const std::wstring& command) {
    return extension_.SetString(L"", nullptr, L"TavlunTest.JnlpFile") &&
           program_id_.SetString(L"shell\\open\\command", nullptr, command);
  }

 private:
  ScopedRegistryTree extension_;
  ScopedRegistryTree program_id_;
  bool merged_existed_ = false;
};

#define REQUIRE_NO_OWN_ASSOCIATION(registration) \
  if (!(registration).usable()) GTEST_SKIP() << "this machine has its own .jnlp association"

// Copies a fake program into `folder` (created through an extended-length path, so that names Win32 would
// normalise can exist) under `name`.
std::wstring Plant(const std::wstring& folder, const std::wstring& name, const wchar_t* source = L"java8_x86.exe",
                   const wchar_t* source_folder = L"fakes") {
  ::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
  const std::wstring target = JoinPath(folder, name);
  const std::wstring from = JoinPath(JoinPath(testing_support::TestBinDir(), source_folder), source);
  ::CopyFileW(from.c_str(), (L"\\\\?\\" + target).c_str(), TRUE);
  return target;
}

// Removes what Plant made, including names that only extended-length paths reach.
class PlantedFolder {
 public:
  explicit PlantedFolder(std::wstring folder) : folder_(std::move(folder)) {}
  ~PlantedFolder() {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((L"\\\\?\\" + folder_ + L"\\*").c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") ::DeleteFileW((L"\\\\?\\" + JoinPath(folder_, name)).c_str());
      } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW((L"\\\\?\\" + folder_).c_str());
  }
  PlantedFolder(const PlantedFolder&) = delete;
  PlantedFolder& operator=(const PlantedFolder&) = delete;

 private:
  std::wstring folder_;
};

std::wstring ToLowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

std::wstring OpenCommand(const std::wstring& program) { return L"\"" + program + L"\" \"%1\""; }

JnlpOpenerKind KindOf(const JnlpAssociation& association) {
  return ClassifyJnlpOpener(association.openerFound, association.opener.structurallyValid, association.openerPath);
}

TEST(QueryJnlpAssociation, NoAssociation) {
  JnlpRegistration registration;
  REQUIRE_NO_OWN_ASSOCIATION(registration);
  const JnlpAssociation association = QueryJnlpAssociation();
  EXPECT_FALSE(association.openerFound);
  EXPECT_EQ(association.openerPath, L"");
  EXPECT_NE(association.queryResult, 0);
  EXPECT_FALSE(association.opener.found);
  EXPECT_EQ(KindOf(association), JnlpOpenerKind::NoOpener);
}

TEST(QueryJnlpAssociation, RegisteredLocalJavawsInAnyLetterCase) {
  JnlpRegistration registration;
  REQUIRE_NO_OWN_ASSOCIATION(registration);
  ScratchDir scratch(L"tavlun-jnlp");
  for (const wchar_t* name : {L"javaws.exe", L"JAVAWS.EXE"}) {
    const std::wstring bin = scratch.Child(std::wstring(L"bin-") + name[0]);
    const std::wstring javaws = Plant(bin, name);
    if (!registration.Register(OpenCommand(javaws))) GTEST_SKIP() << "HKLM cannot be written by this test run";
    const JnlpAssociation association = QueryJnlpAssociation();
    EXPECT_EQ(association.queryResult, 0);
    EXPECT_TRUE(association.openerFound);
    EXPECT_EQ(ToLowerAscii(association.openerPath), ToLowerAscii(javaws));
    EXPECT_TRUE(association.opener.structurallyValid) << Utf8(association.opener.detail);
    EXPECT_EQ(association.opener.machine, L"x86");
    EXPECT_EQ(KindOf(association), JnlpOpenerKind::JavawsOpener) << Utf8(name);
  }
}

TEST(QueryJnlpAssociation, AnotherProgramAndADllNamedJavaws) {
  JnlpRegistration registration;
  REQUIRE_NO_OWN_ASSOCIATION(registration);
  ScratchDir scratch(L"tavlun-jnlp");
  const std::wstring editor = Plant(scratch.Child(L"editor"), L"editor.exe");
  if (!registration.Register(OpenCommand(editor))) GTEST_SKIP() << "HKLM cannot be written by this test run";
  JnlpAssociation association = QueryJnlpAssociation();
  EXPECT_TRUE(association.opener.structurallyValid) << Utf8(association.opener.detail);
  EXPECT_EQ(KindOf(association), JnlpOpenerKind::OtherOpener);

  const std::wstring dll = Plant(scratch.Child(L"dll"), L"javaws.exe", L"fake_library_x86.dll", L"dlls");
  ASSERT_TRUE(registration.Register(OpenCommand(dll)));
  association = QueryJnlpAssociation();
  EXPECT_TRUE(association.openerFound);
  EXPECT_TRUE(association.opener.found);
  EXPECT_FALSE(association.opener.structurallyValid);
  EXPECT_EQ(association.opener.detail, L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  EXPECT_EQ(KindOf(association), JnlpOpenerKind::OpenerNotExamined);
}

TEST(QueryJnlpAssociation, OpenerWhoseFolderCannotBeValidated) {
  JnlpRegistration registration;
  REQUIRE_NO_OWN_ASSOCIATION(registration);
  ScratchDir scratch(L"tavlun-jnlp");
  struct Case {
    const wchar_t* folder;
    const wchar_t* fragment;
  };
  const Case cases[] = {{L"bin ", kPathBadComponent}, {L"nul", kPathDeviceName}};
  for (const Case& c : cases) {
    const std::wstring folder = scratch.Child(c.folder);
    PlantedFolder cleanup(folder);
    const std::wstring javaws = Plant(folder, L"javaws.exe");
    if (!registration.Register(OpenCommand(javaws))) GTEST_SKIP() << "HKLM cannot be written by this test run";
    const JnlpAssociation association = QueryJnlpAssociation();
    if (association.openerPath != javaws) {
      GTEST_SKIP() << "the association query normalised the path " << Utf8(association.openerPath);
    }
    EXPECT_TRUE(association.openerFound);
    EXPECT_FALSE(association.opener.found) << "nothing in that folder is opened";
    EXPECT_EQ(association.opener.detail, c.fragment);
    EXPECT_EQ(KindOf(association), JnlpOpenerKind::OpenerNotExamined);
  }
}

}  // namespace
}  // namespace tavlun

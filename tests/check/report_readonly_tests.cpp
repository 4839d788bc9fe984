// The whole check is read-only: it creates, changes and deletes no file on the prefix's drive and leaves no process
// behind. The machine state is built first (stand-in DLLs, a Java home with release file and programs, a .jnlp
// opener, a program named like PKCS11Wrapper.dll), so that every probe really opens files.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <set>
#include <string>

#include "check/report.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "tests/check/report_fixtures.h"
#include "tests/support/drive_snapshot.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using report_fixtures::PrefixState;
using testing_support::Exclusions;
using testing_support::FileFacts;
using testing_support::Utf8;

std::set<DWORD> Children(DWORD parent) {
  std::set<DWORD> ids;
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) return ids;
  do {
    if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) {
      UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
      if (process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) ids.insert(entry.th32ProcessID);
    }
  } while (::Process32NextW(snapshot.get(), &entry));
  return ids;
}

TEST(ReportReadOnly, WholeCheckChangesNoFileAndLeavesNoProcess) {
  PrefixState prefix;
  ASSERT_TRUE(prefix.InstallStandInDlls());
  const std::wstring home = prefix.AddJavaHome(L"jre8", L"1.8.0_301", true);
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\Java Runtime Environment", L"1.8.0_301", home));
  ASSERT_TRUE(prefix.RegisterJnlpOpener(JoinPath(JoinPath(home, L"bin"), L"javaws.exe")));
  wchar_t wow64[MAX_PATH];
  const UINT wow64_length = ::GetSystemWow64DirectoryW(wow64, MAX_PATH);
  if (wow64_length != 0) {
    ASSERT_TRUE(prefix.PlantSystemFile(JoinPath(std::wstring(wow64, wow64_length), L"PKCS11Wrapper.dll"),
                                       testing_support::ReadBytes(testing_support::ToolPath(L"pcsc_standin.exe"))));
  }

  const Exclusions exclusions = testing_support::ExclusionsFor(prefix.scratch());
  // TEMP itself is left out of the comparison (other test programs work there), so the check gets a TEMP inside
  // the compared scratch folder: a temporary file it wrote would show there.
  const std::wstring own_temp = JoinPath(prefix.scratch(), L"temp");
  ASSERT_TRUE(prefix.CreateFolder(own_temp));
  prefix.SetEnvironment(L"TEMP", own_temp);
  prefix.SetEnvironment(L"TMP", own_temp);
  std::map<std::wstring, FileFacts> before;
  testing_support::Snapshot(L"C:", exclusions, &before);
  ASSERT_GT(before.size(), 100u);
  const std::set<DWORD> children_before = Children(::GetCurrentProcessId());

  const DiagnosticReport report = BuildDiagnosticReport();
  ASSERT_EQ(report.items.size(), kRequirementCount);
  EXPECT_NE(report.fullText.find(L"  java.exe=yerel ve yapısal PE yürütülebilir"), std::wstring::npos)
      << "the Java home was really examined\n" << Utf8(report.fullText);

  std::map<std::wstring, FileFacts> after;
  testing_support::Snapshot(L"C:", exclusions, &after);
  for (const auto& [path, facts] : before) {
    const auto found = after.find(path);
    if (found == after.end()) {
      ADD_FAILURE() << "deleted: " << Utf8(path);
    } else if (!(found->second == facts)) {
      ADD_FAILURE() << "changed: " << Utf8(path);
    }
  }
  for (const auto& entry : after) {
    if (before.count(entry.first) == 0) ADD_FAILURE() << "created: " << Utf8(entry.first);
  }

  const std::set<DWORD> children_after = Children(::GetCurrentProcessId());
  for (DWORD id : children_after) {
    EXPECT_EQ(children_before.count(id), 1u) << "process " << id << " was left running";
  }
}

}  // namespace
}  // namespace tavlun

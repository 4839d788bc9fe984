// The whole check is read-only: it creates, changes and deletes no file on the prefix's drive and leaves no process
// behind. The machine state is built first (stand-in DLLs, a Java home with release file and programs, a .jnlp
// opener, a program named like PKCS11Wrapper.dll), so that every probe really opens files.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>

#include "check/report.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "tests/check/report_fixtures.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using report_fixtures::PrefixState;
using testing_support::Utf8;

struct FileFacts {
  DWORD attributes = 0;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  std::uint64_t created = 0;
  bool operator==(const FileFacts& o) const {
    return attributes == o.attributes && size == o.size && written == o.written && created == o.created;
  }
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::uint64_t Time(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// What the snapshot leaves out: test programs of other areas run at the same time and create and remove their
// scratch folders in TEMP (so TEMP's own times change too), and the installer's tests use its work folder.
struct Exclusions {
  std::wstring temp;          // lower case, no trailing backslash
  std::wstring own_scratch;   // lower case; the only folder in TEMP that is compared
  std::wstring installer = L"c:\\programdata\\tavlunyardimcisi";
};

Exclusions ExclusionsFor(const std::wstring& own_scratch) {
  Exclusions e;
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  e.temp = Lower(std::wstring(temp, length));
  if (!e.temp.empty() && e.temp.back() == L'\\') e.temp.pop_back();
  e.own_scratch = Lower(own_scratch);
  return e;
}

// Every file and folder under `root` (links are listed, not followed), but for the exclusions.
void Snapshot(const std::wstring& root, const Exclusions& exclusions, std::map<std::wstring, FileFacts>* out) {
  const bool in_temp = Lower(root) == exclusions.temp;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileExW(JoinPath(root, L"*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = JoinPath(root, name);
    const std::wstring lower = Lower(path);
    if (lower == exclusions.installer || (in_temp && lower != exclusions.own_scratch)) continue;
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (lower != exclusions.temp) {
      FileFacts facts;
      facts.attributes = data.dwFileAttributes;
      facts.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
      facts.written = Time(data.ftLastWriteTime);
      facts.created = Time(data.ftCreationTime);
      (*out)[lower] = facts;
    }
    if (directory && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) Snapshot(path, exclusions, out);
  } while (::FindNextFileW(find.get(), &data));
}

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

  const Exclusions exclusions = ExclusionsFor(prefix.scratch());
  // TEMP itself is left out of the comparison (other test programs work there), so the check gets a TEMP inside
  // the compared scratch folder: a temporary file it wrote would show there.
  const std::wstring own_temp = JoinPath(prefix.scratch(), L"temp");
  ASSERT_TRUE(prefix.CreateFolder(own_temp));
  prefix.SetEnvironment(L"TEMP", own_temp);
  prefix.SetEnvironment(L"TMP", own_temp);
  std::map<std::wstring, FileFacts> before;
  Snapshot(L"C:", exclusions, &before);
  ASSERT_GT(before.size(), 100u);
  const std::set<DWORD> children_before = Children(::GetCurrentProcessId());

  const DiagnosticReport report = BuildDiagnosticReport();
  ASSERT_EQ(report.items.size(), kRequirementCount);
  EXPECT_NE(report.fullText.find(L"  java.exe=yerel ve yapısal PE yürütülebilir"), std::wstring::npos)
      << "the Java home was really examined\n" << Utf8(report.fullText);

  std::map<std::wstring, FileFacts> after;
  Snapshot(L"C:", exclusions, &after);
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

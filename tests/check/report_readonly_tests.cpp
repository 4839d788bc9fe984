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

// Every file and folder under `root` (links are listed, not followed). Folders in `skip` (lower case) are left
// out: they belong to test programs of other areas that run at the same time.
void Snapshot(const std::wstring& root, const std::set<std::wstring>& skip, std::map<std::wstring, FileFacts>* out) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileExW(JoinPath(root, L"*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = JoinPath(root, name);
    if (skip.count(Lower(path)) != 0) continue;
    FileFacts facts;
    facts.attributes = data.dwFileAttributes;
    facts.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    facts.written = Time(data.ftLastWriteTime);
    facts.created = Time(data.ftCreationTime);
    (*out)[Lower(path)] = facts;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      Snapshot(path, skip, out);
    }
  } while (::FindNextFileW(find.get(), &data));
}

// Other test programs' scratch folders in TEMP, and the installer's work folder, change while this test runs.
std::set<std::wstring> FoldersOfOtherTests(const std::wstring& own_scratch) {
  std::set<std::wstring> skip;
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  std::wstring temp_dir(temp, length);
  if (!temp_dir.empty() && temp_dir.back() == L'\\') temp_dir.pop_back();
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(JoinPath(temp_dir, L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring path = Lower(JoinPath(temp_dir, data.cFileName));
      if (path != Lower(own_scratch) && std::wstring(data.cFileName) != L"." && std::wstring(data.cFileName) != L"..") {
        skip.insert(path);
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  skip.insert(L"c:\\programdata\\tavlunyardimcisi");
  return skip;
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

  const std::set<std::wstring> skip = FoldersOfOtherTests(prefix.scratch());
  std::map<std::wstring, FileFacts> before;
  Snapshot(L"C:", skip, &before);
  ASSERT_GT(before.size(), 100u);
  const std::set<DWORD> children_before = Children(::GetCurrentProcessId());

  const DiagnosticReport report = BuildDiagnosticReport();
  ASSERT_EQ(report.items.size(), 6u);
  EXPECT_NE(report.fullText.find(L"  java.exe=yerel ve yapısal PE yürütülebilir"), std::wstring::npos)
      << "the Java home was really examined\n" << Utf8(report.fullText);

  std::map<std::wstring, FileFacts> after;
  Snapshot(L"C:", skip, &after);
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

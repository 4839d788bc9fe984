// The program itself started with --install-elevated, on the prefix's real system folders and ProgramData.
#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/run_mode.h"
#include "install/elevated_run.h"
#include "install/event_log_win.h"
#include "install/secure_folder.h"
#include "install/work_area.h"
#include "program_version.h"
#include "tests/install/install_test_support.h"

namespace tavlun {
namespace {

using namespace install_testing;
using testing_support::ProgramPath;
using testing_support::QuoteArgument;
using testing_support::RunProcess;
using testing_support::ToolPath;

// What lies at the system targets and in the work area; equal snapshots mean nothing was written.
struct SystemSnapshot {
  std::vector<std::wstring> target_states;  // per target: absent, or identity and digest
  std::vector<std::wstring> engine_names;   // ".akisp11.*" names in the target folders
  bool work_area_exists = false;
  std::vector<std::wstring> work_area;      // entries of the work area and of its Backups and Logs

  bool operator==(const SystemSnapshot& other) const {
    return target_states == other.target_states && engine_names == other.engine_names &&
           work_area_exists == other.work_area_exists && work_area == other.work_area;
  }
};

SystemSnapshot TakeSnapshot(const ElevatedRunInputs& machine) {
  SystemSnapshot snapshot;
  for (const ElevatedRunTarget& target : machine.targets) {
    const TargetLocation& location = target.entry.location;
    const FileFacts facts = FactsOf(location.file_path);
    snapshot.target_states.push_back(
        facts.identity.valid ? DecimalText(facts.identity.index_low) + L":" + DigestOfFile(location.file_path)
                             : L"absent");
    for (const std::wstring& name : ListFolder(location.directory)) {
      if (StartsWith(name, L".akisp11.")) snapshot.engine_names.push_back(name);
    }
  }
  const std::wstring base = JoinPath(machine.work_root, kWorkAreaFolderName);
  snapshot.work_area_exists = Exists(base);
  for (const wchar_t* folder : {L"", kBackupsFolderName, kLogsFolderName}) {
    for (const std::wstring& name : ListFolder(*folder == L'\0' ? base : JoinPath(base, folder))) {
      snapshot.work_area.push_back(std::wstring(folder) + L"\\" + name);
    }
  }
  return snapshot;
}

// Stand-ins for the event log functions: they keep what the program asked for.
struct EventCall {
  std::wstring source;
  WORD type = 0;
  DWORD id = 0;
  std::vector<std::wstring> strings;
  int deregistered = 0;
} g_event;

HANDLE WINAPI RecordRegister(LPCWSTR, LPCWSTR source) {
  g_event.source = source;
  return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x4242));
}
BOOL WINAPI RecordReport(HANDLE, WORD type, WORD, DWORD id, PSID, WORD count, DWORD, LPCWSTR* strings, LPVOID) {
  g_event.type = type;
  g_event.id = id;
  g_event.strings.assign(strings, strings + count);
  return TRUE;
}
BOOL WINAPI RecordDeregister(HANDLE) { return ++g_event.deregistered, TRUE; }

TEST(ElevatedReportDelivery, OneLineWhereOutputIsRedirectedAndOneEntryAlways) {
  const ElevatedReport report = ComposeElevatedReport(31, kCauseNotAdmin, L"Kurulum için yönetici izni gerekiyor.");
  ReportChannels channels{nullptr, &RecordRegister, &RecordReport, &RecordDeregister};
  ScratchDir scratch;
  const std::wstring output = scratch.Child(L"out.txt");
  for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {  // started without a redirection
    channels.standard_output = none;
    EXPECT_FALSE(DeliverElevatedReport(report, channels).line_written);
  }
  UniqueHandle file(::CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  channels.standard_output = file.get();
  g_event = EventCall();
  const ReportDelivery delivery = DeliverElevatedReport(report, channels);
  file.reset();
  EXPECT_TRUE(delivery.line_written && delivery.event_reported);
  const std::vector<std::uint8_t> line = ReadBytes(output);
  EXPECT_EQ(std::string(line.begin(), line.end()), Utf8(report.output_line));
  EXPECT_EQ(g_event.source, kEventSourceName);
  EXPECT_EQ(g_event.type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(g_event.id, 1031u);
  EXPECT_EQ(g_event.strings, std::vector<std::wstring>{report.event_text});
  EXPECT_EQ(g_event.deregistered, 1);
}

// The system's own event log, read back where the platform keeps one.
TEST(ElevatedReportDelivery, EntryReachesTheApplicationLog) {
  const ElevatedReport report = ComposeElevatedReport(0, kCauseAlreadyInstalled, L"Sınama kaydı: değişiklik yok.");
  const ReportDelivery delivery = DeliverElevatedReport(report, ReportChannels());
  ASSERT_TRUE(delivery.event_reported) << delivery.event_error;
  HANDLE log = ::OpenEventLogW(nullptr, L"Application");
  ASSERT_NE(log, nullptr) << ::GetLastError();
  std::vector<std::uint8_t> buffer(0x10000);
  DWORD read = 0, needed = 0;
  const BOOL got = ::ReadEventLogW(log, EVENTLOG_BACKWARDS_READ | EVENTLOG_SEQUENTIAL_READ, 0, buffer.data(),
                                   static_cast<DWORD>(buffer.size()), &read, &needed);
  const DWORD error = ::GetLastError();
  ::CloseEventLog(log);
  if (!got) GTEST_SKIP() << "Wine accepts entries but keeps no event log: ReadEventLogW fails with " << error;
  const auto* record = reinterpret_cast<const EVENTLOGRECORD*>(buffer.data());
  EXPECT_EQ(reinterpret_cast<const wchar_t*>(record + 1), std::wstring(kEventSourceName));
  EXPECT_EQ(record->EventID & 0xFFFF, 1000u);
  ASSERT_EQ(record->NumStrings, 1);
  EXPECT_EQ(reinterpret_cast<const wchar_t*>(buffer.data() + record->StringOffset), report.event_text);
}

// The program with its standard output redirected to a file, as a deployment script starts it.
DWORD RunWithOutputTo(const std::wstring& output_path, const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle output(::CreateFileW(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output.get();
  std::wstring command = QuoteArgument(ProgramPath()) + L" " + arguments;
  PROCESS_INFORMATION info{};
  if (!output || !::CreateProcessW(ProgramPath().c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &info)) {
    return 1000;
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1001);
  DWORD exit_code = 1002;
  ::GetExitCodeProcess(process.get(), &exit_code);
  return exit_code;
}

TEST(ElevatedInstallExitCode, MapsTheOutcome) {
  InstallOutcome result;
  result.outcome = kOutcomeInstalled;
  EXPECT_EQ(ElevatedInstallExitCode(result), 0);
  result.outcome = kOutcomeAlreadyInstalled;
  EXPECT_EQ(ElevatedInstallExitCode(result), 0);
  result.outcome = kOutcomeFailed;
  EXPECT_EQ(ElevatedInstallExitCode(result), 31) << "failed before every log record was written";
  result.log_written = true;
  EXPECT_EQ(ElevatedInstallExitCode(result), 30);
  result.outcome = 5;
  EXPECT_EQ(ElevatedInstallExitCode(result), 30);
}

class ElevatedModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = ReadElevatedRunInputs();
    ASSERT_TRUE(machine_.targets_resolved) << Utf8(machine_.targets_message);
    ASSERT_TRUE(machine_.work_root_found);
    base_ = JoinPath(machine_.work_root, kWorkAreaFolderName);
    base_existed_ = Exists(base_);
  }
  void TearDown() override {
    // A work area that this test made (and that the run could not prove) is not left in the prefix.
    if (!base_existed_ && Exists(base_)) RemoveTree(base_);
  }
  ElevatedRunInputs machine_;
  std::wstring base_;
  bool base_existed_ = false;
};

TEST_F(ElevatedModeTest, WithoutAdministratorRightsExits31AndWritesNothing) {
  const SystemSnapshot before = TakeSnapshot(machine_);
  const auto run = RunProcess(ToolPath(L"run_restricted.exe"),
                              QuoteArgument(ProgramPath()) + L" --install-elevated", 60000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, static_cast<DWORD>(kExitElevatedFailedUnlogged));
  EXPECT_TRUE(TakeSnapshot(machine_) == before);
}

TEST_F(ElevatedModeTest, AsAdministratorStopsBeforeTheSystemFoldersWhereTheWorkAreaCannotBeProved) {
  ASSERT_TRUE(machine_.is_admin) << "the test program itself runs with administrator rights";
  ScratchDir scratch;
  bool could_create = false;
  if (PlatformKeepsFileSecurity(scratch.path(), &could_create)) {
    GTEST_SKIP() << "this platform keeps file security descriptors: the run would really install into the system "
                    "folders";
  }
  const SystemSnapshot before = TakeSnapshot(machine_);
  const std::wstring output = scratch.Child(L"output.txt");
  EXPECT_EQ(RunWithOutputTo(output, L"--install-elevated"), static_cast<DWORD>(kExitElevatedFailedUnlogged));
  // One line for the script that started it, with the cause as a keyword.
  const std::vector<std::uint8_t> bytes = ReadBytes(output);
  const std::string line(bytes.begin(), bytes.end()), start = "TavlunYardimcisi " + Utf8(kProgramVersionShort) +
      " exit=31 cause=work-folder-unsafe message=" + Utf8(L"Güvenli yedek/günlük alanı hazırlanamadı: ");
  EXPECT_TRUE(line.rfind(start, 0) == 0 && line.find("\r\n") == line.size() - 2) << line;
  SystemSnapshot after = TakeSnapshot(machine_);
  EXPECT_EQ(after.target_states, before.target_states);
  EXPECT_EQ(after.engine_names, before.engine_names);
  // The work area folder may have been made (and refused); nothing was written into it.
  EXPECT_EQ(after.work_area, before.work_area);

  // In process, the same run says why.
  const InstallOutcome result = RunElevatedInstall();
  EXPECT_EQ(result.outcome, kOutcomeFailed);
  EXPECT_TRUE(StartsWith(result.message, L"Güvenli yedek/günlük alanı hazırlanamadı: ")) << Utf8(result.message);
  EXPECT_FALSE(result.log_written);
  EXPECT_EQ(TakeSnapshot(machine_).target_states, before.target_states);
}

}  // namespace
}  // namespace tavlun

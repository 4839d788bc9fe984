// The parent side of the probe against real child processes: the program itself and stand-ins that hang, fail or
// write crafted records.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "check/pcsc_probe.h"
#include "check/pcsc_probe_win.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ProgramPath;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::ToolPath;

constexpr wchar_t kNoFixedSizeResult[] = L"PC/SC yardımcı süreci geçerli, sabit boyutlu sonuç üretmedi.";
constexpr wchar_t kResultNotVerified[] = L"PC/SC yardımcı süreç sonucu doğrulanamadı.";

// Sets an environment variable of this process (inherited by the probe child) and restores it afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    had_ = length > 0 && length < 32768;
    if (had_) old_.assign(buffer, length);
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* name_;
  bool had_ = false;
  std::wstring old_;
};

std::wstring Hex(const PcscRecordBytes& bytes) { return HexUpper(bytes.data(), bytes.size()); }

PcscProbeRecord ReadersRecord(std::uint32_t present, std::uint32_t empty) {
  PcscProbeRecord r;
  r.serviceQueried = 1;
  r.serviceRunning = 1;
  r.serviceState = 4;
  r.establishResult = 0;
  r.listResult = 0;
  r.statusResult = 0;
  r.readerCount = present + empty;
  r.presentCount = present;
  r.emptyCount = empty;
  return r;
}

PcscProbeOutcome RunStandIn(const std::wstring& mode) {
  ScopedEnvironment standin(L"TAVLUN_PCSC_STANDIN", mode);
  return RunPcscProbeProgram(ToolPath(L"pcsc_standin.exe"));
}

std::vector<DWORD> ProcessIds(const std::wstring& pid_file) {
  std::vector<DWORD> ids;
  const std::vector<std::uint8_t> bytes = ReadBytes(pid_file);
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  unsigned long id = 0;
  while (lines >> id) ids.push_back(static_cast<DWORD>(id));
  return ids;
}

bool IsRunning(DWORD process_id) {
  UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
  return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

TEST(PcscProbeChild, RealProbeReturnsAValidRecord) {
  const PcscProbeOutcome outcome = RunPcscProbeProgram(ProgramPath());
  ASSERT_EQ(outcome.kind, PcscOutcomeKind::Completed) << testing_support::Utf8(outcome.detail);
  EXPECT_TRUE(outcome.detail.empty());
  if (!outcome.serviceQueried) {
    // Wine has no SCardSvr: the service manager's error is carried and nothing else was called.
    EXPECT_NE(outcome.serviceError, 0u);
    EXPECT_EQ(outcome.serviceState, 0u);
    EXPECT_EQ(outcome.establishResult, kScardInternalError);
    EXPECT_EQ(outcome.listResult, kScardInternalError);
    EXPECT_EQ(outcome.statusResult, kScardInternalError);
    EXPECT_EQ(outcome.readerCount, 0u);
  } else {
    EXPECT_EQ(outcome.serviceError, 0u);
    EXPECT_EQ(outcome.serviceRunning, outcome.serviceState == kServiceStateRunning);
  }
}

TEST(PcscProbeChild, ProbeModeRejectsAHandleThatIsNotAPipe) {
  // Handle value 4 in a fresh process is not the write end of a pipe (a console or nothing): exit 61.
  const auto result = testing_support::RunProcess(ProgramPath(), L"--pcsc-probe --pcsc-pipe=4");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.exit_code, 61u);
}

// The program in probe mode with the write end of a pipe whose read end is already closed: the one write fails.
TEST(PcscProbeChild, ProbeModeExits62WhenTheRecordCannotBeWritten) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle read_end;
  UniqueHandle write_end;
  ASSERT_TRUE(::CreatePipe(read_end.put(), write_end.put(), &inheritable, 0));
  read_end.reset();
  const std::wstring program = ProgramPath();
  std::wstring command = L"\"" + program + L"\" --pcsc-probe --pcsc-pipe=" +
                         DecimalText(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(write_end.get())));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &info));
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  write_end.reset();
  ASSERT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
  DWORD exit_code = 0;
  ASSERT_TRUE(::GetExitCodeProcess(process.get(), &exit_code));
  EXPECT_EQ(exit_code, 62u);
}

TEST(PcscProbeChild, HangingChildIsEndedAtThreeSeconds) {
  ScratchDir scratch(L"tavlun-pcsc");
  const std::wstring pid_file = scratch.Child(L"pids.txt");
  ScopedEnvironment pids(L"TAVLUN_PCSC_STANDIN_PID_FILE", pid_file);
  // Holds the child's handle from the moment its id appears, to read the exit code the job gave it.
  UniqueHandle watched;
  std::thread watcher([&] {
    for (int i = 0; i < 1000 && !watched; ++i) {
      const std::vector<DWORD> ids = ProcessIds(pid_file);
      if (!ids.empty()) {
        watched.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, ids[0]));
      } else {
        ::Sleep(5);
      }
    }
  });
  const DWORD start = ::GetTickCount();
  const PcscProbeOutcome outcome = RunStandIn(L"hang-family");
  const DWORD elapsed = ::GetTickCount() - start;
  watcher.join();
  ASSERT_TRUE(watched) << "the child's process id was never seen";
  EXPECT_EQ(::WaitForSingleObject(watched.get(), 0), WAIT_OBJECT_0);
  DWORD exit_code = 0;
  EXPECT_TRUE(::GetExitCodeProcess(watched.get(), &exit_code));
  EXPECT_EQ(exit_code, 1460u) << "ended with ERROR_TIMEOUT";
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::TimedOut);
  EXPECT_EQ(outcome.detail, PcscTimedOutDetail());
  EXPECT_EQ(outcome.readerCount, 0u);
  EXPECT_EQ(outcome.establishResult, kScardInternalError);
  EXPECT_GE(elapsed, 2900u);

  // The child and the copy it started inside the job are both gone when the call returns.
  const std::vector<DWORD> ids = ProcessIds(pid_file);
  ASSERT_EQ(ids.size(), 2u);
  for (DWORD id : ids) EXPECT_FALSE(IsRunning(id)) << id;
}

TEST(PcscProbeChild, ChildExitingWithoutARecordIsAnInvalidResult) {
  for (const wchar_t* mode : {L"exit:61", L"exit:62", L"exit:0"}) {
    const PcscProbeOutcome outcome = RunStandIn(mode);
    EXPECT_EQ(outcome.kind, PcscOutcomeKind::InvalidResult) << testing_support::Utf8(mode);
    EXPECT_EQ(outcome.detail, kNoFixedSizeResult);
  }
}

TEST(PcscProbeChild, ShortRecordOrNonZeroExitIsAnInvalidResult) {
  const PcscRecordBytes good = EncodePcscProbeRecord(ReadersRecord(1, 0));
  const std::wstring hex = Hex(good);
  PcscProbeOutcome outcome = RunStandIn(L"write:" + hex.substr(0, 80));  // 40 bytes
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::InvalidResult);
  EXPECT_EQ(outcome.detail, kNoFixedSizeResult);

  outcome = RunStandIn(L"write:" + hex + L":62");  // a whole record, but the child reports failure
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::InvalidResult);
  EXPECT_EQ(outcome.detail, kNoFixedSizeResult);
  EXPECT_EQ(outcome.readerCount, 0u) << "a failed run keeps the default fields";
}

TEST(PcscProbeChild, ValidRecordIsTakenOver) {
  PcscProbeRecord record = ReadersRecord(3, 61);
  record.truncated = 1;
  const PcscProbeOutcome outcome = RunStandIn(L"write:" + Hex(EncodePcscProbeRecord(record)));
  ASSERT_EQ(outcome.kind, PcscOutcomeKind::Completed) << testing_support::Utf8(outcome.detail);
  EXPECT_TRUE(outcome.serviceQueried);
  EXPECT_TRUE(outcome.serviceRunning);
  EXPECT_EQ(outcome.serviceState, 4u);
  EXPECT_EQ(outcome.establishResult, 0u);
  EXPECT_EQ(outcome.readerCount, 64u);
  EXPECT_EQ(outcome.presentCount, 3u);
  EXPECT_EQ(outcome.emptyCount, 61u);
  EXPECT_TRUE(outcome.truncated);
  EXPECT_TRUE(outcome.detail.empty());
}

TEST(PcscProbeChild, EveryValidationRuleHoldsAcrossThePipe) {
  std::vector<PcscProbeRecord> crafted;
  PcscProbeRecord r = ReadersRecord(1, 0);
  r.magic = 0x43534351;
  crafted.push_back(r);
  r = ReadersRecord(1, 0);
  r.version = 2;
  crafted.push_back(r);
  r = ReadersRecord(1, 0);
  r.size = 64;
  crafted.push_back(r);
  r = ReadersRecord(1, 0);
  r.serviceStart = 9;  // no such start type
  crafted.push_back(r);
  r = ReadersRecord(1, 0);
  r.muteCount = 2;  // more mute cards than present ones
  crafted.push_back(r);
  r = ReadersRecord(1, 1);
  r.presentCount = 3;  // a count above readerCount
  crafted.push_back(r);
  r = ReadersRecord(1, 1);
  r.readerCount = 3;  // counts that do not add up after a successful status call
  crafted.push_back(r);
  r = ReadersRecord(63, 0);
  r.truncated = 1;
  crafted.push_back(r);
  r = PcscProbeRecord{};  // service not queried, but no error code
  crafted.push_back(r);
  r = ReadersRecord(0, 0);
  r.serviceRunning = 0;  // state 4 without the running flag
  crafted.push_back(r);
  r = ReadersRecord(1, 0);
  r.serviceQueried = 2;
  crafted.push_back(r);
  for (std::size_t i = 0; i < crafted.size(); ++i) {
    const PcscProbeOutcome outcome = RunStandIn(L"write:" + Hex(EncodePcscProbeRecord(crafted[i])));
    EXPECT_EQ(outcome.kind, PcscOutcomeKind::InvalidResult) << "record " << i;
    EXPECT_EQ(outcome.detail, kResultNotVerified) << "record " << i;
  }
}

TEST(PcscProbeChild, ChildInheritsOnlyThePipe) {
  // An inheritable handle of the parent that a child started without the handle list would receive.
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE, 0, 4096, nullptr));
  ASSERT_TRUE(mapping);
  void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 16);
  ASSERT_NE(view, nullptr);
  std::memcpy(view, "TAVLUN-LEAK-TEST", 16);
  ::UnmapViewOfFile(view);

  const std::wstring value =
      DecimalText(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(mapping.get())));
  const PcscProbeOutcome outcome =
      RunStandIn(L"inherit-check:" + value + L":" + Hex(EncodePcscProbeRecord(ReadersRecord(0, 1))));
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::Completed) << "the child saw the parent's mapping handle";
}

// The handles this process holds, from the system's handle list (GetProcessHandleCount reports 0 under Wine);
// -1 when the list cannot be read.
long HandlesOfThisProcess() {
  using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  struct Entry {
    void* object;
    ULONG_PTR process_id;
    ULONG_PTR handle;
    ULONG access;
    USHORT back_trace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
    Entry entries[1];
  };
  constexpr ULONG kExtendedHandleInformation = 64;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<std::uint8_t> buffer(1 << 16);
  LONG status = kInfoLengthMismatch;
  while (status == kInfoLengthMismatch && buffer.size() <= (1u << 28)) {
    ULONG length = 0;
    status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length);
    if (status == kInfoLengthMismatch) buffer.resize(buffer.size() * 2);
  }
  if (status < 0) return -1;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  const std::size_t room = (buffer.size() - offsetof(Table, entries)) / sizeof(Entry);
  long count = 0;
  for (ULONG_PTR i = 0; i < table->count && i < room; ++i) {
    if (table->entries[i].process_id == ::GetCurrentProcessId()) ++count;
  }
  return count;
}

// Every way through the parent closes what it opened: pipe ends, job, attribute list, process and thread handles.
TEST(PcscProbeChild, NoHandleIsLeftOpen) {
  const std::wstring valid = L"write:" + Hex(EncodePcscProbeRecord(ReadersRecord(1, 0)));
  const std::wstring invalid = L"write:" + Hex(EncodePcscProbeRecord(PcscProbeRecord{}));
  ScratchDir scratch(L"tavlun-pcsc");
  const std::wstring missing = scratch.Child(L"missing.exe");
  RunStandIn(valid);  // the first run loads what later runs share
  const long before = HandlesOfThisProcess();
  if (before < 0) GTEST_SKIP() << "the system's handle list cannot be read here";
  for (int round = 0; round < 5; ++round) {
    EXPECT_EQ(RunStandIn(valid).kind, PcscOutcomeKind::Completed);
    EXPECT_EQ(RunStandIn(invalid).kind, PcscOutcomeKind::InvalidResult);
    EXPECT_EQ(RunStandIn(L"exit:61").kind, PcscOutcomeKind::InvalidResult);
    EXPECT_EQ(RunPcscProbeProgram(missing).kind, PcscOutcomeKind::NotRun);
  }
  EXPECT_LE(HandlesOfThisProcess(), before);
}

TEST(PcscProbeChild, UnusableProgramPathsAreNotRun) {
  PcscProbeOutcome outcome = RunPcscProbeProgram(L"");
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::NotRun);
  EXPECT_EQ(outcome.detail, L"PC/SC yardımcı uygulama yolu alınamadı.");

  outcome = RunPcscProbeProgram(L"C:\\a\"b\\probe.exe");
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::NotRun);
  EXPECT_EQ(outcome.detail, L"PC/SC yardımcı uygulama yolu alınamadı.");

  ScratchDir scratch(L"tavlun-pcsc");
  outcome = RunPcscProbeProgram(scratch.Child(L"missing.exe"));
  EXPECT_EQ(outcome.kind, PcscOutcomeKind::NotRun);
  const std::wstring prefix = L"PC/SC yardımcı süreci başlatılamadı: ";
  EXPECT_EQ(outcome.detail.substr(0, prefix.size()), prefix);
  EXPECT_GT(outcome.detail.size(), prefix.size());
}

}  // namespace
}  // namespace tavlun

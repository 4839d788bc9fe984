// report_bench: wall time of the whole read-only check (BuildDiagnosticReport) and, in the same run, of starting
// and ending one bare child process of the program, the floor that the smart-card probe adds to every check.
//  - report: BuildDiagnosticReport on this machine as it is, best and median of several runs; the check starts
//    this benchmark as its probe child, which answers exactly as the program does;
//  - bare_child: TavlunYardimcisi.exe started with "--pcsc-probe" alone, which the entry rejects at once (exit
//    61): process creation, loading and exit of the program image, nothing else;
//  - probe: RunPcscProbe alone (pipe, job object, child, record), for reference.
// One line per case (key=value, milliseconds), then the ratio of the report to the bare child.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "app/entry.h"
#include "app/run_mode.h"
#include "check/pcsc_probe_win.h"
#include "check/report.h"
#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"

namespace {

constexpr int kReportRuns = 7;
constexpr int kChildRuns = 25;

using tavlun::bench::NowMs;

struct Stats {
  double best = 0;
  double median = 0;
};

Stats Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples.front(), samples[samples.size() / 2]};
}

std::wstring ProgramPath() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
  const std::wstring bench_dir = path.substr(0, path.find_last_of(L'\\'));
  return tavlun::JoinPath(bench_dir.substr(0, bench_dir.find_last_of(L'\\')), L"TavlunYardimcisi.exe");
}

// Starts the program with one argument and waits for it to end; false when it could not be started or did not
// end with the expected rejection.
bool RunBareChild(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\" --pcsc-probe";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
    return false;
  }
  tavlun::UniqueHandle process(info.hProcess);
  tavlun::UniqueHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 1);
    return false;
  }
  DWORD exit_code = 0;
  return ::GetExitCodeProcess(process.get(), &exit_code) && exit_code == 61;
}

void Print(const char* name, int runs, const Stats& stats) {
  std::printf("case=%s runs=%d best_ms=%.2f median_ms=%.2f\n", name, runs, stats.best, stats.median);
  std::fflush(stdout);
}

}  // namespace

int wmain() {
  tavlun::sysdll::HardenDllSearch();
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The check starts this program as its probe child.
  std::vector<std::wstring> args;
  const bool split = tavlun::SplitProcessCommandLine(&args);
  if (tavlun::SelectRunMode(split, args) == tavlun::RunMode::ProbeMode) return tavlun::RunProbeMode();

  std::vector<double> report_ms;
  std::size_t full_chars = 0;
  std::size_t clipboard_chars = 0;
  for (int i = 0; i < kReportRuns; ++i) {
    const double start = NowMs();
    const tavlun::DiagnosticReport report = tavlun::BuildDiagnosticReport();
    report_ms.push_back(NowMs() - start);
    full_chars = report.fullText.size();
    clipboard_chars = report.clipboardText.size();
  }

  const std::wstring program = ProgramPath();
  std::vector<double> child_ms;
  for (int i = 0; i < kChildRuns; ++i) {
    const double start = NowMs();
    if (!RunBareChild(program)) {
      std::fprintf(stderr, "the program could not be started as a bare child\n");
      return 1;
    }
    child_ms.push_back(NowMs() - start);
  }

  std::vector<double> probe_ms;
  for (int i = 0; i < kReportRuns; ++i) {
    const double start = NowMs();
    const tavlun::PcscProbeOutcome outcome = tavlun::RunPcscProbe();
    probe_ms.push_back(NowMs() - start);
    if (outcome.kind != tavlun::PcscOutcomeKind::Completed) {
      std::fprintf(stderr, "the probe did not complete\n");
      return 1;
    }
  }

  const Stats report = Summarise(report_ms);
  const Stats child = Summarise(child_ms);
  Print("report", kReportRuns, report);
  std::printf("report_full_chars=%u report_clipboard_chars=%u\n", static_cast<unsigned>(full_chars),
              static_cast<unsigned>(clipboard_chars));
  Print("bare_child", kChildRuns, child);
  Print("probe", kReportRuns, Summarise(probe_ms));
  std::printf("ratio_report_to_bare_child median=%.2f best=%.2f\n", report.median / child.median,
              report.best / child.best);
  return 0;
}

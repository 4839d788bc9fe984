// The overall time budget of one system check. The check's parts are bounded by count and size, but a machine
// can still hold enough of them (deep folder chains, slow media) to keep the check running for minutes while the
// window waits for it. Between its units of work the check asks the budget; once it is spent, what is left is
// named as not examined and the check ends normally. Pure: no Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "check/executable_probe.h"
#include "check/pcsc_probe.h"

namespace tavlun {

// The budget besides the PC/SC probe's own bound; the check ends at the latest this long after both.
inline constexpr std::uint32_t kCheckTimeBudgetMs = 15000;
inline constexpr std::uint32_t kCheckTimeLimitMs = kCheckTimeBudgetMs + kPcscProbeTimeoutMs;

// The detail of a file or step that the check left because the budget was spent.
inline constexpr wchar_t kNotExaminedDetail[] = L"süre sınırı aşıldığı için incelenmedi";

// A file left for that reason: neither found nor refused. The flag decides; the detail only shows it.
inline ExecutableProbe NotExaminedProbe() {
  ExecutableProbe probe;
  probe.detail = kNotExaminedDetail;
  probe.notExamined = true;
  return probe;
}

class CheckBudget {
 public:
  using Clock = std::function<std::uint64_t()>;  // milliseconds, never going back

  CheckBudget(std::uint64_t limit_ms, Clock clock) : clock_(std::move(clock)), limit_ms_(limit_ms) {
    start_ms_ = clock_();
  }

  // True once the limit has passed; stays true.
  bool Spent() {
    if (!spent_) spent_ = clock_() - start_ms_ >= limit_ms_;
    return spent_;
  }

  // A part of the check that was left out; the report names each once, in this order.
  void NoteNotExamined(const std::wstring& part) {
    for (const std::wstring& noted : not_examined_) {
      if (noted == part) return;
    }
    not_examined_.push_back(part);
  }
  const std::vector<std::wstring>& NotExamined() const { return not_examined_; }

 private:
  Clock clock_;
  std::uint64_t limit_ms_;
  std::uint64_t start_ms_ = 0;
  bool spent_ = false;
  std::vector<std::wstring> not_examined_;
};

// A budget of kCheckTimeLimitMs on the system's tick count, starting now.
CheckBudget StartCheckBudget();

}  // namespace tavlun

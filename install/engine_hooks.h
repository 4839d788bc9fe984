// Interception points of the installation engine for tests that need deterministic names and races.
// The program never sets any: every engine operation takes a `const EngineHooks*` that is null there, and a
// null pointer or an empty member means the ordinary behaviour.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace tavlun {

struct TargetLocation;

struct EngineHooks {
  // Names: the tick count of temporary install and rollback-copy names, the random token of rescue,
  // "previous" and log names (false: no token), the time stamp of backup folders and logs.
  std::function<std::uint64_t()> tick_count;
  std::function<bool(std::wstring* token)> random_token;
  std::function<std::wstring()> timestamp_name;

  // Transaction: after the backup was verified (before the new file is written); after the re-checks, just
  // before the swap; after the swap, just before the installed file is verified.
  std::function<void(const TargetLocation&)> after_backup;
  std::function<void(const TargetLocation&)> before_swap;
  std::function<void(const TargetLocation&)> before_verification;

  // Elevated run: before the transaction of each target.
  std::function<void(const TargetLocation&)> before_transaction;

  // Between two file operations of the engine (a name of the point): where a test may stop the process to see
  // what an interrupted installation leaves and what the next run makes of it.
  std::function<void(const wchar_t* point)> checkpoint;
};

// Runs a hook when it is set.
template <typename Hook, typename... Args>
inline void RunHook(const EngineHooks* hooks, Hook EngineHooks::*member, Args&&... args) {
  if (hooks != nullptr && hooks->*member) (hooks->*member)(std::forward<Args>(args)...);
}

}  // namespace tavlun

// Runs an undo step when the scope ends, unless the step that needed undoing was confirmed with Dismiss().
#pragma once

#include <utility>

namespace tavlun {

template <typename Undo>
class ScopeGuard {
 public:
  explicit ScopeGuard(Undo undo) noexcept : undo_(std::move(undo)) {}
  ~ScopeGuard() {
    if (active_) undo_();
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

  void Dismiss() noexcept { active_ = false; }

 private:
  Undo undo_;
  bool active_ = true;
};

template <typename Undo>
ScopeGuard<Undo> MakeScopeGuard(Undo undo) noexcept {
  return ScopeGuard<Undo>(std::move(undo));
}

}  // namespace tavlun

#pragma once

#include <utility>

namespace korvan {

// Runs an undo step when the scope ends, by return or by exception: for pairs such as attach
// and detach, begin and end, that must stay paired whatever the work between them throws.
template <typename Undo>
class ScopeExit {
 public:
  explicit ScopeExit(Undo undo) : undo_(std::move(undo)) {}
  ~ScopeExit() { undo_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Undo undo_;
};

}  // namespace korvan

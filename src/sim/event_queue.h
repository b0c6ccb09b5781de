// The simulator's own time base: actions keyed by virtual milliseconds. The host drives it, from
// a real-time timer in the program or step by step in tests; nothing here reads a wall clock.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <vector>

namespace corvane::sim {

using SimTime = int64_t;  // virtual milliseconds since the simulation started
inline constexpr SimTime kNever = std::numeric_limits<SimTime>::max();

class EventQueue {
 public:
  using Action = std::function<void()>;

  SimTime Now() const { return now_; }

  // Runs `action` at `when` (never earlier than now). Actions due at the same time run in the
  // order they were scheduled, which keeps every run of a seed identical.
  void At(SimTime when, Action action);

  // Time of the earliest pending action, kNever when none is pending.
  SimTime NextEventTime() const { return queue_.empty() ? kNever : queue_.top().when; }

  // Runs every action due up to and including `until`, in time order, then sets the clock to
  // `until` (the clock never goes back). Actions may schedule further actions.
  void AdvanceTo(SimTime until);

  size_t pending() const { return queue_.size(); }
  uint64_t executed() const { return executed_; }

 private:
  struct Entry {
    SimTime when;
    uint64_t order;
    Action action;
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      return a.when != b.when ? a.when > b.when : a.order > b.order;
    }
  };

  SimTime now_ = 0;
  uint64_t next_order_ = 0;
  uint64_t executed_ = 0;
  std::priority_queue<Entry, std::vector<Entry>, Later> queue_;
};

}  // namespace corvane::sim

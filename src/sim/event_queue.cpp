#include "sim/event_queue.h"

#include <utility>

namespace corvane::sim {

void EventQueue::At(SimTime when, Action action) {
  if (when < now_) when = now_;
  queue_.push(Entry{when, next_order_++, std::move(action)});
}

void EventQueue::AdvanceTo(SimTime until) {
  while (!queue_.empty() && queue_.top().when <= until) {
    // Move the action out before running it: it may schedule into the queue.
    Entry entry = std::move(const_cast<Entry&>(queue_.top()));
    queue_.pop();
    now_ = entry.when;
    ++executed_;
    entry.action();
  }
  if (until > now_) now_ = until;
}

}  // namespace corvane::sim

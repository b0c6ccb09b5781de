#include "sim/event_queue.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane::sim {
namespace {

TEST(EventQueueTest, RunsDueActionsInTimeThenSchedulingOrder) {
  EventQueue queue;
  std::string order;
  queue.At(20, [&] { order += 'c'; });
  queue.At(10, [&] { order += 'a'; });
  queue.At(10, [&] { order += 'b'; });
  queue.At(30, [&] { order += 'd'; });
  EXPECT_EQ(queue.NextEventTime(), 10);

  queue.AdvanceTo(20);
  EXPECT_EQ(order, "abc");
  EXPECT_EQ(queue.Now(), 20);
  EXPECT_EQ(queue.NextEventTime(), 30);
}

TEST(EventQueueTest, ActionsScheduledWhileRunningRunInTheSameAdvance) {
  EventQueue queue;
  std::vector<SimTime> seen;
  queue.At(5, [&] {
    seen.push_back(queue.Now());
    queue.At(queue.Now() + 3, [&] { seen.push_back(queue.Now()); });
    // The past is clamped to now, never run before the current action.
    queue.At(1, [&] { seen.push_back(queue.Now()); });
  });
  queue.AdvanceTo(100);
  EXPECT_EQ(seen, (std::vector<SimTime>{5, 5, 8}));
  EXPECT_EQ(queue.Now(), 100);
  EXPECT_EQ(queue.NextEventTime(), kNever);
}

TEST(EventQueueTest, ClockNeverGoesBack) {
  EventQueue queue;
  queue.AdvanceTo(50);
  queue.AdvanceTo(10);
  EXPECT_EQ(queue.Now(), 50);
}

}  // namespace
}  // namespace corvane::sim

// One real producer thread and one real consumer thread move millions of payloads through the
// ring; every payload must arrive once, in order. Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "link/tx_ring.h"
#include "model/le.h"

namespace corvane {
namespace {

TEST(TxRingThreads, ProducerAndConsumerMoveEveryPayloadInOrder) {
  constexpr uint32_t kPayloads = 3'000'000;
  auto ring = std::make_unique<TxRing>();
  std::atomic<bool> producer_done{false};

  std::thread consumer([&] {
    uint8_t report[TxRing::kReportBytes];
    uint32_t expected = 0;
    while (expected < kPayloads) {
      const int taken = ring->TakeReport(report);
      if (taken == 0) {
        std::this_thread::yield();
        continue;
      }
      ASSERT_EQ(taken, 1);
      const uint32_t value = GetU32(report + 1);
      ASSERT_EQ(value, expected) << "lost, duplicated or reordered payload";
      // The payload's length decides where the terminator goes; the rest must be intact.
      const int length = 5 + value % 59;
      for (int i = 4; i < length; ++i) {
        ASSERT_EQ(report[1 + i], static_cast<uint8_t>(value + i)) << value;
      }
      if (length < 64) {
        ASSERT_EQ(report[1 + length], 0);
      }
      ++expected;
    }
  });

  uint32_t dropped = 0;
  uint8_t payload[64];
  for (uint32_t value = 0; value < kPayloads;) {
    const int length = 5 + value % 59;
    PutU32(payload, value);
    for (int i = 4; i < length; ++i) payload[i] = static_cast<uint8_t>(value + i);
    if (ring->Push(payload, static_cast<size_t>(length))) {
      ++value;
    } else {
      ++dropped;  // full: the producer retries the same value
      std::this_thread::yield();
    }
  }
  producer_done = true;
  consumer.join();
  EXPECT_EQ(ring->Waiting(), 0);
  // The counters wrapped many times over 3 million payloads.
  EXPECT_EQ(ring->producer_count(), static_cast<uint16_t>(kPayloads));
  EXPECT_EQ(ring->consumer_count(), static_cast<uint16_t>(kPayloads));
  RecordProperty("full_retries", static_cast<int>(dropped));
}

}  // namespace
}  // namespace corvane

#include "link/tx_ring.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

class TxRingTest : public ::testing::Test {
 protected:
  // 227 KB: keep it off the stack.
  std::unique_ptr<TxRing> ring = std::make_unique<TxRing>();
  uint8_t report[TxRing::kReportBytes];
  uint8_t payload[64] = {};
};

TEST_F(TxRingTest, ShortPayloadIsFollowedByOneZeroAndFillsOneReport) {
  for (int i = 0; i < 64; ++i) payload[i] = static_cast<uint8_t>(0xA0 + i);
  ASSERT_TRUE(ring->Push(payload, 64));
  ASSERT_TRUE(ring->Push(payload, 3));
  ASSERT_EQ(ring->TakeReport(report), 1);
  EXPECT_EQ(report[0], 0);  // report id
  EXPECT_EQ(report[1], 0xA0);
  EXPECT_EQ(report[64], 0xDF);  // a 64-byte payload gets no terminator
  ASSERT_EQ(ring->TakeReport(report), 1);
  EXPECT_EQ(report[3], 0xA2);
  EXPECT_EQ(report[4], 0x00);  // terminator after a 3-byte payload
  EXPECT_EQ(ring->TakeReport(report), 0);
  EXPECT_FALSE(ring->Push(payload, 0));
  EXPECT_FALSE(ring->Push(payload, 65));
}

TEST_F(TxRingTest, HoldsExactly3500AndFreesASlotPerReportTaken) {
  for (int i = 0; i < 3500; ++i) {
    payload[0] = static_cast<uint8_t>(i);
    ASSERT_TRUE(ring->Push(payload, 1)) << i;
  }
  EXPECT_EQ(ring->Waiting(), 3500);
  EXPECT_FALSE(ring->Push(payload, 1));  // the 3501st is dropped
  EXPECT_EQ(ring->Waiting(), 3500);
  ASSERT_EQ(ring->TakeReport(report), 1);
  EXPECT_EQ(report[1], 0);  // oldest first
  EXPECT_TRUE(ring->Push(payload, 1));
  EXPECT_FALSE(ring->Push(payload, 1));
}

TEST_F(TxRingTest, IndicesWrapAt3500AndCountsAt65536) {
  // Start just before both wraps: counts at 65534, indices at 3498.
  ring->Reset(65534, 3498);
  for (int i = 0; i < 5; ++i) {
    payload[0] = static_cast<uint8_t>(0x10 + i);
    ASSERT_TRUE(ring->Push(payload, 1));
  }
  EXPECT_EQ(ring->producer_index(), 3);
  EXPECT_EQ(ring->producer_count(), 3);  // 65534 + 5 mod 65536
  EXPECT_EQ(ring->Waiting(), 5);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(ring->TakeReport(report), 1);
    EXPECT_EQ(report[1], 0x10 + i);
  }
  EXPECT_EQ(ring->consumer_index(), 3);
  EXPECT_EQ(ring->Waiting(), 0);

  // Full detection across the count wrap.
  ring->Reset(65000, 0);
  for (int i = 0; i < 3500; ++i) ASSERT_TRUE(ring->Push(payload, 1));
  EXPECT_FALSE(ring->Push(payload, 1));
  EXPECT_EQ(ring->Waiting(), 3500);
}

TEST_F(TxRingTest, ResetDiscardsQueuedReports) {
  ASSERT_TRUE(ring->Push(payload, 5));
  ring->Reset();
  EXPECT_EQ(ring->Waiting(), 0);
  EXPECT_EQ(ring->TakeReport(report), 0);
}

}  // namespace
}  // namespace corvane

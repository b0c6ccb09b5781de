#include "link/tx_ring.h"

#include <cstring>

namespace corvane {

void TxRing::Reset(uint16_t start_count, uint16_t start_index) {
  for (auto& slot : slots_) slot[0] = 0;
  producer_index_ = consumer_index_ = static_cast<uint16_t>(start_index % kSlots);
  producer_count_.store(start_count, std::memory_order_release);
  consumer_count_.store(start_count, std::memory_order_release);
}

uint16_t TxRing::Waiting() const {
  const uint16_t produced = producer_count_.load(std::memory_order_acquire);
  const uint16_t consumed = consumer_count_.load(std::memory_order_acquire);
  return static_cast<uint16_t>(produced - consumed);
}

bool TxRing::Push(const uint8_t* bytes, size_t length) {
  if (length == 0 || length > kSlotBytes) return false;
  // Only this thread moves producer_count_, so a relaxed read of it is exact; the consumer's
  // count needs acquire so the slot it released is really free before it is overwritten.
  const uint16_t produced = producer_count_.load(std::memory_order_relaxed);
  const uint16_t consumed = consumer_count_.load(std::memory_order_acquire);
  if (static_cast<uint16_t>(produced - consumed) >= kSlots) return false;

  auto& slot = slots_[producer_index_];
  std::memcpy(slot.data(), bytes, length);
  if (length < kSlotBytes) slot[length] = 0;
  slot_length_[producer_index_] = static_cast<uint8_t>(kSlotBytes);
  producer_index_ = static_cast<uint16_t>(producer_index_ + 1 == kSlots ? 0 : producer_index_ + 1);
  producer_count_.store(static_cast<uint16_t>(produced + 1), std::memory_order_release);
  return true;
}

int TxRing::TakeReport(uint8_t (&report)[kReportBytes]) {
  const uint16_t produced = producer_count_.load(std::memory_order_acquire);
  uint16_t consumed = consumer_count_.load(std::memory_order_relaxed);
  if (produced == consumed) return 0;

  std::memset(report, 0, sizeof report);
  size_t position = 1;
  size_t space = kSlotBytes;
  int taken = 0;
  while (consumed != produced) {
    const size_t length = slot_length_[consumer_index_];
    if (length > space) break;
    std::memcpy(report + position, slots_[consumer_index_].data(), length);
    position += length;
    space -= length;
    consumer_index_ =
        static_cast<uint16_t>(consumer_index_ + 1 == kSlots ? 0 : consumer_index_ + 1);
    ++consumed;
    ++taken;
  }
  consumer_count_.store(consumed, std::memory_order_release);
  return taken;
}

}  // namespace corvane

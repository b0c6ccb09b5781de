// The TX ring between the UI thread (the only producer) and the transport's writer thread (the
// only consumer): 3500 fixed slots of 64 bytes, u16 counters published with release/acquire.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvane {

class TxRing {
 public:
  static constexpr uint16_t kSlots = 3500;
  static constexpr size_t kSlotBytes = 64;
  static constexpr size_t kReportBytes = kSlotBytes + 1;  // report id 0 + payload

  TxRing() = default;
  TxRing(const TxRing&) = delete;
  TxRing& operator=(const TxRing&) = delete;

  // Discards everything queued. Only while no consumer runs (the transport calls it at Open).
  // The start values exist so tests can put the counters right before their wrap.
  void Reset(uint16_t start_count = 0, uint16_t start_index = 0);

  // Producer: copies 1..64 bytes into the next slot, followed by one 0 byte when shorter than 64.
  // Returns false (and drops the payload) when 3500 reports are waiting or the length is bad.
  bool Push(const uint8_t* bytes, size_t length);

  // Consumer: builds one 65-byte report as the writer sends it: byte 0 = 0, then the bytes of
  // successive slots for as long as they fit in the 64 payload bytes. Every producer records 64,
  // so each report carries exactly one slot. Returns the number of slots taken (0 = empty).
  int TakeReport(uint8_t (&report)[kReportBytes]);

  // Reports waiting: (producerCount - consumerCount) mod 65536. Safe from either thread.
  uint16_t Waiting() const;

  uint16_t producer_index() const { return producer_index_; }
  uint16_t consumer_index() const { return consumer_index_; }
  uint16_t producer_count() const { return producer_count_.load(std::memory_order_acquire); }
  uint16_t consumer_count() const { return consumer_count_.load(std::memory_order_acquire); }

 private:
  std::array<std::array<uint8_t, kSlotBytes>, kSlots> slots_{};
  std::array<uint8_t, kSlots> slot_length_{};
  uint16_t producer_index_ = 0;  // touched by the producer only
  uint16_t consumer_index_ = 0;  // touched by the consumer only
  std::atomic<uint16_t> producer_count_{0};
  std::atomic<uint16_t> consumer_count_{0};
};

}  // namespace corvane

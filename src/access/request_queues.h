// The main window's register request queues: one write and one read in flight at a time, each
// retried on its timer, completed by the matching answer from the dispatcher. Also the dongle's
// access target, which every flushed read (re)points.
#pragma once

#include <array>
#include <cstdint>

#include "link/consumers.h"
#include "link/message_layer.h"

namespace corvane {

// What the queues need of the main window: its timers 30 and 31 and the write progress bar.
class RequestQueuesClient {
 public:
  virtual ~RequestQueuesClient() = default;
  virtual void SetQueueTimer(int id, int ms) = 0;
  virtual void KillQueueTimer(int id) = 0;
  // Progress bar 1332: range 0..backlog with step 1, the position, shown or hidden.
  virtual void ShowWriteProgress(int backlog, int position, bool visible) = 0;
};

class RequestQueues : public RequestBookkeeping {
 public:
  static constexpr int kEntries = 32;
  static constexpr int kMaxChunk = 250;
  static constexpr int kWriteTimer = 30;
  static constexpr int kReadTimer = 31;
  static constexpr int kWriteTimeoutMs = 3500;
  static constexpr int kReadTimeoutMs = 1500;
  // Reads sent again after a time-out before the request is given up.
  static constexpr int kReadRetries = 2;

  RequestQueues(MessageLayer& layer, RequestQueuesClient& client)
      : layer_(layer), client_(client) {}

  // Splits into chunks of at most 250 registers and queues them. False when the queue filled
  // up (the rest is not queued). With `flush` the pending writes are dropped first.
  bool QueueWrite(RfAddress route, RfAddress device, uint16_t reg, int count, const uint16_t* words,
                  uint16_t offset, bool flush);
  // The same for reads; `flush` drops pending reads and points the dongle at route (or device).
  bool QueueRead(RfAddress route, RfAddress device, uint16_t reg, int count, uint16_t offset,
                 bool flush);

  // Dongle registers 33 (mode), 34 (parameter) and 50..51 (target), each only when non-zero.
  void SetAccessTarget(RfAddress address, uint16_t mode, uint16_t parameter);

  void DropWrites();
  void DropReads();
  // Drops the queued reads of `device` that lie wholly in registers first..end-1 (the one in
  // flight too, and the next goes at once): a device whose map turned out smaller never answers
  // them, and each would hold up everything behind it through all its retries. Returns how many.
  int DropReadsOf(RfAddress device, int first, int end);

  // Timer 30 and timer 31 fired.
  void OnWriteTimeout();
  void OnReadTimeout();

  // RequestBookkeeping.
  void OnReadAnswer(RfAddress source, uint8_t type, uint16_t raw_register, int count) override;
  void OnWriteAnswer(RfAddress source, uint8_t type, uint16_t raw_register, int count) override;

  bool write_in_flight() const { return write_in_flight_; }
  bool read_in_flight() const { return read_in_flight_; }
  int pending_writes() const { return static_cast<int>(writes_queued_ - writes_sent_); }
  int pending_reads() const { return static_cast<int>(reads_queued_ - reads_sent_); }
  int write_retries() const { return write_retries_; }
  int read_retries() const { return read_retries_; }

  // Set when the user cancelled the wait for a sleeping device; cleared by the next flush or
  // access target.
  bool wait_cancelled() const { return wait_cancelled_; }
  void set_wait_cancelled(bool cancelled) { wait_cancelled_ = cancelled; }

 private:
  struct Request {
    RfAddress route = 0;
    RfAddress device = 0;
    uint16_t reg = 0;
    uint16_t count = 0;
    uint16_t offset = 0;
    std::array<uint16_t, kMaxChunk> words{};  // writes only
  };

  void SendWrite();
  void SendRead();
  void SendRequest(const Request& request, const uint8_t* inner, int inner_length);
  void UpdateProgress();
  void WriteDongle(uint16_t reg, uint16_t value);

  MessageLayer& layer_;
  RequestQueuesClient& client_;
  std::array<Request, kEntries> writes_{};
  std::array<Request, kEntries> reads_{};
  uint32_t writes_queued_ = 0;
  uint32_t writes_sent_ = 0;
  uint32_t reads_queued_ = 0;
  uint32_t reads_sent_ = 0;
  bool write_in_flight_ = false;
  bool read_in_flight_ = false;
  int write_retries_ = 1;
  int read_retries_ = kReadRetries;
  int backlog_ = 0;
  bool wait_cancelled_ = false;
};

}  // namespace corvane

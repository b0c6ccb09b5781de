// RegisterCycle: the read / write to RAM / write to EEPROM cycle of every device window, from the
// 30-word input node to the 19,618-word gateway image. The window owns one, hands it its record
// and forwards register data, acknowledgements and timers to it; the cycle queues the requests,
// books what comes back, drives the data-source indicator, the time-out and the progress bar, and
// tells the user when an operation failed.
//
// The rules it holds for every window:
// - a new operation clears what the old one still awaited, so late answers of a Read that timed
//   out cannot end a Write;
// - late register data are still booked: a read whose time-out passed can still complete;
// - late acknowledgements find no pending write and are ignored;
// - an EEPROM store is either the request bit travelling with the record (the small field
//   devices), or the RAM write first, then register 2 alone with bit 8 set and bit 9 cleared,
//   then register 2 polled every 200 ms until the stored bit shows or time is up;
// - an EEPROM write that ended without a confirmation leaves no store request in the record;
// - Abandon ends a running operation without a message (before a firmware update opens).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "access/request_queues.h"
#include "model/rf_address.h"
#include "ui/control_store.h"

namespace corvane::ui {
class Dialog;
}

namespace corvane {

// Registers [first, first + count).
struct RegisterRange {
  int first = 0;
  int count = 0;
};

// Register numbers of a record of any size, as sorted, disjoint ranges.
class RegisterSet {
 public:
  void Clear() { ranges_.clear(); }
  void Add(int first, int count);
  void Add(std::span<const RegisterRange> ranges) {
    for (const RegisterRange& r : ranges) Add(r.first, r.count);
  }
  // Takes [first, first + count) out; returns how many of them were in the set.
  int Remove(int first, int count);
  bool Has(int reg) const;
  bool empty() const { return ranges_.empty(); }
  // The number of registers in the set.
  int size() const;
  std::span<const RegisterRange> ranges() const { return ranges_; }

 private:
  std::vector<RegisterRange> ranges_;
};

enum class Pending : uint8_t {
  kNone,
  kRead,
  kRamWrite,
  kEepromWrite,    // the record on its way (with the request bit, or to RAM before the store)
  kEepromStore,    // register 2 alone with the store request
  kEepromConfirm,  // register 2 read back until the stored bit shows
};

enum class EepromStep : uint8_t {
  // The request bit is set in word 2 of the record and written with it; the device's stored bit
  // (with "Write to EEPROM successfull") or the last acknowledgement completes.
  kInRecord,
  // The RAM ranges first; then register 2 alone, then its confirmation.
  kAfterRam,
};

class RegisterCycle {
 public:
  static constexpr int kTimeoutTimer = 15;
  static constexpr int kTimeoutMs = 5000;
  static constexpr int kStoreTimeoutMs = 2000;
  static constexpr int kConfirmPollMs = 200;
  static constexpr int kWordEepromControl = 2;
  static constexpr uint16_t kStoreRequest = 0x0100;
  static constexpr uint16_t kStored = 0x0200;

  struct Target {
    RequestQueues* queues = nullptr;
    RfAddress address = 0;
    RfAddress route = 0;  // 0: the device directly
    // Added to register numbers through the route: 4000 reaches the routing gateway's cached
    // copy (its answers then book the cache sets too); 0 reaches the device as it is.
    uint16_t routed_base = 0;
    int source_id = 0;    // the data-source indicator
    int progress_id = 0;  // the progress bar, 0 for none
    // Timer of the confirmation poll (the window's timer ids must leave it free).
    int confirm_timer = 42;
    // Every register that arrives or is acknowledged starts the time-out anew (a long image).
    bool progress_restarts_timeout = false;
    EepromStep eeprom = EepromStep::kInRecord;
    // kInRecord: whether the device's stored bit completes the write (else the last
    // acknowledgement alone).
    bool stored_bit_completes = true;
    // A completed read leaves the pending operation at read (cache answers always do).
    bool read_keeps_pending = false;
    // A read that timed out is asked again this many times before it fails.
    int read_retries = 0;
    // The time-out of the store request and of its confirmation; 0 lets the write's time-out
    // run on through them (one limit for the whole EEPROM sequence).
    int store_timeout_ms = kStoreTimeoutMs;
  };

  // The target of a window on `address` (through `route`, 0 = directly) whose indicator is
  // `source_id`; the rest as Target's defaults.
  static Target TargetFor(RequestQueues& queues, RfAddress address, RfAddress route, int source_id);

  // `record` gives the window's record whenever the cycle writes from it or marks the store
  // request in it (a window may replace its record object as a whole).
  RegisterCycle(ui::Dialog& dialog, Target target, std::function<std::span<uint16_t>()> record);
  RegisterCycle(ui::Dialog& dialog, Target target, std::span<uint16_t> record)
      : RegisterCycle(dialog, target, [record] { return record; }) {}

  Pending pending() const { return pending_; }
  // A read or write is running: Read and the writes are ignored while the indicator says so.
  bool Busy() const;
  // Nothing of an operation is running or still awaited.
  bool Idle() const { return pending_ == Pending::kNone && read_direct_.empty(); }
  bool Routed() const { return target_.route != 0; }
  bool ThroughCache() const { return Routed() && target_.routed_base != 0; }
  const RegisterSet& read_direct() const { return read_direct_; }
  const RegisterSet& read_cache() const { return read_cache_; }
  const RegisterSet& write_direct() const { return write_direct_; }
  const RegisterSet& write_cache() const { return write_cache_; }
  std::span<uint16_t> record() const { return record_(); }

  // Starts a read of `ranges` (the first request with `flush`).
  void StartRead(std::span<const RegisterRange> ranges, bool flush, int timeout_ms = kTimeoutMs);
  // Starts a write of `runs` from the record, all requests with `flush` dropping the writes
  // still queued before the first. kInRecord EEPROM writes set the request bit first and send
  // the run that holds word 2 last, so the device stores only once it has every word.
  void StartWrite(bool eeprom, std::span<const RegisterRange> runs, int timeout_ms);
  // Registers the device does not have: no operation waits for them.
  void Drop(int first, int count);
  // Registers a read need not wait for (a firmware that never answers them).
  void DropReads(int first, int count);
  // Ends the running operation without a word: the indicator shows Error when one was running.
  void Abandon();

  // A block arrived from the device; the record holds it and the window has shown it (so that
  // "Write to EEPROM successfull" does not stand over stale values). `reads` false books
  // nothing against the read sets (a block the window turned away).
  void OnData(int first, int count, bool from_cache, bool reads = true);
  void OnAck(int first, int count, bool from_cache);
  // True when the timer was the cycle's.
  bool OnTimer(int id);
  // After the wait for a sleeping device: the time-out starts again.
  void RestartTimeout();

 private:
  void Start(Pending op, int timeout_ms);
  // Takes [first, first + count) out of a set still awaited; true when that emptied it.
  bool Book(RegisterSet& set, bool& awaiting, int first, int count, bool cache);
  void Complete(ui::SourceState state, bool keep_pending);
  void Progress(int remaining);
  void EndProgress();
  void Fail();
  void QueueRead(int first, int count, bool flush);
  void QueueWrite(int first, int count, bool flush);
  void ClearRequestBit();

  ui::Dialog& dialog_;
  Target target_;
  std::function<std::span<uint16_t>()> record_;
  Pending pending_ = Pending::kNone;
  RegisterSet read_direct_;
  RegisterSet read_cache_;
  RegisterSet write_direct_;
  RegisterSet write_cache_;
  // Whether a set still counts: a read whose time-out passed can still complete, while a new
  // operation ends what the old one awaited.
  bool awaiting_direct_reads_ = false;
  bool awaiting_cache_reads_ = false;
  bool awaiting_direct_writes_ = false;
  bool awaiting_cache_writes_ = false;
  int timeout_ms_ = kTimeoutMs;
  std::vector<RegisterRange> read_ranges_;  // of the running read, for its retries
  int retries_left_ = 0;
  int progress_total_ = 0;
  int progress_lowest_ = 0;
};

}  // namespace corvane

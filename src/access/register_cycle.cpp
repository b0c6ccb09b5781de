#include "access/register_cycle.h"

#include <algorithm>

#include "ui/dialog.h"

namespace corvane {

using ui::SourceState;

void RegisterSet::Add(int first, int count) {
  if (count <= 0) return;
  int begin = first;
  int end = first + count;
  // Merge with every range it touches or overlaps.
  auto it = std::lower_bound(ranges_.begin(), ranges_.end(), begin,
                             [](const RegisterRange& r, int at) { return r.first + r.count < at; });
  auto last = it;
  while (last != ranges_.end() && last->first <= end) {
    begin = std::min(begin, last->first);
    end = std::max(end, last->first + last->count);
    ++last;
  }
  it = ranges_.erase(it, last);
  ranges_.insert(it, RegisterRange{begin, end - begin});
}

int RegisterSet::Remove(int first, int count) {
  if (count <= 0) return 0;
  const int end = first + count;
  int removed = 0;
  std::vector<RegisterRange> kept;
  kept.reserve(ranges_.size() + 1);
  for (const RegisterRange& r : ranges_) {
    const int r_end = r.first + r.count;
    if (r_end <= first || r.first >= end) {
      kept.push_back(r);
      continue;
    }
    removed += std::min(r_end, end) - std::max(r.first, first);
    if (r.first < first) kept.push_back({r.first, first - r.first});
    if (r_end > end) kept.push_back({end, r_end - end});
  }
  ranges_ = std::move(kept);
  return removed;
}

bool RegisterSet::Has(int reg) const {
  return std::any_of(ranges_.begin(), ranges_.end(), [&](const RegisterRange& r) {
    return r.first <= reg && reg < r.first + r.count;
  });
}

int RegisterSet::size() const {
  int n = 0;
  for (const RegisterRange& r : ranges_) n += r.count;
  return n;
}

RegisterCycle::RegisterCycle(ui::Dialog& dialog, Target target,
                             std::function<std::span<uint16_t>()> record)
    : dialog_(dialog), target_(target), record_(std::move(record)) {}

bool RegisterCycle::Busy() const {
  const SourceState shown = dialog_.Source(target_.source_id);
  return shown == SourceState::kRead || shown == SourceState::kWrite;
}

void RegisterCycle::Start(Pending op, int timeout_ms) {
  // A new operation ends the old one: whatever it still awaited no longer counts.
  read_direct_.Clear();
  read_cache_.Clear();
  write_direct_.Clear();
  write_cache_.Clear();
  awaiting_direct_reads_ = awaiting_cache_reads_ = false;
  awaiting_direct_writes_ = awaiting_cache_writes_ = false;
  dialog_.KillTimer(target_.confirm_timer);
  pending_ = op;
  timeout_ms_ = timeout_ms;
  dialog_.SetTimer(kTimeoutTimer, timeout_ms);
  dialog_.SetSource(target_.source_id,
                    op == Pending::kRead ? SourceState::kRead : SourceState::kWrite);
}

void RegisterCycle::QueueRead(int first, int count, bool flush) {
  const int base = Routed() ? target_.routed_base : 0;
  target_.queues->QueueRead(target_.route, target_.address, static_cast<uint16_t>(first + base),
                            count, 0, flush);
}

void RegisterCycle::QueueWrite(int first, int count, bool flush) {
  const int base = Routed() ? target_.routed_base : 0;
  target_.queues->QueueWrite(target_.route, target_.address, static_cast<uint16_t>(first + base),
                             count, record().data() + first, 0, flush);
}

void RegisterCycle::StartRead(std::span<const RegisterRange> ranges, bool flush, int timeout_ms) {
  Start(Pending::kRead, timeout_ms);
  read_ranges_.assign(ranges.begin(), ranges.end());
  retries_left_ = target_.read_retries;
  read_direct_.Add(ranges);
  awaiting_direct_reads_ = true;
  if (ThroughCache()) {
    read_cache_.Add(ranges);
    awaiting_cache_reads_ = true;
  }
  for (const RegisterRange& r : ranges) {
    QueueRead(r.first, r.count, flush);
    flush = false;
  }
  progress_total_ = progress_lowest_ = read_direct_.size();
  if (target_.progress_id != 0) {
    dialog_.SetRange(target_.progress_id, 0, progress_total_);
    dialog_.SetPos(target_.progress_id, 0);
    dialog_.Show(target_.progress_id, true);
  }
}

void RegisterCycle::StartWrite(bool eeprom, std::span<const RegisterRange> runs, int timeout_ms) {
  Start(eeprom ? Pending::kEepromWrite : Pending::kRamWrite, timeout_ms);
  std::vector<RegisterRange> order(runs.begin(), runs.end());
  if (target_.eeprom == EepromStep::kAfterRam) {
    // The store request goes out alone once everything is in RAM; one left in the record by a
    // store never confirmed would otherwise travel with this write.
    ClearRequestBit();
  } else if (eeprom) {
    uint16_t& control = record()[kWordEepromControl];
    control = static_cast<uint16_t>((control & 0x00FF) | kStoreRequest);
    // The run that holds the request goes last: the device stores once it has every word.
    auto holds = std::find_if(order.begin(), order.end(), [](const RegisterRange& r) {
      return r.first <= kWordEepromControl && kWordEepromControl < r.first + r.count;
    });
    if (holds != order.end()) std::rotate(holds, holds + 1, order.end());
  }
  bool flush = true;
  for (const RegisterRange& r : order) {
    QueueWrite(r.first, r.count, flush);
    flush = false;
    write_direct_.Add(r.first, r.count);
    if (ThroughCache()) write_cache_.Add(r.first, r.count);
  }
  awaiting_direct_writes_ = true;
  awaiting_cache_writes_ = ThroughCache();
  progress_total_ = progress_lowest_ = write_direct_.size();
  if (target_.progress_id != 0) {
    dialog_.SetRange(target_.progress_id, 0, progress_total_);
    dialog_.SetPos(target_.progress_id, 0);
    dialog_.Show(target_.progress_id, true);
  }
}

void RegisterCycle::Drop(int first, int count) {
  for (RegisterSet* set : {&read_direct_, &read_cache_, &write_direct_, &write_cache_}) {
    set->Remove(first, count);
  }
}

void RegisterCycle::DropReads(int first, int count) {
  read_direct_.Remove(first, count);
  read_cache_.Remove(first, count);
}

void RegisterCycle::Abandon() {
  dialog_.KillTimer(kTimeoutTimer);
  dialog_.KillTimer(target_.confirm_timer);
  if (pending_ != Pending::kNone || Busy()) {
    dialog_.SetSource(target_.source_id, SourceState::kError);
  }
  if (pending_ == Pending::kEepromStore || pending_ == Pending::kEepromConfirm) ClearRequestBit();
  pending_ = Pending::kNone;
  Drop(0, 1 << 30);
  awaiting_direct_reads_ = awaiting_cache_reads_ = false;
  awaiting_direct_writes_ = awaiting_cache_writes_ = false;
  EndProgress();
}

void RegisterCycle::Complete(SourceState state, bool keep_pending) {
  dialog_.KillTimer(kTimeoutTimer);
  if (!keep_pending) {
    pending_ = Pending::kNone;
    EndProgress();
  }
  dialog_.SetSource(target_.source_id, state);
}

void RegisterCycle::Progress(int remaining) {
  if (target_.progress_id != 0) dialog_.SetPos(target_.progress_id, progress_total_ - remaining);
  if (remaining < progress_lowest_) {
    progress_lowest_ = remaining;
    // Progress: the time-out counts from now.
    if (target_.progress_restarts_timeout && pending_ != Pending::kNone) {
      dialog_.SetTimer(kTimeoutTimer, timeout_ms_);
    }
  }
}

void RegisterCycle::EndProgress() {
  if (target_.progress_id != 0) dialog_.Show(target_.progress_id, false);
}

void RegisterCycle::ClearRequestBit() {
  const std::span<uint16_t> words = record();
  if (words.size() <= kWordEepromControl) return;
  words[kWordEepromControl] = static_cast<uint16_t>(words[kWordEepromControl] & ~kStoreRequest);
}

bool RegisterCycle::Book(RegisterSet& set, bool& awaiting, int first, int count, bool cache) {
  if (!awaiting) return false;
  set.Remove(first, count);
  if (!cache) Progress(set.size());
  if (!set.empty()) return false;
  awaiting = false;
  return true;
}

RegisterCycle::Target RegisterCycle::TargetFor(RequestQueues& queues, RfAddress address,
                                               RfAddress route, int source_id) {
  Target target;
  target.queues = &queues;
  target.address = address;
  target.route = route;
  target.source_id = source_id;
  return target;
}

void RegisterCycle::OnData(int first, int count, bool from_cache, bool reads) {
  if (count <= 0) return;
  // Plain register numbers through a route: the answers are the device's own.
  if (!ThroughCache()) from_cache = false;
  const std::span<uint16_t> words = record();
  const bool control = first <= kWordEepromControl && kWordEepromControl < first + count &&
                       words.size() > kWordEepromControl;
  const bool stored = control && (words[kWordEepromControl] & kStored) != 0;
  if (control && pending_ == Pending::kEepromConfirm) {
    if (stored) {
      dialog_.KillTimer(target_.confirm_timer);
      Complete(SourceState::kDevice, false);
    } else {
      // The device acknowledges the request before its EEPROM holds the record: ask again
      // shortly, until the time-out ends it.
      dialog_.SetTimer(target_.confirm_timer, kConfirmPollMs);
    }
  } else if (stored && !from_cache && pending_ == Pending::kEepromWrite &&
             target_.eeprom == EepromStep::kInRecord && target_.stored_bit_completes) {
    Complete(SourceState::kDevice, false);
    dialog_.MessageBox(u"Write to EEPROM successfull");
  }
  if (!reads) return;
  if (!Book(from_cache ? read_cache_ : read_direct_,
            from_cache ? awaiting_cache_reads_ : awaiting_direct_reads_, first, count,
            from_cache)) {
    return;
  }
  if (from_cache) {
    // The routing gateway's copy: the device's own answers may still follow.
    Complete(SourceState::kCache, true);
  } else {
    Complete(SourceState::kDevice, target_.read_keeps_pending && pending_ == Pending::kRead);
    if (target_.read_keeps_pending) EndProgress();
  }
}

void RegisterCycle::OnAck(int first, int count, bool from_cache) {
  if (!ThroughCache()) from_cache = false;
  if (pending_ == Pending::kEepromStore) {
    if (first <= kWordEepromControl && kWordEepromControl < first + count && !from_cache) {
      pending_ = Pending::kEepromConfirm;
      QueueRead(kWordEepromControl, 1, false);
      if (target_.store_timeout_ms > 0) dialog_.SetTimer(kTimeoutTimer, target_.store_timeout_ms);
    }
    return;
  }
  if (pending_ != Pending::kRamWrite && pending_ != Pending::kEepromWrite) return;
  if (!Book(from_cache ? write_cache_ : write_direct_,
            from_cache ? awaiting_cache_writes_ : awaiting_direct_writes_, first, count,
            from_cache)) {
    return;
  }
  if (from_cache) {
    Complete(SourceState::kCache, true);
    return;
  }
  if (pending_ == Pending::kEepromWrite && target_.eeprom == EepromStep::kAfterRam) {
    // The record is in RAM: now the store request alone.
    EndProgress();
    uint16_t& control = record()[kWordEepromControl];
    control = static_cast<uint16_t>((control & ~kStored) | kStoreRequest);
    pending_ = Pending::kEepromStore;
    QueueWrite(kWordEepromControl, 1, false);
    if (target_.store_timeout_ms > 0) dialog_.SetTimer(kTimeoutTimer, target_.store_timeout_ms);
    return;
  }
  Complete(SourceState::kDevice, false);
}

void RegisterCycle::Fail() {
  dialog_.KillTimer(kTimeoutTimer);
  dialog_.KillTimer(target_.confirm_timer);
  dialog_.SetSource(target_.source_id, SourceState::kError);
  const Pending failed = pending_;
  pending_ = Pending::kNone;
  awaiting_direct_writes_ = awaiting_cache_writes_ = false;
  EndProgress();
  switch (failed) {
    case Pending::kRead:
      dialog_.MessageBox(u"Read unsuccessfull");
      break;
    case Pending::kRamWrite:
      dialog_.MessageBox(u"Write to RAM unsuccessfull");
      break;
    case Pending::kEepromWrite:
    case Pending::kEepromStore:
      ClearRequestBit();
      dialog_.MessageBox(u"Write to EEPROM unsuccessfull");
      break;
    case Pending::kEepromConfirm:
      // The gateway's next RAM write must not ask for a store nobody confirmed.
      ClearRequestBit();
      dialog_.MessageBox(u"Write to EEPROM ack not received");
      break;
    case Pending::kNone:
      break;
  }
}

bool RegisterCycle::OnTimer(int id) {
  if (id == kTimeoutTimer) {
    if (pending_ == Pending::kRead && retries_left_ > 0) {
      // Asked again from the start: what did arrive stays booked.
      --retries_left_;
      for (size_t i = 0; i < read_ranges_.size(); ++i) {
        QueueRead(read_ranges_[i].first, read_ranges_[i].count, i == 0);
      }
      dialog_.SetTimer(kTimeoutTimer, timeout_ms_);
      return true;
    }
    Fail();
    return true;
  }
  if (id == target_.confirm_timer) {
    dialog_.KillTimer(target_.confirm_timer);
    if (pending_ == Pending::kEepromConfirm) QueueRead(kWordEepromControl, 1, false);
    return true;
  }
  return false;
}

void RegisterCycle::RestartTimeout() {
  if (pending_ != Pending::kNone) dialog_.SetTimer(kTimeoutTimer, timeout_ms_);
}

}  // namespace corvane

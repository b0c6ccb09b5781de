#include "access/request_queues.h"

#include <algorithm>

#include "model/le.h"

namespace corvane {

bool RequestQueues::QueueWrite(RfAddress route, RfAddress device, uint16_t reg, int count,
                               const uint16_t* words, uint16_t offset, bool flush) {
  if (flush) {
    DropWrites();
    wait_cancelled_ = false;
  }
  bool queued_all = true;
  for (int done = 0; done < count;) {
    if (pending_writes() >= kEntries) {
      queued_all = false;
      break;
    }
    const int n = std::min(count - done, kMaxChunk);
    Request& r = writes_[writes_queued_ % kEntries];
    r.route = route;
    r.device = device;
    r.reg = static_cast<uint16_t>(reg + done);
    r.count = static_cast<uint16_t>(n);
    r.offset = offset;
    std::copy(words + done, words + done + n, r.words.begin());
    ++writes_queued_;
    done += n;
  }
  if (!write_in_flight_) SendWrite();
  return queued_all;
}

bool RequestQueues::QueueRead(RfAddress route, RfAddress device, uint16_t reg, int count,
                              uint16_t offset, bool flush) {
  if (flush) {
    wait_cancelled_ = false;
    DropReads();
    SetAccessTarget(route != 0 ? route : device, 6, 32);
  }
  bool queued_all = true;
  for (int done = 0; done < count;) {
    if (pending_reads() >= kEntries) {
      queued_all = false;
      break;
    }
    const int n = std::min(count - done, kMaxChunk);
    Request& r = reads_[reads_queued_ % kEntries];
    r.route = route;
    r.device = device;
    r.reg = static_cast<uint16_t>(reg + done);
    r.count = static_cast<uint16_t>(n);
    r.offset = offset;
    ++reads_queued_;
    done += n;
  }
  if (!read_in_flight_) SendRead();
  return queued_all;
}

void RequestQueues::WriteDongle(uint16_t reg, uint16_t value) {
  uint8_t message[6] = {MSG_REG_WORD, 4};
  PutU16(message + 2, reg);
  PutU16(message + 4, value);
  layer_.SendMsg(ADDR_DONGLE, message, sizeof message, false);
}

void RequestQueues::SetAccessTarget(RfAddress address, uint16_t mode, uint16_t parameter) {
  if (mode != 0) {
    // Ending an access (bit 5) also ends whatever was still queued for it.
    if (mode & 0x20) {
      DropWrites();
      DropReads();
    }
    WriteDongle(33, mode);
  }
  if (parameter != 0) WriteDongle(34, parameter);
  if (address != 0) {
    wait_cancelled_ = false;
    // The payload is 7 bytes (register, count, two words); a length byte of 6 would cut the
    // address's top byte off and leave it to be read as the next message's type.
    uint8_t message[9] = {MSG_REG_BLOCK, 7, 50, 0, 2};
    PutU32(message + 5, address);
    layer_.SendMsg(ADDR_DONGLE, message, sizeof message, false);
  }
}

void RequestQueues::DropWrites() {
  writes_sent_ = writes_queued_;
  write_in_flight_ = false;
  write_retries_ = 1;
  backlog_ = 0;
  client_.KillQueueTimer(kWriteTimer);
  client_.ShowWriteProgress(0, 0, false);
}

void RequestQueues::DropReads() {
  reads_sent_ = reads_queued_;
  read_in_flight_ = false;
  read_retries_ = kReadRetries;
  client_.KillQueueTimer(kReadTimer);
}

int RequestQueues::DropReadsOf(RfAddress device, int first, int end) {
  auto dropped = [&](const Request& r) {
    return r.device == device && r.reg >= first && r.reg + r.count <= end;
  };
  const bool head =
      read_in_flight_ && pending_reads() > 0 && dropped(reads_[reads_sent_ % kEntries]);
  uint32_t kept = reads_sent_;
  for (uint32_t i = reads_sent_; i != reads_queued_; ++i) {
    const Request& r = reads_[i % kEntries];
    if (dropped(r)) continue;
    if (kept != i) reads_[kept % kEntries] = r;
    ++kept;
  }
  const int count = static_cast<int>(reads_queued_ - kept);
  reads_queued_ = kept;
  if (head) {
    read_retries_ = kReadRetries;
    SendRead();
  }
  return count;
}

// Sends a request to the device directly (no route), to the route at register + offset, or
// wrapped for the device and handed to the route, which relays it.
void RequestQueues::SendRequest(const Request& r, const uint8_t* inner, int inner_length) {
  if (r.route == 0) {
    layer_.SendMsg(r.device, inner, inner_length, false);
  } else if (r.offset != 0) {
    uint8_t shifted[kMaxMessage];
    std::copy(inner, inner + inner_length, shifted);
    PutU16(shifted + 2, static_cast<uint16_t>(r.reg + r.offset));
    layer_.SendMsg(r.route, shifted, inner_length, false);
  } else {
    uint8_t wrapped[kMaxMessage];
    wrapped[0] = MSG_RF_SEND;
    wrapped[1] = static_cast<uint8_t>(std::min(inner_length + 4, int{kLengthToEnd}));
    PutU32(wrapped + 2, r.device);
    std::copy(inner, inner + inner_length, wrapped + 6);
    layer_.SendMsg(r.route, wrapped, inner_length + 6, false);
  }
}

void RequestQueues::UpdateProgress() {
  const int pending = pending_writes();
  if (pending > backlog_) backlog_ = pending;
  client_.ShowWriteProgress(backlog_, backlog_ - pending, true);
}

void RequestQueues::SendWrite() {
  if (pending_writes() == 0) {
    write_in_flight_ = false;
    backlog_ = 0;
    client_.KillQueueTimer(kWriteTimer);
    client_.ShowWriteProgress(0, 0, false);
    return;
  }
  const Request& r = writes_[writes_sent_ % kEntries];
  uint8_t inner[5 + 2 * kMaxChunk];
  int length;
  if (r.count == 1) {
    inner[0] = MSG_REG_WORD;
    inner[1] = 4;
    PutU16(inner + 2, r.reg);
    PutU16(inner + 4, r.words[0]);
    length = 6;
  } else {
    inner[0] = MSG_REG_BLOCK;
    inner[1] = static_cast<uint8_t>(std::min(2 * r.count + 3, int{kLengthToEnd}));
    PutU16(inner + 2, r.reg);
    inner[4] = static_cast<uint8_t>(r.count);
    for (int i = 0; i < r.count; ++i) PutU16(inner + 5 + 2 * i, r.words[i]);
    length = 5 + 2 * r.count;
  }
  SendRequest(r, inner, length);
  write_in_flight_ = true;
  client_.SetQueueTimer(kWriteTimer, kWriteTimeoutMs);
  UpdateProgress();
}

void RequestQueues::SendRead() {
  if (pending_reads() == 0) {
    read_in_flight_ = false;
    client_.KillQueueTimer(kReadTimer);
    return;
  }
  const Request& r = reads_[reads_sent_ % kEntries];
  uint8_t inner[5] = {MSG_REG_READ, 3, 0, 0, static_cast<uint8_t>(r.count)};
  PutU16(inner + 2, r.reg);
  SendRequest(r, inner, sizeof inner);
  read_in_flight_ = true;
  client_.SetQueueTimer(kReadTimer, kReadTimeoutMs);
}

void RequestQueues::OnWriteAnswer(RfAddress source, uint8_t, uint16_t raw_register, int count) {
  if (pending_writes() == 0) return;
  const Request& r = writes_[writes_sent_ % kEntries];
  if (source != r.device || count != r.count ||
      raw_register != static_cast<uint16_t>(r.reg + r.offset)) {
    return;
  }
  client_.KillQueueTimer(kWriteTimer);
  ++writes_sent_;
  write_retries_ = 1;
  SendWrite();
}

void RequestQueues::OnReadAnswer(RfAddress source, uint8_t, uint16_t raw_register, int count) {
  if (pending_reads() == 0) return;
  const Request& r = reads_[reads_sent_ % kEntries];
  if (source != r.device || count != r.count ||
      raw_register != static_cast<uint16_t>(r.reg + r.offset)) {
    return;
  }
  client_.KillQueueTimer(kReadTimer);
  ++reads_sent_;
  read_retries_ = kReadRetries;
  SendRead();
}

void RequestQueues::OnWriteTimeout() {
  if (write_retries_ > 0) {
    --write_retries_;
    SendWrite();
  } else {
    DropWrites();
  }
}

void RequestQueues::OnReadTimeout() {
  if (read_retries_ > 0) {
    --read_retries_;
  } else if (pending_reads() > 0) {
    ++reads_sent_;  // this one is given up; the ones behind it still go
    read_retries_ = kReadRetries;
  }
  SendRead();
}

}  // namespace corvane

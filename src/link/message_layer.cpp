#include "link/message_layer.h"

#include <algorithm>
#include <cstring>

#include "model/le.h"

namespace corvane {
namespace {

// Register content of a received message, decoded once and shared by every consumer.
struct RegisterContent {
  uint16_t first = 0;  // as it arrived (a cached answer may say 4000 + n)
  int count = 0;
  uint16_t words[255];
};

bool DecodeRegisterData(uint8_t type, int length, const uint8_t* payload, RegisterContent& out) {
  if (IsRegisterBlockType(type)) {
    if (length < 3) return false;
    out.first = GetU16(payload);
    // A block shorter than its count promises delivers only the whole words it holds.
    out.count = std::min<int>(payload[2], (length - 3) / 2);
    for (int i = 0; i < out.count; ++i) out.words[i] = GetU16(payload + 3 + 2 * i);
    return true;
  }
  if (IsRegisterWordType(type)) {
    if (length < 4) return false;
    out.first = GetU16(payload);
    out.count = 1;
    out.words[0] = GetU16(payload + 2);
    return true;
  }
  return false;
}

uint16_t CacheRegister(uint16_t raw) {
  return raw >= kCacheRegisterBase ? static_cast<uint16_t>(raw - kCacheRegisterBase) : raw;
}

bool IsModbusDataType(uint8_t type) {
  return type == MSG_REG_BLOCK_82 || type == MSG_REG_BLOCK_86 || type == MSG_REG_BLOCK_C1 ||
         type == MSG_REG_WORD_84 || type == MSG_REG_WORD_87 || type == MSG_REG_WORD_C0;
}

uint64_t FullMask(int fragments) { return fragments >= 64 ? ~0ull : (1ull << fragments) - 1; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sending

void MessageLayer::SendMsg(RfAddress address, const uint8_t* bytes, int length, bool acknowledged) {
  if (bytes == nullptr || length <= 0) return;
  uint8_t wrapped[kMaxMessage];
  const uint8_t* message = bytes;
  int total = length;
  if (address != ADDR_DONGLE) {
    total = length + 6;
    if (total > kMaxMessage) return;
    wrapped[0] = MSG_RF_SEND;
    wrapped[1] = static_cast<uint8_t>(std::min(length + 4, int{kLengthToEnd}));
    PutU32(wrapped + 2, address);
    std::memcpy(wrapped + 6, bytes, static_cast<size_t>(length));
    message = wrapped;
  } else if (total > kMaxMessage) {
    return;
  }

  if (total <= kReportBytes) {
    Enqueue(message, total);
  } else if (acknowledged) {
    SendAcknowledged(ADDR_DONGLE, message, total);
  } else {
    SendFragmented(message, total);
  }
}

void MessageLayer::SendFragmented(const uint8_t* bytes, int total) {
  uint8_t fragment[kReportBytes];
  fragment[0] = MSG_FRAG_FIRST;
  fragment[1] = 62;
  std::memcpy(fragment + 2, bytes, 62);
  Enqueue(fragment, kReportBytes);

  int position = 62;
  int remaining = total - 62;
  if (remaining > 62) {
    const int middles = (total - 125) / 62 + 1;
    for (int i = 0; i < middles; ++i) {
      fragment[0] = MSG_FRAG_NEXT;
      fragment[1] = 62;
      std::memcpy(fragment + 2, bytes + position, 62);
      Enqueue(fragment, kReportBytes);
      position += 62;
    }
    remaining -= 62 * middles;
  }
  fragment[0] = MSG_FRAG_LAST;
  fragment[1] = static_cast<uint8_t>(remaining);
  std::memcpy(fragment + 2, bytes + position, static_cast<size_t>(remaining));
  Enqueue(fragment, remaining + 2);
}

void MessageLayer::SendAcknowledged(RfAddress destination, const uint8_t* bytes, int total) {
  SenderSlot* slot = nullptr;
  for (auto& s : senders_) {
    if (s.key == destination) slot = &s;
  }
  if (slot == nullptr) {
    for (auto& s : senders_) {
      if (s.key == 0) {
        slot = &s;
        slot->key = destination;
        break;
      }
    }
  }
  if (slot == nullptr) return;
  if (slot->state != 0 || total > kMaxLongTransfer) return;

  const int count = (total + kXferFragmentData - 1) / kXferFragmentData;
  for (int i = 0; i < count; ++i) {
    auto& block = slot->fragments[i];
    const int data = i < count - 1 ? kXferFragmentData : total - kXferFragmentData * (count - 1);
    block[0] = MSG_XFER_DATA;
    block[1] = static_cast<uint8_t>(data + 1);
    block[2] = static_cast<uint8_t>(i);
    std::memcpy(block.data() + 3, bytes + kXferFragmentData * i, static_cast<size_t>(data));
  }
  slot->fragment_count = count;
  slot->total = total;
  slot->retries = kInitialRetries;
  StartTransfer(*slot);
}

void MessageLayer::StartTransfer(SenderSlot& slot) {
  uint8_t start[5] = {MSG_XFER_START, 3, slot.id, 0, 0};
  PutU16(start + 3, static_cast<uint16_t>(slot.total));
  Enqueue(start, sizeof start);
  slot.mask = 0;
  for (int i = 0; i < slot.fragment_count; ++i) {
    Enqueue(slot.fragments[i].data(), slot.fragments[i][1] + 2);
  }
  SendXferEnd(slot);
  slot.state = 3;
  slot.countdown = 4;
}

void MessageLayer::SendXferEnd(const SenderSlot& slot) {
  const uint8_t end[3] = {MSG_XFER_END, 1, slot.id};
  Enqueue(end, sizeof end);
}

void MessageLayer::FreeSender(SenderSlot& slot) {
  slot.countdown = 0;
  slot.key = 0;
  slot.state = 0;
}

void MessageLayer::OnXferStatus(RfAddress source, int length, const uint8_t* payload) {
  if (length < 3 || source == 0) return;
  const uint8_t id = payload[0];
  const uint16_t mask = GetU16(payload + 1);
  for (auto& slot : senders_) {
    if (slot.key != source || slot.id != id) continue;
    slot.countdown = 0;
    slot.mask = mask;
    if (slot.state != 3) {
      FreeSender(slot);
      continue;
    }
    const uint64_t full = FullMask(slot.fragment_count);
    // Bits above the fragment count name nothing that could be missing.
    if ((mask & full) == full) {
      ++slot.id;
      FreeSender(slot);
      continue;
    }
    for (int i = 0; i < slot.fragment_count; ++i) {
      if ((mask & (1u << i)) == 0) Enqueue(slot.fragments[i].data(), slot.fragments[i][1] + 2);
    }
    SendXferEnd(slot);
    slot.state = 3;
    slot.countdown = 4;
  }
}

void MessageLayer::OnXferRefuse(RfAddress source, int length, const uint8_t* payload) {
  // The dongle's busy refusal is told by the transfer id in byte 0 and 3 in byte 3; a shorter
  // refusal has no fourth byte to read and is not a busy one.
  if (length < 4 || source == 0 || payload[3] != 3) return;
  for (auto& slot : senders_) {
    if (slot.key != source || slot.id != payload[0]) continue;
    if (slot.retries > 0) {
      --slot.retries;
      slot.countdown = 20;
      slot.state = 4;
    }
  }
}

void MessageLayer::OnSenderExpired(SenderSlot& slot) {
  if (slot.state == 3) {
    if (slot.retries >= 9) {
      slot.retries = 7;
      StartTransfer(slot);
    } else if (slot.retries > 0) {
      --slot.retries;
      StartTransfer(slot);
    } else {
      FreeSender(slot);
    }
  } else if (slot.state == 4 && slot.retries > 0) {
    --slot.retries;
    StartTransfer(slot);
  } else {
    FreeSender(slot);
  }
}

// ---------------------------------------------------------------------------------------------
// Receiving side of the long transfer

void MessageLayer::ReleaseReceiver(ReceiverSlot& slot) {
  slot.id = static_cast<uint8_t>(slot.id - 10);
  slot.countdown = 0;
  slot.state = 0;
  slot.stride = 0;
  slot.source = 0;
}

void MessageLayer::SendRefuse(uint8_t id, uint8_t code, uint8_t detail) {
  const uint8_t refuse[5] = {MSG_XFER_REFUSE, 3, id, code, detail};
  Enqueue(refuse, sizeof refuse);
}

void MessageLayer::OnXferStart(RfAddress source, int length, const uint8_t* payload) {
  // Address 0 marks a free slot, so it cannot own a transfer.
  if (length < 3 || source == 0) return;
  ReceiverSlot* slot = nullptr;
  if (receivers_[0].source == source) {
    slot = &receivers_[0];
  } else {
    for (auto& s : receivers_) {
      if (s.source == 0) {
        s.id = static_cast<uint8_t>(s.id - 10);
        s.countdown = 0;
        s.state = 0;
        s.stride = 0;
        s.source = source;
        slot = &s;
        break;
      }
    }
  }
  if (slot == nullptr) return;
  const uint8_t id = payload[0];
  if (slot->state == 1 && slot->source == receivers_[0].source) {
    SendRefuse(id, 3, slot->state);
    return;
  }
  slot->id = id;
  slot->total = GetU16(payload + 1);
  slot->expected = 31;
  slot->stride = 0;
  slot->state = 1;
  slot->mask = 0;
  slot->countdown = 4;
}

void MessageLayer::OnXferData(RfAddress source, int length, const uint8_t* payload) {
  ReceiverSlot& slot = receivers_[0];
  if (source == 0 || source != slot.source || length < 2) return;
  const int index = payload[0];
  const int d = length - 1;
  int stride = slot.stride;
  int expected = slot.expected;
  uint16_t mask = slot.mask;
  if (stride == 0 || d > stride) {
    if (stride != 0) mask = 0;
    stride = d;
    expected = (slot.total - 1 + d) / d;
  }
  // A fragment with no place in the 16 x stride buffer, or reaching past 560 bytes, is ignored
  // whole: it changes neither the stride nor the mask.
  if (index >= kMaxXferFragments || stride * index + d > kMaxLongTransfer) return;
  slot.stride = stride;
  slot.expected = static_cast<uint16_t>(expected);
  slot.mask = static_cast<uint16_t>(mask | (1u << index));
  std::memcpy(slot.data.data() + stride * index, payload + 1, static_cast<size_t>(d));
  slot.state = 1;
  slot.countdown = 4;
}

void MessageLayer::OnXferEnd(RfAddress source, int length, const uint8_t* payload) {
  ReceiverSlot& slot = receivers_[0];
  if (source == 0 || source != slot.source || length < 1) return;
  const uint8_t id = payload[0];
  if (slot.total == 0) {
    SendRefuse(id, 1, 0);
    return;
  }
  if (id != slot.id) {
    SendRefuse(id, 2, slot.id);
    return;
  }
  uint8_t status[5] = {MSG_XFER_STATUS, 3, id, 0, 0};
  PutU16(status + 3, slot.mask);
  Enqueue(status, sizeof status);
  if (slot.mask != FullMask(slot.expected)) return;

  // Deliver from a copy with the slot already released: the delivered messages may themselves
  // start a new transfer into this very slot.
  uint8_t delivered[kMaxLongTransfer];
  const int n = std::min<int>(slot.total, kMaxLongTransfer);
  std::memcpy(delivered, slot.data.data(), static_cast<size_t>(n));
  const RfAddress from = slot.source;
  ReleaseReceiver(slot);
  ProcessBuffer(from, delivered, n);
}

// ---------------------------------------------------------------------------------------------
// Plain fragments

void MessageLayer::OnFragment(RfAddress address, uint8_t type, int length, const uint8_t* payload) {
  if (type == MSG_FRAG_FIRST) {
    if (length > kReassemblyBytes) return;
    std::memcpy(reassembly_.data(), payload, static_cast<size_t>(length));
    held_ = length;
    return;
  }
  if (held_ + length > kReassemblyBytes) return;
  std::memcpy(reassembly_.data() + held_, payload, static_cast<size_t>(length));
  held_ += length;
  if (type == MSG_FRAG_LAST) {
    // Split a copy: fragments inside the reassembled buffer write into the reassembly buffer.
    // The sequence is consumed, so a last fragment inside it starts from empty; kept, it would
    // re-deliver the same bytes to itself without end.
    uint8_t message[kReassemblyBytes];
    const int n = held_;
    std::memcpy(message, reassembly_.data(), static_cast<size_t>(n));
    held_ = 0;
    ProcessBuffer(address, message, n);
  }
}

// ---------------------------------------------------------------------------------------------
// Splitting and dispatch

void MessageLayer::ProcessBuffer(RfAddress address, const uint8_t* buffer, int length) {
  // Buffers nest (a report holds a radio frame holding fragments ...) a few levels deep at
  // most; a deeper nest is hostile input and is not followed.
  if (depth_ >= kMaxNesting) return;
  ++depth_;
  SplitBuffer(address, buffer, length);
  --depth_;
}

void MessageLayer::SplitBuffer(RfAddress address, const uint8_t* buffer, int length) {
  int remaining = length;
  while (remaining > 0 && buffer[0] != 0) {
    // A type byte with no length byte after it is a damaged tail: stop.
    if (remaining < 2) return;
    const int payload = buffer[1] == kLengthToEnd ? remaining - 2 : buffer[1];
    // A length byte promising more than remains is dropped, not clamped: a truncated register
    // block or fragment would pass on wrong data. Nothing can follow it anyway.
    if (payload > remaining - 2) return;
    HandleMsg(address, buffer[0], payload, buffer + 2);
    if (remaining <= payload + 2) return;
    buffer += payload + 2;
    remaining -= payload + 2;
  }
}

void MessageLayer::HandleMsg(RfAddress address, uint8_t type, int length, const uint8_t* payload) {
  if (length < 0 || (length > 0 && payload == nullptr)) return;

  RegisterContent reg;
  const bool is_data = DecodeRegisterData(type, length, payload, reg);
  const bool is_ack = (type == MSG_REG_WRITE_ACK || type == MSG_CACHE_WRITE_ACK) && length >= 4;
  const bool ack_ok = is_ack && payload[3] == 0;

  // 1. Request-queue bookkeeping; the message goes on down the list.
  if (bookkeeping_ != nullptr) {
    if (is_data) bookkeeping_->OnReadAnswer(address, type, reg.first, reg.count);
    if (ack_ok) bookkeeping_->OnWriteAnswer(address, type, GetU16(payload), payload[2]);
  }

  // 2. An open firmware-update dialog sees everything first; what it declines skips step 3.
  bool to_dialogs = true;
  if (firmware_ != nullptr) {
    if (firmware_->OfferMessage(address, type, length, payload)) return;
    to_dialogs = false;
  }

  // 3. Register data and acknowledgements from devices reach the open dialogs.
  if (to_dialogs && !IsDongleLocal(address)) {
    if (is_data && modbus_ != nullptr && IsModbusDataType(type) && modbus_->ShowsDevice(address)) {
      modbus_->OnModbusRegisters(reg.first, std::span<const uint16_t>(reg.words, reg.count));
    }
    if (fan_out_ != nullptr) {
      if (is_data) {
        const bool cached = IsCacheType(type);
        fan_out_->OnRegisterData(address, cached ? CacheRegister(reg.first) : reg.first, reg.count,
                                 reg.words, cached);
      } else if (is_ack) {
        const bool cached = type == MSG_CACHE_WRITE_ACK;
        const uint16_t first = cached ? CacheRegister(GetU16(payload)) : GetU16(payload);
        if (ack_ok) {
          fan_out_->OnWriteAck(address, first, payload[2], cached);
        } else {
          fan_out_->OnWriteRefused(address, first, payload[2], payload[3], cached);
        }
      }
    }
  }

  // 4. A node's log.
  if (type == MSG_LOG && length >= 1 && payload[0] == 1) {
    if (log_ != nullptr) {
      log_->OnDeviceLog(address, std::span<const uint8_t>(payload + 1, length - 1));
    }
    return;
  }

  // 5. Radio frames carry messages of the node that sent them. A payload shorter than the
  // 5-byte frame header carries nothing.
  if (type == MSG_RF_FRAME) {
    if (length >= 5) ProcessBuffer(GetU32(payload), payload + 5, length - 5);
    return;
  }

  // 6. By type.
  switch (type) {
    case MSG_FRAG_FIRST:
    case MSG_FRAG_NEXT:
    case MSG_FRAG_LAST:
      OnFragment(address, type, length, payload);
      return;
    case MSG_XFER_START:
      OnXferStart(address, length, payload);
      return;
    case MSG_XFER_DATA:
      OnXferData(address, length, payload);
      return;
    case MSG_XFER_END:
      OnXferEnd(address, length, payload);
      return;
    case MSG_XFER_STATUS:
      OnXferStatus(address, length, payload);
      return;
    case MSG_XFER_REFUSE:
      OnXferRefuse(address, length, payload);
      return;
    case MSG_TRAFFIC:
      if (heard_ != nullptr && length >= 11) {
        TrafficFrame frame;
        frame.source = GetU32(payload);
        frame.destination = GetU32(payload + 4);
        frame.frame_id = GetU16(payload + 8);
        frame.rssi = static_cast<int8_t>(payload[10]);
        frame.bytes = std::span<const uint8_t>(payload + 11, length - 11);
        heard_->OnTraffic(address, frame);
      }
      return;
    default:
      break;
  }
  if (is_data && !IsCacheType(type) && dongle_ != nullptr) {
    dongle_->OnDongleRegisters(address, reg.first, reg.count, reg.words);
  }
}

// ---------------------------------------------------------------------------------------------

void MessageLayer::LongTransferTick() {
  for (auto& slot : senders_) {
    if (slot.countdown > 0 && --slot.countdown == 0) OnSenderExpired(slot);
  }
  for (auto& slot : receivers_) {
    if (slot.countdown > 0 && --slot.countdown == 0) ReleaseReceiver(slot);
  }
}

}  // namespace corvane

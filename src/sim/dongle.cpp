#include "sim/dongle.h"

#include <algorithm>
#include <cstring>

#include "link/messages.h"
#include "model/le.h"
#include "model/type_table.h"

namespace corvane::sim {
namespace {

constexpr int kXferData = 61;
constexpr SimTime kLongOutTimeoutMs = 1000;
constexpr SimTime kLongOutRetryMs = 300;
constexpr SimTime kLongInIdleMs = 2000;
constexpr int kLongOutAttempts = 8;
constexpr uint8_t kActivationValid = 0x80;
constexpr uint8_t kActivationWaiting = 0x01;
constexpr uint8_t kAccessSleeping = 0x10;
constexpr uint8_t kAccessEnd = 0x20;

bool DongleWritable(int r) {
  using namespace dongle_reg;
  return (r >= kPassword && r <= kFrequencyPower) || r == kAccessMode || r == kAccessParameter ||
         r == kTarget || r == kTarget + 1 || r == kListState || r == kInUse ||
         (r >= kProjectList && r < kCount);
}

bool Overlaps(int first, int count, int lo, int end) { return first < end && first + count > lo; }

}  // namespace

SimDongle::SimDongle(const DongleIdentity& identity, SimContext& context, HostLink& host)
    : identity_(identity), context_(context), host_(host), boot_(ADDR_DONGLE) {
  BootloaderIdentity boot;
  boot.number = 203;
  boot.restart_ms = 100;
  boot.rf_calibration = static_cast<int16_t>(identity.rf_address % 21) - 10;
  boot.device_name = "USB DONGLE";
  boot.hardware_name = "DONGLE HW 3";
  boot.firmware_name = "DONGLE APP";
  boot_.Setup(boot, identity.firmware);
  boot_.Attach(context_, [this](uint16_t version) {
    // The new application keeps the connection and its settings; it only says what it is now.
    identity_.firmware = version;
    regs_[dongle_reg::kFirmware] = version;
  });
  PowerOn();
}

void SimDongle::PowerOn() {
  using namespace dongle_reg;
  regs_.fill(0);
  regs_[0] = 0xF0FF;
  boot_.Reset();
  identity_.firmware = boot_.application_version();
  regs_[kFirmware] = identity_.firmware;
  regs_[kDeviceId] = 0x0FFF;
  regs_[kHardware] = 3;
  const char name[] = "USB dongle";
  for (int i = 0; i < 8; ++i) {
    const uint8_t a = static_cast<uint8_t>(2 * i < 10 ? name[2 * i] : 0);
    const uint8_t b = static_cast<uint8_t>(2 * i + 1 < 10 ? name[2 * i + 1] : 0);
    regs_[static_cast<size_t>(kName + i)] = static_cast<uint16_t>(a | (b << 8));
  }
  regs_[kAddress] = static_cast<uint16_t>(identity_.rf_address);
  regs_[kAddress + 1] = static_cast<uint16_t>(identity_.rf_address >> 16);
  regs_[kFrequencyPower] = 0x0100;
  regs_[kBackgroundRssi] = static_cast<uint8_t>(-97);
  regs_[kAccessMode] = 32;
  regs_[kAccessParameter] = 22;
  power_on_ = context_.Now();
  ++power_generation_;
  air_ms_this_second_ = 0;
  heard_count_ = 0;
  held_count_ = 0;
  target_last_heard_ = -1;
  sleeping_target_ = false;
  reassembling_ = false;
  reassembly_held_ = 0;
  in_active_ = false;
  in_refused_ = false;
  out_count_ = 0;
  out_active_ = false;
  ++out_timer_;
  loss_seen_ = false;
}

void SimDongle::Violation(const std::string& text) { context_.Violation(ADDR_DONGLE, text); }

// ---------------------------------------------------------------------------------------------
// From the tool

void SimDongle::FromHost(const uint8_t* report, int length) {
  if (boot_.mode() == Bootloader::Mode::kRestarting) {
    // Restarting: the report is lost, and a broken sequence afterwards is not the tool's fault.
    loss_seen_ = true;
    return;
  }
  if (length < 1 || length > kReportBytes) {
    Violation("report of " + std::to_string(length) + " bytes");
    return;
  }
  int messages = 0;
  const bool whole =
      ForEachMessage(report, length, [&](uint8_t, int, const uint8_t*) { ++messages; });
  if (!whole) {
    Violation(TypeLabel(report[0]) + " runs past the end of its report");
    return;
  }
  if (messages > 1) Violation("report carries " + std::to_string(messages) + " messages");
  HandleHostBuffer(report, length, "report");
}

void SimDongle::HandleHostBuffer(const uint8_t* buffer, int length, const char* origin) {
  const bool whole =
      ForEachMessage(buffer, length, [&](uint8_t type, int size, const uint8_t* payload) {
        HandleHostMessage(type, size, payload);
      });
  if (!whole) Violation(std::string("last message runs past the end of its ") + origin);
}

bool SimDongle::BootloaderTakes(uint8_t type) const {
  switch (type) {
    case MSG_POLL:
    case MSG_REG_READ:
    case MSG_XFER_START:
    case MSG_XFER_DATA:
    case MSG_XFER_END:
    case MSG_XFER_STATUS:
    case MSG_XFER_REFUSE:
    case MSG_FW_CMD:
    case MSG_FW_BLOCK:
      return true;
    default:
      return false;
  }
}

void SimDongle::HandleFirmware(uint8_t type, int length, const uint8_t* payload) {
  if (type == MSG_FW_CMD) {
    if (length != 1 || !boot_.Command(payload[0])) {
      Violation("MSG_FW_CMD of " + std::to_string(length) + " bytes, command " +
                std::to_string(length > 0 ? payload[0] : -1));
    }
    return;
  }
  MessageBuilder answer;
  boot_.Block(length, payload, answer);
  if (!answer.empty()) SendToHost(answer.data(), answer.length());
}

void SimDongle::HandleHostMessage(uint8_t type, int length, const uint8_t* payload) {
  if (!boot_.in_application() && !BootloaderTakes(type)) return;
  switch (type) {
    case MSG_POLL:
      if (length != 0) Violation("MSG_POLL with payload length " + std::to_string(length));
      return;
    case MSG_REG_READ:
      HandleRead(length, payload);
      return;
    case MSG_REG_WORD:
    case MSG_REG_BLOCK:
      HandleWrite(type, length, payload);
      return;
    case MSG_RF_SEND:
      HandleRfSend(length, payload);
      return;
    case MSG_FRAG_FIRST:
    case MSG_FRAG_NEXT:
    case MSG_FRAG_LAST:
      HandleFragment(type, length, payload);
      return;
    case MSG_XFER_START:
      HandleXferStart(length, payload);
      return;
    case MSG_XFER_DATA:
      HandleXferData(length, payload);
      return;
    case MSG_XFER_END:
      HandleXferEnd(length, payload);
      return;
    case MSG_XFER_STATUS:
      HandleXferStatus(length, payload);
      return;
    case MSG_XFER_REFUSE:
      HandleXferRefuse(length, payload);
      return;
    case MSG_FW_CMD:
    case MSG_FW_BLOCK:
      HandleFirmware(type, length, payload);
      return;
    default:
      Violation(TypeLabel(type) + " is not a message for the dongle");
      return;
  }
}

void SimDongle::HandleRead(int length, const uint8_t* payload) {
  if (length != 3) {
    Violation("MSG_REG_READ with payload length " + std::to_string(length) + ", expected 3");
    return;
  }
  const int first = GetU16(payload);
  const int count = payload[2];
  if (count >= 1 && boot_.CoversInfo(first, count)) {
    SendRegisters(static_cast<uint16_t>(first), count);
    return;
  }
  if (count < 1 || count > 250 || first + count > dongle_reg::kCount) {
    Violation("dongle read of " + std::to_string(count) + " registers from " +
              std::to_string(first));
    return;
  }
  if (Overlaps(first, count, dongle_reg::kHeardList, dongle_reg::kHeardListEnd)) {
    RefreshHeardList();
  }
  SendRegisters(static_cast<uint16_t>(first), count);
}

void SimDongle::SendRegisters(uint16_t first, int count) {
  uint16_t words[250];
  for (int i = 0; i < count; ++i) {
    const int reg = first + i;
    words[i] = boot_.Register(reg, reg < dongle_reg::kCount ? regs_[static_cast<size_t>(reg)] : 0);
  }
  MessageBuilder answer;
  answer.AddRegisters(MSG_REG_BLOCK, MSG_REG_WORD, first, words, count);
  SendToHost(answer.data(), answer.length());
}

void SimDongle::HandleWrite(uint8_t type, int length, const uint8_t* payload) {
  using namespace dongle_reg;
  uint16_t first = 0;
  int count = 0;
  std::string problem;
  if (!ParseRegisterWrite(type, length, payload, first, count, problem)) {
    Violation(problem);
    return;
  }
  if (first + count > kCount) {
    Violation("dongle write of " + std::to_string(count) + " registers from " +
              std::to_string(first));
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (!DongleWritable(first + i)) {
      Violation("write to read-only dongle register " + std::to_string(first + i));
      MessageBuilder ack;
      ack.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 1);
      SendToHost(ack.data(), ack.length());
      return;
    }
  }
  const uint8_t* values = type == MSG_REG_WORD ? payload + 2 : payload + 3;
  const RfAddress old_target = WordsToU32(regs_[kTarget], regs_[kTarget + 1]);
  for (int i = 0; i < count; ++i) regs_[static_cast<size_t>(first + i)] = GetU16(values + 2 * i);

  const RfAddress target = WordsToU32(regs_[kTarget], regs_[kTarget + 1]);
  // The sleeping-target bit lasts for the whole access: the flushed reads of a device dialog
  // rewrite the mode (6) without it, and only the end of the access (bit 5) clears it.
  const bool was_sleeping = sleeping_target_;
  if (Overlaps(first, count, kAccessMode, kAccessMode + 1)) {
    if (regs_[kAccessMode] & kAccessSleeping) {
      sleeping_target_ = true;
    } else if (regs_[kAccessMode] & kAccessEnd) {
      sleeping_target_ = false;
    }
  }
  if (target != old_target || (was_sleeping && !sleeping_target_)) {
    // A new access starts afresh: nothing is held and no activation is pending.
    held_count_ = 0;
    target_last_heard_ = -1;
    regs_[kActivation] = 0;
  }
  if (Overlaps(first, count, kListState, kListState + 1) && regs_[kListState] == 1) {
    heard_count_ = 0;
  }
  MessageBuilder ack;
  ack.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 0);
  SendToHost(ack.data(), ack.length());
}

void SimDongle::HandleRfSend(int length, const uint8_t* payload) {
  const std::string problem = CheckNodeMessage(MSG_RF_SEND, length, payload);
  if (!problem.empty()) {
    Violation(problem);
    return;
  }
  const RfAddress to = GetU32(payload);
  if (to == 0 || IsDongleLocal(to)) {
    Violation("MSG_RF_SEND to " + Hex(to, 8));
    return;
  }
  const uint8_t* inner = payload + 4;
  const int inner_length = inner[1] == kLengthToEnd ? length - 4 : inner[1] + 2;
  const RfAddress target = WordsToU32(regs_[dongle_reg::kTarget], regs_[dongle_reg::kTarget + 1]);
  if (to == target && sleeping_target_ && !TargetAwake()) {
    // The target sleeps: keep the message until it is heard, and say so.
    if (held_count_ == kHeldMessages) {
      std::move(held_.begin() + 1, held_.end(), held_.begin());
      --held_count_;
    }
    HeldMessage& held = held_[static_cast<size_t>(held_count_++)];
    held.length = inner_length;
    std::memcpy(held.bytes.data(), inner, static_cast<size_t>(inner_length));
    if (activation_state() != (kActivationValid | kActivationWaiting)) {
      PushActivation(kActivationValid | kActivationWaiting);
    }
    return;
  }
  TransmitToNode(to, FrameKind::kRequest, inner, inner_length);
}

void SimDongle::HandleFragment(uint8_t type, int length, const uint8_t* payload) {
  auto sequence_error = [&](const std::string& text) {
    if (!loss_seen_) Violation(text);
  };
  if (type == MSG_FRAG_FIRST) {
    if (reassembling_) sequence_error("MSG_FRAG_FIRST before the previous sequence ended");
    if (length != 62) Violation("MSG_FRAG_FIRST of " + std::to_string(length) + " bytes");
    loss_seen_ = false;
    std::memcpy(reassembly_.data(), payload, static_cast<size_t>(std::min(length, 62)));
    reassembly_held_ = std::min(length, 62);
    reassembling_ = true;
    return;
  }
  if (!reassembling_) {
    sequence_error(TypeLabel(type) + " without MSG_FRAG_FIRST");
    return;
  }
  if ((type == MSG_FRAG_NEXT && length != 62) ||
      (type == MSG_FRAG_LAST && (length < 1 || length > 62))) {
    Violation(TypeLabel(type) + " of " + std::to_string(length) + " bytes");
    reassembling_ = false;
    return;
  }
  if (reassembly_held_ + length > kReassemblyBytes) {
    // After a lost report this is the next sequence's fragments run on into the broken one.
    sequence_error("fragments beyond " + std::to_string(kReassemblyBytes) + " bytes");
    reassembling_ = false;
    return;
  }
  std::memcpy(reassembly_.data() + reassembly_held_, payload, static_cast<size_t>(length));
  reassembly_held_ += length;
  if (type == MSG_FRAG_LAST) {
    reassembling_ = false;
    // A report of this sequence was lost: what it adds up to is not what the tool sent, and the
    // checks of the message would blame the tool for the loss. Nothing acts on it.
    if (loss_seen_) return;
    uint8_t message[kReassemblyBytes];
    const int n = reassembly_held_;
    std::memcpy(message, reassembly_.data(), static_cast<size_t>(n));
    if (n <= kReportBytes) Violation("fragmented message of " + std::to_string(n) + " bytes");
    HandleHostBuffer(message, n, "fragment sequence");
  }
}

void SimDongle::HandleXferStart(int length, const uint8_t* payload) {
  if (length != 3) {
    Violation("MSG_XFER_START with payload length " + std::to_string(length));
    return;
  }
  const uint8_t id = payload[0];
  const int total = GetU16(payload + 1);
  if (refusals_left_ > 0) {
    --refusals_left_;
    // Busy: the transfer id first and 3 in the fourth byte.
    const uint8_t refuse[4] = {id, 0, 0, 3};
    MessageBuilder answer;
    answer.Add(MSG_XFER_REFUSE, refuse, 4);
    SendToHost(answer.data(), answer.length());
    in_active_ = false;
    in_refused_ = true;
    in_id_ = id;
    return;
  }
  if (total <= kReportBytes || total > 560) {
    Violation("MSG_XFER_START announcing " + std::to_string(total) + " bytes");
    return;
  }
  loss_seen_ = false;
  in_active_ = true;
  in_refused_ = false;
  in_id_ = id;
  in_total_ = total;
  in_mask_ = 0;
  in_last_activity_ = context_.Now();
}

void SimDongle::HandleXferData(int length, const uint8_t* payload) {
  if (in_refused_) return;
  if (!in_active_ || context_.Now() - in_last_activity_ > kLongInIdleMs) {
    in_active_ = false;
    if (!loss_seen_) Violation("MSG_XFER_DATA without MSG_XFER_START");
    return;
  }
  const int index = length >= 1 ? payload[0] : -1;
  const int d = length - 1;
  const int fragments = (in_total_ + kXferData - 1) / kXferData;
  const int expected = index == fragments - 1 ? in_total_ - kXferData * (fragments - 1) : kXferData;
  if (index < 0 || index >= fragments || d != expected) {
    Violation("MSG_XFER_DATA fragment " + std::to_string(index) + " of " + std::to_string(d) +
              " bytes in a transfer of " + std::to_string(in_total_));
    return;
  }
  std::memcpy(in_buffer_.data() + kXferData * index, payload + 1, static_cast<size_t>(d));
  in_mask_ = static_cast<uint16_t>(in_mask_ | (1u << index));
  in_last_activity_ = context_.Now();
}

void SimDongle::HandleXferEnd(int length, const uint8_t* payload) {
  if (length != 1) {
    Violation("MSG_XFER_END with payload length " + std::to_string(length));
    return;
  }
  const uint8_t id = payload[0];
  if (in_refused_ && id == in_id_) return;
  if (!in_active_) {
    if (!loss_seen_) Violation("MSG_XFER_END without MSG_XFER_START");
    return;
  }
  if (id != in_id_) {
    Violation("MSG_XFER_END for transfer " + std::to_string(id) + " during transfer " +
              std::to_string(in_id_));
    return;
  }
  const uint8_t status[3] = {id, static_cast<uint8_t>(in_mask_),
                             static_cast<uint8_t>(in_mask_ >> 8)};
  MessageBuilder answer;
  answer.Add(MSG_XFER_STATUS, status, 3);
  SendToHost(answer.data(), answer.length());
  const int fragments = (in_total_ + kXferData - 1) / kXferData;
  if (in_mask_ != (1u << fragments) - 1) return;
  in_active_ = false;
  uint8_t message[560];
  const int n = in_total_;
  std::memcpy(message, in_buffer_.data(), static_cast<size_t>(n));
  HandleHostBuffer(message, n, "long transfer");
}

// ---------------------------------------------------------------------------------------------
// Long transfers to the tool

void SimDongle::SendToHost(const uint8_t* message, int length) {
  if (length <= kReportBytes) {
    host_.ToHost(message, length);
    return;
  }
  if (!options_.acknowledged_answers || length > 560) {
    SendFragments(message, length);
    return;
  }
  if (out_count_ == kQueuedLong) return;  // no room: the answer is lost, the tool retries
  LongOut& slot = out_queue_[static_cast<size_t>((out_head_ + out_count_) % kQueuedLong)];
  slot.length = length;
  std::memcpy(slot.bytes.data(), message, static_cast<size_t>(length));
  ++out_count_;
  StartLongOut();
}

void SimDongle::SendFragments(const uint8_t* message, int length) {
  uint8_t fragment[kReportBytes];
  int position = 0;
  while (position < length) {
    const int left = length - position;
    const int n = std::min(left, 62);
    fragment[0] = position == 0 ? MSG_FRAG_FIRST : (left > 62 ? MSG_FRAG_NEXT : MSG_FRAG_LAST);
    fragment[1] = static_cast<uint8_t>(n);
    std::memcpy(fragment + 2, message + position, static_cast<size_t>(n));
    host_.ToHost(fragment, n + 2);
    position += n;
  }
}

void SimDongle::StartLongOut() {
  if (out_active_ || out_count_ == 0) return;
  out_active_ = true;
  out_retries_ = kLongOutAttempts;
  SendLongOutFragments(0);
}

void SimDongle::SendLongOutFragments(uint16_t skip_mask) {
  const LongOut& out = out_queue_[static_cast<size_t>(out_head_)];
  const int fragments = (out.length + kXferData - 1) / kXferData;
  if (skip_mask == 0) {
    const uint8_t start[3] = {out_id_, static_cast<uint8_t>(out.length),
                              static_cast<uint8_t>(out.length >> 8)};
    MessageBuilder m;
    m.Add(MSG_XFER_START, start, 3);
    host_.ToHost(m.data(), m.length());
  }
  for (int i = 0; i < fragments; ++i) {
    if ((skip_mask & (1u << i)) != 0) continue;
    const int d = std::min(kXferData, out.length - kXferData * i);
    uint8_t data[1 + kXferData];
    data[0] = static_cast<uint8_t>(i);
    std::memcpy(data + 1, out.bytes.data() + kXferData * i, static_cast<size_t>(d));
    MessageBuilder m;
    m.Add(MSG_XFER_DATA, data, d + 1);
    host_.ToHost(m.data(), m.length());
  }
  const uint8_t end[1] = {out_id_};
  MessageBuilder m;
  m.Add(MSG_XFER_END, end, 1);
  host_.ToHost(m.data(), m.length());
  ArmLongOutTimer();
}

void SimDongle::ArmLongOutTimer() {
  const uint64_t armed = ++out_timer_;
  const uint64_t generation = power_generation_;
  context_.At(context_.Now() + kLongOutTimeoutMs, [this, armed, generation] {
    if (armed != out_timer_ || generation != power_generation_ || !out_active_) return;
    if (--out_retries_ > 0) {
      SendLongOutFragments(0);
      return;
    }
    // Given up: the tool's own request timeout asks again.
    out_active_ = false;
    out_head_ = (out_head_ + 1) % kQueuedLong;
    --out_count_;
    StartLongOut();
  });
}

void SimDongle::HandleXferStatus(int length, const uint8_t* payload) {
  if (length != 3) {
    Violation("MSG_XFER_STATUS with payload length " + std::to_string(length));
    return;
  }
  if (!out_active_ || payload[0] != out_id_) return;  // late status of a finished transfer
  const LongOut& out = out_queue_[static_cast<size_t>(out_head_)];
  const int fragments = (out.length + kXferData - 1) / kXferData;
  const uint16_t full = static_cast<uint16_t>((1u << fragments) - 1);
  const uint16_t mask = GetU16(payload + 1);
  if ((mask & full) == full) {
    ++out_id_;
    ++out_timer_;
    out_active_ = false;
    out_head_ = (out_head_ + 1) % kQueuedLong;
    --out_count_;
    StartLongOut();
    return;
  }
  SendLongOutFragments(mask);
}

void SimDongle::HandleXferRefuse(int length, const uint8_t* payload) {
  if (length < 3) {
    Violation("MSG_XFER_REFUSE with payload length " + std::to_string(length));
    return;
  }
  if (!out_active_ || payload[0] != out_id_) return;
  // The tool is still busy with an earlier transfer: start again a little later.
  const uint64_t armed = ++out_timer_;
  const uint64_t generation = power_generation_;
  context_.At(context_.Now() + kLongOutRetryMs, [this, armed, generation] {
    if (armed != out_timer_ || generation != power_generation_ || !out_active_) return;
    if (--out_retries_ > 0) SendLongOutFragments(0);
  });
}

// ---------------------------------------------------------------------------------------------
// Radio side

void SimDongle::TransmitToNode(RfAddress to, FrameKind kind, const uint8_t* message, int length) {
  AirFrame frame;
  frame.source = identity_.rf_address;
  frame.destination = to;
  frame.kind = kind;
  frame.sequence = sequence_++;
  frame.Append(message, length);
  ++frames_sent_;
  context_.Transmit(frame);
}

bool SimDongle::TargetAwake() const {
  return target_last_heard_ >= 0 && context_.Now() - target_last_heard_ < options_.target_awake_ms;
}

void SimDongle::ReleaseHeld() {
  const RfAddress target = WordsToU32(regs_[dongle_reg::kTarget], regs_[dongle_reg::kTarget + 1]);
  for (int i = 0; i < held_count_; ++i) {
    const HeldMessage& held = held_[static_cast<size_t>(i)];
    TransmitToNode(target, FrameKind::kRequest, held.bytes.data(), held.length);
  }
  held_count_ = 0;
  PushActivation(kActivationValid);
}

void SimDongle::PushActivation(uint8_t state) {
  regs_[dongle_reg::kActivation] = static_cast<uint16_t>(state << 8);
  SendRegisters(dongle_reg::kActivation, 1);
}

void SimDongle::Hear(const AirFrame& frame, int8_t rssi) {
  if (IsDongleLocal(frame.source) || !boot_.in_application()) return;
  NoteHeard(frame.source, rssi);

  if (frame.destination == identity_.rf_address && frame.kind == FrameKind::kAnswer) {
    MessageBuilder answer;
    answer.AddRfFrame(frame.source, frame.sequence, frame.payload.data(), frame.length);
    SendToHost(answer.data(), answer.length());
  }

  // One MSG_TRAFFIC per frame, with as many of the frame's bytes as fit one report.
  uint8_t traffic[kReportBytes - 2];
  PutU32(traffic, frame.source);
  PutU32(traffic + 4, frame.destination);
  PutU16(traffic + 8, traffic_id_++);
  traffic[10] = static_cast<uint8_t>(rssi);
  const int bytes = frame.Serialize(traffic + 11, static_cast<int>(sizeof traffic) - 11);
  MessageBuilder report;
  report.Add(MSG_TRAFFIC, traffic, 11 + bytes);
  SendToHost(report.data(), report.length());

  const RfAddress target = WordsToU32(regs_[dongle_reg::kTarget], regs_[dongle_reg::kTarget + 1]);
  if (frame.source == target) {
    target_last_heard_ = context_.Now();
    if (held_count_ > 0) {
      ReleaseHeld();
    } else if (sleeping_target_ && frame.kind == FrameKind::kStatus) {
      // Keep the woken target listening for the rest of the access.
      TransmitToNode(target, FrameKind::kKeepAwake, nullptr, 0);
    }
  }
}

void SimDongle::NoteHeard(RfAddress source, int8_t rssi) {
  int index = -1;
  for (int i = 0; i < heard_count_; ++i) {
    if (heard_[static_cast<size_t>(i)].address == source) index = i;
  }
  if (index < 0) {
    if (heard_count_ < kHeardEntries) {
      index = heard_count_++;
    } else {
      // Full: the device heard longest ago makes room.
      index = 0;
      for (int i = 1; i < heard_count_; ++i) {
        if (heard_[static_cast<size_t>(i)].last_heard <
            heard_[static_cast<size_t>(index)].last_heard) {
          index = i;
        }
      }
    }
  }
  HeardEntry& entry = heard_[static_cast<size_t>(index)];
  entry.address = source;
  entry.last_heard = context_.Now();
  entry.rssi = rssi;
  // Marks devices that sleep and must be woken before they answer.
  entry.flag = Listens(source) ? 0 : 1;
}

void SimDongle::RefreshHeardList() {
  using namespace dongle_reg;
  std::fill(regs_.begin() + kHeardList, regs_.begin() + kHeardListEnd, 0);
  regs_[kHeardList] = static_cast<uint16_t>(heard_count_);
  for (int i = 0; i < heard_count_; ++i) {
    const HeardEntry& e = heard_[static_cast<size_t>(i)];
    const size_t at = static_cast<size_t>(kHeardList + 1 + 4 * i);
    const SimTime seconds = (context_.Now() - e.last_heard) / 1000;
    regs_[at] = static_cast<uint16_t>(e.address);
    regs_[at + 1] = static_cast<uint16_t>(e.address >> 16);
    regs_[at + 2] = static_cast<uint16_t>(std::min<SimTime>(seconds, 0xFFFF));
    regs_[at + 3] = static_cast<uint16_t>(static_cast<uint8_t>(e.rssi) | (e.flag << 8));
  }
}

void SimDongle::SecondTick() {
  using namespace dongle_reg;
  const uint32_t up = static_cast<uint32_t>((context_.Now() - power_on_) / 1000);
  regs_[kUptime] = static_cast<uint16_t>(up);
  regs_[kUptime + 1] = static_cast<uint16_t>(up >> 16);
  const int background = -100 + static_cast<int>(context_.Random() % 9);
  regs_[kBackgroundRssi] = static_cast<uint8_t>(static_cast<int8_t>(background));
  // Tenths of a percent of the last second spent on the air.
  regs_[kBandwidth] = static_cast<uint16_t>(std::min(1000, air_ms_this_second_));
  air_ms_this_second_ = 0;
}

}  // namespace corvane::sim

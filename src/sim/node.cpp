#include "sim/node.h"

#include <algorithm>

#include "link/messages.h"
#include "model/le.h"
#include "model/type_table.h"

namespace corvane::sim {

SimNode::SimNode(RfAddress address, const NodeSettings& settings)
    : settings_(settings),
      address_(address),
      listens_(Listens(address)),
      random_(settings.seed ^ (static_cast<uint64_t>(address) * 0x9E3779B97F4A7C15ull)),
      ram_(static_cast<size_t>(std::max(32, (RecordSize(address) + 1) / 2)), 0),
      eeprom_(ram_.size(), 0),
      boot_(address) {}

void SimNode::Start(SimContext& context) {
  context_ = &context;
  boot_time_ = context.Now();
  uptime_base_ = static_cast<uint32_t>(random_.Below(2'000'000));
  InitRegisters();
  UpdateLive();
  eeprom_ = ram_;
  SetUpBootloader();
  // One power-on entry in the device log; the second looks like an earlier watchdog reset.
  log_[0] = {0, 0x08, 0x5A, 0x01, 0x00, 0x00, 0, 0};
  log_[1] = {1, 0x40, 0x5A, 0x02, 0x10, 0x00, 0, 0};
  PutU16(log_[1].data() + 6, static_cast<uint16_t>(uptime_base_ / 3600));
  log_count_ = 2;
  if (settings_.status_period_ms > 0) {
    // Spread the nodes over the period so they do not all transmit at once.
    SchedulePeriodic(static_cast<SimTime>(random_.Below(settings_.status_period_ms)) + 1);
  }
}

bool SimNode::Awake() const {
  // A bootloader keeps its receiver on: it waits for blocks.
  return listens() || boot_.in_bootloader() ||
         (context_ != nullptr && context_->Now() <= awake_until_);
}

uint32_t SimNode::uptime_seconds() const {
  const SimTime now = context_ == nullptr ? 0 : context_->Now();
  return uptime_base_ + static_cast<uint32_t>((now - boot_time_) / 1000);
}

void SimNode::SetName(std::string_view name) {
  for (int i = 0; i < 8; ++i) {
    const size_t lo = static_cast<size_t>(2 * i);
    const uint8_t a = lo < name.size() ? static_cast<uint8_t>(name[lo]) : 0;
    const uint8_t b = lo + 1 < name.size() ? static_cast<uint8_t>(name[lo + 1]) : 0;
    word(kWordName + i) = static_cast<uint16_t>(a | (b << 8));
  }
}

void SimNode::InitRegisters() {
  const uint16_t t = type();
  word(kWordModelCode) = static_cast<uint16_t>(0xF000 | (t & 0x0FFF));
  word(kWordFirmware) = 402;
  word(kWordEepromControl) = kStored;
  word(kWordDeviceId) = static_cast<uint16_t>(address_ & 0xFFFF);
  word(kWordHardware) = static_cast<uint16_t>(100 + (t & 0xFF));
  std::u16string type_name = TypeName(address_, 0);
  std::string name;
  for (char16_t c : type_name) name.push_back(static_cast<char>(c));
  name += ' ' + std::to_string(address_ & 0xFFFFF);
  if (name.size() > 16) name.resize(16);
  SetName(name);
  // Frequency index 0, RF power code 1.
  word(kWordFrequencyPower) = 0x0100;
  word(kWordEepromWrites) = static_cast<uint16_t>(3 + random_.Below(40));
}

void SimNode::UpdateLive() {
  const uint32_t up = uptime_seconds();
  word(kWordUptime) = static_cast<uint16_t>(up);
  word(kWordUptime + 1) = static_cast<uint16_t>(up >> 16);
  const int background = -95 + static_cast<int>(random_.Below(8));
  word(kWordBackgroundRssi) = static_cast<uint16_t>(static_cast<uint8_t>(background));
  if (!listens()) {
    // Battery: 3.0 V falling by 0.1 V per 30 days of uptime, not below 2.2 V.
    const int tenths = std::max(22, 30 - static_cast<int>(up / (30u * 24 * 3600)));
    const int state = std::clamp((tenths - 22) * 10 / 8, 0, 10);
    word(kWordBattery) = static_cast<uint16_t>(tenths | (state << 8));
  }
}

bool SimNode::Writable(int w) const {
  return w != kWordModelCode && w != kWordFirmware && w != kWordUptime && w != kWordUptime + 1;
}

void SimNode::BuildStatus(MessageBuilder& status) {
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordEepromWrites,
                      ram_.data() + kWordEepromWrites, 5);
}

void SimNode::SchedulePeriodic(SimTime delay) {
  context_->At(context_->Now() + delay, [this] {
    TransmitStatus();
    const SimTime period = settings_.status_period_ms;
    if (period <= 0) return;
    const SimTime jitter = period / 20;
    SchedulePeriodic(period - jitter + static_cast<SimTime>(random_.Below(2 * jitter + 1)));
  });
}

void SimNode::TransmitStatus() {
  if (!boot_.in_application()) return;
  UpdateLive();
  MessageBuilder status;
  BuildStatus(status);
  Transmit(settings_.report_to, FrameKind::kStatus, status, 0);
  if (!listens()) {
    awake_until_ = std::max(awake_until_, context_->Now() + settings_.listen_window_ms);
  }
}

void SimNode::PressButton() {
  if (context_ == nullptr) return;
  TransmitStatus();
}

void SimNode::Replay(const AirFrame& frame) {
  replaying_ = true;
  Receive(frame);
  replaying_ = false;
}

bool SimNode::AnswerStoreAfterStoring(const AirFrame& frame) {
  if (replaying_) return false;
  int messages = 0;
  uint16_t first = 0;
  int count = 0;
  bool store = false;
  ForEachMessage(frame.payload.data(), frame.length,
                 [&](uint8_t type, int length, const uint8_t* payload) {
                   ++messages;
                   if (type != MSG_REG_WORD && type != MSG_REG_BLOCK) return;
                   std::string problem;
                   if (!ParseRegisterWrite(type, length, payload, first, count, problem)) return;
                   if (first > kWordEepromControl || first + count <= kWordEepromControl) return;
                   const uint8_t* values = payload + (type == MSG_REG_WORD ? 2 : 3);
                   store = (GetU16(values + 2 * (kWordEepromControl - first)) & kStoreRequest) != 0;
                 });
  if (!store || messages != 1) return false;
  // The write itself is taken as usual, but its immediate acknowledgement is addressed to the
  // node itself, which nobody receives; the real answer follows the store.
  AirFrame quiet = frame;
  quiet.source = address_;
  Replay(quiet);
  const RfAddress asker = frame.source;
  context_->At(context_->Now() + settings_.eeprom_store_ms + 1, [this, asker, first, count] {
    MessageBuilder answer;
    answer.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordEepromControl,
                        &word(kWordEepromControl), 1);
    answer.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 0);
    Transmit(asker, FrameKind::kAnswer, answer, settings_.rssi_at_dongle);
  });
  return true;
}

void SimNode::Transmit(RfAddress to, FrameKind kind, const MessageBuilder& messages,
                       int8_t link_rssi) {
  AirFrame frame;
  frame.source = address_;
  frame.destination = to;
  frame.kind = kind;
  frame.sequence = sequence_++;
  frame.link_rssi = link_rssi;
  frame.Append(messages.data(), messages.length());
  context_->Transmit(frame);
}

void SimNode::Violation(const std::string& text) { context_->Violation(address_, text); }

void SimNode::Receive(const AirFrame& frame) {
  if (context_ == nullptr || mute_ || !Awake()) return;
  if (!listens()) {
    awake_until_ = std::max(awake_until_, context_->Now() + settings_.awake_hold_ms);
  }
  if (frame.kind == FrameKind::kKeepAwake || frame.kind == FrameKind::kStatus) return;
  if (!boot_.in_application()) {
    ReceiveInBootloader(frame);
    return;
  }
  if (Intercept(frame)) return;
  UpdateLive();
  MessageBuilder answer;
  const bool whole = ForEachMessage(
      frame.payload.data(), frame.length, [&](uint8_t type, int length, const uint8_t* payload) {
        switch (type) {
          case MSG_REG_READ:
            if (length != 3) {
              Violation("MSG_REG_READ with payload length " + std::to_string(length));
              return;
            }
            HandleRead(payload, answer);
            return;
          case MSG_REG_WORD:
          case MSG_REG_BLOCK:
            HandleWrite(type, length, payload, answer);
            return;
          case MSG_LOG:
            if (length != 1 || payload[0] != 0) {
              Violation("MSG_LOG request must be [0]");
              return;
            }
            HandleLog(answer);
            return;
          case MSG_FW_CMD:
            if (length != 1 || !boot_.Command(payload[0])) {
              Violation("MSG_FW_CMD of " + std::to_string(length) + " bytes, command " +
                        std::to_string(length > 0 ? payload[0] : -1));
            }
            return;
          case MSG_FW_BLOCK:
            boot_.Block(length, payload, answer);
            return;
          default:
            if (!HandleOther(frame, type, length, payload, answer)) {
              Violation(TypeLabel(type) + " is not a message for a " + family() + " node");
            }
            return;
        }
      });
  if (!whole) Violation("frame whose last message runs past its end");
  if (!answer.empty()) {
    // The RSSI the node heard the asker with: the link is taken as symmetric.
    Transmit(frame.source, FrameKind::kAnswer, answer, settings_.rssi_at_dongle);
  }
}

void SimNode::HandleRead(const uint8_t* payload, MessageBuilder& answer) {
  const int first = GetU16(payload);
  const int count = payload[2];
  if (boot_.CoversInfo(first, count) ||
      (!boot_.in_application() && count >= 1 && first + count <= word_count())) {
    uint16_t words[250];
    for (int i = 0; i < count; ++i) {
      const int reg = first + i;
      words[i] = boot_.Register(reg, reg < word_count() ? ram_[static_cast<size_t>(reg)] : 0);
    }
    answer.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, static_cast<uint16_t>(first), words,
                        count);
    return;
  }
  if (count < 1 || count > 250 || first + count > word_count()) {
    Violation("read of " + std::to_string(count) + " registers from " + std::to_string(first) +
              " outside the " + std::to_string(word_count()) + "-word map");
    return;
  }
  answer.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, static_cast<uint16_t>(first),
                      ram_.data() + first, count);
}

void SimNode::HandleWrite(uint8_t type, int length, const uint8_t* payload,
                          MessageBuilder& answer) {
  uint16_t first = 0;
  int count = 0;
  std::string problem;
  if (!ParseRegisterWrite(type, length, payload, first, count, problem)) {
    Violation(problem);
    return;
  }
  if (first + count > word_count()) {
    Violation("write of " + std::to_string(count) + " registers from " + std::to_string(first) +
              " outside the " + std::to_string(word_count()) + "-word map");
    answer.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 1);
    return;
  }
  const uint8_t* values = type == MSG_REG_WORD ? payload + 2 : payload + 3;
  for (int i = 0; i < count; ++i) {
    const int w = first + i;
    if (Writable(w)) ram_[static_cast<size_t>(w)] = GetU16(values + 2 * i);
  }
  answer.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 0);
  OnWritten(first, count);
  if (first <= kWordEepromControl && kWordEepromControl < first + count &&
      (ram_[kWordEepromControl] & kStoreRequest) != 0 && !store_pending_) {
    // The stored flag goes down with the request and comes back once the EEPROM holds the record.
    ram_[kWordEepromControl] &= static_cast<uint16_t>(~kStored);
    store_pending_ = true;
    context_->At(context_->Now() + settings_.eeprom_store_ms, [this] { StoreEeprom(); });
  }
}

void SimNode::StoreEeprom() {
  store_pending_ = false;
  uint16_t& control = ram_[kWordEepromControl];
  control = static_cast<uint16_t>((control & ~kStoreRequest) | kStored);
  ++ram_[kWordEepromWrites];
  eeprom_ = ram_;
  ++eeprom_stores_;
}

void SimNode::SetUpBootloader() {
  BootloaderIdentity identity;
  // From the address, not the generator: the node's other random values stay as they were.
  identity.rf_calibration = static_cast<int16_t>(static_cast<int>(address_ % 81) - 40);
  std::string name;
  for (char16_t c : TypeName(address_, 0)) name.push_back(static_cast<char>(c));
  identity.device_name = name;
  identity.hardware_name = "HW " + std::to_string(word(kWordHardware));
  identity.firmware_name = name + " APP";
  boot_.Setup(identity, word(kWordFirmware));
  boot_.Attach(*context_, [this](uint16_t version) { word(kWordFirmware) = version; });
}

void SimNode::ReceiveInBootloader(const AirFrame& frame) {
  if (!boot_.in_bootloader()) return;  // restarting: nobody listens
  MessageBuilder answer;
  ForEachMessage(
      frame.payload.data(), frame.length, [&](uint8_t type, int length, const uint8_t* payload) {
        switch (type) {
          case MSG_REG_READ:
            if (length == 3) HandleRead(payload, answer);
            return;
          case MSG_FW_CMD:
            if (length != 1 || !boot_.Command(payload[0])) {
              Violation("MSG_FW_CMD to the bootloader of " + std::to_string(length) + " bytes");
            }
            return;
          case MSG_FW_BLOCK:
            boot_.Block(length, payload, answer);
            return;
          default:
            // The bootloader knows nothing else; the application is not running.
            return;
        }
      });
  if (!answer.empty()) Transmit(frame.source, FrameKind::kAnswer, answer, settings_.rssi_at_dongle);
}

void SimNode::HandleLog(MessageBuilder& answer) {
  uint8_t payload[1 + 8 * kLogRecords];
  payload[0] = 1;
  for (int i = 0; i < log_count_; ++i) {
    std::copy(log_[i].begin(), log_[i].end(), payload + 1 + 8 * i);
  }
  answer.Add(MSG_LOG, payload, 1 + 8 * log_count_);
}

}  // namespace corvane::sim

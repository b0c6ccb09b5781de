// The register-map node every simulated radio node builds on: a RAM register map sized by the
// type's configuration record, an EEPROM copy, the common header, reads and writes, the EEPROM
// store on register 2, the device log, periodic transmissions, and sleeping (nodes that do not
// listen hear frames only for a short while after they transmit, or while kept awake).
// Node families override the hooks to add their own behaviour.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/rf_address.h"
#include "sim/air_frame.h"
#include "sim/bootloader.h"
#include "sim/sim_context.h"
#include "sim/sim_random.h"
#include "sim/wire.h"

namespace corvane::sim {

// Common header words of every configuration record.
inline constexpr int kWordModelCode = 0;
inline constexpr int kWordFirmware = 1;
inline constexpr int kWordEepromControl = 2;
inline constexpr int kWordDeviceId = 5;
inline constexpr int kWordHardware = 6;
inline constexpr int kWordName = 8;
inline constexpr int kWordPassword = 18;
inline constexpr int kWordFrequencyPower = 26;
inline constexpr int kWordEepromWrites = 27;
inline constexpr int kWordUptime = 28;  // 28..29, seconds, low word first
inline constexpr int kWordBackgroundRssi = 30;
inline constexpr int kWordBattery = 31;  // low byte 0.1 V, high byte low nibble = tens of percent
// EEPROM control word: store request and stored flags in its high byte.
inline constexpr uint16_t kStoreRequest = 0x0100;
inline constexpr uint16_t kStored = 0x0200;

struct NodeSettings {
  int8_t rssi_at_dongle = -60;       // how strongly the dongle hears the node
  SimTime status_period_ms = 60000;  // periodic transmission; 0 = never transmits on its own
  SimTime listen_window_ms = 300;    // a sleeping node listens this long after transmitting
  SimTime awake_hold_ms = 20000;     // ... and this long after each frame it received
  SimTime eeprom_store_ms = 60;      // time the EEPROM store takes
  RfAddress report_to = 0;           // destination of status frames: 0 = broadcast
  uint64_t seed = 1;
};

class SimNode {
 public:
  static constexpr int kLogRecords = 4;

  SimNode(RfAddress address, const NodeSettings& settings);
  virtual ~SimNode() = default;
  SimNode(const SimNode&) = delete;
  SimNode& operator=(const SimNode&) = delete;

  // Fills the register map and schedules the first status frame.
  void Start(SimContext& context);

  RfAddress address() const { return address_; }
  uint16_t type() const { return TypeOf(address_); }
  virtual const char* family() const = 0;
  // Whether the node hears frames at any time (from the type table unless a family knows better).
  virtual bool listens() const { return listens_; }
  // Whether a frame arriving now would be heard.
  bool Awake() const;

  std::span<uint16_t> registers() { return ram_; }
  std::span<const uint16_t> registers() const { return ram_; }
  std::span<const uint16_t> eeprom() const { return eeprom_; }
  int word_count() const { return static_cast<int>(ram_.size()); }
  int8_t rssi_at_dongle() const { return settings_.rssi_at_dongle; }
  const NodeSettings& settings() const { return settings_; }
  void set_report_to(RfAddress to) { settings_.report_to = to; }
  void set_status_period(SimTime period) { settings_.status_period_ms = period; }
  int eeprom_stores() const { return eeprom_stores_; }
  uint32_t uptime_seconds() const;

  // The node's bootloader: firmware updates, injected flash faults.
  Bootloader& bootloader() { return boot_; }
  const Bootloader& bootloader() const { return boot_; }

  // A node that never answers (it still transmits its status frames).
  void set_mute(bool mute) { mute_ = mute; }
  bool mute() const { return mute_; }

  // The user presses the node's button: it wakes and transmits at once.
  virtual void PressButton();

  // A frame addressed to this node reaches it (heard only when awake).
  void Receive(const AirFrame& frame);
  // Routing nodes also hear frames of the nodes they route for, and output nodes those of their
  // control devices; they say which.
  virtual bool overhears() const { return false; }
  virtual bool OverhearsFrom(RfAddress /*source*/) const { return false; }
  virtual void Overhear(const AirFrame& /*frame*/) {}

  // Device name in words 8..15 (plain 8-bit text).
  void SetName(std::string_view name);

 protected:
  // Fills the header and family words. Called once by Start.
  virtual void InitRegisters();
  // Refreshes the values that change by themselves (uptime, battery, RSSI, measurements) before
  // they are answered or transmitted.
  virtual void UpdateLive();
  // What a status frame carries; by default register data of words 27..31.
  virtual void BuildStatus(MessageBuilder& status);
  // A message that is not a plain register access, log request or firmware command; returns
  // false when the family does not know the type (a protocol violation).
  virtual bool HandleOther(const AirFrame& /*frame*/, uint8_t /*type*/, int /*length*/,
                           const uint8_t* /*payload*/, MessageBuilder& /*answer*/) {
    return false;
  }
  // A frame the family takes whole before the register handling (a routing node's relayed
  // answers); true when taken.
  virtual bool Intercept(const AirFrame& /*frame*/) { return false; }
  // Words written by the tool (after they are stored in RAM).
  virtual void OnWritten(uint16_t /*first*/, int /*count*/) {}
  // Whether the tool may change a word; protected words keep their value and are acknowledged.
  virtual bool Writable(int word) const;

  // How the battery nodes' firmware answers a store request: a frame that is one write of the
  // EEPROM control word with the request bit is taken as usual, but the node answers only after
  // the store, with its control word and then the acknowledgement. False (nothing done) for any
  // other frame, and while a frame is replayed.
  bool AnswerStoreAfterStoring(const AirFrame& frame);
  // Passes `frame` through the node's own handling once more; Intercept sees replaying().
  void Replay(const AirFrame& frame);
  bool replaying() const { return replaying_; }
  void Transmit(RfAddress to, FrameKind kind, const MessageBuilder& messages, int8_t link_rssi);
  void TransmitStatus();
  void Violation(const std::string& text);
  SimContext& context() { return *context_; }
  SimRandom& random() { return random_; }
  SimTime boot_time() const { return boot_time_; }
  void set_listens(bool listens) { listens_ = listens; }
  uint16_t& word(int index) { return ram_[static_cast<size_t>(index)]; }

  NodeSettings settings_;

 private:
  void SchedulePeriodic(SimTime delay);
  void HandleRead(const uint8_t* payload, MessageBuilder& answer);
  void HandleWrite(uint8_t type, int length, const uint8_t* payload, MessageBuilder& answer);
  void HandleLog(MessageBuilder& answer);
  void StoreEeprom();
  // While the bootloader runs (or the node restarts) it alone answers.
  void ReceiveInBootloader(const AirFrame& frame);
  void SetUpBootloader();

  RfAddress address_;
  bool listens_;
  bool mute_ = false;
  SimContext* context_ = nullptr;
  SimRandom random_;
  SimTime boot_time_ = 0;
  uint32_t uptime_base_ = 0;  // seconds the node had been up when the simulation started
  SimTime awake_until_ = -1;
  uint8_t sequence_ = 0;
  int eeprom_stores_ = 0;
  bool store_pending_ = false;
  bool replaying_ = false;
  std::vector<uint16_t> ram_;
  std::vector<uint16_t> eeprom_;
  std::array<std::array<uint8_t, 8>, kLogRecords> log_{};
  int log_count_ = 0;
  Bootloader boot_;
};

}  // namespace corvane::sim

// The simulated dongle: its register file, the tool's messages (register access, MSG_RF_SEND,
// plain fragments and the acknowledged long transfer in both directions), the radio side (frames
// sent for the tool, answers passed back inside MSG_RF_FRAME, MSG_TRAFFIC for every frame heard,
// the heard list) and the access target with its activation state.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "model/rf_address.h"
#include "sim/air_frame.h"
#include "sim/bootloader.h"
#include "sim/sim_context.h"
#include "sim/wire.h"

namespace corvane::sim {

// Where the dongle's reports to the tool go (the simulated USB link).
class HostLink {
 public:
  virtual ~HostLink() = default;
  // One report payload of 1..64 bytes.
  virtual void ToHost(const uint8_t* bytes, int length) = 0;
};

struct DongleIdentity {
  std::u16string hardware_id;
  RfAddress rf_address = 0;
  uint16_t firmware = 410;
};

// Registers the tool relies on.
namespace dongle_reg {
inline constexpr int kCount = 1684;
inline constexpr int kFirmware = 1;
inline constexpr int kDeviceId = 5;
inline constexpr int kHardware = 6;
inline constexpr int kStatistics = 7;  // also the bootloader number while that runs
inline constexpr int kName = 8;
inline constexpr int kAddress = 16;
inline constexpr int kPassword = 18;
inline constexpr int kFrequencyPower = 26;
inline constexpr int kUptime = 28;
inline constexpr int kBackgroundRssi = 30;
inline constexpr int kAccessMode = 33;
inline constexpr int kAccessParameter = 34;
inline constexpr int kTarget = 50;
inline constexpr int kBandwidth = 52;
inline constexpr int kActivation = 54;
inline constexpr int kListState = 55;
inline constexpr int kInUse = 56;
inline constexpr int kHeardList = 57;
inline constexpr int kHeardListEnd = 458;
inline constexpr int kProjectList = 658;
}  // namespace dongle_reg

struct DongleOptions {
  // Long messages to the tool: plain fragments, or the acknowledged long transfer.
  bool acknowledged_answers = false;
  // How long the dongle takes a sleeping target to stay awake after it last heard it.
  SimTime target_awake_ms = 15000;
};

class SimDongle {
 public:
  static constexpr int kHeardEntries = 100;
  static constexpr int kHeldMessages = 8;
  static constexpr int kReassemblyBytes = 528;
  static constexpr int kQueuedLong = 8;

  SimDongle(const DongleIdentity& identity, SimContext& context, HostLink& host);

  // Power comes with plugging in: every register back to its start value, transfers dropped.
  void PowerOn();
  // One report from the tool (`length` bytes as queued, at most 64).
  void FromHost(const uint8_t* report, int length);
  // The simulated USB link lost a report of the tool: fragment sequences may be broken
  // through no fault of the tool, so the next gap is not logged as a violation.
  void HostReportLost() { loss_seen_ = true; }
  // Every frame on the air within reach, from nodes.
  void Hear(const AirFrame& frame, int8_t rssi);
  // Air time used by any frame, for the bandwidth register.
  void AddAirTime(int ms) { air_ms_this_second_ += ms; }
  // Once a second: uptime, background RSSI, bandwidth.
  void SecondTick();

  const DongleIdentity& identity() const { return identity_; }
  RfAddress rf_address() const { return identity_.rf_address; }
  std::span<const uint16_t> registers() const { return regs_; }
  uint16_t reg(int index) const { return regs_[static_cast<size_t>(index)]; }
  int frequency_index() const { return regs_[dongle_reg::kFrequencyPower] & 0xFF; }
  DongleOptions& options() { return options_; }
  // Another program on the PC claimed the dongle and went without releasing it.
  void ClaimByAnotherProgram() { regs_[dongle_reg::kInUse] = 1; }
  // Refuse the next `count` long transfers from the tool as busy.
  void RefuseTransfers(int count) { refusals_left_ += count; }
  int frames_sent() const { return frames_sent_; }
  // The dongle's bootloader: firmware updates of the dongle itself.
  Bootloader& bootloader() { return boot_; }
  const Bootloader& bootloader() const { return boot_; }
  uint8_t activation_state() const {
    return static_cast<uint8_t>(regs_[dongle_reg::kActivation] >> 8);
  }

 private:
  struct HeardEntry {
    RfAddress address = 0;
    SimTime last_heard = 0;
    int8_t rssi = 0;
    uint8_t flag = 0;
  };
  struct HeldMessage {
    int length = 0;
    std::array<uint8_t, kMaxFramePayload> bytes{};
  };
  struct LongOut {
    int length = 0;
    std::array<uint8_t, 560> bytes{};
  };

  void HandleHostBuffer(const uint8_t* buffer, int length, const char* origin);
  void HandleHostMessage(uint8_t type, int length, const uint8_t* payload);
  void HandleRead(int length, const uint8_t* payload);
  void HandleWrite(uint8_t type, int length, const uint8_t* payload);
  void HandleRfSend(int length, const uint8_t* payload);
  void HandleFragment(uint8_t type, int length, const uint8_t* payload);
  void HandleXferStart(int length, const uint8_t* payload);
  void HandleXferData(int length, const uint8_t* payload);
  void HandleXferEnd(int length, const uint8_t* payload);
  void HandleXferStatus(int length, const uint8_t* payload);
  void HandleXferRefuse(int length, const uint8_t* payload);
  // The bootloader takes register reads, the long transfer and its own messages; the rest of
  // the dongle's work waits for the application.
  bool BootloaderTakes(uint8_t type) const;
  void HandleFirmware(uint8_t type, int length, const uint8_t* payload);

  void SendToHost(const uint8_t* message, int length);
  void SendFragments(const uint8_t* message, int length);
  void StartLongOut();
  void SendLongOutFragments(uint16_t skip_mask);
  void ArmLongOutTimer();
  void SendRegisters(uint16_t first, int count);
  void PushActivation(uint8_t state);
  void TransmitToNode(RfAddress to, FrameKind kind, const uint8_t* message, int length);
  bool TargetAwake() const;
  void ReleaseHeld();
  void RefreshHeardList();
  void NoteHeard(RfAddress source, int8_t rssi);
  void Violation(const std::string& text);

  DongleIdentity identity_;
  SimContext& context_;
  HostLink& host_;
  DongleOptions options_;
  Bootloader boot_;
  std::array<uint16_t, dongle_reg::kCount> regs_{};
  SimTime power_on_ = 0;
  uint64_t power_generation_ = 0;
  int air_ms_this_second_ = 0;
  uint16_t traffic_id_ = 0;
  uint8_t sequence_ = 0;
  int frames_sent_ = 0;

  std::array<HeardEntry, kHeardEntries> heard_{};
  int heard_count_ = 0;

  // Access target and the messages held for it while it sleeps.
  SimTime target_last_heard_ = -1;
  // The access target does not listen: messages for it wait until it is heard.
  bool sleeping_target_ = false;
  std::array<HeldMessage, kHeldMessages> held_{};
  int held_count_ = 0;

  // Plain fragments from the tool.
  std::array<uint8_t, kReassemblyBytes> reassembly_{};
  int reassembly_held_ = 0;
  bool reassembling_ = false;

  // Long transfer from the tool.
  bool in_active_ = false;
  bool in_refused_ = false;
  uint8_t in_id_ = 0;
  int in_total_ = 0;
  uint16_t in_mask_ = 0;
  SimTime in_last_activity_ = 0;
  std::array<uint8_t, 560> in_buffer_{};
  int refusals_left_ = 0;
  bool loss_seen_ = false;

  // Long transfers to the tool: one in flight, the rest queued.
  std::array<LongOut, kQueuedLong> out_queue_{};
  int out_head_ = 0;
  int out_count_ = 0;
  bool out_active_ = false;
  uint8_t out_id_ = 0;
  int out_retries_ = 0;
  uint64_t out_timer_ = 0;  // generation of the armed timer; a newer arm cancels older ones
};

}  // namespace corvane::sim

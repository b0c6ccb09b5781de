// The connection to the dongle: finding it, (re)opening it, the register mirror and what the
// main window shows from it, the network settings written into it, the in-use check, the
// firmware-version check, the statistics poll and the keep-alive.
//
// The link owns no window: the main dialog implements DongleLinkClient (texts, questions,
// timers) and Scheduler (one-shot delays), so the waits of the connect sequence never block the
// UI thread and run on virtual time in tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/consumers.h"
#include "link/message_layer.h"
#include "link/transport.h"

namespace corvane {

// What ApplyDongleSettings takes from the main window.
struct DongleSettings {
  std::u16string password;    // the password field
  std::u16string frequency;   // the frequency field, compared with the six names
  int rf_power_position = 0;  // selected position of the RF power list
};

class DongleLinkClient {
 public:
  virtual ~DongleLinkClient() = default;
  virtual DongleSettings CurrentSettings() = 0;

  // Texts of the dongle group.
  virtual void ShowConnection(std::u16string_view text) = 0;
  virtual void ShowDongleAddress(std::u16string_view text) = 0;
  virtual void ShowUptime(std::u16string_view text) = 0;
  virtual void ShowBackgroundRssi(std::u16string_view text) = 0;
  virtual void ShowBandwidth(std::u16string_view text) = 0;
  virtual void ShowPassword(std::u16string_view text) = 0;
  virtual void ShowFrequency(std::u16string_view text) = 0;
  virtual void SelectRfPower(int position) = 0;

  // Another program holds the dongle: ask whether to go on; the client ends the program on No.
  virtual void AskSharedDongle() = 0;
  // Dongle firmware too old: tell the user and open the dongle update (modal).
  virtual void DongleUpdateNecessary() = 0;
  // The statistics poll (3000 ms) runs while the dongle's register 7 is 0.
  virtual void SetStatisticsPolling(bool on) = 0;
  // High byte of register 54 with bit 7 set: the access target's activation state.
  virtual void OnActivationState(uint8_t state) = 0;
  // A block of the heard list arrived; `complete` when it reached its last register.
  virtual void OnHeardListBlock(bool complete) = 0;
};

class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Runs `work` once after `ms` on the UI thread.
  virtual void After(int ms, std::function<void()> work) = 0;
};

class DongleLink : public DongleRegisterHandler {
 public:
  static constexpr int kRegisters = 1684;
  static constexpr int kRegVersion = 1;
  static constexpr int kRegStatistics = 7;
  static constexpr int kRegAddress = 16;
  static constexpr int kRegPassword = 18;
  static constexpr int kRegRadio = 26;
  static constexpr int kRegUptime = 28;
  static constexpr int kRegRssi = 30;
  static constexpr int kRegAccessMode = 33;
  static constexpr int kRegAccessParameter = 34;
  static constexpr int kRegTarget = 50;
  static constexpr int kRegBandwidth = 52;
  static constexpr int kRegActivation = 54;
  static constexpr int kRegListState = 55;
  static constexpr int kRegInUse = 56;
  static constexpr int kRegHeardList = 57;
  static constexpr int kRegProjectList = 658;
  static constexpr int kMinimumVersion = 403;

  DongleLink(Transport& transport, MessageLayer& layer, ReportSink& sink, DongleLinkClient& client,
             Scheduler& scheduler);

  // Looks for the dongle and (re)opens it. Returns true when one is present. When it opens the
  // transport it waits 600 ms, writes the settings and reads registers 0..30, then runs
  // `after_open`; when nothing had to be opened `after_open` runs at once.
  bool ConnectCheck(std::function<void()> after_open = {});

  // Start-up with a dongle: the in-use check (register 56 read, answered or given up after the
  // 1500 ms of timer 7, which the client runs and reports through InUseWaitExpired).
  void StartInUseCheck();
  void InUseWaitExpired() { in_use_wait_ = false; }
  bool in_use_wait() const { return in_use_wait_; }

  void ApplyDongleSettings();
  void PollStatistics();
  // Timer 2 (250 ms): long-transfer countdowns, and a poll every 20th tick.
  void Tick();
  // Leaving the program: release the in-use flag.
  void Release();

  // Register writes to the dongle.
  void WriteRegister(uint16_t reg, uint16_t value);
  void ReadRegisters(uint16_t first, uint8_t count);

  void OnDongleRegisters(RfAddress address, uint16_t first, int count,
                         const uint16_t* words) override;

  uint16_t Register(int reg) const { return mirror_[static_cast<size_t>(reg)]; }
  void SetMirror(int reg, uint16_t value) { mirror_[static_cast<size_t>(reg)] = value; }
  const std::u16string& identity() const { return identity_; }

 private:
  void Send(const uint8_t* bytes, int length) { layer_.SendMsg(ADDR_DONGLE, bytes, length, false); }
  void OpenNow(std::function<void()> after_open);

  Transport& transport_;
  MessageLayer& layer_;
  ReportSink& sink_;
  DongleLinkClient& client_;
  Scheduler& scheduler_;
  std::array<uint16_t, kRegisters> mirror_{};
  std::u16string identity_;
  bool in_use_wait_ = false;
  bool update_showing_ = false;
  int ticks_ = 0;
};

}  // namespace corvane

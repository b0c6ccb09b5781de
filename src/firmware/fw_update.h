// CFwUpdate: the firmware update of one target, the dongle itself (ADDR_DONGLE) or a radio
// device, reached directly or through a routing node. It reads the target's information
// registers, checks a container chosen by the user, switches the target into its bootloader,
// writes the image block by block with acknowledgement and retry, and starts the new application.
//
// While it is open it is the message layer's firmware hook: it sees every received message
// first and keeps the register data and block acknowledgements of its target (and of the routing
// node); everything else goes on to the rest of the program.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/container.h"
#include "link/consumers.h"
#include "link/message_layer.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane {

class CFwUpdate : public ui::Dialog, public FirmwareHook {
 public:
  enum class State : uint8_t { kIdle, kJumpSent, kAwaitingBootloader, kWriting, kReturning };

  static constexpr int kTimeoutTimer = 1;
  static constexpr int kJumpMs = 750;
  static constexpr int kBootCheckMs = 1000;
  static constexpr int kBlockMs = 3000;
  static constexpr int kReturnMs = 500;
  static constexpr int kJumpRetries = 10;
  static constexpr int kBlockRetries = 4;
  static constexpr uint8_t kCmdEnterBootloader = 0xFA;
  static constexpr uint8_t kCmdStartApplication = 0x00;

  // Information register windows kept by the dialog.
  static constexpr int kLowWindow = 50;  // registers 0..49
  static constexpr uint16_t kHighFirst = 0xFEC6;
  static constexpr int kHighWindow = 34;  // registers 0xFEC6..0xFEE7

  // Not-yet-received bits.
  enum Missing : uint8_t {
    kMissDeviceId = 1u << 0,
    kMissHardware = 1u << 1,
    kMissBootloader = 1u << 2,
    kMissAppVersion = 1u << 3,
    kMissDevName = 1u << 4,
    kMissFwName = 1u << 5,
    kMissHwName = 1u << 6,
    kMissRfCal = 1u << 7,
  };

  // `target` is ADDR_DONGLE or a device's address; `route` the routing node through which the
  // device is reached, 0 when it is reached directly. Both are fixed for the dialog's life.
  CFwUpdate(ui::Host& host, MessageLayer& layer, RfAddress target, RfAddress route);
  ~CFwUpdate() override;

  // True while any firmware-update dialog is up (the activation wait asks).
  static bool AnyOpen() { return open_count_ > 0; }

  // FirmwareHook.
  bool OfferMessage(RfAddress source, uint8_t type, int length, const uint8_t* payload) override;

  // For tests and the benchmark.
  State state() const { return state_; }
  int retries() const { return retries_; }
  bool deferred_check() const { return deferred_; }
  uint32_t block_counter() const { return block_counter_; }
  uint64_t total_bytes() const { return total_; }
  uint64_t remaining_bytes() const { return remaining_; }
  bool image_loaded() const { return image_ != nullptr; }
  uint16_t device_id() const { return device_id_; }
  uint16_t hardware() const { return hardware_; }
  uint16_t app_version() const { return app_version_; }
  uint16_t bootloader_number() const { return boot_number_; }
  uint8_t missing() const { return missing_; }
  uint16_t MirrorWord(int reg) const;

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnTimer(int id) override;
  void OnOk() override;
  void OnCancel() override;

 private:
  void Close(int result);
  void Box(std::u16string_view text) { MessageBox(text, u"", {}); }
  void Arm(int ms) { SetTimer(kTimeoutTimer, ms); }

  // Sending: every message goes to the target, wrapped for the routing node when there is one.
  void Send(const uint8_t* message, int length, bool acknowledged);
  void SendRead(uint16_t first, uint8_t count);
  void SendCommand(uint8_t command);
  void SendInfoRequest();
  void SendBootCheck();
  void SendCurrentBlock();

  // Procedure steps.
  void StartUpdate();
  bool LoadContainer(const std::u16string& path);
  void StartTransfer();
  void RefreshStep();
  void EnterBootloaderStep();
  void StartWriting();
  void OnRegisters(uint16_t first, int count, const uint16_t* words);
  void OnBlockAck(uint16_t block, uint8_t status);
  bool Covered(int first, int end, int reg) const { return first <= reg && reg < end; }
  void ShowItems(int first, int end);
  void CheckDeferred();
  void ShowTargetMismatch(ContainerError error, uint16_t hardware);

  MessageLayer& layer_;
  const RfAddress target_;
  const RfAddress route_;
  bool hooked_ = false;

  std::array<uint8_t, kContainerHeaderBytes> header_{};
  std::unique_ptr<uint8_t[]> image_;
  uint64_t current_ = 0;  // offset of the current block in image_
  uint64_t total_ = 0;
  uint64_t remaining_ = 0;
  uint32_t block_counter_ = 0;

  State state_ = State::kIdle;
  int retries_ = 0;
  bool deferred_ = false;

  uint16_t device_id_ = 0;
  uint16_t hardware_ = 0;
  uint16_t app_version_ = 0;
  uint16_t boot_number_ = 0;
  std::array<uint16_t, kLowWindow> low_{};
  std::array<uint16_t, kHighWindow> high_{};
  uint8_t missing_ = 0xFF;

  static int open_count_;
};

}  // namespace corvane

// The bootloader every simulated node and the dongle carry. The application enters it on
// MSG_FW_CMD 0xFA; after a short restart it answers with register 7 non-zero (its number) and
// register 1 showing its own version, takes MSG_FW_BLOCK [block u16][512 bytes] into flash and
// acknowledges each with MSG_FW_BLOCK_ACK [block u16][status]. MSG_FW_CMD 0x00 restarts into the
// application found in flash, which then reports the version the image carries.
//
// The information registers 0xFEC6..0xFEE7 (RF calibration, device, hardware and firmware
// names) are answered here in either mode.
//
// A simulated application image starts with kImageTag and its version x 100 (u16). An image
// without the tag does not start: the target stays in its bootloader, as a device whose flash
// was erased by an unfinished update does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/sim_context.h"
#include "sim/wire.h"

namespace corvane::sim {

inline constexpr std::array<uint8_t, 4> kImageTag = {'C', 'V', 'A', 'P'};
inline constexpr int kImageVersionOffset = 4;

// An application image of `bytes` bytes (at least 6) for `version`, the rest filled from `seed`.
std::vector<uint8_t> MakeFirmwareImage(uint16_t version, int bytes, uint64_t seed = 1);

// Block statuses of MSG_FW_BLOCK_ACK.
enum FlashStatus : uint8_t {
  kFlashOk = 0,
  kFlashOutOfRange = 1,
  kFlashEraseError = 2,
  kFlashProgramError = 3,
  kFlashVerifyError = 4,
};

// An injected flash failure: the block (or any block when -1) answers `status` for the next
// `times` attempts (-1 = for ever).
struct FlashFault {
  int block = -1;
  uint8_t status = kFlashProgramError;
  int times = 1;
};

struct BootloaderIdentity {
  uint16_t number = 105;         // register 7 while running, and register 1 then
  int flash_bytes = 256 * 1024;  // blocks beyond answer kFlashOutOfRange
  SimTime restart_ms = 200;      // deaf while restarting, either way
  int16_t rf_calibration = 0;
  std::string device_name;
  std::string hardware_name;
  std::string firmware_name;
};

class Bootloader {
 public:
  static constexpr uint16_t kInfoFirst = 0xFEC6;
  static constexpr int kInfoCount = 34;
  static constexpr int kBlockBytes = 512;

  enum class Mode : uint8_t { kApplication, kRestarting, kBootloader };

  // `owner` names the node in violation reports.
  explicit Bootloader(RfAddress owner) : owner_(owner) {}

  // Who the target is and which application it runs from the factory.
  void Setup(const BootloaderIdentity& identity, uint16_t application_version);
  // `on_application` runs when a restart lands in the application, with the version it reports.
  void Attach(SimContext& context, std::function<void(uint16_t)> on_application);
  // Power-on: back in the application, any restart in flight forgotten.
  void Reset();

  Mode mode() const { return mode_; }
  bool in_application() const { return mode_ == Mode::kApplication; }
  bool in_bootloader() const { return mode_ == Mode::kBootloader; }
  uint16_t application_version() const { return application_version_; }
  const BootloaderIdentity& identity() const { return identity_; }

  // MSG_FW_CMD from the tool, in any mode; false when the command byte means nothing.
  bool Command(uint8_t command);
  // MSG_FW_BLOCK while in the bootloader: the acknowledgement goes into `answer`. A block the
  // running application receives is not understood and left unanswered.
  void Block(int length, const uint8_t* payload, MessageBuilder& answer);

  // Registers the bootloader answers itself: the information window always, and in bootloader
  // mode registers 1 and 7 over the application's map. `word` gives the application's value.
  bool CoversInfo(int first, int count) const;
  uint16_t Register(int reg, uint16_t application_word) const;

  // Faults and what happened, for tests.
  void InjectFault(const FlashFault& fault) { faults_.push_back(fault); }
  // The target ignores the command to enter its bootloader (a jump that never happens).
  void set_refuse_enter(bool refuse) { refuse_enter_ = refuse; }
  int blocks_written() const { return blocks_written_; }
  int blocks_refused() const { return blocks_refused_; }
  int blocks_ignored() const { return blocks_ignored_; }
  int restarts() const { return restarts_; }
  int highest_block() const { return highest_block_; }
  std::span<const uint8_t> flash() const { return flash_; }
  // Bytes of the image written since the last erase, as far as the highest block written.
  std::span<const uint8_t> WrittenImage() const;

 private:
  void Restart(Mode to);
  uint8_t Program(int block, const uint8_t* data);
  // The tagged version in flash, or 0 when the flash holds no application.
  uint16_t FlashedVersion() const;

  RfAddress owner_;
  BootloaderIdentity identity_;
  SimContext* context_ = nullptr;
  std::function<void(uint16_t)> on_application_;
  Mode mode_ = Mode::kApplication;
  uint64_t generation_ = 0;
  uint16_t application_version_ = 0;
  // Empty: the factory application, never erased. Otherwise erased (0xFF) and written blocks.
  std::vector<uint8_t> flash_;
  std::array<uint16_t, kInfoCount> info_{};
  std::vector<FlashFault> faults_;
  bool refuse_enter_ = false;
  int blocks_written_ = 0;
  int blocks_refused_ = 0;
  int blocks_ignored_ = 0;
  int restarts_ = 0;
  int highest_block_ = -1;
};

}  // namespace corvane::sim

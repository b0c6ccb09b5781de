#include "sim/bootloader.h"

#include <algorithm>

#include "link/messages.h"
#include "model/le.h"
#include "sim/sim_random.h"

namespace corvane::sim {
namespace {

constexpr int kInfoRfCal = 0xFECE - Bootloader::kInfoFirst;
constexpr int kInfoDeviceName = 0xFED0 - Bootloader::kInfoFirst;
constexpr int kInfoHardwareName = 0xFED8 - Bootloader::kInfoFirst;
constexpr int kInfoFirmwareName = 0xFEE0 - Bootloader::kInfoFirst;

void PutText(std::array<uint16_t, Bootloader::kInfoCount>& info, int at, const std::string& text) {
  for (int i = 0; i < 8; ++i) {
    const size_t lo = static_cast<size_t>(2 * i);
    const uint8_t a = lo < text.size() ? static_cast<uint8_t>(text[lo]) : 0;
    const uint8_t b = lo + 1 < text.size() ? static_cast<uint8_t>(text[lo + 1]) : 0;
    info[static_cast<size_t>(at + i)] = static_cast<uint16_t>(a | (b << 8));
  }
}

}  // namespace

std::vector<uint8_t> MakeFirmwareImage(uint16_t version, int bytes, uint64_t seed) {
  std::vector<uint8_t> image(static_cast<size_t>(std::max(bytes, kImageVersionOffset + 2)));
  SimRandom random(seed);
  for (uint8_t& b : image) b = static_cast<uint8_t>(random.Next());
  std::copy(kImageTag.begin(), kImageTag.end(), image.begin());
  PutU16(image.data() + kImageVersionOffset, version);
  return image;
}

void Bootloader::Setup(const BootloaderIdentity& identity, uint16_t application_version) {
  identity_ = identity;
  application_version_ = application_version;
  info_.fill(0);
  info_[kInfoRfCal] = static_cast<uint16_t>(identity_.rf_calibration);
  PutText(info_, kInfoDeviceName, identity_.device_name);
  PutText(info_, kInfoHardwareName, identity_.hardware_name);
  PutText(info_, kInfoFirmwareName, identity_.firmware_name);
}

void Bootloader::Attach(SimContext& context, std::function<void(uint16_t)> on_application) {
  context_ = &context;
  on_application_ = std::move(on_application);
}

void Bootloader::Reset() {
  ++generation_;
  // Power-on starts whatever the flash holds; an empty flash stays in the bootloader.
  const uint16_t flashed = FlashedVersion();
  mode_ = flash_.empty() || flashed != 0 ? Mode::kApplication : Mode::kBootloader;
  if (flashed != 0) application_version_ = flashed;
}

bool Bootloader::Command(uint8_t command) {
  if (command == 0xFA) {
    // Already there, or told to stay: nothing happens.
    if (mode_ != Mode::kApplication || refuse_enter_) return true;
    Restart(Mode::kBootloader);
    return true;
  }
  if (command == 0x00) {
    if (mode_ == Mode::kRestarting) return true;
    Restart(Mode::kApplication);
    return true;
  }
  return false;
}

void Bootloader::Restart(Mode to) {
  if (context_ == nullptr) return;
  mode_ = Mode::kRestarting;
  ++restarts_;
  const uint64_t armed = ++generation_;
  context_->At(context_->Now() + identity_.restart_ms, [this, armed, to] {
    if (armed != generation_) return;
    if (to == Mode::kBootloader) {
      mode_ = Mode::kBootloader;
      return;
    }
    const uint16_t flashed = FlashedVersion();
    if (!flash_.empty() && flashed == 0) {
      // Nothing startable in flash: the bootloader keeps running.
      mode_ = Mode::kBootloader;
      return;
    }
    if (flashed != 0) application_version_ = flashed;
    mode_ = Mode::kApplication;
    if (on_application_) on_application_(application_version_);
  });
}

void Bootloader::Block(int length, const uint8_t* payload, MessageBuilder& answer) {
  if (mode_ != Mode::kBootloader) {
    ++blocks_ignored_;
    return;
  }
  if (length != 2 + kBlockBytes) {
    if (context_ != nullptr) {
      context_->Violation(owner_, "MSG_FW_BLOCK with payload length " + std::to_string(length) +
                                      ", expected " + std::to_string(2 + kBlockBytes));
    }
    return;
  }
  const uint16_t block = GetU16(payload);
  const uint8_t status = Program(block, payload + 2);
  uint8_t ack[3];
  PutU16(ack, block);
  ack[2] = status;
  answer.Add(MSG_FW_BLOCK_ACK, ack, 3);
}

uint8_t Bootloader::Program(int block, const uint8_t* data) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->block >= 0 && it->block != block) continue;
    const uint8_t status = it->status;
    if (it->times > 0 && --it->times == 0) faults_.erase(it);
    ++blocks_refused_;
    return status;
  }
  const int64_t end = int64_t{block + 1} * kBlockBytes;
  if (end > identity_.flash_bytes) {
    ++blocks_refused_;
    return kFlashOutOfRange;
  }
  // Block 0 starts a new image: the application area is erased first.
  if (block == 0 || flash_.empty()) {
    flash_.assign(static_cast<size_t>(identity_.flash_bytes), 0xFF);
    highest_block_ = -1;
  }
  std::copy_n(data, kBlockBytes, flash_.begin() + int64_t{block} * kBlockBytes);
  highest_block_ = std::max(highest_block_, block);
  ++blocks_written_;
  return kFlashOk;
}

uint16_t Bootloader::FlashedVersion() const {
  if (flash_.size() < kImageTag.size() + 2) return 0;
  if (!std::equal(kImageTag.begin(), kImageTag.end(), flash_.begin())) return 0;
  const uint16_t version = GetU16(flash_.data() + kImageVersionOffset);
  return version == 0 ? 1 : version;
}

std::span<const uint8_t> Bootloader::WrittenImage() const {
  if (flash_.empty() || highest_block_ < 0) return {};
  return std::span<const uint8_t>(flash_).first(static_cast<size_t>(highest_block_ + 1) *
                                                kBlockBytes);
}

bool Bootloader::CoversInfo(int first, int count) const {
  return first >= kInfoFirst && first + count <= kInfoFirst + kInfoCount;
}

uint16_t Bootloader::Register(int reg, uint16_t application_word) const {
  if (reg >= kInfoFirst && reg < kInfoFirst + kInfoCount) {
    return info_[static_cast<size_t>(reg - kInfoFirst)];
  }
  if (mode_ != Mode::kApplication && (reg == 1 || reg == 7)) return identity_.number;
  return application_word;
}

}  // namespace corvane::sim

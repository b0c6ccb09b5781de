// The firmware container (*.bin): a 512-byte header, then the image. Only the image goes to the
// target, in 512-byte blocks. Everything here is pure so the fuzz target and the dialog share it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

inline constexpr int kContainerHeaderBytes = 512;
inline constexpr int kFirmwareBlockBytes = 512;
// Block numbers travel as 16 bits: a longer image could not be addressed block by block.
inline constexpr uint32_t kMaxFirmwareBlocks = 0x10000;
inline constexpr uint64_t kMaxImageBytes = uint64_t{kMaxFirmwareBlocks} * kFirmwareBlockBytes;
// What the last block is padded with: the value of erased flash.
inline constexpr uint8_t kFirmwareFill = 0xFF;

// Header offsets.
inline constexpr int kHeaderDeviceId = 4;
inline constexpr int kHeaderHardwareLow = 6;
inline constexpr int kHeaderHardwareHigh = 7;
inline constexpr int kHeaderVersion = 8;
inline constexpr int kHeaderCrc = 510;

struct ContainerHeader {
  uint16_t device_id = 0;
  uint8_t hardware_low = 0;
  uint8_t hardware_high = 0;
  uint32_t version = 0;  // x 100
};

enum class ContainerError : uint8_t {
  kNone,
  kShortHeader,    // "Invalid Container (1)"
  kBadCrc,         // "Invalid Container (2)"
  kWrongDevice,    // "Container is not for this device"
  kWrongHardware,  // "Container is not for this Hardware version..."
  kNoImage,        // nothing after the header
  kImageTooLarge,  // more blocks than a 16-bit block number reaches
};

// Reads the fields of a 512-byte header; CheckHeader first tells whether they mean anything.
ContainerHeader ParseHeader(std::span<const uint8_t, kContainerHeaderBytes> header);

// Length and check value of the header at the start of `bytes` (any length).
ContainerError CheckHeader(std::span<const uint8_t> bytes);

// The target's device ID and hardware version against the header. A device ID of 0 means not
// known yet: nothing is compared then.
ContainerError CheckTarget(const ContainerHeader& header, uint16_t device_id, uint16_t hardware);

// Whether loading the image asks the downgrade question first. Versions below 1.00 are taken as
// "no real version" and never ask.
bool IsDowngrade(uint16_t device_version, uint32_t container_version);

// Image length as sent: rounded up to whole blocks. 0 stays 0.
uint64_t PaddedImageLength(uint64_t image_bytes);
ContainerError CheckImageLength(uint64_t image_bytes);

// Percentage of the image acknowledged, 0..100, computed without overflow for any length.
int ProgressPercent(uint64_t total, uint64_t remaining);

// "FWU_OK" .. "FWU_ERR_VERIFY" for the status of a block acknowledgement; other values have
// no name of their own.
std::u16string FlashStatusName(uint8_t status);

// The whole container check on the bytes of a file, as the fuzz target drives it: header,
// target (when device_id is non-zero) and image length. `header` is filled when 512 bytes exist.
ContainerError CheckContainer(std::span<const uint8_t> file, uint16_t device_id, uint16_t hardware,
                              ContainerHeader* header = nullptr);

// Builds a container around `image` (tests, the simulator's images, the fuzz corpus).
std::vector<uint8_t> MakeContainer(const ContainerHeader& header, std::span<const uint8_t> image);

}  // namespace corvane

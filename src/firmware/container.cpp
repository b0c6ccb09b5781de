#include "firmware/container.h"

#include <algorithm>

#include "model/crc16.h"
#include "model/le.h"

namespace corvane {

ContainerHeader ParseHeader(std::span<const uint8_t, kContainerHeaderBytes> header) {
  ContainerHeader h;
  h.device_id = GetU16(header.data() + kHeaderDeviceId);
  h.hardware_low = header[kHeaderHardwareLow];
  h.hardware_high = header[kHeaderHardwareHigh];
  h.version = GetU32(header.data() + kHeaderVersion);
  return h;
}

ContainerError CheckHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kContainerHeaderBytes) return ContainerError::kShortHeader;
  const uint16_t crc = Crc16Modbus(bytes.data(), kHeaderCrc);
  if (crc != GetU16(bytes.data() + kHeaderCrc)) return ContainerError::kBadCrc;
  return ContainerError::kNone;
}

ContainerError CheckTarget(const ContainerHeader& header, uint16_t device_id, uint16_t hardware) {
  if (device_id == 0) return ContainerError::kNone;
  if (header.device_id != device_id) return ContainerError::kWrongDevice;
  if (hardware < header.hardware_low || hardware > header.hardware_high) {
    return ContainerError::kWrongHardware;
  }
  return ContainerError::kNone;
}

bool IsDowngrade(uint16_t device_version, uint32_t container_version) {
  return device_version >= 100 && container_version >= 100 && container_version < device_version;
}

uint64_t PaddedImageLength(uint64_t image_bytes) {
  const uint64_t block = kFirmwareBlockBytes;
  return (image_bytes + block - 1) / block * block;
}

ContainerError CheckImageLength(uint64_t image_bytes) {
  if (image_bytes == 0) return ContainerError::kNoImage;
  if (image_bytes > kMaxImageBytes) return ContainerError::kImageTooLarge;
  return ContainerError::kNone;
}

int ProgressPercent(uint64_t total, uint64_t remaining) {
  if (total == 0) return 0;
  remaining = std::min(remaining, total);
  // Images are bounded far below 2^57 bytes, so the product fits; the division by 100 first
  // keeps it exact for any total the type can hold anyway.
  const uint64_t done = total - remaining;
  if (done > UINT64_MAX / 100) return static_cast<int>(done / (total / 100));
  return static_cast<int>(done * 100 / total);
}

std::u16string FlashStatusName(uint8_t status) {
  switch (status) {
    case 0:
      return u"FWU_OK";
    case 1:
      return u"FWU_OUT_OF_RANGE";
    case 2:
      return u"FWU_ERR_ERASE";
    case 3:
      return u"FWU_ERR_PROGRAMM";
    case 4:
      return u"FWU_ERR_VERIFY";
    default:
      return u"FWU_UNKNOWN";
  }
}

ContainerError CheckContainer(std::span<const uint8_t> file, uint16_t device_id, uint16_t hardware,
                              ContainerHeader* header) {
  const ContainerError shape = CheckHeader(file);
  if (shape == ContainerError::kShortHeader) return shape;
  const ContainerHeader h = ParseHeader(file.first<kContainerHeaderBytes>());
  if (header != nullptr) *header = h;
  if (shape != ContainerError::kNone) return shape;
  const ContainerError target = CheckTarget(h, device_id, hardware);
  if (target != ContainerError::kNone) return target;
  return CheckImageLength(file.size() - kContainerHeaderBytes);
}

std::vector<uint8_t> MakeContainer(const ContainerHeader& header, std::span<const uint8_t> image) {
  std::vector<uint8_t> file(kContainerHeaderBytes, 0);
  PutU32(file.data(), 0x57464643);  // free for the maker's own use; the tool never reads it
  PutU16(file.data() + kHeaderDeviceId, header.device_id);
  file[kHeaderHardwareLow] = header.hardware_low;
  file[kHeaderHardwareHigh] = header.hardware_high;
  PutU32(file.data() + kHeaderVersion, header.version);
  PutU16(file.data() + kHeaderCrc, Crc16Modbus(file.data(), kHeaderCrc));
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

}  // namespace corvane

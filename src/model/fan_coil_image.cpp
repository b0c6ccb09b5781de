#include "model/fan_coil_image.h"

#include <algorithm>
#include <string_view>

#include "model/radio_settings.h"

namespace corvane {

FanCoilImage::FanCoilImage(std::span<const uint16_t> words) : words_(kWords, 0) {
  std::copy_n(words.begin(), std::min(words.size(), words_.size()), words_.begin());
}

uint32_t FanCoilImage::U32(int reg) const {
  return static_cast<uint32_t>(Word(reg)) | static_cast<uint32_t>(Word(reg + 1)) << 16;
}

void FanCoilImage::SetU32(int reg, uint32_t value) {
  SetWord(reg, static_cast<uint16_t>(value));
  SetWord(reg + 1, static_cast<uint16_t>(value >> 16));
}

std::optional<int> FanCoilImage::FanMode() const {
  const uint16_t mode = Word(kRegFanMode);
  if (mode == 0) return 1;
  int highest = 15;
  while ((mode & (1u << highest)) == 0) --highest;
  if (highest >= kFanModes) return std::nullopt;
  return highest;
}

GwDeviceEntry FanCoilImage::Device(int i) const {
  return GwDeviceEntry::FromWords(
      words().subspan(static_cast<size_t>(kRegDevices + GwDeviceEntry::kWords * i)));
}

void FanCoilImage::SetDevice(int i, const GwDeviceEntry& entry) {
  entry.ToWords(words().subspan(static_cast<size_t>(kRegDevices + GwDeviceEntry::kWords * i)));
}

GwDeviceStatus FanCoilImage::DeviceStatus(int i) const {
  return GwDeviceStatus::FromWords(
      words().subspan(static_cast<size_t>(kRegDeviceStatus + GwDeviceStatus::kWords * i)));
}

std::vector<RfAddress> FanCoilImage::DeviceAddresses() const {
  std::vector<RfAddress> out;
  for (int i = 0; i < kDevices; ++i) out.push_back(Device(i).address);
  return out;
}

std::vector<uint8_t> FanCoilImage::ModbusAddresses() const {
  std::vector<uint8_t> out;
  for (int i = 0; i < kDevices; ++i) out.push_back(ModbusAddress(i));
  return out;
}

GwClock FanCoilImage::Clock() const {
  GwClock c;
  c.year = Byte(kRegClock, 0);
  c.month = Byte(kRegClock, 1);
  c.day = Byte(kRegClock, 2);
  c.hour = Byte(kRegClock, 3);
  c.minute = Byte(kRegClock, 4);
  c.second = Byte(kRegClock, 5);
  c.set_flag = Byte(kRegClock, 6);
  c.spare = Byte(kRegClock, 7);
  return c;
}

void FanCoilImage::SetClock(const GwClock& c) {
  const uint8_t bytes[8] = {c.year,   c.month,  c.day,      c.hour,
                            c.minute, c.second, c.set_flag, c.spare};
  for (int i = 0; i < 8; ++i) SetByte(kRegClock, i, bytes[i]);
}

GwWmbusHead FanCoilImage::WmbusHead() const {
  GwWmbusHead head;
  head.time = U32(kRegWmbusHead);
  const uint16_t status = Word(kRegWmbusStatus);
  head.length = static_cast<uint8_t>(status);
  head.rssi = static_cast<int8_t>(status >> 8);
  const int n = std::min<int>(head.length, kWmbusFrameBytes);
  for (int i = 0; i < n; ++i) head.frame.push_back(Byte(kRegWmbusFrame, i));
  return head;
}

namespace {

// The gateway's placement clears MB_start of entries that are not cached; the controller keeps
// it, so those entries get theirs back afterwards. An entry that lost its place because it did
// not fit was cached before and is not restored.
template <typename Place>
std::vector<int> KeepingUncached(FanCoilImage& image, Place place) {
  std::array<std::optional<uint16_t>, FanCoilImage::kDevices> kept;
  for (int i = 0; i < FanCoilImage::kDevices; ++i) {
    const GwDeviceEntry e = image.Device(i);
    if (!e.Cached()) kept[static_cast<size_t>(i)] = e.mb_start;
  }
  const std::vector<int> unfit = place(image.DeviceTable(), FanCoilImage::kCacheArea);
  for (int i = 0; i < FanCoilImage::kDevices; ++i) {
    if (!kept[static_cast<size_t>(i)]) continue;
    GwDeviceEntry e = image.Device(i);
    e.mb_start = *kept[static_cast<size_t>(i)];
    image.SetDevice(i, e);
  }
  return unfit;
}

}  // namespace

std::vector<int> PlaceFanCoilCache(FanCoilImage& image) {
  return KeepingUncached(
      image, [](std::span<uint16_t> table, CacheArea area) { return PlaceCache(table, area); });
}

std::vector<int> CompressFanCoilCache(FanCoilImage& image) {
  return KeepingUncached(
      image, [](std::span<uint16_t> table, CacheArea area) { return CompressCache(table, area); });
}

std::optional<ModbusCollision> FindModbusCollision(const FanCoilImage& image) {
  return FindModbusCollision(image.DeviceAddresses(), image.ModbusAddresses());
}

FanCoilImage DefaultFanCoilImage(const FanCoilImage& working) {
  using F = FanCoilImage;
  FanCoilImage d;
  const uint16_t id = working.Word(F::kRegIdentification);
  d.SetWord(F::kRegIdentification, id != 0 ? id : uint16_t{1292});
  d.SetWord(F::kRegVersion, working.Version() != 0 ? working.Version() : uint16_t{400});
  d.SetWord(F::kRegModbusLine, 0x1101);
  const uint16_t device_id = working.Word(F::kRegDeviceId);
  d.SetWord(F::kRegDeviceId, device_id != 0 ? device_id : uint16_t{1109});
  d.SetWord(F::kRegHardware, working.Word(F::kRegHardware));
  static constexpr std::string_view kName = "Fancoil 1";
  for (size_t i = 0; i < kName.size(); ++i) {
    d.SetByte(F::kRegName, static_cast<int>(i), static_cast<uint8_t>(kName[i]));
  }
  d.SetU32(F::kRegKeptValue, working.U32(F::kRegKeptValue));
  for (size_t i = 0; i < F::kTextBytes && i < kDefaultNetworkPassword.size(); ++i) {
    d.SetByte(F::kRegPassword, static_cast<int>(i),
              static_cast<uint8_t>(kDefaultNetworkPassword[i]));
  }
  d.SetWord(F::kRegRadio, 0x0200);
  d.SetWord(F::kRegRegulator, F::kFourPipes | F::kValveExercise);
  d.SetWord(F::kRegPBand, 20);
  d.SetWord(F::kRegIConst, 3600);
  d.SetWord(F::kRegDiOptions, 0x000F);
  d.SetWord(F::kRegChangeOver, 30);
  return d;
}

}  // namespace corvane

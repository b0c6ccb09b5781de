// Arbitrary words as a fan-coil controller's image through its accessors, the cache placement
// and compression over its 8 paired devices, the Modbus address collision check, the default
// image and the report section of its paired devices.
//
// Input: the bytes, read as little-endian words, are the image from register 0 (missing words
// read as 0); a blob longer than the image is cut to it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gateway/gateway_report.h"
#include "model/fan_coil_image.h"

namespace {

using corvane::FanCoilImage;
using corvane::GwDeviceEntry;
using F = FanCoilImage;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::vector<GwDeviceEntry> Entries(const F& image) {
  std::vector<GwDeviceEntry> out;
  for (int i = 0; i < F::kDevices; ++i) out.push_back(image.Device(i));
  return out;
}

// What placement and compression promise over the controller's area: only MB_start and the
// cached bit change, uncached entries keep their MB_start, a free entry (address 0) is never
// cached, cached ranges lie inside 218..14553 in entry order without overlap, and exactly the
// listed entries lost their place.
void CheckPlaced(const std::vector<GwDeviceEntry>& before, const F& image,
                 const std::vector<int>& unfit, const std::vector<uint16_t>& words_before) {
  int end_of_previous = F::kRegCacheFirst;
  size_t next_unfit = 0;
  for (int i = 0; i < F::kDevices; ++i) {
    const GwDeviceEntry& b = before[static_cast<size_t>(i)];
    const GwDeviceEntry a = image.Device(i);
    Check(a.address == b.address);
    Check((a.flags & ~GwDeviceEntry::kCachedBit) == (b.flags & ~GwDeviceEntry::kCachedBit));
    const bool listed = next_unfit < unfit.size() && unfit[next_unfit] == i;
    if (listed) ++next_unfit;
    if (!b.Cached()) {
      Check(!listed && !a.Cached() && a.mb_start == b.mb_start);
    } else if (b.address == 0) {
      // A free entry is never cached: it gives up its range.
      Check(!listed && !a.Cached() && a.mb_start == 0);
    } else if (listed) {
      Check(!a.Cached() && a.mb_start == 0);
    } else {
      Check(a.Cached());
      Check(a.mb_start >= end_of_previous);
      Check(a.mb_start + a.MbCount() <= F::kRegCacheLast + 1);
      end_of_previous = a.mb_start + a.MbCount();
    }
  }
  Check(next_unfit == unfit.size());
  // Nothing outside the paired-device table changes.
  const auto words = image.words();
  for (int r = 0; r < F::kWords; ++r) {
    if (r >= F::kRegDevices && r < F::kRegDevices + 4 * F::kDevices) continue;
    Check(words[static_cast<size_t>(r)] == words_before[static_cast<size_t>(r)]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint16_t> words;
  for (size_t i = 0; i + 1 < size && words.size() < static_cast<size_t>(F::kWords); i += 2) {
    words.push_back(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)));
  }
  F image(words);
  const std::vector<uint16_t> original(image.words().begin(), image.words().end());

  // Accessors.
  {
    const uint16_t mode = image.Word(F::kRegFanMode);
    const std::optional<int> fan = image.FanMode();
    int highest = -1;
    for (int b = 0; b < 16; ++b) {
      if ((mode >> b & 1) != 0) highest = b;
    }
    if (mode == 0) {
      Check(fan == 1);
    } else if (highest >= F::kFanModes) {
      Check(!fan.has_value());
    } else {
      Check(fan == highest);
    }
    const corvane::GwWmbusHead head = image.WmbusHead();
    Check(head.frame.size() == std::min<size_t>(head.length, F::kWmbusFrameBytes));
    Check(image.FanType() >= 0 && image.FanType() <= 3);
    const corvane::GwClock clock = image.Clock();
    F copy = image;
    copy.SetClock(clock);
    Check(copy == image);
    for (int i = 0; i < F::kDevices; ++i) {
      F set = image;
      set.SetDevice(i, image.Device(i));
      set.SetModbusAddress(i, image.ModbusAddress(i));
      set.SetInputNumber(i, image.InputNumber(i));
      Check(set == image);
      (void)image.DeviceStatus(i);
    }
  }

  // Report section: one line per entry with an address, after the headings.
  {
    std::vector<corvane::ReportDevice> devices;
    int listed = 0;
    for (int i = 0; i < F::kDevices; ++i) {
      const GwDeviceEntry e = image.Device(i);
      devices.push_back({e.address, image.ModbusAddress(i), e.Cached(), e.mb_start});
      if (e.address != 0) ++listed;
    }
    const std::u16string text = corvane::BidirectionalReportText(devices, true);
    const std::u16string empty = corvane::BidirectionalReportText({}, true);
    Check(text.compare(0, empty.size(), empty) == 0);
    Check(std::count(text.begin() + static_cast<std::ptrdiff_t>(empty.size()), text.end(), u'\n') ==
          listed);
  }

  // Placement, then placement again (nothing moves), and compression.
  const std::vector<GwDeviceEntry> before = Entries(image);
  {
    F placed = image;
    const std::vector<int> unfit = corvane::PlaceFanCoilCache(placed);
    CheckPlaced(before, placed, unfit, original);
    const F again = placed;
    Check(corvane::PlaceFanCoilCache(placed).empty());
    Check(placed == again);
  }
  {
    F compressed = image;
    const std::vector<int> unfit = corvane::CompressFanCoilCache(compressed);
    CheckPlaced(before, compressed, unfit, original);
    int next = F::kRegCacheFirst;
    for (const GwDeviceEntry& e : Entries(compressed)) {
      if (!e.Cached()) continue;
      Check(e.mb_start == next);
      next += e.MbCount();
    }
  }

  // Collision check: the pair it names shares a Modbus address and has different addresses.
  if (const auto c = corvane::FindModbusCollision(image)) {
    Check(c->first < c->second && c->second < F::kDevices);
    Check(image.ModbusAddress(c->first) == c->modbus_address && c->modbus_address != 0);
    Check(image.ModbusAddress(c->second) == c->modbus_address);
    Check(c->first_address != c->second_address && c->first_address != 0 && c->second_address != 0);
  }

  // Default keeps what identifies the controller and always carries a version.
  {
    const F d = corvane::DefaultFanCoilImage(image);
    Check(d.Version() != 0 && d.Word(F::kRegIdentification) != 0);
    Check(d.Word(F::kRegHardware) == image.Word(F::kRegHardware));
    Check(d.U32(F::kRegKeptValue) == image.U32(F::kRegKeptValue));
    Check(d.Device(0).address == 0);
  }
  Check(std::equal(original.begin(), original.end(), image.words().begin()));
  return 0;
}

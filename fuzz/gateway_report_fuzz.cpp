// A gateway image of either layout, filled from arbitrary words, through the report writer and
// through the conversion back to the older layout.
//
// Input: byte 0 bit 0 picks the layout the image is read in (0 the 4.00 one, 1 the older one);
// the rest, read as little-endian words, fills in turn the paired-device table, the
// unidirectional table, the Modbus address table and then the registers from 0, so that short
// inputs already reach every table the report and the conversion read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gateway/gateway_report.h"
#include "model/gateway_image.h"

namespace {

using corvane::GatewayImage;
using corvane::GatewayMap;
using corvane::GwDeviceEntry;
using corvane::GwUniEntry;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// The blob of `map` with the input words laid into its tables.
std::vector<uint16_t> Blob(std::span<const uint16_t> input, const GatewayMap& map) {
  std::vector<uint16_t> blob(static_cast<size_t>(map.words), 0);
  const int regions[][2] = {
      {map.reg_devices, map.devices * GwDeviceEntry::kWords},
      {map.reg_uni_devices, GatewayImage::kUniDevices * GwUniEntry::kWords},
      {map.reg_modbus_table, (map.devices + 1) / 2},
      {0, map.reg_devices},
  };
  size_t next = 0;
  for (const auto& [first, count] : regions) {
    for (int i = 0; i < count && next < input.size(); ++i) {
      blob[static_cast<size_t>(first + i)] = input[next++];
    }
  }
  return blob;
}

size_t Lines(std::u16string_view text) {
  size_t lines = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n') continue;
    // Every line of the file ends in CR LF.
    Check(i > 0 && text[i - 1] == u'\r');
    ++lines;
  }
  return lines;
}

void CheckReport(const GatewayImage& image) {
  const std::u16string text = corvane::GatewayReportText(image);
  Check(!text.empty() && text.back() == u'\n');
  const size_t headings = Lines(corvane::BidirectionalReportText({}));
  size_t devices = 0;
  for (int i = 0; i < image.map().devices; ++i) devices += image.Device(i).address != 0;
  size_t uni = 0;
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) uni += image.UniDevice(i).address != 0;
  // Both sections have the same headings; one line per paired device, two per
  // unidirectional one.
  Check(Lines(text) == 2 * headings + devices + 2 * uni);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint16_t> words;
  for (size_t i = 1; i + 1 < size; i += 2)
    words.push_back(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)));
  const bool older = (data[0] & 1) != 0;
  const GatewayMap& map = older ? corvane::kPre400Map : corvane::kV400Map;

  // The image as the gateway window holds it, and one cut short as a damaged project gives it.
  const std::vector<uint16_t> blob = Blob(words, map);
  CheckReport(GatewayImage(blob, map));
  const size_t cut = std::min(blob.size(), words.size());
  CheckReport(GatewayImage(std::span<const uint16_t>(blob.data(), cut), map));

  // Back to the older layout: what both layouts share stays, the first 50 paired devices keep
  // their addresses and Modbus addresses, the unidirectional ones stay as they were, and
  // nothing past the older image is left behind.
  std::vector<uint16_t> v400 = Blob(words, corvane::kV400Map);
  const GatewayImage before(v400, corvane::kV400Map);
  corvane::ConvertToPre400Image(v400);
  Check(v400.size() == static_cast<size_t>(GatewayImage::kWords));
  Check(std::equal(v400.begin(), v400.begin() + GatewayImage::kRegDevices, before.words().begin()));
  Check(std::all_of(v400.begin() + corvane::kPre400Map.words, v400.end(),
                    [](uint16_t w) { return w == 0; }));
  const GatewayImage after(v400, corvane::kPre400Map);
  for (int i = 0; i < corvane::kPre400Map.devices; ++i) {
    Check(after.Device(i).address == before.Device(i).address);
    Check(after.Device(i).flags == before.Device(i).flags);
    Check(after.ModbusAddress(i) == before.ModbusAddress(i));
  }
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    Check(after.UniDevice(i) == before.UniDevice(i));
  }
  CheckReport(after);
  return 0;
}

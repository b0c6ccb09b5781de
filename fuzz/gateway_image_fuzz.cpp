// Arbitrary words through the gateway image operations: the conversion of an older-layout blob,
// cache placement, cache compression and the Modbus address collision check.
//
// Input: byte 0 picks the cache area (0 the gateway's, 1 the older gateway's, 2 the fan-coil
// controller's, anything else an area whose first and end registers are the next two
// little-endian words). The rest, read as little-endian words, is the blob for the conversion and,
// from its start, the table of paired-device entries; the bytes after the table's words are the
// Modbus addresses of its entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "model/gateway_image.h"

namespace {

using corvane::CacheArea;
using corvane::GatewayImage;
using corvane::GwDeviceEntry;

constexpr uint16_t kCanary = 0x5AC3;
constexpr int kMaxEntries = GatewayImage::kDevices;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::vector<GwDeviceEntry> Entries(std::span<const uint16_t> table) {
  std::vector<GwDeviceEntry> out;
  for (size_t i = 0; i + GwDeviceEntry::kWords <= table.size(); i += GwDeviceEntry::kWords) {
    out.push_back(GwDeviceEntry::FromWords(table.subspan(i)));
  }
  return out;
}

// What placement and compression promise: only MB_start and the cached bit change, free-standing
// cached ranges lie inside the area, in entry order and without overlap, exactly the listed
// entries lost their place, and a free entry (address 0) is never cached.
void CheckPlaced(const std::vector<GwDeviceEntry>& before, std::span<const uint16_t> table,
                 CacheArea area, const std::vector<int>& unfit) {
  const std::vector<GwDeviceEntry> after = Entries(table);
  Check(after.size() == before.size());
  int end_of_previous = area.first;
  size_t next_unfit = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    const GwDeviceEntry& b = before[i];
    const GwDeviceEntry& a = after[i];
    Check(a.address == b.address);
    Check((a.flags & ~GwDeviceEntry::kCachedBit) == (b.flags & ~GwDeviceEntry::kCachedBit));
    const bool listed = next_unfit < unfit.size() && unfit[next_unfit] == static_cast<int>(i);
    if (listed) ++next_unfit;
    if (!b.Cached() || b.address == 0) {
      Check(!listed && a.mb_start == 0 && !a.Cached());
    } else if (listed) {
      Check(a.mb_start == 0 && !a.Cached());
    } else {
      Check(a.Cached());
      Check(a.mb_start >= end_of_previous);
      Check(a.mb_start + a.MbCount() <= area.end);
      end_of_previous = a.mb_start + a.MbCount();
    }
  }
  Check(next_unfit == unfit.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint16_t> words;
  for (size_t i = 1; i + 1 < size; i += 2)
    words.push_back(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)));

  CacheArea area;
  size_t skip = 0;
  switch (data[0]) {
    case 0:
      area = GatewayImage::kCacheArea;
      break;
    case 1:
      area = {1754, 16090};
      break;
    case 2:
      area = {218, 14554};
      break;
    default:
      if (words.size() < 2) return 0;
      // Register numbers of a real map: a cache never starts at 0, and MB_start is 16 bits.
      area = {std::max<int>(words[0], 1), std::min<int>(words[1], 0xFFFF)};
      skip = 2;
      break;
  }
  const std::span<const uint16_t> input = std::span<const uint16_t>(words).subspan(skip);

  // Conversion on an exactly sized blob with one canary word behind it.
  {
    const size_t n = std::min(input.size(), static_cast<size_t>(GatewayImage::kWords));
    std::vector<uint16_t> blob(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n));
    blob.push_back(kCanary);
    const std::span<uint16_t> view(blob.data(), n);
    const std::vector<uint16_t> before = blob;
    const bool old_layout = corvane::LayoutOf(view) == corvane::GatewayLayout::kPre400;
    const bool converted = corvane::ConvertPre400Image(view);
    Check(blob[n] == kCanary);
    Check(converted == old_layout);
    if (!converted) {
      Check(blob == before);
    } else {
      Check(view[GatewayImage::kRegVersion] == 400);
      // A converted blob is in the 4.00 layout and stays as it is.
      const std::vector<uint16_t> once = blob;
      Check(!corvane::ConvertPre400Image(view));
      Check(blob == once);
    }
  }

  // Placement and compression on the leading words taken as entries.
  const size_t table_words =
      std::min(input.size(), static_cast<size_t>(kMaxEntries * GwDeviceEntry::kWords)) /
      GwDeviceEntry::kWords * GwDeviceEntry::kWords;
  const std::vector<uint16_t> table(input.begin(),
                                    input.begin() + static_cast<std::ptrdiff_t>(table_words));
  const std::vector<GwDeviceEntry> before = Entries(table);
  {
    std::vector<uint16_t> placed = table;
    const std::vector<int> unfit = corvane::PlaceCache(placed, area);
    CheckPlaced(before, placed, area, unfit);
    // Placing a placed table again changes nothing.
    const std::vector<uint16_t> again = placed;
    Check(corvane::PlaceCache(placed, area).empty());
    Check(placed == again);
  }
  {
    std::vector<uint16_t> compressed = table;
    const std::vector<int> unfit = corvane::CompressCache(compressed, area);
    CheckPlaced(before, compressed, area, unfit);
    // Compression leaves no gap in front of a placed range.
    int next = area.first;
    for (const GwDeviceEntry& e : Entries(compressed)) {
      if (!e.Cached()) continue;
      Check(e.mb_start == next);
      next += e.MbCount();
    }
  }

  // Collision check: the pair it names is one, and no pair comes before it.
  {
    std::vector<corvane::RfAddress> addresses;
    for (const GwDeviceEntry& e : before) addresses.push_back(e.address);
    const size_t modbus_from = 1 + 2 * (skip + table_words);
    std::vector<uint8_t> modbus(data + std::min(modbus_from, size), data + size);
    const auto found = corvane::FindModbusCollision(addresses, modbus);
    const size_t n = std::min(addresses.size(), modbus.size());
    std::optional<std::pair<size_t, size_t>> expected;
    for (size_t i = 0; i < n && !expected; ++i) {
      for (size_t j = 0; j < n && !expected; ++j) {
        if (addresses[i] != 0 && modbus[i] != 0 && addresses[j] != 0 &&
            addresses[j] != addresses[i] && modbus[j] == modbus[i]) {
          expected = {i, j};
        }
      }
    }
    Check(found.has_value() == expected.has_value());
    if (found) {
      Check(static_cast<size_t>(found->first) == expected->first);
      Check(static_cast<size_t>(found->second) == expected->second);
      Check(found->first < found->second);
      Check(found->modbus_address == modbus[expected->first]);
      Check(!corvane::CollisionMessage(*found).empty());
    }
  }
  return 0;
}

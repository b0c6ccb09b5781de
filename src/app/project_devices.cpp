#include "app/project_devices.h"

#include <algorithm>

#include "model/type_table.h"
#include "ui/text.h"

namespace corvane {
namespace {

// How many types a project can name by hand: 0x001..0x018.
constexpr uint16_t kLastManualType = 0x018;

}  // namespace

std::vector<HeardEntry> ParseHeardList(std::span<const uint16_t> registers) {
  std::vector<HeardEntry> out;
  if (registers.empty()) return out;
  const size_t count = std::min<size_t>(registers[0], kHeardListMaxEntries);
  for (size_t i = 0; i < count; ++i) {
    const size_t reg = 1 + 4 * i;
    if (reg + 4 > registers.size()) break;
    HeardEntry entry;
    entry.address =
        static_cast<RfAddress>(registers[reg]) | (static_cast<RfAddress>(registers[reg + 1]) << 16);
    entry.seconds = registers[reg + 2];
    entry.rssi = static_cast<int8_t>(registers[reg + 3] & 0xFF);
    entry.flag = static_cast<uint8_t>(registers[reg + 3] >> 8);
    out.push_back(entry);
  }
  return out;
}

std::vector<HeardEntry> HeardListOf(const DongleLink& dongle) {
  std::vector<uint16_t> registers(kHeardListRegisters);
  for (int i = 0; i < kHeardListRegisters; ++i) {
    registers[static_cast<size_t>(i)] = dongle.Register(DongleLink::kRegHeardList + i);
  }
  return ParseHeardList(registers);
}

bool IsHeard(const DongleLink& dongle, RfAddress address) {
  if (address == 0) return false;
  for (const HeardEntry& entry : HeardListOf(dongle)) {
    if (entry.address == address) return true;
  }
  return false;
}

std::vector<HeardEntry> SortInRange(std::span<const HeardEntry> heard, InRangeSort sort) {
  std::vector<HeardEntry> out;
  for (const HeardEntry& entry : heard) {
    if (entry.address != 0) out.push_back(entry);
  }
  switch (sort) {
    case InRangeSort::kAddress:
      std::stable_sort(out.begin(), out.end(), [](const HeardEntry& a, const HeardEntry& b) {
        return a.address < b.address;
      });
      break;
    case InRangeSort::kRssi:
      std::stable_sort(out.begin(), out.end(),
                       [](const HeardEntry& a, const HeardEntry& b) { return a.rssi > b.rssi; });
      break;
    case InRangeSort::kTime:
      std::stable_sort(out.begin(), out.end(), [](const HeardEntry& a, const HeardEntry& b) {
        return a.seconds < b.seconds;
      });
      break;
  }
  return out;
}

std::u16string InRangeLine(const HeardEntry& entry) {
  std::u16string line = DeviceLine(entry.address);
  ui::AppendFormat(line, " %d dBm %d s", entry.rssi, entry.seconds);
  return line;
}

std::vector<std::u16string> InRangeLines(std::span<const HeardEntry> heard, InRangeSort sort) {
  std::vector<std::u16string> lines;
  for (const HeardEntry& entry : SortInRange(heard, sort)) lines.push_back(InRangeLine(entry));
  return lines;
}

std::u16string DeviceLine(RfAddress address) {
  return FormatAddress(address) + u" " + TypeName(address);
}

std::vector<std::u16string> ProjectDeviceLines(const Project& project) {
  std::vector<RfAddress> addresses;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project.Address(i) != 0) addresses.push_back(project.Address(i));
  }
  std::sort(addresses.begin(), addresses.end());
  std::vector<std::u16string> lines;
  lines.reserve(addresses.size());
  for (RfAddress address : addresses) lines.push_back(DeviceLine(address));
  return lines;
}

std::vector<std::u16string> ManualEntryLines() {
  std::vector<std::u16string> lines;
  for (uint16_t type = 0x001; type <= kLastManualType; ++type) {
    if (type == 0x00C || type == 0x010) continue;
    lines.push_back(DeviceLine(static_cast<RfAddress>(type) << 20));
  }
  lines.push_back(DeviceLine(static_cast<RfAddress>(kTypeModbusSide) << 20));
  return lines;
}

std::optional<std::vector<uint16_t>> AllocateRecord(size_t words) {
  return std::vector<uint16_t>(words, 0);
}

AddDeviceResult AddProjectDevice(Project& project, RfAddress address,
                                 const RecordAllocator& allocate) {
  if (address == 0 || project.Find(address) >= 0) return AddDeviceResult::kIgnored;
  const int entry = project.FirstFree();
  if (entry < 0) return AddDeviceResult::kFull;

  const std::vector<uint16_t> tpl = DefaultRecordTemplate();
  const size_t words = std::max((static_cast<size_t>(RecordSize(address)) + 1) / 2, tpl.size());
  std::optional<std::vector<uint16_t>> record = allocate(words);
  if (!record || record->size() != words) return AddDeviceResult::kNoMemory;
  std::fill(record->begin(), record->end(), 0);
  std::copy(tpl.begin(), tpl.end(), record->begin());
  project.SetEntry(entry, address, std::move(*record));
  return AddDeviceResult::kAdded;
}

int RemoveProjectDevice(Project& project, RfAddress address) {
  if (address == 0) return 0;
  int removed = 0;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project.Address(i) != address) continue;
    project.ClearEntry(i);
    ++removed;
  }
  return removed;
}

std::u16string ProjectListLine(const Project& project, int entry,
                               std::span<const HeardEntry> heard) {
  const RfAddress address = project.Address(entry);
  std::u16string line = DeviceLine(address);
  if (project.HasRecord(entry)) {
    const auto record = project.Record(entry);
    if (record.size() >= 16) line += u" " + ui::LoadLowBytes(record.subspan(8, 8));
  }
  const auto found = std::find_if(heard.begin(), heard.end(),
                                  [&](const HeardEntry& h) { return h.address == address; });
  if (address != 0 && found != heard.end()) {
    line += u"  \u16C9";
    ui::AppendFormat(line, " %d dBm", found->rssi);
    if (found->flag != 0) line += u" D";
  }
  return line;
}

FoundDevice FindProjectDevice(const Project& project, int start,
                              std::span<const AddressFilter> filters,
                              std::span<const HeardEntry> heard) {
  for (int i = std::max(start, 0); i < Project::kMaxDevices; ++i) {
    const RfAddress address = project.Address(i);
    if (address == 0) continue;
    const bool match =
        filters.empty() || std::any_of(filters.begin(), filters.end(), [&](const AddressFilter& f) {
          return (address & f.mask) == (f.value & f.mask);
        });
    if (match) return {i, ProjectListLine(project, i, heard)};
  }
  return {};
}

}  // namespace corvane

// The project's device table as the project editor and the device lists use it: adding and
// removing devices, the lines that name them, the search over the table, and the dongle's list
// of heard devices ("Devices in range").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/dongle_link.h"
#include "model/project.h"
#include "model/rf_address.h"

namespace corvane {

// One entry of the dongle's heard list (4 registers: address, seconds, RSSI and flag).
struct HeardEntry {
  RfAddress address = 0;  // 0 = empty entry
  uint16_t seconds = 0;   // since the device was last heard
  int8_t rssi = 0;        // dBm
  uint8_t flag = 0;       // non-zero is shown as " D"
  bool operator==(const HeardEntry&) const = default;
};

inline constexpr int kHeardListRegisters = 401;
inline constexpr int kHeardListMaxEntries = 100;

// The heard list from its registers (the first one holding the count, at most 100): the entries
// in list order, empty ones included. A short block gives the entries it fully holds.
std::vector<HeardEntry> ParseHeardList(std::span<const uint16_t> registers);

// The heard list as the dongle's register mirror holds it since the last scan, and whether a
// device is in it (address 0 never is).
std::vector<HeardEntry> HeardListOf(const DongleLink& dongle);
bool IsHeard(const DongleLink& dongle, RfAddress address);

// "Sort by" of the project editor, in the order of its combo box.
enum class InRangeSort : uint8_t { kAddress, kRssi, kTime };
inline constexpr std::array<std::u16string_view, 3> kInRangeSortNames = {
    u"Address", u"RSSI", u"Time from last communikation"};

// The heard entries with a non-zero address, ordered by address (ascending), RSSI (strongest
// first) or seconds since last heard (most recent first); equal keys keep the list order.
std::vector<HeardEntry> SortInRange(std::span<const HeardEntry> heard, InRangeSort sort);
// "0x%08X <type name> %d dBm %d s".
std::u16string InRangeLine(const HeardEntry& entry);
std::vector<std::u16string> InRangeLines(std::span<const HeardEntry> heard, InRangeSort sort);

// "0x%08X <type name>": how the editor names a device.
std::u16string DeviceLine(RfAddress address);
// A DeviceLine for every device of the project, in address order (unsigned).
std::vector<std::u16string> ProjectDeviceLines(const Project& project);
// The choices of "Manual address entry": one address per type code 0x001..0x018 (the code in
// bits 20..31), without 0x00C and 0x010, then the Modbus side 0xFFE00000.
std::vector<std::u16string> ManualEntryLines();

// Hands out the zeroed words of a new cached record; nullopt when the memory is not there.
using RecordAllocator = std::function<std::optional<std::vector<uint16_t>>(size_t words)>;
// The allocator the program uses. std::vector gives no failure short of an exception, so in
// practice this one always succeeds; the seam keeps the out-of-memory path of AddProjectDevice
// a real, testable branch.
std::optional<std::vector<uint16_t>> AllocateRecord(size_t words);

enum class AddDeviceResult : uint8_t {
  kAdded,
  kIgnored,   // address 0, or already in the project
  kFull,      // every entry taken
  kNoMemory,  // the record could not be allocated; the entry stays free ("Malloc Error")
};

// Puts the device into the first free entry with a fresh record: (RecordSize + 1) / 2 zeroed
// words that start with the 100-byte default template. The record is never shorter than the
// template's 50 words, so a type without a record size (type 0x000) still gets the whole
// template and a length that matches it.
AddDeviceResult AddProjectDevice(Project& project, RfAddress address,
                                 const RecordAllocator& allocate = AllocateRecord);
// Frees every entry holding the address with its record; returns how many there were.
int RemoveProjectDevice(Project& project, RfAddress address);

// The main device list's line of an entry: "0x%08X <type name>", a space and the device name
// from record words 8..15 when there is a record, and, when the device is in `heard`,
// "  ᛉ %d dBm" and " D" for a non-zero flag.
std::u16string ProjectListLine(const Project& project, int entry,
                               std::span<const HeardEntry> heard = {});

// A device search pattern: mask 0xFFFFFFFF is one address, otherwise (address & mask) must
// equal (value & mask).
struct AddressFilter {
  uint32_t value = 0;
  uint32_t mask = 0xFFFFFFFF;
};
struct FoundDevice {
  int index = -1;  // -1 when no entry is left
  std::u16string line;
};
// From entry `start` on, the next entry with a device that matches one of the filters (every
// device when there are none), with its ProjectListLine.
FoundDevice FindProjectDevice(const Project& project, int start,
                              std::span<const AddressFilter> filters,
                              std::span<const HeardEntry> heard = {});

}  // namespace corvane

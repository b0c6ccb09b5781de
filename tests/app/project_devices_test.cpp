// The project's device table without a dialog: heard-list parsing and sorting, adding and
// removing devices, the lines that name them, and the device search.
#include "app/project_devices.h"

#include <gtest/gtest.h>

#include <vector>

#include "access/address_text.h"
#include "model/type_table.h"

namespace corvane {
namespace {

// The heard list of the usual scan: two devices and an empty entry, count 3.
std::vector<HeardEntry> ThreeHeard() {
  return {{0x00300012, 4, -60, 0}, {0x00A00001, 120, -75, 1}, {0, 0, 0, 0}};
}

std::vector<uint16_t> Registers(uint16_t count, const std::vector<HeardEntry>& entries) {
  std::vector<uint16_t> regs(kHeardListRegisters, 0);
  regs[0] = count;
  for (size_t i = 0; i < entries.size(); ++i) {
    const HeardEntry& e = entries[i];
    regs[1 + 4 * i] = static_cast<uint16_t>(e.address);
    regs[2 + 4 * i] = static_cast<uint16_t>(e.address >> 16);
    regs[3 + 4 * i] = e.seconds;
    regs[4 + 4 * i] = static_cast<uint16_t>(static_cast<uint8_t>(e.rssi) | (e.flag << 8));
  }
  return regs;
}

TEST(HeardList, ParsesCountEntriesInListOrder) {
  const auto entries = ThreeHeard();
  EXPECT_EQ(ParseHeardList(Registers(3, entries)), entries);
  // Entries past the count are not part of the list.
  EXPECT_EQ(ParseHeardList(Registers(1, entries)), std::vector<HeardEntry>{entries[0]});
  EXPECT_TRUE(ParseHeardList({}).empty());
}

TEST(HeardList, CountIsBoundedByTheListAndTheBlock) {
  std::vector<HeardEntry> many;
  for (uint32_t i = 0; i < 100; ++i) many.push_back({0x00300000 + i, 1, -50, 0});
  EXPECT_EQ(ParseHeardList(Registers(0xFFFF, many)).size(), 100u);
  // A block that stops inside the third entry gives the two it holds whole.
  const auto regs = Registers(3, ThreeHeard());
  EXPECT_EQ(ParseHeardList(std::span(regs).first(1 + 4 * 2 + 3)).size(), 2u);
}

TEST(InRange, CountThreeShowsTwoLinesInEveryOrder) {
  const auto heard = ThreeHeard();
  const std::vector<std::u16string> expected = {u"0x00300012 Quadrel-A -60 dBm 4 s",
                                                u"0x00A00001 Termolo -75 dBm 120 s"};
  EXPECT_EQ(InRangeLines(heard, InRangeSort::kAddress), expected);
  EXPECT_EQ(InRangeLines(heard, InRangeSort::kRssi), expected);
  EXPECT_EQ(InRangeLines(heard, InRangeSort::kTime), expected);
}

TEST(InRange, SortKeysAndStability) {
  const std::vector<HeardEntry> heard = {
      {0x80000001, 30, -70, 0},  // above 0x7FFFFFFF: last by unsigned address
      {0x00A00001, 5, -40, 0},  {0, 1, 0, 0},
      {0x00300012, 30, -70, 0},  // same RSSI and seconds as the first: stays after it
      {0x00200001, 60, -90, 0},
  };
  auto addresses = [](const std::vector<HeardEntry>& list) {
    std::vector<RfAddress> out;
    for (const auto& e : list) out.push_back(e.address);
    return out;
  };
  EXPECT_EQ(addresses(SortInRange(heard, InRangeSort::kAddress)),
            (std::vector<RfAddress>{0x00200001, 0x00300012, 0x00A00001, 0x80000001}));
  EXPECT_EQ(addresses(SortInRange(heard, InRangeSort::kRssi)),
            (std::vector<RfAddress>{0x00A00001, 0x80000001, 0x00300012, 0x00200001}));
  EXPECT_EQ(addresses(SortInRange(heard, InRangeSort::kTime)),
            (std::vector<RfAddress>{0x00A00001, 0x80000001, 0x00300012, 0x00200001}));
}

TEST(AddProjectDevice, NewRecordIsTheTemplateThenZeros) {
  Project project;
  ASSERT_EQ(AddProjectDevice(project, 0x00300012), AddDeviceResult::kAdded);
  const int entry = project.Find(0x00300012);
  ASSERT_EQ(entry, 0);
  // 118 bytes: 59 words.
  EXPECT_EQ(project.Length(entry), 59u);
  const auto record = project.Record(entry);
  ASSERT_EQ(record.size(), 59u);
  const auto tpl = DefaultRecordTemplate();
  for (size_t w = 0; w < record.size(); ++w) {
    EXPECT_EQ(record[w], w < tpl.size() ? tpl[w] : 0) << "word " << w;
  }
  EXPECT_EQ(record[3], 0x1100);
  EXPECT_EQ(record[26], 0x0200);
}

TEST(AddProjectDevice, RecordSizesRoundUpAndNeverUnderTheTemplate) {
  Project project;
  // Type 0x000 has no record size: it still gets the template's 50 words.
  ASSERT_EQ(AddProjectDevice(project, 0x00000012), AddDeviceResult::kAdded);
  EXPECT_EQ(project.Length(project.Find(0x00000012)), 50u);
  EXPECT_EQ(project.Record(project.Find(0x00000012)).size(), 50u);
  EXPECT_EQ(project.Record(project.Find(0x00000012))[3], 0x1100);
  ASSERT_EQ(AddProjectDevice(project, 0x00100001), AddDeviceResult::kAdded);
  EXPECT_EQ(project.Length(project.Find(0x00100001)), 33352u / 2);
  ASSERT_EQ(AddProjectDevice(project, 0x00A00001), AddDeviceResult::kAdded);
  EXPECT_EQ(project.Length(project.Find(0x00A00001)), 98u);
}

TEST(AddProjectDevice, ZeroAndDuplicatesAreIgnored) {
  Project project;
  EXPECT_EQ(AddProjectDevice(project, 0), AddDeviceResult::kIgnored);
  EXPECT_EQ(AddProjectDevice(project, 0x00300012), AddDeviceResult::kAdded);
  project.Record(0)[40] = 0x1234;  // a record the user already prepared
  EXPECT_EQ(AddProjectDevice(project, 0x00300012), AddDeviceResult::kIgnored);
  EXPECT_EQ(project.DeviceCount(), 1);
  EXPECT_EQ(project.Record(0)[40], 0x1234);
}

TEST(AddProjectDevice, TakesTheFirstFreeEntry) {
  Project project;
  AddProjectDevice(project, 0x00300001);
  AddProjectDevice(project, 0x00300002);
  AddProjectDevice(project, 0x00300003);
  RemoveProjectDevice(project, 0x00300002);
  ASSERT_EQ(AddProjectDevice(project, 0x00A00009), AddDeviceResult::kAdded);
  EXPECT_EQ(project.Address(1), 0x00A00009u);
  EXPECT_EQ(project.Length(1), 98u);
}

TEST(AddProjectDevice, FullProjectChangesNothing) {
  Project project;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    ASSERT_EQ(AddProjectDevice(project, 0x00300000u + static_cast<uint32_t>(i)),
              AddDeviceResult::kAdded);
  }
  EXPECT_EQ(AddProjectDevice(project, 0x00A00001), AddDeviceResult::kFull);
  EXPECT_EQ(project.Find(0x00A00001), -1);
  EXPECT_EQ(project.DeviceCount(), Project::kMaxDevices);
}

TEST(AddProjectDevice, FailedAllocationLeavesTheEntryFree) {
  Project project;
  size_t asked = 0;
  const RecordAllocator none = [&](size_t words) -> std::optional<std::vector<uint16_t>> {
    asked = words;
    return std::nullopt;
  };
  EXPECT_EQ(AddProjectDevice(project, 0x00300012, none), AddDeviceResult::kNoMemory);
  EXPECT_EQ(asked, 59u);
  EXPECT_EQ(project.DeviceCount(), 0);
  EXPECT_EQ(project.Address(0), 0u);
  EXPECT_EQ(project.Length(0), 0u);
}

TEST(RemoveProjectDevice, FreesEveryEntryOfTheAddress) {
  Project project;
  AddProjectDevice(project, 0x00300012);
  AddProjectDevice(project, 0x00A00001);
  // A file may hold the same address twice; removing it takes both.
  project.SetEntry(5, 0x00300012, std::vector<uint16_t>(59, 1));
  EXPECT_EQ(RemoveProjectDevice(project, 0x00300012), 2);
  for (int entry : {0, 5}) {
    EXPECT_EQ(project.Address(entry), 0u);
    EXPECT_EQ(project.Length(entry), 0u);
    EXPECT_FALSE(project.HasRecord(entry));
  }
  EXPECT_EQ(project.Find(0x00A00001), 1);
  EXPECT_EQ(RemoveProjectDevice(project, 0x00300012), 0);
  EXPECT_EQ(RemoveProjectDevice(project, 0), 0);
  EXPECT_EQ(project.DeviceCount(), 1);
}

TEST(DeviceLines, ProjectLinesAreInUnsignedAddressOrder) {
  Project project;
  AddProjectDevice(project, 0xFFE00001);
  AddProjectDevice(project, 0x00A00001);
  AddProjectDevice(project, 0x00300012);
  EXPECT_EQ(ProjectDeviceLines(project),
            (std::vector<std::u16string>{u"0x00300012 Quadrel-A", u"0x00A00001 Termolo",
                                         u"0xFFE00001 DEVICE ON MODBUS"}));
}

TEST(DeviceLines, ManualEntryOffersEveryAddableType) {
  const auto lines = ManualEntryLines();
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines.front(), u"0x00100000 Ventora");
  EXPECT_EQ(lines[1], u"0x00200000 Calidor");
  EXPECT_EQ(lines.back(), u"0xFFE00000 DEVICE ON MODBUS");
  for (const auto& line : lines) {
    const uint16_t type = TypeOf(ParseAddressText(line));
    EXPECT_NE(type, 0x00C);
    EXPECT_NE(type, 0x010);
  }
  EXPECT_EQ(ParseAddressText(lines[1]), 0x00200000u);
}

TEST(ProjectListLine, NameFromRecordAndHeardMark) {
  Project project;
  AddProjectDevice(project, 0x00300012);
  AddProjectDevice(project, 0x00A00001);
  project.SetEntry(2, 0x00200007, {});  // loaded without a record
  const auto heard = ThreeHeard();
  EXPECT_EQ(ProjectListLine(project, 0, heard), u"0x00300012 Quadrel-A default  \u16C9 -60 dBm");
  EXPECT_EQ(ProjectListLine(project, 1, heard), u"0x00A00001 Termolo default  \u16C9 -75 dBm D");
  EXPECT_EQ(ProjectListLine(project, 1), u"0x00A00001 Termolo default");
  EXPECT_EQ(ProjectListLine(project, 2, heard), u"0x00200007 Calidor");
}

TEST(FindProjectDevice, WalksTheTableWithFilters) {
  Project project;
  AddProjectDevice(project, 0x00300012);
  AddProjectDevice(project, 0x00A00001);
  AddProjectDevice(project, 0x00300013);
  RemoveProjectDevice(project, 0x00A00001);  // a hole at entry 1

  // No filters: every device, holes skipped.
  FoundDevice found = FindProjectDevice(project, 0, {});
  EXPECT_EQ(found.index, 0);
  EXPECT_EQ(found.line, u"0x00300012 Quadrel-A default");
  EXPECT_EQ(FindProjectDevice(project, 1, {}).index, 2);
  EXPECT_EQ(FindProjectDevice(project, 3, {}).index, -1);
  EXPECT_TRUE(FindProjectDevice(project, 3, {}).line.empty());
  EXPECT_EQ(FindProjectDevice(project, Project::kMaxDevices, {}).index, -1);

  // Exact address, and a type mask that ignores the value's low bits.
  const AddressFilter exact[] = {{0x00300013, 0xFFFFFFFF}};
  EXPECT_EQ(FindProjectDevice(project, 0, exact).index, 2);
  const AddressFilter by_type[] = {{0x00A12345, 0xFFF00000}, {0x003FFFFF, 0xFFF00000}};
  EXPECT_EQ(FindProjectDevice(project, 1, by_type).index, 2);
  const AddressFilter other[] = {{0x00A00000, 0xFFF00000}};
  EXPECT_EQ(FindProjectDevice(project, 0, other).index, -1);

  // The line carries the heard mark like the main list's.
  EXPECT_EQ(FindProjectDevice(project, 0, {}, ThreeHeard()).line,
            u"0x00300012 Quadrel-A default  \u16C9 -60 dBm");
}

}  // namespace
}  // namespace corvane

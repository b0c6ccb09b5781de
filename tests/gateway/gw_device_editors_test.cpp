// The gateway's subdevice editors as the gateway dialog runs them: the address list, the address
// and number parsing, the automatic defaults after an address change, and what OK and Cancel
// leave in the owner's entry.
#include "gateway/gw_device_editors.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "gateway/gw_device_editors_template.h"
#include "model/type_table.h"
#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using namespace ui;

constexpr RfAddress kGateway = 0x00800001;    // the owner
constexpr RfAddress kInputNode = 0x00312345;  // battery powered, does not listen
constexpr RfAddress kOtherGateway = 0x00800002;
constexpr RfAddress kRelay = 0x00500007;  // listens

std::vector<uint16_t> RecordNamed(std::u16string_view name, size_t words) {
  std::vector<uint16_t> record(words);
  StoreLowBytes(name, std::span(record).subspan(8, 8));
  return record;
}

class GwEditorTest : public ::testing::Test {
 protected:
  GwEditorTest() {
    // Table order differs from address order on purpose.
    project.SetEntry(0, kRelay, RecordNamed(u"Hall lights", 158));
    project.SetEntry(1, kGateway, RecordNamed(u"Main GW", 200));
    project.SetEntry(3, kInputNode, {});
    project.SetEntry(4, kOtherGateway, RecordNamed(u"Annex", 200));
  }

  // The drop-down line of `device`, -1 when it has none.
  static int LineOf(const Dialog& d, RfAddress device) {
    for (int i = 0; i < d.Count(kSubAddress); ++i) {
      if (d.Item(kSubAddress, i).starts_with(FormatAddress(device))) return i;
    }
    return -1;
  }

  TestHost host;
  Project project;
  std::vector<HeardEntry> heard{{kInputNode, 3, -71, 0}};
};

TEST_F(GwEditorTest, AddressListLeavesOutTheOwnerAndMarksHeardDevices) {
  const auto lines = subdevice::AddressLines(project, kGateway, heard);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], u"0x00000000 disable");
  EXPECT_EQ(lines[1], u"0x00500007 " + TypeName(kRelay) + u" Hall lights");
  // No cached record: no name; heard: the mark without the RSSI the main list shows.
  EXPECT_EQ(lines[2], u"0x00312345 " + TypeName(kInputNode) + u"  \u16C9");
  EXPECT_EQ(lines[3], u"0x00800002 " + TypeName(kOtherGateway) + u" Annex");
}

TEST(SubdeviceParsing, AddressRules) {
  using subdevice::AddressRule;
  using subdevice::ParseAddress;
  // Decimal and hexadecimal name the same device; the decimal may be the signed one the display
  // name shows.
  EXPECT_EQ(ParseAddress(u"3220293", AddressRule::kOk), 0x00312345u);
  EXPECT_EQ(ParseAddress(u"0x00312345", AddressRule::kOk), 0x00312345u);
  EXPECT_EQ(ParseAddress(u"0X312345", AddressRule::kOk), 0x00312345u);
  EXPECT_EQ(ParseAddress(u"-1", AddressRule::kOk), 0xFFFFFFFFu);
  EXPECT_EQ(ParseAddress(u"4294967295", AddressRule::kOk), 0xFFFFFFFFu);
  EXPECT_EQ(ParseAddress(u"4294967296", AddressRule::kOk), std::nullopt);
  // A drop-down line reads as its address.
  EXPECT_EQ(ParseAddress(u"0x00800002 Gatrix-xx Annex  \u16C9", AddressRule::kOk), 0x00800002u);
  EXPECT_EQ(ParseAddress(u"0x00000000 disable", AddressRule::kDefaults), 0u);
  // "0x%08X" stops after eight digits; "0x%X" refuses what does not fit 32 bits.
  EXPECT_EQ(ParseAddress(u"0x123456789", AddressRule::kOk), 0x12345678u);
  EXPECT_EQ(ParseAddress(u"0x123456789", AddressRule::kDefaults), std::nullopt);
  // An "x" further on makes the text hexadecimal, which then needs the prefix.
  EXPECT_EQ(ParseAddress(u"12x4", AddressRule::kOk), std::nullopt);
  EXPECT_EQ(ParseAddress(u"0x", AddressRule::kOk), std::nullopt);
  EXPECT_EQ(ParseAddress(u"disable", AddressRule::kOk), std::nullopt);
}

TEST(SubdeviceParsing, NumberFieldsAreCutToTheirWidth) {
  EXPECT_EQ(subdevice::ReadField(u"5000", 12), 904u);
  EXPECT_EQ(subdevice::ReadField(u"300", 8), 44u);
  EXPECT_EQ(subdevice::ReadField(u"-1", 16), 0xFFFFu);
  EXPECT_EQ(subdevice::ReadField(u"abc", 16), 0u);
  EXPECT_EQ(subdevice::ReadField(u" 12 registers", 16), 12u);
}

TEST_F(GwEditorTest, ChoosingADevicePresetsItsCacheFields200msLater) {
  GwDeviceEntry entry;
  uint8_t modbus = 0;
  CGwDevices editor(host, entry, modbus, kGateway, project, heard);
  host.Open(editor);
  ASSERT_TRUE(host.Select(editor, kSubAddress, LineOf(editor, kInputNode)));
  host.Advance(199);
  EXPECT_EQ(editor.Text(kSubMapLength), u"0");
  host.Advance(1);
  EXPECT_EQ(editor.Text(kSubMapLength), u"59");
  EXPECT_EQ(editor.CurSel(kSubPriority), 3);
  EXPECT_TRUE(editor.IsChecked(kSubCached));

  // A gateway listens: its whole map, not cached.
  ASSERT_TRUE(host.Select(editor, kSubAddress, LineOf(editor, kOtherGateway)));
  host.Advance(200);
  EXPECT_EQ(editor.Text(kSubMapLength), u"19618");
  EXPECT_FALSE(editor.IsChecked(kSubCached));

  // The user's own length survives the drop-down losing the focus afterwards.
  ASSERT_TRUE(host.LeaveField(editor, kSubAddress));
  ASSERT_TRUE(host.Type(editor, kSubMapLength, u"100"));
  host.Advance(200);
  EXPECT_EQ(editor.Text(kSubMapLength), u"100");
  // Nothing reaches the entry before OK.
  EXPECT_EQ(entry, GwDeviceEntry{});
  EXPECT_TRUE(host.IsOpen(editor));
}

TEST_F(GwEditorTest, EnterChecksAtOnceAndDoesNotClose) {
  GwDeviceEntry entry{.address = kRelay};
  entry.SetCachedForce(true);
  uint8_t modbus = 0;
  CGwDevices editor(host, entry, modbus, kGateway, project, heard);
  host.Open(editor);
  ASSERT_TRUE(host.Type(editor, kSubAddress, u"3220293"));  // the input node, typed in decimal
  ASSERT_TRUE(host.PressKey(editor, vk::kReturn, kSubAddress));
  EXPECT_TRUE(host.IsOpen(editor));
  EXPECT_EQ(editor.Text(kSubMapLength), u"59");
  EXPECT_EQ(editor.CurSel(kSubPriority), 3);
  // A forced cache is left to the user.
  EXPECT_FALSE(editor.IsChecked(kSubCached));

  // The stored address itself presets nothing.
  ASSERT_TRUE(host.Type(editor, kSubMapLength, u"7"));
  ASSERT_TRUE(host.Type(editor, kSubAddress, u"0x00500007"));
  ASSERT_TRUE(host.PressKey(editor, vk::kReturn, kSubAddress));
  EXPECT_EQ(editor.Text(kSubMapLength), u"7");
}

TEST_F(GwEditorTest, OpeningShowsTheEntryOkStoresItCancelNothing) {
  GwDeviceEntry entry{.address = kRelay, .mb_start = 2034};
  entry.SetMbCount(158);
  entry.SetPriority(2);
  uint8_t modbus = 17;
  const GwDeviceEntry before = entry;
  CGwDevices editor(host, entry, modbus, kGateway, project, heard);
  host.Open(editor);
  EXPECT_EQ(editor.Title(), u"GW Configuration of subdevice " + DisplayName(kRelay));
  EXPECT_EQ(editor.Text(kSubAddress), u"0x00500007");
  EXPECT_EQ(editor.Text(kSubMapLength), u"158");
  EXPECT_EQ(editor.Text(kSubMapOffset), u"2034");
  EXPECT_EQ(editor.CurSel(kSubPriority), 2);
  EXPECT_EQ(editor.Text(kSubModbusAddress), u"17");
  EXPECT_EQ(editor.unknown_id_uses(), 0);
  ASSERT_TRUE(host.Type(editor, kSubMapLength, u"5000"));
  ASSERT_TRUE(host.Click(editor, kIdCancel));
  EXPECT_EQ(entry, before);

  editor.ResetEnded();
  host.Open(editor);
  ASSERT_TRUE(host.Type(editor, kSubAddress, u"0x0031Z"));  // read as far as it is hex: 0x31
  ASSERT_TRUE(host.Type(editor, kSubMapLength, u"4095"));
  ASSERT_TRUE(host.Type(editor, kSubMapOffset, u"x"));  // no number: 0
  ASSERT_TRUE(host.Toggle(editor, kSubCached));
  ASSERT_TRUE(host.Toggle(editor, kSubCachedForce));
  ASSERT_TRUE(host.Select(editor, kSubPriority, 3));
  ASSERT_TRUE(host.Type(editor, kSubModbusAddress, u"255"));
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_FALSE(host.IsOpen(editor));
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(entry.address, 0x00000031u);
  EXPECT_EQ(entry.MbCount(), 4095);
  EXPECT_EQ(entry.mb_start, 0);
  EXPECT_TRUE(entry.Cached());
  EXPECT_TRUE(entry.CachedForce());
  EXPECT_EQ(entry.Priority(), 3);
  EXPECT_EQ(modbus, 255);
}

// A number its bits cannot hold is refused by name and range, never stored as its low bits:
// the editor stays open with what was typed and the entry keeps every field.
TEST_F(GwEditorTest, OkRefusesANumberBeyondItsField) {
  GwDeviceEntry entry{.address = kRelay, .mb_start = 2034};
  entry.SetMbCount(158);
  uint8_t modbus = 17;
  const GwDeviceEntry before = entry;
  CGwDevices editor(host, entry, modbus, kGateway, project, heard);
  host.Open(editor);
  ASSERT_TRUE(host.Select(editor, kSubAddress, LineOf(editor, kOtherGateway)));
  for (const auto& [id, typed, message] : {
           std::tuple{kSubModbusAddress, u"300", u"Modbus address must be between 0 and 255"},
           std::tuple{kSubModbusAddress, u"-1", u"Modbus address must be between 0 and 255"},
           std::tuple{kSubMapOffset, u"65536", u"Modbus map offset must be between 0 and 65535"},
           std::tuple{kSubMapLength, u"5000", u"Modbus map length must be between 0 and 4095"},
       }) {
    SCOPED_TRACE(Utf16ToUtf8(typed));
    host.ClearBoxes();
    const std::u16string kept = editor.Text(id);
    ASSERT_TRUE(host.Type(editor, id, typed));
    ASSERT_TRUE(host.Click(editor, kIdOk));
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].text, message);
    EXPECT_EQ(host.boxes()[0].caption, u"Invalid value");
    EXPECT_TRUE(host.IsOpen(editor));
    EXPECT_EQ(editor.Text(id), typed);
    EXPECT_EQ(entry, before);
    EXPECT_EQ(modbus, 17);
    ASSERT_TRUE(host.Type(editor, id, kept));
  }
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_FALSE(host.IsOpen(editor));
  EXPECT_EQ(entry.address, kOtherGateway);
}

TEST_F(GwEditorTest, DisableFreesTheEntryAndAnUnreadableAddressKeepsIt) {
  GwDeviceEntry entry{.address = kRelay};
  uint8_t modbus = 0;
  CGwDevices editor(host, entry, modbus, kGateway, project, heard);
  host.Open(editor);
  ASSERT_TRUE(host.Type(editor, kSubAddress, u"garbage"));
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_EQ(entry.address, kRelay);

  editor.ResetEnded();
  host.Open(editor);
  ASSERT_TRUE(host.Select(editor, kSubAddress, 0));
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_EQ(entry.address, 0u);
}

TEST_F(GwEditorTest, UniRegistersAreOneBasedAndTooLargeOnesRefused) {
  GwUniEntry entry{.address = kInputNode, .reg = {0x8004, 9}};
  CGwDevicesUni editor(host, entry, kGateway, project, heard);
  host.Open(editor);
  EXPECT_EQ(editor.Title(),
            u"GW Configuration of unidirectional subdevice " + DisplayName(kInputNode));
  EXPECT_EQ(editor.Text(kSubRegister1), u"5");
  EXPECT_TRUE(editor.IsChecked(kSubFifo1));
  EXPECT_EQ(editor.Text(kSubRegister2), u"10");
  EXPECT_FALSE(editor.IsChecked(kSubFifo2));

  // Choosing another device presets nothing in this editor.
  ASSERT_TRUE(host.Select(editor, kSubAddress, LineOf(editor, kRelay)));
  host.Advance(500);
  EXPECT_EQ(editor.Text(kSubRegister1), u"5");

  ASSERT_TRUE(host.Type(editor, kSubRegister2, u"32769"));
  ASSERT_TRUE(host.Click(editor, kIdOk));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Register Num 2 must be between 1 and 32768.");
  EXPECT_TRUE(host.IsOpen(editor));
  EXPECT_EQ(entry.address, kInputNode);

  // Enter is OK here; 0 and 1 both name register 0, 32768 the last one.
  ASSERT_TRUE(host.Type(editor, kSubRegister1, u"0"));
  ASSERT_TRUE(host.Type(editor, kSubRegister2, u"32768"));
  ASSERT_TRUE(host.Toggle(editor, kSubFifo2));
  ASSERT_TRUE(host.PressKey(editor, vk::kReturn, kSubRegister2));
  EXPECT_FALSE(host.IsOpen(editor));
  EXPECT_EQ(entry.address, kRelay);
  EXPECT_EQ(entry.reg[0], 0x8000);
  EXPECT_EQ(entry.reg[1], 0xFFFF);
}

}  // namespace
}  // namespace corvane

// The lighting-bus bridge dialog and its sub-dialogs: the long read and its completion, the
// EEPROM store sequence and its time-outs, the command rows and what they send, the command
// editor from a double-click, the control-device records, the test press bytes and closing.
#include "lighting/dali_bridge_dlg.h"

#include <gtest/gtest.h>

#include "device_fixture.h"
#include "lighting/dali_bridge_template.h"
#include "lighting/dali_edit.h"
#include "lighting/dali_edit_template.h"
#include "lighting/light_control_dev_dlg.h"
#include "lighting/light_control_dev_template.h"
#include "ui/text.h"

namespace corvane::lighting {
namespace {

using devices::testing::DeviceTest;
using ui::SourceState;
namespace demo = sim::demo;
using namespace ui;
using namespace dali_word;
using Step = Pending;

class DaliBridgeTest : public DeviceTest {
 protected:
  CDaliBridgeDlg& OpenBridge(std::vector<RfAddress> others = {}) {
    others.insert(others.begin(), demo::kLightingBridgeB);
    StartWithProject(others);
    sim.SetMute(demo::kLightingBridgeB, true);
    MarkHeard({demo::kLightingBridgeB});
    return Open<CDaliBridgeDlg>(demo::kLightingBridgeB, 0, DialogClass::kDaliBridge);
  }
  static uint32_t Word32(const devices::DeviceDialog& d, int word) {
    return RecordWord32(d.record(), word);
  }
  // A whole record from the device, in blocks as the queue asks for them.
  static void DeliverRecord(CDaliBridgeDlg& d, uint16_t firmware, int last = kDaliBridgeWords) {
    std::vector<uint16_t> words(kDaliBridgeWords, 0);
    words[1] = firmware;
    for (int first = 0; first < last; first += 250) {
      const int count = std::min(250, last - first);
      Deliver(d, static_cast<uint16_t>(first),
              std::vector<uint16_t>(words.begin() + first, words.begin() + first + count));
    }
  }
  // Whether a write of registers 54..55 with `word` went out.
  bool CommandSent(const std::vector<std::string>& sent, uint32_t word) {
    return AnySent(sent, Utf16ToUtf8(Format("36 00 02 %02X %02X %02X %02X", word & 0xFF,
                                            (word >> 8) & 0xFF, (word >> 16) & 0xFF, word >> 24)));
  }
};

TEST_F(DaliBridgeTest, ReadWaitsForAllRegistersUnlessTheFirmwareLacksTheEdges) {
  auto& d = OpenBridge();
  EXPECT_TRUE(host.TimerRunning(d, CDaliBridgeDlg::kRssiTimer));
  host.Click(d, devices::kDevRead);
  // The record is longer than 256 words: the last block still counts.
  DeliverRecord(d, 400, 480);
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 480, std::vector<uint16_t>(10, 7));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.Text(kDaliRisingEdge), u"7 us");
  EXPECT_EQ(d.Text(kDaliGwAddress), u"0x00070007");

  // Firmware 2 has no registers from 484 on: neither waited for nor shown.
  host.Click(d, devices::kDevRead);
  DeliverRecord(d, 2, 484);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.Text(kDaliRisingEdge), u"--");
  EXPECT_EQ(d.Text(kDaliGwAddress), u"--");

  // Modbus ID: register 27 once it is there, word 0 before.
  Deliver(d, 27, {17});
  Deliver(d, 0, {0x1234});
  EXPECT_EQ(d.Text(devices::kDevModbusId), u"17");

  host.Click(d, devices::kDevRead);
  host.Advance(CDaliBridgeDlg::kTimeoutMs);
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(BoxTexts().back(), u"Read unsuccessfull");
}

TEST_F(DaliBridgeTest, EepromStoreIsARamWriteThenARequestReadBackUntilStored) {
  auto& d = OpenBridge();
  dlg->project().SetFrequencyIndex(4);
  host.QueueAnswer(kIdNo);
  host.Click(d, devices::kDevWriteEeprom);
  EXPECT_EQ(BoxTexts().back(),
            u"Data are from project, write can replace data in device.\nStill want to write?");
  EXPECT_EQ(d.source(), SourceState::kProject);

  host.QueueAnswer(kIdYes);
  host.Type(d, kDaliAdvance, u"-300");
  host.Click(d, devices::kDevWriteEeprom);
  EXPECT_EQ(host.TimerPeriod(d, CDaliBridgeDlg::kTimeoutTimer), 6000);
  EXPECT_EQ(d.record()[kSystem] >> 8, 0x80);  // -128: a signed byte stops at its end
  // Registers 8..483; the part beyond 256 completes it too.
  d.OnWriteAck(d.address(), 8, 250, false);
  EXPECT_EQ(d.pending(), Step::kEepromWrite);
  d.OnWriteAck(d.address(), 258, 226, false);
  EXPECT_EQ(d.pending(), Step::kEepromStore);
  EXPECT_EQ(d.record()[2] & 0x0300, 0x0100);
  EXPECT_EQ(host.TimerPeriod(d, CDaliBridgeDlg::kTimeoutTimer), 2000);
  d.OnWriteAck(d.address(), 2, 1, false);
  EXPECT_EQ(d.pending(), Step::kEepromConfirm);
  Deliver(d, 2, {0x0100});
  EXPECT_EQ(d.source(), SourceState::kWrite);
  Deliver(d, 2, {0x0200});
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Step::kNone);
  EXPECT_EQ(host.boxes().size(), 2u) << "no success message";

  // Without the stored bit the confirmation times out with its own message.
  host.Click(d, devices::kDevWriteEeprom);
  d.OnWriteAck(d.address(), 8, 476, false);
  d.OnWriteAck(d.address(), 2, 1, false);
  host.Advance(2000);
  EXPECT_EQ(BoxTexts().back(), u"Write to EEPROM ack not received");
  EXPECT_EQ(d.source(), SourceState::kError);

  host.QueueAnswer(kIdYes);
  host.Click(d, devices::kDevWriteRam);
  EXPECT_EQ(host.TimerPeriod(d, CDaliBridgeDlg::kTimeoutTimer), 5000);
  host.Advance(5000);
  EXPECT_EQ(BoxTexts().back(), u"Write to RAM unsuccessfull");
}

TEST_F(DaliBridgeTest, CommandRowsEncodeSendAndCollect) {
  auto& d = OpenBridge();
  // The bridge takes each command, so the next one goes out.
  sim.SetMute(demo::kLightingBridgeB, false);
  transport.Take();
  const int cmd = DaliRowId(kDaliCmd0, kDaliRowCommand);
  const int len = DaliRowId(kDaliLen0, kDaliRowCommand);
  const int prio = DaliRowId(kDaliPrio0, kDaliRowCommand);
  Deliver(d, kResponse, {0x1234, 0});
  host.Type(d, cmd, u"FF00");
  host.Type(d, len, u"16");
  host.Type(d, prio, u"3");
  host.Click(d, kDaliWriteCmd);
  EXPECT_EQ(Word32(d, kCommand), 0x6001FF00u);
  EXPECT_EQ(d.Text(kDaliResponse), u"");
  // Len 40 is taken as 28: the marker falls out of the frame.
  host.Type(d, len, u"40");
  host.Click(d, kDaliWriteCmd);
  EXPECT_EQ(Word32(d, kCommand), 0x6000FF00u);
  EXPECT_EQ(d.Text(cmd), u"00007F00");
  EXPECT_EQ(d.Text(len), u"15");
  // Nothing to execute without a frame: nothing is sent.
  host.Type(d, cmd, u"zz");
  host.Click(d, kDaliWriteCmd);
  // ...and the user hears which field does not read.
  EXPECT_EQ(BoxTexts().back(), u"Invalid DALI command: Command must be a hexadecimal number");
  host.Advance(100);
  auto sent = transport.Take();
  EXPECT_TRUE(CommandSent(sent, 0x6001FF00u)) << ::testing::PrintToString(sent);
  EXPECT_TRUE(CommandSent(sent, 0x6000FF00u));
  EXPECT_EQ(Word32(d, kCommand), 0x6000FF00u);

  // Light OFF and the memory read keep the push/pull bit and clear the priority.
  Deliver(d, kCommand, {0xFF00, 0x7001});
  host.Click(d, kDaliLightOff);
  EXPECT_EQ(Word32(d, kCommand), 0x1001FF00u);
  host.Type(d, kDaliMemNumber, u"4660");  // 0x1234
  host.Click(d, kDaliReadMem);
  host.Advance(500);
  sent = transport.Take();
  for (uint32_t word : {0x1001FF00u, 0x1001C334u, 0x1001A312u, 0x100101C5u}) {
    EXPECT_TRUE(CommandSent(sent, word)) << std::hex << word;
  }

  // Gathering: the two stored rows, a row that does not parse stays as it was.
  const int trigger = DaliRowId(kDaliCmd0, kDaliRowTrigger);
  host.Type(d, DaliRowId(kDaliCmd0, kDaliRowGetActual), u"01A0");
  host.Type(d, DaliRowId(kDaliLen0, kDaliRowGetActual), u"16");
  host.Type(d, DaliRowId(kDaliPrio0, kDaliRowGetActual), u"?");
  Deliver(d, kTrigger, {0x0100, 0x0001});
  host.Type(d, DaliRowId(kDaliLen0, kDaliRowTrigger), u"");
  host.Type(d, trigger, u"0200");
  host.Click(d, devices::kDevSave);
  EXPECT_EQ(Word32(d, kGetActual), 0x600101A0u);
  EXPECT_EQ(Word32(d, kTrigger), 0x00010100u);
}

// A priority its two bits cannot hold stops Write CMD, Save and Write with the field's name and
// range; nothing is stored or sent and the field keeps what was typed.
TEST_F(DaliBridgeTest, PriorityBeyondTwoBitsIsRefused) {
  auto& d = OpenBridge();
  transport.Take();
  const uint32_t command_before = Word32(d, kCommand);
  const uint32_t trigger_before = Word32(d, kTrigger);
  const int prio = DaliRowId(kDaliPrio0, kDaliRowCommand);
  const int trigger_prio = DaliRowId(kDaliPrio0, kDaliRowTrigger);
  auto refused = [&](int id) {
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].text, u"Prio must be between 0 and 3");
    EXPECT_EQ(host.boxes()[0].caption, u"Invalid value");
    EXPECT_EQ(d.Text(id), u"9");
    host.ClearBoxes();
  };
  host.Type(d, prio, u"9");
  host.Click(d, kDaliWriteCmd);
  refused(prio);
  EXPECT_EQ(Word32(d, kCommand), command_before);

  host.Type(d, trigger_prio, u"9");
  host.Click(d, devices::kDevSave);
  refused(trigger_prio);
  host.Click(d, devices::kDevWriteRam);
  refused(trigger_prio);
  EXPECT_EQ(d.pending(), devices::Pending::kNone);
  EXPECT_EQ(Word32(d, kTrigger), trigger_before);
  host.Advance(100);
  EXPECT_TRUE(transport.Take().empty());
}

TEST_F(DaliBridgeTest, EditorOpensOnTheCommandAndWritesItsChoiceBack) {
  auto& d = OpenBridge();
  const int cmd = DaliRowId(kDaliCmd0, kDaliRowTrigger);
  host.Type(d, cmd, u"91A0");
  bool ran = false;
  host.OnModal<CDaliEdit>([&](CDaliEdit& edit) {
    ran = true;
    EXPECT_EQ(edit.Title(), u"DALI Command Editor");
    EXPECT_EQ(edit.CurSel(kDaliEditAddress), 9);  // "Group 8"
    EXPECT_EQ(edit.CurSel(kDaliEditCommand), 6);  // "Get Actual Value"
    host.Select(edit, kDaliEditAddress, 0);
    host.Select(edit, kDaliEditCommand, 1);
    host.Click(edit, kIdOk);
  });
  ASSERT_TRUE(d.Deliver(Event{.kind = Event::Kind::kDoubleClick, .id = cmd}));
  ASSERT_TRUE(ran);
  EXPECT_EQ(d.Text(cmd), u"0000FF00");
  EXPECT_EQ(d.Text(DaliRowId(kDaliLen0, kDaliRowTrigger)), u"16");
  EXPECT_EQ(d.Text(DaliRowId(kDaliPrio0, kDaliRowTrigger)), u"0");

  // A short address the list does not hold (30) shows no address but its command ("On"); OK
  // without a pick leaves the row as it was.
  host.Type(d, cmd, u"3D05");
  host.Type(d, DaliRowId(kDaliPrio0, kDaliRowTrigger), u"2");
  host.OnModal<CDaliEdit>([&](CDaliEdit& edit) {
    EXPECT_EQ(edit.CurSel(kDaliEditAddress), -1);
    EXPECT_EQ(edit.CurSel(kDaliEditCommand), 2);
    host.Click(edit, kIdOk);
    EXPECT_FALSE(edit.changed());
  });
  d.Deliver(Event{.kind = Event::Kind::kDoubleClick, .id = cmd});
  EXPECT_EQ(d.Text(cmd), u"3D05");
  EXPECT_EQ(d.Text(DaliRowId(kDaliLen0, kDaliRowTrigger)), u"16");
  EXPECT_EQ(d.Text(DaliRowId(kDaliPrio0, kDaliRowTrigger)), u"2");
}

TEST_F(DaliBridgeTest, ClosingAsksOnlyForSettingsAndKeepsLiveValuesSilently) {
  auto& d = OpenBridge();
  Deliver(d, kUptime, {500, 0});
  // The actual value and the edges are measurements too.
  Deliver(d, kActualValue, {42});
  Deliver(d, kRisingEdge, {7, 9});
  host.CloseBox(d);
  EXPECT_TRUE(host.boxes().empty());
  const auto blob = dlg->project().Record(dlg->project().Find(d.address()));
  EXPECT_EQ(blob[kUptime], 500);

  dlg->dialog_slots().Release(&d);
  auto& again = Open<CDaliBridgeDlg>(demo::kLightingBridgeB, 0, DialogClass::kDaliBridge);
  host.Toggle(again, kDaliSystemMode);
  host.QueueAnswer(kIdCancel);
  host.CloseBox(again);
  EXPECT_EQ(BoxTexts().back(), u"Save changes?");
  EXPECT_TRUE(host.IsOpen(again));
  host.QueueAnswer(kIdYes);
  host.CloseBox(again);
  EXPECT_EQ(dlg->project().Record(dlg->project().Find(d.address()))[kSystem] & 0xFF, 1);

  // Default keeps the identity, names the bridge and advances the rising edge by -2.
  dlg->dialog_slots().Release(&again);
  auto& third = Open<CDaliBridgeDlg>(demo::kLightingBridgeB, 0, DialogClass::kDaliBridge);
  Deliver(third, 0, {0, 0, 0, 0, 0, 0, 33});
  host.Click(third, devices::kDevDefault);
  EXPECT_EQ(third.record()[0], 1296);
  EXPECT_EQ(third.record()[1], 400);
  EXPECT_EQ(third.record()[5], 1128);
  EXPECT_EQ(third.record()[6], 33);
  EXPECT_EQ(third.Text(devices::kDevName), u"DALI interface");
  EXPECT_EQ(third.Text(kDaliAdvance), u"-2");
  EXPECT_EQ(third.CurSel(devices::kDevRfPower), 2);
}

// The control-device sub-dialog on a record of its own.
class LightControlDevTest : public DaliBridgeTest {
 protected:
  std::vector<uint16_t> record = std::vector<uint16_t>(kDaliBridgeWords, 0);
  std::vector<std::vector<uint8_t>> sent;
  RfAddress sent_to = 0;

  std::unique_ptr<CLightControlDevDlg> Device(int k) {
    auto device = std::make_unique<CLightControlDevDlg>(
        host, std::span<uint16_t>(record), k, dlg->project(), demo::kLightingBridgeB,
        [this](RfAddress to, std::span<const uint8_t> bytes) {
          sent_to = to;
          sent.emplace_back(bytes.begin(), bytes.end());
        });
    host.Open(*device);
    return device;
  }
};

TEST_F(LightControlDevTest, OkStoresAddressCommandsAndPushPull) {
  StartWithProject({demo::kLightingBridgeB, demo::kKeypad, demo::kCounter, demo::kWindow});
  SetRecordWord32(record, ButtonCommandWord(2, ButtonCommand::kOff, 1), 0x4001FF00);
  SetRecordWord32(record, ButtonCommandWord(2, ButtonCommand::kLongPress, 3), 0x00010101);
  auto device = Device(2);
  EXPECT_EQ(device->Title(), u"Luxbrig-x Control Device 3");
  // "disable" and the push-button devices of the project (not the counter).
  ASSERT_EQ(device->Count(kLcdAddress), 3);
  EXPECT_EQ(device->Text(kLcdAddress), u"0x00000000");
  EXPECT_EQ(device->Text(LcdId(kLcdOffCmd0, 1)), u"0000FF00");
  EXPECT_EQ(device->Text(LcdId(kLcdOffPrio0, 1)), u"2");
  host.Select(*device, kLcdAddress, 1);
  host.Type(*device, LcdId(kLcdOnCmd0, 0), u"8105");
  host.Type(*device, LcdId(kLcdOnLen0, 0), u"16");
  host.Type(*device, LcdId(kLcdOnPrio0, 0), u"1");
  host.Toggle(*device, LcdId(kLcdPushPull0, 0));
  host.Type(*device, LcdId(kLcdOffPrio0, 1), u"x");  // keeps the priority
  host.Type(*device, LcdId(kLcdLongLen0, 3), u"");   // a command without length is none
  host.Click(*device, kIdOk);
  EXPECT_EQ(ControlDeviceAddress(record, 2), demo::kKeypad);
  EXPECT_EQ(RecordWord32(record, ButtonCommandWord(2, ButtonCommand::kOn, 0)), 0x30018105u);
  EXPECT_EQ(RecordWord32(record, ButtonCommandWord(2, ButtonCommand::kOff, 1)), 0x4001FF00u);
  EXPECT_EQ(RecordWord32(record, ButtonCommandWord(2, ButtonCommand::kLongPress, 3)), 0u);

  // Cancel changes nothing.
  auto again = Device(2);
  EXPECT_TRUE(again->IsChecked(LcdId(kLcdPushPull0, 0)));
  host.Type(*again, kLcdAddress, u"0x00000000 disable");
  host.Click(*again, kIdCancel);
  EXPECT_EQ(ControlDeviceAddress(record, 2), demo::kKeypad);
}

TEST_F(LightControlDevTest, OkRefusesAPriorityBeyondTwoBits) {
  StartWithProject({demo::kLightingBridgeB, demo::kKeypad});
  SetRecordWord32(record, ButtonCommandWord(1, ButtonCommand::kOn, 2), 0x2001FF00);
  const std::vector<uint16_t> before = record;
  auto device = Device(1);
  host.Select(*device, kLcdAddress, 1);
  host.Type(*device, LcdId(kLcdOnPrio0, 2), u"9");
  host.Click(*device, kIdOk);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Prio must be between 0 and 3");
  EXPECT_EQ(host.boxes()[0].caption, u"Invalid value");
  EXPECT_TRUE(host.IsOpen(*device));
  EXPECT_EQ(device->Text(LcdId(kLcdOnPrio0, 2)), u"9");
  EXPECT_EQ(record, before);
  host.Type(*device, LcdId(kLcdOnPrio0, 2), u"3");
  host.Click(*device, kIdOk);
  EXPECT_FALSE(host.IsOpen(*device));
  EXPECT_EQ(RecordWord32(record, ButtonCommandWord(1, ButtonCommand::kOn, 2)), 0x6001FF00u);
}

TEST_F(LightControlDevTest, TestPressImitatesTheControlDevicesReport) {
  StartWithProject({demo::kLightingBridgeB});
  SetRecordWord32(record, ControlDeviceWord(5), 0x00E00602);
  auto device = Device(5);
  host.Click(*device, LcdId(kLcdTest0, 2));
  host.Click(*device, LcdId(kLcdTest0, 0));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent_to, demo::kLightingBridgeB);
  EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x90, 14, 0x02, 0x06, 0xE0, 0x00, 1, 0xC1, 7, 50, 0, 2,
                                           0x00, 0x04, 0, 0}));
  EXPECT_EQ(sent[1][6], 2);
  EXPECT_EQ(sent[1][13], 0x01);
}

}  // namespace
}  // namespace corvane::lighting

// The device dialog pattern: indicator transitions, pending-word sets, the time-out, the
// overwrite question, writes, Save and close, Import, Default and the button rules. The
// simulated node is muted where the test plays the device itself.
#include <gtest/gtest.h>

#include "device_fixture.h"
#include "devices/input_node_dlg.h"
#include "devices/output_node_dlg.h"
#include "devices/room_unit_dlg.h"
#include "devices/sensor_dlgs.h"
#include "model/device_text.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::DeviceTest;
using ui::SourceState;
namespace demo = sim::demo;

class PatternTest : public DeviceTest {
 protected:
  // The mains-powered Quadrel-B answers at once; muted, the test answers for it.
  CInputNodeBDlg& OpenMutedB(bool zeroed = false) {
    StartWithProject({demo::kInputB, demo::kGateway, demo::kGatewayInput}, zeroed);
    sim.SetMute(demo::kInputB, true);
    MarkHeard({demo::kInputB});
    return Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  }
  std::vector<uint16_t> Words(int count, uint16_t value) {
    return std::vector<uint16_t>(static_cast<size_t>(count), value);
  }
  std::span<const uint16_t> Blob(RfAddress address) {
    return dlg->project().Record(dlg->project().Find(address));
  }
};

TEST_F(PatternTest, AllZeroRecordOpensWithFirstEntries) {
  auto& d = OpenMutedB(true);
  EXPECT_EQ(d.Title(), u"Configuration " + DisplayName(demo::kInputB));
  EXPECT_EQ(d.Text(kDevModbusId), u"0x0000");
  EXPECT_EQ(d.Text(kDevFwId), u"0.00");
  EXPECT_EQ(d.Text(kDevName), u"");
  EXPECT_EQ(d.Text(kDevPassword), u"");
  ASSERT_EQ(d.Count(kDevFrequency), 6);
  EXPECT_EQ(d.CurSel(kDevFrequency), 0);
  EXPECT_EQ(d.Item(kDevRfPower, d.CurSel(kDevRfPower)), u"+13 dBm");
  EXPECT_EQ(d.source(), SourceState::kProject);
  EXPECT_EQ(d.unknown_id_uses(), 0);
}

TEST_F(PatternTest, HeaderFieldsShowTheProjectRecord) {
  StartWithProject({demo::kInputB});
  auto record = dlg->project().Record(0);
  record[0] = 0xF047;
  record[1] = 402;
  record[5] = 1268;
  record[26] = 0x0503;  // frequency 3, power code 5
  auto& d = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  EXPECT_EQ(d.Text(kDevModbusId), u"0xF047");
  EXPECT_EQ(d.Text(kDevFwId), u"4.02");
  EXPECT_EQ(d.Text(kDevDeviceId), u"1268");
  EXPECT_EQ(d.Text(kDevName), u"default");
  EXPECT_EQ(d.Text(kDevPassword), u"TARVELONIX4817QD");
  EXPECT_EQ(d.CurSel(kDevFrequency), 3);
  EXPECT_EQ(d.Item(kDevRfPower, d.CurSel(kDevRfPower)), u"-5dBm");
}

TEST_F(PatternTest, BlockBeyondTheRecordIsNotCopiedButRefreshesAndCompletes) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 52, Words(8, 0x0808));  // words 52..59: one past the end
  EXPECT_EQ(d.record()[52], 0);
  EXPECT_EQ(d.Text(ui::kInLongpress), u"0");
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 0, Words(52, 0));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_FALSE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));
}

TEST_F(PatternTest, ReadTimeoutKeepsWhatArrived) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  Deliver(d, 52, {8 | (4 << 8)});
  host.Advance(4999);
  EXPECT_TRUE(host.boxes().empty());
  host.Advance(1);
  ASSERT_EQ(BoxTexts(), std::vector<std::u16string>{u"Read unsuccessfull"});
  EXPECT_EQ(d.source(), SourceState::kError);
  EXPECT_EQ(d.pending(), Pending::kNone);
  EXPECT_EQ(d.Text(ui::kInLongpress), u"2000");
  // A late answer still completes the read.
  Deliver(d, 0, Words(52, 0));
  Deliver(d, 53, Words(6, 0));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(PatternTest, WriteTimeoutsNameTheWrite) {
  auto& d = OpenMutedB();
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  host.Advance(5000);
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteEeprom);
  host.Advance(5000);
  const auto texts = BoxTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1], u"Write to RAM unsuccessfull");
  EXPECT_EQ(texts[3], u"Write to EEPROM unsuccessfull");
  EXPECT_EQ(d.source(), SourceState::kError);
}

TEST_F(PatternTest, OverwriteQuestionGuardsWritesOfProjectData) {
  auto& d = OpenMutedB();
  transport.Take();
  host.QueueAnswer(ui::kIdNo);
  host.Click(d, kDevWriteRam);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, u"Possible overwrite");
  EXPECT_EQ(host.boxes()[0].text,
            u"Data are from project or cache, write can replace data in device.\nStill want to "
            u"write?");
  EXPECT_EQ(host.boxes()[0].buttons, ui::Buttons::kYesNoCancel);
  EXPECT_EQ(host.boxes()[0].icon, ui::Icon::kQuestion);
  EXPECT_EQ(d.source(), SourceState::kProject);
  host.QueueAnswer(ui::kIdCancel);
  host.Click(d, kDevWriteEeprom);
  EXPECT_EQ(d.source(), SourceState::kProject);
  host.RunPosted();
  EXPECT_TRUE(transport.Take().empty());
}

TEST_F(PatternTest, SecondWritePressIsIgnoredWhileWriting) {
  auto& d = OpenMutedB();
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  const int writes = dlg->queues().pending_writes();
  host.RunPosted();
  transport.Take();
  host.Click(d, kDevWriteRam);
  host.Click(d, kDevWriteEeprom);
  host.Click(d, kDevRead);
  host.RunPosted();
  EXPECT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(dlg->queues().pending_writes(), writes);
  EXPECT_TRUE(transport.Take().empty());
  EXPECT_EQ(d.pending(), Pending::kRamWrite);
}

TEST_F(PatternTest, WritesSendTheirRangesAndAcknowledgementsComplete) {
  auto& d = OpenMutedB();
  transport.Take();
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  host.RunPosted();
  // Registers 8..58: 51 words from register 8.
  const auto sent = transport.Take();
  EXPECT_TRUE(AnySent(sent, "6B 69 08 00 33 64 65"));
  d.OnWriteAck(demo::kInputB, 8, 20, false);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  d.OnWriteAck(demo::kInputB, 28, 31, false);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_FALSE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));

  // Device data: no question now. The EEPROM write sets the store request in word 2.
  host.Click(d, kDevWriteEeprom);
  EXPECT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(d.record()[2] >> 8, 1);
  host.RunPosted();
  const auto eeprom = transport.Take();
  // 57 words from register 2; the first word is the control word with the request.
  EXPECT_TRUE(AnySent(eeprom, "6B 75 02 00 39 00 01"));
  // The stored flag ends the write with the message, before any acknowledgement.
  Deliver(d, 2, {0x0200});
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(host.boxes().back().text, u"Write to EEPROM successfull");
  // The acknowledgement that follows finds nothing pending.
  d.OnWriteAck(demo::kInputB, 2, 57, false);
  EXPECT_EQ(host.boxes().size(), 2u);
}

TEST_F(PatternTest, StoredFlagWithoutAnEepromWriteShowsNothing) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  Deliver(d, 0, Words(59, 0x0200));
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  Deliver(d, 2, {0x0200});
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(d.source(), SourceState::kWrite);
}

TEST_F(PatternTest, OtherDevicesDataAndAcknowledgementsAreIgnored) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  const auto words = Words(59, 7);
  d.OnRegisterData(demo::kGateway, 0, 59, words.data(), false);
  EXPECT_EQ(d.source(), SourceState::kRead);
  EXPECT_NE(d.record()[0], 7);
  Deliver(d, 0, words);
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  d.OnWriteAck(demo::kGateway, 8, 51, false);
  EXPECT_EQ(d.source(), SourceState::kWrite);
}

TEST_F(PatternTest, RoutedReadEndsInCacheWithoutErrorThenDevice) {
  StartWithProject({demo::kGateway, demo::kGatewayInput});
  sim.SetMute(demo::kGateway, true);
  MarkHeard({demo::kGateway});
  auto& d = Open<CInputNodeDlg>(demo::kGatewayInput, demo::kGateway);
  // Read and Write follow the gateway; the firmware update and log never show.
  EXPECT_TRUE(d.IsVisible(kDevRead));
  EXPECT_TRUE(d.IsVisible(kDevWriteEeprom));
  EXPECT_FALSE(d.IsVisible(kDevFwUpdate));
  EXPECT_FALSE(d.IsVisible(kDevReadLog));
  transport.Take();
  host.Click(d, kDevRead);
  host.RunPosted();
  // Register 4000 through the gateway, wrapped for the device.
  const auto sent = transport.Take();
  EXPECT_TRUE(AnySent(sent, "96 09 02 01 30 00 6A 03 A0 0F 3B"));
  Deliver(d, 0, Words(30, 1), true);
  EXPECT_EQ(d.source(), SourceState::kRead);
  Deliver(d, 30, Words(29, 1), true);
  EXPECT_EQ(d.source(), SourceState::kCache);
  EXPECT_EQ(d.pending(), Pending::kRead);
  host.Advance(6000);
  EXPECT_TRUE(host.boxes().empty());
  Deliver(d, 0, Words(59, 2));
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kNone);
}

TEST_F(PatternTest, RoutedWriteGoesToTheCacheRegisters) {
  StartWithProject({demo::kGateway, demo::kGatewayInput});
  sim.SetMute(demo::kGateway, true);
  MarkHeard({demo::kGateway});
  auto& d = Open<CInputNodeDlg>(demo::kGatewayInput, demo::kGateway);
  transport.Take();
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  host.RunPosted();
  const auto sent = transport.Take();
  // Register 4008, 51 words, inside a message for the device.
  EXPECT_TRUE(AnySent(sent, "02 01 30 00 6B 69 A8 0F 33"));
  d.OnWriteAck(demo::kGatewayInput, 8, 51, true);
  EXPECT_EQ(d.source(), SourceState::kCache);
  EXPECT_EQ(d.pending(), Pending::kRamWrite);
  EXPECT_FALSE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));
  d.OnWriteAck(demo::kGatewayInput, 8, 51, false);
  EXPECT_EQ(d.source(), SourceState::kDevice);
}

TEST_F(PatternTest, ButtonsFollowTheHeardListAndTheInRangeNotification) {
  StartWithProject({demo::kInputB, demo::kGateway});
  MarkHeard({demo::kGateway});
  auto& d = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  for (int id : {kDevFwUpdate, kDevRead, kDevReadLog, kDevWriteRam, kDevWriteEeprom}) {
    EXPECT_FALSE(d.IsVisible(id)) << id;
  }
  EXPECT_TRUE(d.IsVisible(kDevSave));
  // Entries past the list's count do not count.
  MarkHeard({demo::kGateway, demo::kInputB});
  dlg->dongle().SetMirror(DongleLink::kRegHeardList, 1);
  d.OnInRange();
  EXPECT_FALSE(d.IsVisible(kDevRead));
  dlg->dongle().SetMirror(DongleLink::kRegHeardList, 2);
  dlg->dialog_slots().NotifyInRange();
  for (int id : {kDevFwUpdate, kDevRead, kDevReadLog, kDevWriteRam, kDevWriteEeprom}) {
    EXPECT_TRUE(d.IsVisible(id)) << id;
  }
}

TEST_F(PatternTest, CloseUpdatesTheProjectOnlyFromDeviceData) {
  auto& d = OpenMutedB();
  const std::vector<uint16_t> before(Blob(demo::kInputB).begin(), Blob(demo::kInputB).end());
  host.Type(d, kDevName, u"Changed");
  // Project, then Error: closing asks before the edit is lost; No keeps the project's record.
  host.QueueAnswer(ui::kIdNo);
  host.CloseBox(d);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Save changes?");
  EXPECT_TRUE(d.ended());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), Blob(demo::kInputB).begin()));
  d.ResetEnded();
  host.Open(d);
  host.Type(d, kDevName, u"Changed");
  host.Click(d, kDevRead);
  host.Advance(5000);
  ASSERT_EQ(d.source(), SourceState::kError);
  host.QueueAnswer(ui::kIdNo);
  host.CloseBox(d);
  EXPECT_EQ(host.boxes().back().text, u"Save changes?");
  EXPECT_TRUE(std::equal(before.begin(), before.end(), Blob(demo::kInputB).begin()));
  // Cancel keeps the window; Yes stores the edit.
  d.ResetEnded();
  host.Open(d);
  host.Type(d, kDevName, u"Hall");
  host.QueueAnswer(ui::kIdCancel);
  host.CloseBox(d);
  EXPECT_FALSE(d.ended());
  host.QueueAnswer(ui::kIdYes);
  host.CloseBox(d);
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(DecodeDeviceTextWords(Blob(demo::kInputB).subspan(8, 8)), u"Hall");
  // Nothing changed: no question.
  const size_t boxes = host.boxes().size();
  d.ResetEnded();
  host.Open(d);
  host.CloseBox(d);
  EXPECT_EQ(host.boxes().size(), boxes);
  // Device: it does.
  d.ResetEnded();
  host.Open(d);
  host.Click(d, kDevRead);
  Deliver(d, 0, Words(59, 0));
  host.Type(d, kDevName, u"Stairs");
  host.CloseBox(d);
  EXPECT_EQ(DecodeDeviceTextWords(Blob(demo::kInputB).subspan(8, 8)), u"Stairs");
}

// Opened from the project and closed without an edit, no window asks "Save changes?": what it
// collects from its controls is the record it showed.
TEST_F(PatternTest, ClosingUnchangedAsksNothingInAnyFieldDeviceWindow) {
  const std::vector<RfAddress> devices = {demo::kInputX,   demo::kInputB,  demo::kOutputB,
                                          demo::kRoomUnit, demo::kClimate, demo::kCounter,
                                          demo::kWindow};
  StartWithProject(devices);
  for (RfAddress a : devices) sim.SetMute(a, true);
  auto close = [&](DeviceDialog& d, const char* name) {
    const size_t before = host.boxes().size();
    host.CloseBox(d);
    EXPECT_TRUE(d.ended()) << name;
    EXPECT_EQ(host.boxes().size(), before)
        << name << ": " << ui::Utf16ToUtf8(host.boxes().back().text);
  };
  close(Open<CInputNodeDlg>(demo::kInputX, 0, DialogClass::kInputNode), "input node");
  close(Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB), "input node B");
  close(Open<COutputNodeDlg>(demo::kOutputB, 0, DialogClass::kOutputNode), "output node");
  close(Open<CRoomUnitDlg>(demo::kRoomUnit, 0, DialogClass::kRoomUnit), "room unit");
  close(Open<CThermoHygroDlg>(demo::kClimate, 0, DialogClass::kThermoHygro), "climate");
  close(Open<CCounterDlg>(demo::kCounter, 0, DialogClass::kCounter), "counter");
  close(Open<CWindowContactDlg>(demo::kWindow, 0, DialogClass::kWindowContact), "contact");
}

TEST_F(PatternTest, CloseInCacheKeepsTheProject) {
  StartWithProject({demo::kGateway, demo::kGatewayInput});
  sim.SetMute(demo::kGateway, true);
  MarkHeard({demo::kGateway});
  auto& d = Open<CInputNodeDlg>(demo::kGatewayInput, demo::kGateway);
  host.Click(d, kDevRead);
  Deliver(d, 0, Words(59, 9), true);
  ASSERT_EQ(d.source(), SourceState::kCache);
  host.CloseBox(d);
  EXPECT_NE(Blob(demo::kGatewayInput)[0], 9);
}

TEST_F(PatternTest, SaveStoresNamesCutOrTerminated) {
  auto& d = OpenMutedB();
  host.Type(d, kDevName, u"ABCDEFGHIJKLMNOPQRST");
  host.Click(d, kDevSave);
  auto blob = Blob(demo::kInputB);
  EXPECT_EQ(ui::LoadLowBytes(blob.subspan(8, 8)), u"ABCDEFGHIJKLMNOP");
  EXPECT_EQ(blob[15], 'O' | ('P' << 8));
  host.Type(d, kDevName, u"Abc");
  host.Type(d, kDevPassword, u"pw");
  host.Click(d, kDevSave);
  blob = Blob(demo::kInputB);
  EXPECT_EQ(blob[8], 'A' | ('b' << 8));
  EXPECT_EQ(blob[9], 'c');
  for (int w = 10; w < 16; ++w) EXPECT_EQ(blob[static_cast<size_t>(w)], 0) << w;
  EXPECT_EQ(blob[18], 'p' | ('w' << 8));
  for (int w = 19; w < 26; ++w) EXPECT_EQ(blob[static_cast<size_t>(w)], 0) << w;
  // Save is no close.
  EXPECT_FALSE(d.ended());
}

TEST_F(PatternTest, SaveGrowsAShortProjectRecord) {
  StartWithProject({demo::kInputB});
  dlg->project().SetRecord(0, std::vector<uint16_t>(10, 0x1111));
  auto& d = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  EXPECT_EQ(d.record()[9], 0x1111);
  EXPECT_EQ(d.record()[10], 0);
  host.Click(d, kDevSave);
  EXPECT_EQ(Blob(demo::kInputB).size(), 59u);
}

TEST_F(PatternTest, ImportTakesOnlyWhatASuccessfulImportLoaded) {
  auto& d = OpenMutedB();
  const std::vector<uint16_t> before(d.record().begin(), d.record().end());
  import_file = {{27, 0x0503}};
  host.Click(d, kDevImport);
  EXPECT_EQ(d.record()[26], 0x0503);
  EXPECT_EQ(d.CurSel(kDevFrequency), 3);
  for (size_t w = 0; w < before.size(); ++w) {
    if (w != 26) {
      EXPECT_EQ(d.record()[w], before[w]) << w;
    }
  }
  EXPECT_EQ(d.source(), SourceState::kProject);
  // A bad second line: the first line's value does not reach the record either.
  for (int bad : {0, 60}) {
    import_file = {{2, 0x1234}, {bad, 1}};
    host.Click(d, kDevImport);
    EXPECT_NE(d.record()[1], 0x1234);
  }
}

// Another device's export: every register named, its identity different from this device's.
std::vector<std::pair<int, uint16_t>> OtherDevicesFile(uint16_t model) {
  std::vector<std::pair<int, uint16_t>> file;
  for (int reg = 1; reg <= 59; ++reg) file.push_back({reg, static_cast<uint16_t>(0x1000 + reg)});
  file[0].second = model;
  return file;
}

TEST_F(PatternTest, ImportKeepsThisDevicesIdentity) {
  StartWithProject({demo::kInputB});
  sim.SetMute(demo::kInputB, true);
  auto project_record = dlg->project().Record(0);
  for (int w : {0, 1, 5, 6, 16, 17}) project_record[static_cast<size_t>(w)] = 0xF000 + w;
  auto& d = Open<CInputNodeBDlg>(demo::kInputB, 0, DialogClass::kInputNodeB);
  import_file = OtherDevicesFile(0xF000);
  host.Click(d, kDevImport);
  EXPECT_TRUE(host.boxes().empty());
  for (int w = 0; w < 59; ++w) {
    const bool identity = w <= 1 || w == 5 || w == 6 || w == 16 || w == 17;
    EXPECT_EQ(d.record()[static_cast<size_t>(w)], identity ? 0xF000 + w : 0x1001 + w) << w;
  }
  EXPECT_EQ(d.Text(kDevDeviceId), ui::Format("%d", 0xF005));
  EXPECT_EQ(d.Text(kDevHwNum), ui::Format("%d", 0xF006));
  // A file that does not name register 1 names no other model.
  import_file.erase(import_file.begin());
  import_file[1].second = 0x2222;  // register 3: word 2
  host.Click(d, kDevImport);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(d.record()[1], 0xF001);
  EXPECT_EQ(d.record()[2], 0x2222);
}

TEST_F(PatternTest, ImportOfAnotherModelAsksFirst) {
  auto& d = OpenMutedB();
  const std::vector<uint16_t> before(d.record().begin(), d.record().end());
  import_file = OtherDevicesFile(static_cast<uint16_t>(before[0] ^ 0x0101));
  host.QueueAnswer(ui::kIdNo);
  host.Click(d, kDevImport);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, u"Import");
  EXPECT_EQ(host.boxes()[0].text,
            ui::Format("The file holds a device with model code 0x%04X, this device has "
                       "0x%04X.\nImport the settings anyway?",
                       before[0] ^ 0x0101, before[0]));
  EXPECT_EQ(host.boxes()[0].buttons, ui::Buttons::kYesNo);
  EXPECT_EQ(host.boxes()[0].icon, ui::Icon::kQuestion);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), d.record().begin(), d.record().end()));
  // Yes takes the settings, still not the identity.
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevImport);
  EXPECT_EQ(host.boxes().size(), 2u);
  for (int w : {0, 1, 5, 6, 16, 17}) {
    EXPECT_EQ(d.record()[static_cast<size_t>(w)], before[static_cast<size_t>(w)]) << w;
  }
  EXPECT_EQ(d.record()[26], 0x101B);
  EXPECT_EQ(d.record()[58], 0x103B);
}

TEST_F(PatternTest, ExportOffersTheDisplayNameAndKeepsTheRecord) {
  auto& d = OpenMutedB();
  host.Click(d, kDevExport);
  EXPECT_EQ(export_name, u"Export_" + DisplayName(demo::kInputB));
  EXPECT_EQ(export_name.back(), u' ');
  EXPECT_TRUE(std::equal(exported.begin(), exported.end(), d.record().begin(), d.record().end()));
  // Export then Import of the same words gives the same record.
  const std::vector<uint16_t> before(d.record().begin(), d.record().end());
  import_file.clear();
  for (size_t w = 0; w < exported.size(); ++w) {
    import_file.push_back({static_cast<int>(w + 1), exported[w]});
  }
  host.Click(d, kDevImport);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), d.record().begin(), d.record().end()));
}

TEST_F(PatternTest, DefaultDuringAReadCompletesNothing) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  host.Click(d, kDevDefault);
  EXPECT_EQ(d.source(), SourceState::kRead);
  EXPECT_EQ(d.Text(kDevName), u"IN4 51");
  EXPECT_EQ(d.pending(), Pending::kRead);
}

TEST_F(PatternTest, FirmwareUpdateAndLogReachTheirServices) {
  auto& d = OpenMutedB();
  host.Click(d, kDevFwUpdate);
  ASSERT_EQ(firmware_calls.size(), 1u);
  EXPECT_EQ(firmware_calls[0], std::make_pair(demo::kInputB, RfAddress{0}));
  transport.Take();
  host.Click(d, kDevReadLog);
  host.RunPosted();
  EXPECT_TRUE(dlg->device_log().requested());
  const auto sent = transport.Take();
  EXPECT_TRUE(AnySent(sent, "F3 01 00"));
}

TEST_F(PatternTest, WaitForActivationPausesTheTimeout) {
  auto& d = OpenMutedB();
  d.RestartOperationTimer();
  EXPECT_FALSE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));
  host.Click(d, kDevRead);
  host.Advance(4000);
  d.StopOperationTimer();
  host.Advance(10000);
  EXPECT_TRUE(host.boxes().empty());
  d.RestartOperationTimer();
  EXPECT_EQ(host.TimerPeriod(d, DeviceDialog::kTimeoutTimer), 5000);
  host.Advance(5000);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Read unsuccessfull"});
}

TEST_F(PatternTest, ReceptionTimeIsShown) {
  auto& d = OpenMutedB();
  host.SetLocalTime({2026, 12, 9, 7, 5, 3, 0});
  Deliver(d, 31, {30});
  EXPECT_EQ(d.Text(kDevTime), u"07:05:03");
}

}  // namespace
}  // namespace corvane::devices

namespace corvane::devices {
namespace {

// A new operation ends the old one: late answers of a Read that timed out are still shown, but
// they complete nothing of the Write started since.
TEST_F(PatternTest, LateAnswersOfAFailedReadDoNotEndALaterWrite) {
  auto& d = OpenMutedB();
  host.Click(d, kDevRead);
  host.Advance(DeviceDialog::kTimeoutMs);
  ASSERT_EQ(BoxTexts(), std::vector<std::u16string>{u"Read unsuccessfull"});
  host.QueueAnswer(ui::kIdYes);
  host.Click(d, kDevWriteRam);
  ASSERT_EQ(d.pending(), Pending::kRamWrite);
  Deliver(d, 0, Words(59, 0x0101));
  EXPECT_EQ(d.record()[30], 0x0101);
  EXPECT_EQ(d.source(), SourceState::kWrite);
  EXPECT_EQ(d.pending(), Pending::kRamWrite);
  EXPECT_TRUE(host.TimerRunning(d, DeviceDialog::kTimeoutTimer));
  d.OnWriteAck(d.address(), 8, 51, false);
  EXPECT_EQ(d.source(), SourceState::kDevice);
  EXPECT_EQ(d.pending(), Pending::kNone);
}

}  // namespace
}  // namespace corvane::devices

// Room units end to end: the main window on the simulated demo network opens the Calidor from
// its device list and the Calidor-C through the fan-coil controller, and the dialogs read,
// write and store their records in the simulated nodes.
#include <gtest/gtest.h>

#include <algorithm>

#include "access/access_dialogs.h"
#include "access/access_templates.h"
#include "devices/room_unit_dlg.h"
#include "devices/room_unit_template.h"
#include "model/device_text.h"
#include "sim/node_families.h"
#include "sim/routing_node.h"
#include "site_fixture.h"

namespace corvane::devices {
namespace {

using testing::SiteTest;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class RoomUnitFlowTest : public SiteTest {};

TEST_F(RoomUnitFlowTest, CalidorReadChangedStoredAndClockSet) {
  StartSite({demo::kRoomUnit});
  wake_on_wait = demo::kRoomUnit;
  bool ran = false;
  host.OnModal<CRoomUnitDlg>([&](CRoomUnitDlg& d) {
    ran = true;
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(d.Text(kDevName), u"Office 2.08");
    EXPECT_EQ(d.Text(kDevModbusId), u"0x0515");
    EXPECT_TRUE(d.co2_shown());
    EXPECT_EQ(d.Text(kRuSetDayTemp), u"22.00");
    EXPECT_NE(d.Text(kRuActualCo2), u"0 ppm");
    // The unit's clock runs from the network's: the first day of 2026, in the morning.
    host.Advance(1000);
    EXPECT_EQ(d.GetDate(kRuDeviceDate), (Date{2026, 1, 1}));
    EXPECT_EQ(d.GetTime(kRuDeviceTime).hour, 8);

    host.Type(d, kRuSetDayTemp, u"21.50");
    host.Toggle(d, RuAllowed(11));  // no contrast changes on the unit
    host.Click(d, kDevWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    EXPECT_TRUE(host.AdvanceUntil([&] { return Shown(u"Write to EEPROM successfull"); }, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);

    // Synchronize only changes the record; Write To RAM sets the unit's clock.
    host.Click(d, kRuSynchronize);
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kWrite; }, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    host.CloseBox(d);
  });
  OpenFromList(demo::kRoomUnit);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Write to EEPROM unsuccessfull"));

  auto* node = sim.FindNodeAs<sim::RoomUnitNode>(demo::kRoomUnit);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->eeprom()[room_word::kSetPoints], 2150);
  EXPECT_EQ(node->eeprom()[room_word::kAllowed], 0x07FF);
  EXPECT_NE(node->eeprom()[2] & DeviceDialog::kStored, 0);
  // The host's local time is in March 2026: year byte 0x26, month 0x03, and it keeps running.
  const ui::LocalTime now = host.Now();
  EXPECT_EQ(node->registers()[88] & 0xFF, 0x26);
  EXPECT_EQ(node->registers()[87] >> 8, 0x03);
  const int64_t pc =
      static_cast<int64_t>(now.day - 1) * 86400 + now.hour * 3600 + now.minute * 60 + now.second;
  const int64_t unit = node->clock_seconds() - 1772323200;  // 2026-03-01 00:00:00
  EXPECT_NEAR(static_cast<double>(unit), static_cast<double>(pc), 3.0);
  // Closed in Device: the project holds the record.
  EXPECT_EQ(dlg->project().Record(dlg->project().Find(demo::kRoomUnit))[58], 2150);
}

// A project file may hold a record shorter than its type (older files hold 50 words). The window
// fills the whole record; Save Project writes it whole, so the set points above word 50 come
// back from the file.
TEST_F(RoomUnitFlowTest, EditsBeyondAShortStoredRecordSurviveSaveAndLoad) {
  {
    Project p;
    std::vector<uint16_t> record = DefaultRecordTemplate();
    record.resize(50, 0);
    p.SetEntry(0, demo::kRoomUnit, record);
    ASSERT_TRUE(SaveProjectFile("site.cvp", p).ok);
  }
  command_line = u"site.cvp";
  Start(1500);
  RegisterDeviceDialogs(dlg->opener(), Services());
  sim.PressButton(demo::kRoomUnit);
  host.Click(*dlg, kMainScan);
  host.Advance(1500);
  host.OnModal<CWaitForAct>([this](CWaitForAct& wait) {
    sim.PressButton(demo::kRoomUnit);
    EXPECT_TRUE(host.AdvanceUntil([&] { return wait.ended(); }, 5000));
  });
  host.OnModal<CRoomUnitDlg>([&](CRoomUnitDlg& d) {
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    host.Type(d, kRuSetDayTemp, u"21.50");
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kWrite; }, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    host.CloseBox(d);
  });
  OpenFromList(demo::kRoomUnit);
  const int entry = dlg->project().Find(demo::kRoomUnit);
  ASSERT_EQ(dlg->project().Record(entry)[room_word::kSetPoints], 2150);
  host.Click(*dlg, kMainSaveProject);

  Project loaded;
  ASSERT_EQ(LoadProjectFile("site.cvp", loaded).status, ProjectLoadResult::Status::kOk);
  const int back = loaded.Find(demo::kRoomUnit);
  ASSERT_GE(back, 0);
  const auto saved = dlg->project().Record(entry);
  const auto read_back = loaded.Record(back);
  ASSERT_EQ(read_back.size(), static_cast<size_t>(RecordSize(demo::kRoomUnit) / 2));
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), read_back.begin(), read_back.end()));
  EXPECT_EQ(read_back[room_word::kSetPoints], 2150);
}

TEST_F(RoomUnitFlowTest, CalidorCThroughTheFanCoilCacheReachesTheUnit) {
  StartSite({demo::kFanCoil, demo::kFanCoilRoomUnit});
  bool ran = false;
  host.OnModal<CRoomUnitCDlg>([&](CRoomUnitCDlg& d) {
    ran = true;
    EXPECT_FALSE(d.IsVisible(kDevFwUpdate));
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kCache; }, 5000));
    EXPECT_EQ(d.Text(kDevName), u"Meeting room");
    EXPECT_EQ(d.Text(kRcYellowOn), u"1000");
    EXPECT_EQ(d.Text(kRcGreenPeriod), u"10");

    host.Type(d, kRcYellowOn, u"1200");
    host.Type(d, kRcRedPeriod, u"2");
    host.QueueAnswer(kIdYes);  // the data are from the cache
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kCache; }, 5000));
    EXPECT_EQ(d.pending(), Pending::kEepromWrite);
    host.CloseBox(d);
  });
  EXPECT_TRUE(dlg->opener().OpenDialogFor(*dlg, demo::kFanCoilRoomUnit, demo::kFanCoil));
  ASSERT_TRUE(ran);
  auto* fan_coil = sim.FindNodeAs<sim::RoutingNode>(demo::kFanCoil);
  ASSERT_NE(fan_coil, nullptr);
  EXPECT_EQ(fan_coil->CachedCopy(demo::kFanCoilRoomUnit)[61], 1200);
  // The unit takes the copy the next time it is heard, store request included.
  sim::SimNode* unit = sim.FindNode(demo::kFanCoilRoomUnit);
  const int stores = unit->eeprom_stores();
  sim.PressButton(demo::kFanCoilRoomUnit);
  host.Advance(1000);
  EXPECT_EQ(unit->eeprom_stores(), stores + 1);
  EXPECT_EQ(unit->eeprom()[61], 1200);
  EXPECT_EQ(unit->eeprom()[65] & 0xFF, 8);
  EXPECT_EQ(unit->eeprom()[room_c_word::kServiceB], 1);
}

TEST_F(RoomUnitFlowTest, SimulatedCalidorBreathesAndKeepsTime) {
  StartWithProject({demo::kRoomUnit});
  auto* node = sim.FindNodeAs<sim::RoomUnitNode>(demo::kRoomUnit);
  ASSERT_NE(node, nullptr);
  auto minutes_byte = [&] { return node->registers()[85] >> 8; };
  auto bcd = [](int64_t v) { return static_cast<int>(((v / 10) << 4) | (v % 10)); };
  ASSERT_TRUE(node->occupied());  // the first 20 minutes of every 45
  sim.PressButton(demo::kRoomUnit);
  const int start = node->registers()[54];
  const int64_t clock = node->clock_seconds();
  EXPECT_EQ(minutes_byte(), bcd(clock / 60 % 60));

  host.Advance(10 * 60000);
  sim.PressButton(demo::kRoomUnit);
  const int occupied = node->registers()[54];
  EXPECT_GT(occupied, start + 300);
  EXPECT_NEAR(static_cast<double>(node->clock_seconds() - clock), 600.0, 1.0);
  EXPECT_EQ(minutes_byte(), bcd(node->clock_seconds() / 60 % 60));

  host.Advance(15 * 60000);
  ASSERT_FALSE(node->occupied());
  sim.PressButton(demo::kRoomUnit);
  const int left = node->registers()[54];
  host.Advance(10 * 60000);
  sim.PressButton(demo::kRoomUnit);
  EXPECT_LT(node->registers()[54], left - 100);
  EXPECT_GE(node->registers()[54], 420);
}

}  // namespace
}  // namespace corvane::devices

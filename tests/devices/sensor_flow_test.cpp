// The sensor dialogs end to end: the main window on the simulated demo network opens each
// sensor from its device list; the dialog reads the record, changes a field and stores it in the
// simulated node's EEPROM; the counter's reset reaches the node.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "access/access_dialogs.h"
#include "access/access_templates.h"
#include "devices/sensor_dlgs.h"
#include "devices/sensor_templates.h"
#include "sim/sensor_nodes.h"
#include "site_fixture.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using testing::SiteTest;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class SensorFlowTest : public SiteTest {
 protected:
  // The site's project with the sensor heard by a scan; the sensor sleeps, and the user
  // wakes it whenever the tool waits for it.
  void StartSite(RfAddress sensor) {
    wake_on_wait = sensor;
    SiteTest::StartSite({sensor});
  }
  // Read, then the caller's edits, then Write to EEPROM until the device has stored them.
  void ReadEditStore(DeviceDialog& d, const std::function<void()>& edit) {
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    ASSERT_EQ(d.source(), SourceState::kDevice);
    edit();
    host.ClearBoxes();
    host.Click(d, kDevWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    EXPECT_TRUE(host.AdvanceUntil([&] { return Shown(u"Write to EEPROM successfull"); }, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
  }
  std::span<const uint16_t> Eeprom(RfAddress address) { return sim.FindNode(address)->eeprom(); }
  std::span<const uint16_t> Blob(RfAddress address) {
    return dlg->project().Record(dlg->project().Find(address));
  }
};

TEST_F(SensorFlowTest, ClimateSensorReadChangedAndStored) {
  StartSite(demo::kClimate);
  bool ran = false;
  host.OnModal<CThermoHygroDlg>([&](CThermoHygroDlg& d) {
    ran = true;
    ReadEditStore(d, [&] {
      EXPECT_EQ(d.Text(kDevName), u"Office climate");
      EXPECT_EQ(d.Text(kDevModbusId), u"0xF018");
      EXPECT_EQ(d.Text(ui::kThMeasurePeriod), u"8");
      EXPECT_TRUE(d.IsVisible(ui::kThHumidity));
      EXPECT_NE(d.Text(ui::kThHumidity), u"0.00");
      host.Type(d, ui::kThMeasurePeriod, u"30");
      host.Type(d, ui::kThAlarmTempOn, u"29.5");
    });
    host.CloseBox(d);
  });
  OpenFromList(demo::kClimate);
  ASSERT_TRUE(ran);
  EXPECT_EQ(Eeprom(demo::kClimate)[68], 30);
  EXPECT_EQ(Eeprom(demo::kClimate)[64], 2950);
  EXPECT_EQ(Blob(demo::kClimate)[68], 30);
}

// The cellar's Bossel runs firmware 4.01: it answers the first 94 words, and the dialog writes
// no more than those (the simulated node reports any request past them).
TEST_F(SensorFlowTest, ClimateSensorOnFirmware401StoresWords2To93) {
  StartSite(demo::kClimateS);
  bool ran = false;
  std::vector<std::string> sent;
  host.OnModal<CThermoHygroDlg>([&](CThermoHygroDlg& d) {
    ran = true;
    EXPECT_FALSE(d.IsVisible(ui::kThHumidity));
    ReadEditStore(d, [&] {
      EXPECT_EQ(d.Text(kDevFwId), u"4.01");
      EXPECT_EQ(d.Text(kDevModbusId), u"0xF017");
      host.Type(d, ui::kThTransmitPeriod, u"10");
      transport.Take();
    });
    sent = transport.Take();
    host.CloseBox(d);
  });
  OpenFromList(demo::kClimateS);
  ASSERT_TRUE(ran);
  // MSG_RF_SEND to 0x00D00605 with a block write of 92 registers from register 2.
  EXPECT_TRUE(AnySent(sent, "05 06 D0 00 6B BB 02 00 5C"));
  EXPECT_EQ(Eeprom(demo::kClimateS)[69], 10);
}

TEST_F(SensorFlowTest, CounterStoredAndResetInTheNode) {
  StartSite(demo::kCounter);
  auto* node = sim.FindNodeAs<sim::CounterNode>(demo::kCounter);
  ASSERT_NE(node, nullptr);
  bool ran = false;
  host.OnModal<CCounterDlg>([&](CCounterDlg& d) {
    ran = true;
    ReadEditStore(d, [&] {
      EXPECT_EQ(d.Text(kDevName), u"Water meter");
      EXPECT_GE(ScanInt(d.Text(ui::kCoCount)).value_or(0), 100000);
      EXPECT_EQ(d.Item(ui::kCoResistor, d.CurSel(ui::kCoResistor)), u"Pull Up 220k");
      host.Type(d, ui::kCoTransmitPeriod, u"15");
      host.Select(d, ui::kCoThreshold, 2);
    });
    // Reset: one write, after which the node counts from zero.
    host.QueueAnswer(kIdYes);
    host.Click(d, ui::kCoReset);
    EXPECT_EQ(d.source(), SourceState::kDevice);
    ASSERT_TRUE(host.AdvanceUntil([&] { return node->resets() == 1; }, 10000));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_LT(ScanInt(d.Text(ui::kCoCount)).value_or(-1), 100);
    EXPECT_GE(ScanInt(d.Text(ui::kCoCount)).value_or(-1), 0);
    host.CloseBox(d);
  });
  OpenFromList(demo::kCounter);
  ASSERT_TRUE(ran);
  EXPECT_EQ(Eeprom(demo::kCounter)[59], 15);
  EXPECT_EQ(Eeprom(demo::kCounter)[58], 0x0202);
  EXPECT_EQ(node->resets(), 1);
}

// Counts are the meter's measurement: a Write from the project's record (no Read first) leaves
// the meter's counts as they are, and sends the configuration around them.
TEST_F(SensorFlowTest, CounterWriteFromTheProjectKeepsTheMetersCounts) {
  StartSite(demo::kCounter);
  auto* node = sim.FindNodeAs<sim::CounterNode>(demo::kCounter);
  ASSERT_NE(node, nullptr);
  const auto counts = [&] {
    const auto r = node->registers();
    return std::vector<uint16_t>(r.begin() + 50, r.begin() + 57);
  };
  ASSERT_GE(node->registers()[50] | (node->registers()[51] << 16), 100000);
  bool ran = false;
  host.OnModal<CCounterDlg>([&](CCounterDlg& d) {
    ran = true;
    ASSERT_EQ(d.source(), SourceState::kProject);
    host.Type(d, ui::kCoTransmitPeriod, u"12");
    const std::vector<uint16_t> before = counts();
    host.QueueAnswer(kIdYes);  // the overwrite question
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kWrite; }, 30000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    // The meter went on counting meanwhile, never back to the project's copy.
    const std::vector<uint16_t> after = counts();
    EXPECT_GE(after[0] | (after[1] << 16), before[0] | (before[1] << 16));
    EXPECT_EQ(node->registers()[59], 12);
    host.CloseBox(d);
  });
  OpenFromList(demo::kCounter);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Write to RAM unsuccessfull"));
}

TEST_F(SensorFlowTest, WindowContactShowsItsWindowAndStoresTheThreshold) {
  StartSite(demo::kWindow);
  auto* node = sim.FindNodeAs<sim::WindowContactNode>(demo::kWindow);
  ASSERT_NE(node, nullptr);
  bool ran = false;
  host.OnModal<CWindowContactDlg>([&](CWindowContactDlg& d) {
    ran = true;
    ReadEditStore(d, [&] {
      EXPECT_EQ(d.Text(kDevName), u"Kitchen window");
      EXPECT_EQ(d.Text(ui::kWcWindowState), node->window_open() ? u"1" : u"0");
      host.Type(d, ui::kWcTempThreshold, u"2.5");
    });
    // The magnet moves: the next read shows the window the other way.
    const std::u16string before = d.Text(ui::kWcWindowState);
    sim.PressButton(demo::kWindow);
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_NE(d.Text(ui::kWcWindowState), before);
    host.CloseBox(d);
  });
  OpenFromList(demo::kWindow);
  ASSERT_TRUE(ran);
  EXPECT_EQ(Eeprom(demo::kWindow)[56], 250);
  EXPECT_EQ(Blob(demo::kWindow)[56], 250);
}

}  // namespace
}  // namespace corvane::devices

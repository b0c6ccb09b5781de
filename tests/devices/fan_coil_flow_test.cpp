// The fan-coil window end to end: the main window on the simulated demo network opens the demo
// controller from its device list; the window reads it (once more when the first read goes
// unanswered), sends the manual values at once, writes the configuration to EEPROM, opens the
// paired room unit through the controller and shows the wireless M-Bus FIFO.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "devices/room_unit_dlg.h"
#include "gateway/fan_coil_dlg.h"
#include "gateway/fan_coil_template.h"
#include "gateway/fifo_templates.h"
#include "sim/fan_coil_node.h"
#include "site_fixture.h"

namespace corvane {
namespace {

using devices::testing::SiteTest;
using State = Pending;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;
using F = FanCoilImage;
using Writes = std::vector<std::pair<int, int>>;

class FanCoilFlowTest : public SiteTest {
 protected:
  sim::FanCoilNode& Node() { return *sim.FindNodeAs<sim::FanCoilNode>(demo::kFanCoil); }
  void ReadController(CFanCoilDlg& d) {
    ASSERT_TRUE(d.IsVisible(kFcRead));
    host.Click(d, kFcRead);
    EXPECT_EQ(d.source(), SourceState::kRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 8000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
  }
};

TEST_F(FanCoilFlowTest, ReadSendManualValuesAndStoreInEeprom) {
  StartSite({demo::kFanCoil, demo::kFanCoilRoomUnit});
  bool ran = false;
  host.OnModal<CFanCoilDlg>([&](CFanCoilDlg& d) {
    ran = true;
    EXPECT_EQ(d.source(), SourceState::kProject);
    ReadController(d);
    EXPECT_EQ(d.Text(kFcFwNum), u"312");
    EXPECT_EQ(d.Text(kFcOwnAddress), u"0x00100201");
    EXPECT_TRUE(d.IsChecked(kFcRegulationOn));
    EXPECT_EQ(d.Cell(kFcDevices, 0, kFcColAddress), u"0x01100202 17826306");
    EXPECT_EQ(d.Cell(kFcDevices, 0, kFcColAction), u"read cache");
    EXPECT_EQ(d.Cell(kFcDevices, 0, kFcColMbStart), u"218");
    EXPECT_EQ(d.Cell(kFcDevices, 0, kFcColInputNumber), u"1");

    // Each manual value goes at once as one write of its register alone.
    sim::FanCoilNode& node = Node();
    host.Toggle(d, kFcEnableSetpoints);
    node.ForgetWrites();
    host.Select(d, kFcFanMode, 4);  // "Fan Manual 3"
    host.Advance(500);
    EXPECT_EQ(node.writes(), (Writes{{F::kRegFanMode, 1}}));
    EXPECT_EQ(node.registers()[F::kRegFanMode], 16);
    node.ForgetWrites();
    host.Select(d, kFcManualFan, 2);
    host.Type(d, kFcHeatOut, u"40");
    host.Click(d, kFcHeatOutSend);
    host.Toggle(d, kFcPresenceOn);
    host.Advance(1000);
    EXPECT_EQ(node.writes(),
              (Writes{{F::kRegManual, 1}, {F::kRegManualOutputs, 1}, {F::kRegManualInputs, 1}}));
    EXPECT_EQ(node.registers()[F::kRegManual] >> 8, 2);
    EXPECT_EQ(node.registers()[F::kRegManualOutputs] & 0xFF, 40);
    EXPECT_EQ(node.registers()[F::kRegManualInputs] & 1, 1);

    // The configuration to EEPROM, with a typed actual temperature under manual control.
    host.Toggle(d, kFcEnableTemperature);
    host.Type(d, kFcActualTemp, u"21.5");
    host.Type(d, kFcPBand, u"25");
    const int stores = node.eeprom_stores();
    node.ForgetWrites();
    host.Click(d, kFcWriteEeprom);
    EXPECT_EQ(d.pending(), State::kEepromWrite);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 3000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(node.writes().front(), (std::pair<int, int>{3, 215}));
    EXPECT_EQ(node.eeprom_stores(), stores + 1);
    EXPECT_EQ(node.eeprom()[F::kRegActualTemp], 2150);
    EXPECT_EQ(node.eeprom()[F::kRegPBand], 25);
    host.Advance(6000);
    EXPECT_FALSE(Shown(u"Write to RAM unsuccessfull"));
    EXPECT_FALSE(Shown(u"Write to EEPROM unsuccessfull"));

    host.QueueAnswer(kIdYes);  // "Save changes?"
    host.CloseBox(d);
    EXPECT_TRUE(d.ended());
  });
  OpenFromList(demo::kFanCoil);
  ASSERT_TRUE(ran);
  EXPECT_EQ(Blob(dlg->project(), demo::kFanCoil)[F::kRegPBand], 25);
}

TEST_F(FanCoilFlowTest, ReadIsSentOnceMoreWhenTheFirstGoesUnanswered) {
  StartSite({demo::kFanCoil});
  bool ran = false;
  host.OnModal<CFanCoilDlg>([&](CFanCoilDlg& d) {
    ran = true;
    Node().set_mute(true);
    host.Click(d, kFcRead);
    host.Advance(2000);
    Node().set_mute(false);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 4000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_FALSE(Shown(u"Read unsuccessfull"));
    // Without any answer the second time-out gives up.
    Node().set_mute(true);
    host.Click(d, kFcRead);
    host.Advance(5500);
    EXPECT_TRUE(Shown(u"Read unsuccessfull"));
    EXPECT_EQ(d.source(), SourceState::kError);
    host.QueueAnswer(kIdNo);
    host.CloseBox(d);
  });
  OpenFromList(demo::kFanCoil);
  ASSERT_TRUE(ran);
}

TEST_F(FanCoilFlowTest, PairedRoomUnitOpensThroughTheController) {
  StartSite({demo::kFanCoil, demo::kFanCoilRoomUnit});
  bool unit_ran = false;
  host.OnModal<CFanCoilDlg>([&](CFanCoilDlg& d) {
    ReadController(d);
    host.OnModal<devices::CRoomUnitCDlg>([&](devices::CRoomUnitCDlg& unit) {
      unit_ran = true;
      EXPECT_EQ(unit.route(), demo::kFanCoil);
      host.Click(unit, devices::kDevRead);
      ASSERT_TRUE(host.AdvanceUntil([&] { return unit.source() == SourceState::kCache; }, 5000));
      EXPECT_EQ(unit.Text(devices::kDevName), u"Meeting room");
      host.CloseBox(unit);
    });
    host.DoubleClick(d, kFcDevices, 0, kFcColAction);
    host.QueueAnswer(kIdNo);
    host.CloseBox(d);
  });
  OpenFromList(demo::kFanCoil);
  EXPECT_TRUE(unit_ran);
}

TEST_F(FanCoilFlowTest, WirelessMbusFramesReachTheView) {
  StartSite({demo::kFanCoil});
  bool ran = false;
  host.OnModal<CFanCoilDlg>([&](CFanCoilDlg& d) {
    ran = true;
    // Opened during a Read, the view queues behind it: the Read still completes.
    host.Click(d, kFcRead);
    ASSERT_EQ(d.source(), SourceState::kRead);
    host.Click(d, kFcWmbusFifo);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 8000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    ASSERT_NE(d.wmbus_fifo(), nullptr);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.wmbus_fifo()->Count(kFifoList) >= 2; }, 120000));
    const std::u16string line = d.wmbus_fifo()->Item(kFifoList, 0);
    EXPECT_NE(line.find(u", rssi=-"), std::u16string::npos);
    EXPECT_NE(line.find(u" dBm Data: 14 44 "), std::u16string::npos);
    // Each frame is taken once: the controller drops the head when it was read.
    EXPECT_NE(d.wmbus_fifo()->Item(kFifoList, 1), line);
    host.QueueAnswer(kIdNo);
    host.CloseBox(d);
  });
  OpenFromList(demo::kFanCoil);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Read unsuccessfull"));
}

TEST_F(FanCoilFlowTest, SimulatedRoomFollowsTheCoil) {
  StartWithProject({demo::kFanCoil});
  sim::FanCoilNode& node = Node();
  node.SetInputs(true, false);
  uint16_t* regs = node.registers().data();
  // Heating: the room warms towards the setpoint, the valve and a fan stage are on.
  regs[F::kRegSetpointHeat] = 2400;
  regs[F::kRegManual] = F::kManualSetpoints | F::kManualPresence | F::kManualWindow;
  regs[F::kRegManualInputs] = 0x01;
  const int start = node.room_temperature();
  host.Advance(20 * 60 * 1000);
  sim.PressButton(demo::kFanCoil);  // brings the live values up to date
  EXPECT_GT(node.room_temperature(), start + 50);
  EXPECT_NE(regs[F::kRegOutputPins] & 0x01, 0);
  EXPECT_NE(regs[F::kRegOutputPins] & 0x1C, 0);
  EXPECT_EQ(regs[F::kRegRoomInputs] & 0x04, 0x04);
  // The window opens: the regulator stops and the room cools down.
  regs[F::kRegManualInputs] = 0x03;
  const int warm = node.room_temperature();
  host.Advance(20 * 60 * 1000);
  sim.PressButton(demo::kFanCoil);
  EXPECT_LT(node.room_temperature(), warm - 50);
  EXPECT_EQ(regs[F::kRegPidOutputs], 0);
  EXPECT_EQ(regs[F::kRegOutputPins] & 0x03, 0);
}

}  // namespace
}  // namespace corvane

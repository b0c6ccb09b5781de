// The lighting-bus bridge end to end on the simulated demo network: the user opens the bridge
// from the main window's list, reads it, runs DALI commands picked in the command editor, links
// a control device, stores the record, and lights the ballasts with a test press.
#include <gtest/gtest.h>

#include "lighting/dali_bridge_dlg.h"
#include "lighting/dali_bridge_template.h"
#include "lighting/dali_edit.h"
#include "lighting/dali_edit_template.h"
#include "lighting/light_control_dev_dlg.h"
#include "lighting/light_control_dev_template.h"
#include "sim/dali_bridge_node.h"
#include "site_fixture.h"

namespace corvane::lighting {
namespace {

using devices::testing::SiteTest;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class DaliBridgeFlowTest : public SiteTest {
 protected:
  sim::DaliBridgeNode& Node() {
    return *static_cast<sim::DaliBridgeNode*>(sim.FindNode(demo::kLightingBridgeB));
  }
  int Level(int ballast) { return Node().ballast(ballast).level; }
  // Opens the editor with the "Edit..." button `id` of `owner` and picks two entries in it.
  void PickInEditor(ui::Dialog& owner, int id, int address, int command) {
    bool ran = false;
    host.OnModal<CDaliEdit>([&](CDaliEdit& edit) {
      ran = true;
      host.Select(edit, kDaliEditAddress, address);
      host.Select(edit, kDaliEditCommand, command);
      host.Click(edit, kIdOk);
    });
    ASSERT_TRUE(host.Click(owner, id));
    EXPECT_TRUE(ran);
  }
  void EditDevice(CDaliBridgeDlg& d, int k, const std::function<void(CLightControlDevDlg&)>& user) {
    bool ran = false;
    host.OnModal<CLightControlDevDlg>([&](CLightControlDevDlg& device) {
      ran = true;
      user(device);
    });
    ASSERT_TRUE(host.DoubleClick(d, kDaliDevices, k));
    EXPECT_TRUE(ran);
  }
  bool Settled(CDaliBridgeDlg& d) {
    return host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 6000);
  }
};

TEST_F(DaliBridgeFlowTest, CommandsLinksAndTestPressReachTheBallasts) {
  StartSite({demo::kLightingBridgeB, demo::kKeypad, demo::kInputX});
  bool ran = false;
  host.OnModal<CDaliBridgeDlg>([&](CDaliBridgeDlg& d) {
    ran = true;
    ASSERT_TRUE(d.IsVisible(devices::kDevRead));
    host.Click(d, devices::kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.Text(devices::kDevName), u"Office DALI");
    EXPECT_EQ(d.Cell(kDaliDevices, 0, 1).substr(0, 10), FormatAddress(demo::kKeypad));
    EXPECT_EQ(d.Text(kDaliRisingEdge), u"38 us");

    host.Click(d, kDaliLightOff);
    EXPECT_TRUE(host.AdvanceUntil([&] { return Level(0) == 0 && Level(1) == 0; }, 1000));
    // Group 0 on, as picked in the editor: ballasts 0 and 1 light, 2 and 3 stay dark.
    const int cmd = DaliRowId(kDaliCmd0, kDaliRowCommand);
    PickInEditor(d, DaliRowId(kDaliEdit0, kDaliRowCommand), 1, 2);
    EXPECT_EQ(d.Text(cmd), u"00008105");
    host.Click(d, kDaliWriteCmd);
    EXPECT_TRUE(host.AdvanceUntil([&] { return Level(0) == 254; }, 1000));
    EXPECT_EQ(Level(1), 254);
    EXPECT_EQ(Level(2), 0);
    // Its actual level, asked for by hand, is in the response after the next read.
    host.Type(d, cmd, u"01A0");
    host.Click(d, kDaliWriteCmd);
    host.Advance(500);
    host.Click(d, devices::kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.Text(kDaliResponse), u"0x000001FE");
    EXPECT_EQ(d.Text(kDaliActualValue), u"254");
    // Memory bank 0, location 3 (the first byte of the ballast's GTIN): three commands in a row,
    // none dropping the one before.
    host.Type(d, kDaliMemNumber, u"768");
    host.Click(d, kDaliReadMem);
    host.Advance(500);
    host.Click(d, devices::kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.Text(kDaliResponse), u"0x00000104");

    // Control device 2 becomes the hall's 6-way input, its button 1 switching group 1 on.
    EditDevice(d, 1, [&](CLightControlDevDlg& device) {
      const int i = device.FindString(kLcdAddress, FormatAddress(demo::kInputX));
      ASSERT_GE(i, 0);
      host.Select(device, kLcdAddress, i);
      PickInEditor(device, LcdId(kLcdOnEdit0, 0), 2, 2);
      EXPECT_EQ(device.Text(LcdId(kLcdOnCmd0, 0)), u"00008305");
      host.Click(device, kIdOk);
    });
    EXPECT_EQ(d.Cell(kDaliDevices, 1, 1).substr(0, 10), FormatAddress(demo::kInputX));
    host.Click(d, devices::kDevWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    ASSERT_TRUE(Settled(d));

    // The test press of button 1 acts as the input's report would.
    EditDevice(d, 1, [&](CLightControlDevDlg& device) {
      host.Click(device, LcdId(kLcdTest0, 0));
      EXPECT_TRUE(host.AdvanceUntil([&] { return Level(2) == 254; }, 1000));
      host.Click(device, kIdCancel);
    });
    EXPECT_EQ(Level(3), 254);

    host.QueueAnswer(kIdYes);
    host.CloseBox(d);
  });
  OpenFromList(demo::kLightingBridgeB);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Write to EEPROM unsuccessfull"));
  EXPECT_FALSE(Shown(u"Write to EEPROM ack not received"));

  // The bridge stored the link; the project has it after "Save changes?".
  const auto eeprom = sim.FindNode(demo::kLightingBridgeB)->eeprom();
  EXPECT_EQ(ControlDeviceAddress(eeprom, 1), demo::kInputX);
  EXPECT_EQ(RecordWord32(eeprom, ButtonCommandWord(1, ButtonCommand::kOn, 0)), 0x00018305u);
  EXPECT_EQ(ControlDeviceAddress(Blob(dlg->project(), demo::kLightingBridgeB), 1), demo::kInputX);
  EXPECT_TRUE(Shown(u"Save changes?"));
}

TEST_F(DaliBridgeFlowTest, LinkedKeypadSwitchesAndDimsItsGroup) {
  StartSite({demo::kLightingBridgeB, demo::kKeypad});
  sim.AdvanceTo(host.now_ms());
  // The scan's press of keypad button 1 (push/pull) switched group 0 on; the next press of the
  // same button would switch it off, this one is button 2: dim, and button 3 long: up again.
  EXPECT_EQ(Level(0), 254);
  EXPECT_EQ(Level(2), 0);
  sim.PressButton(demo::kKeypad);
  host.Advance(300);
  EXPECT_EQ(Level(0), 254 - 16);
  sim.PressButton(demo::kKeypad);  // button 3, long press: no long-press command
  host.Advance(300);
  EXPECT_EQ(Level(0), 254 - 16);
  sim.PressButton(demo::kKeypad);  // button 4: all off
  host.Advance(300);
  EXPECT_EQ(Level(0), 0);
  EXPECT_EQ(Level(1), 0);
}

}  // namespace
}  // namespace corvane::lighting

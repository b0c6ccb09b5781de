// Input nodes end to end: the main window on the simulated demo network opens them from its
// device list (or, routed, as a gateway dialog would), and the dialogs read, write and store
// their records in the simulated nodes.
#include <gtest/gtest.h>

#include <algorithm>

#include "access/access_dialogs.h"
#include "access/access_templates.h"
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

class InputNodeFlowTest : public SiteTest {};

TEST_F(InputNodeFlowTest, QuadrelAReadChangedStoredAndKeptInTheProject) {
  StartSite({demo::kGateway, demo::kGatewayInput});
  wake_on_wait = demo::kGatewayInput;
  bool ran = false;
  host.OnModal<CInputNodeDlg>([&](CInputNodeDlg& d) {
    ran = true;
    EXPECT_EQ(d.source(), SourceState::kProject);
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    EXPECT_EQ(d.source(), SourceState::kRead);
    // The node sleeps: the wait dialog comes up until its button is pressed.
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(d.Text(kDevName), u"Garage door");
    EXPECT_EQ(d.Text(ui::kInLongpress), u"1500");
    EXPECT_EQ(d.Text(ui::kInMinPress), u"52");

    host.Type(d, ui::kInLongpress, u"2000");
    host.Type(d, kDevName, u"Porch door");
    host.Click(d, kDevWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    EXPECT_TRUE(host.AdvanceUntil([&] { return Shown(u"Write to EEPROM successfull"); }, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGatewayInput);
  ASSERT_TRUE(ran);
  EXPECT_GE(wait_runs, 1);
  EXPECT_EQ(wait_hint, WakeHint(demo::kGatewayInput));
  EXPECT_FALSE(Shown(u"Read unsuccessfull"));

  // The node stored the new values.
  const auto eeprom = sim.FindNode(demo::kGatewayInput)->eeprom();
  EXPECT_EQ(eeprom[52] & 0xFF, 8);
  EXPECT_EQ(DecodeDeviceTextWords(eeprom.subspan(8, 8)), u"Porch door");
  EXPECT_NE(eeprom[2] & DeviceDialog::kStored, 0);

  // Closing in Device put the record into the project; the saved file brings it back.
  EXPECT_EQ(Blob(dlg->project(), demo::kGatewayInput)[52] & 0xFF, 8);
  host.Click(*dlg, kMainSaveProject);
  Project reloaded;
  ASSERT_EQ(LoadProjectFile("site.cvp", reloaded).status, ProjectLoadResult::Status::kOk);
  const auto blob = Blob(reloaded, demo::kGatewayInput);
  ASSERT_EQ(blob.size(), 59u);
  EXPECT_EQ(blob[52], 8 | (2 << 8));
  EXPECT_EQ(DecodeDeviceTextWords(blob.subspan(8, 8)), u"Porch door");
  // The main list shows the new name.
  bool listed = false;
  for (int i = 0; i < dlg->Count(kMainDeviceList); ++i) {
    listed |= dlg->Item(kMainDeviceList, i).find(u"Porch door") != std::u16string::npos;
  }
  EXPECT_TRUE(listed);
}

TEST_F(InputNodeFlowTest, RoutedThroughTheGatewayCacheFirstThenTheDevice) {
  StartSite({demo::kGateway, demo::kGatewayInput});
  bool ran = false;
  host.OnModal<CInputNodeDlg>([&](CInputNodeDlg& d) {
    ran = true;
    EXPECT_FALSE(d.IsVisible(kDevFwUpdate));
    EXPECT_FALSE(d.IsVisible(kDevReadLog));
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    EXPECT_EQ(d.source(), SourceState::kRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kCache; }, 5000));
    EXPECT_EQ(d.Text(kDevName), u"Garage door");
    EXPECT_EQ(d.pending(), Pending::kRead);
    host.Advance(6000);
    EXPECT_TRUE(host.boxes().empty());
    // The device's own answer, asked through the gateway, arrives once the node wakes.
    dlg->queues().QueueRead(demo::kGateway, demo::kGatewayInput, 0, 59, 0, false);
    host.Advance(200);
    sim.PressButton(demo::kGatewayInput);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));

    // A routed write lands in the gateway's copy of the node.
    host.Type(d, ui::kInLongpress, u"750");
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kCache; }, 5000));
    EXPECT_EQ(d.pending(), Pending::kRamWrite);
    host.CloseBox(d);
  });
  EXPECT_TRUE(dlg->opener().OpenDialogFor(*dlg, demo::kGatewayInput, demo::kGateway));
  ASSERT_TRUE(ran);
  auto* gateway = sim.FindNodeAs<sim::RoutingNode>(demo::kGateway);
  ASSERT_NE(gateway, nullptr);
  EXPECT_EQ(gateway->CachedCopy(demo::kGatewayInput)[52] & 0xFF, 3);
  // Closed in Cache: the project keeps its record.
  EXPECT_EQ(Blob(dlg->project(), demo::kGatewayInput)[52], 0);
  // The node takes the copy the next time it is heard.
  sim.PressButton(demo::kGatewayInput);
  host.Advance(1000);
  EXPECT_EQ(sim.FindNode(demo::kGatewayInput)->registers()[52] & 0xFF, 3);
}

TEST_F(InputNodeFlowTest, SilentNodeEndsTheReadInError) {
  StartSite({demo::kInputB});
  sim.SetMute(demo::kInputB, true);
  bool ran = false;
  host.OnModal<CInputNodeBDlg>([&](CInputNodeBDlg& d) {
    ran = true;
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    host.Advance(4900);
    EXPECT_EQ(d.source(), SourceState::kRead);
    host.Advance(100);
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(d.pending(), Pending::kNone);
    host.CloseBox(d);
  });
  OpenFromList(demo::kInputB);
  ASSERT_TRUE(ran);
  EXPECT_TRUE(Shown(u"Read unsuccessfull"));
  EXPECT_EQ(dlg->project().Record(0)[0], 0);
}

TEST_F(InputNodeFlowTest, PressedButtonsShowInTheSquaresAfterARead) {
  StartSite({demo::kInputX});
  wake_on_wait = demo::kInputX;
  bool ran = false;
  host.OnModal<CInputNodeDlg>([&](CInputNodeDlg& d) {
    ran = true;
    // Inputs 1 and 2 switched on: A holds them, so they stay green.
    sim.PressButton(demo::kInputX);
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kRead; }, 30000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(d.Color(ui::InSquare(1)), kSquareGreen);
    EXPECT_EQ(d.Color(ui::InSquare(2)), kSquareGreen);
    EXPECT_EQ(d.Color(ui::InSquare(4)), kSquareWhite);
    EXPECT_TRUE(d.IsVisible(ui::InSquare(6)));
    EXPECT_EQ(d.Text(kDevName), u"Hall 6-way");
    EXPECT_NE(d.Text(ui::kInTemperature), u"0.00");
    host.CloseBox(d);
  });
  OpenFromList(demo::kInputX);
  ASSERT_TRUE(ran);
}

}  // namespace
}  // namespace corvane::devices

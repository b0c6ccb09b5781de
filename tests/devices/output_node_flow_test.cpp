// Output nodes end to end on the simulated demo network: the user opens a node from the main
// window's list, reads it, links control devices of each kind, stores the record, and switches
// the outputs with a test press and with the command boxes.
#include <gtest/gtest.h>

#include "devices/output_node_dlg.h"
#include "devices/output_node_template.h"
#include "sim/output_node.h"
#include "site_fixture.h"

namespace corvane::devices {
namespace {

using testing::SiteTest;
using ui::SourceState;
using namespace ui;
namespace demo = sim::demo;

class OutputNodeFlowTest : public SiteTest {
 protected:
  sim::OutputNode& Node(RfAddress address) {
    return *static_cast<sim::OutputNode*>(sim.FindNode(address));
  }
  // Double-clicks row k and lets `user` act in the link dialog that opens.
  void EditLink(COutputNodeDlg& d, int k, const std::function<void(OutputLinkDialog&)>& user) {
    bool ran = false;
    host.OnModal<OutputLinkDialog>([&](OutputLinkDialog& link) {
      ran = true;
      user(link);
    });
    ASSERT_TRUE(host.DoubleClick(d, kOutDevices, k));
    EXPECT_TRUE(ran);
  }
  // Picks the device of `address` in the Address list.
  static void Choose(OutputLinkDialog& link, RfAddress address) {
    const int i = link.FindString(kLinkAddress, FormatAddress(address));
    ASSERT_GE(i, 0);
    link.SetCurSel(kLinkAddress, i);
  }
};

TEST_F(OutputNodeFlowTest, LinksOfEachKindAreStoredAndTheOutputsSwitch) {
  StartSite({demo::kOutputA, demo::kKeypad, demo::kRoomUnit, demo::kClimate, demo::kInputX});
  bool ran = false;
  host.OnModal<COutputNodeDlg>([&](COutputNodeDlg& d) {
    ran = true;
    ASSERT_TRUE(d.IsVisible(kDevRead));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
    EXPECT_EQ(d.Text(kDevName), u"Blinds");
    EXPECT_EQ(d.Cell(kOutDevices, 0, 1).substr(0, 10), FormatAddress(demo::kKeypad));
    EXPECT_EQ(d.Text(OutId(kOutTime1, 1)), u"2.5");

    // Row 3 is empty: the push-button dialog, where the room unit is chosen; opened again, the
    // row is a room unit's, whose CO2 row runs output 1.
    EditLink(d, 2, [&](OutputLinkDialog& link) {
      EXPECT_EQ(link.kind(), OutputLinkDialog::Kind::kInput);
      Choose(link, demo::kRoomUnit);
      host.Click(link, kIdOk);
    });
    EditLink(d, 2, [&](OutputLinkDialog& link) {
      EXPECT_EQ(link.kind(), OutputLinkDialog::Kind::kRoom);
      host.Select(link, LinkId(kLinkOn0, 2), 1);
      host.Select(link, LinkId(kLinkOff0, 2), 2);
      host.Toggle(link, LinkId(kLinkO1_0, 2));
      host.Click(link, kIdOk);
    });
    // Row 4 becomes the other push-button device, its button 2 switching output 2 off.
    EditLink(d, 3, [&](OutputLinkDialog& link) {
      Choose(link, demo::kInputX);
      host.Select(link, LinkId(kLinkOn0, 1), 2);
      host.Toggle(link, LinkId(kLinkO2_0, 1));
      host.Toggle(link, LinkId(kLinkPushPull0, 1));
      host.Click(link, kIdOk);
    });
    // The climate sensor of row 2 (a demo link) gets the sensor dialog.
    EditLink(d, 1, [&](OutputLinkDialog& link) {
      EXPECT_EQ(link.kind(), OutputLinkDialog::Kind::kSensor);
      host.Select(link, LinkId(kLinkOn0, 0), 1);
      host.Click(link, kIdOk);
    });
    EXPECT_EQ(d.Cell(kOutDevices, 2, 1).substr(0, 10), FormatAddress(demo::kRoomUnit));

    host.Click(d, kDevWriteEeprom);
    EXPECT_EQ(d.source(), SourceState::kWrite);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 6000));

    // A test press of button 1 of the keypad (row 1) opens the blinds for their 2.5 s step.
    EditLink(d, 0, [&](OutputLinkDialog& link) {
      host.Click(link, LinkId(kLinkTest0, 0));
      EXPECT_TRUE(host.AdvanceUntil([&] { return Node(demo::kOutputA).output_on(1); }, 1000));
      host.Click(link, kIdCancel);
    });
    EXPECT_TRUE(host.AdvanceUntil([&] { return !Node(demo::kOutputA).output_on(1); }, 3000));

    // The command box switches output 2 on and is free again once the node has it.
    host.Toggle(d, OutId(kOutOn1, 2));
    EXPECT_TRUE(host.AdvanceUntil([&] { return Node(demo::kOutputA).output_on(2); }, 1000));
    EXPECT_TRUE(host.AdvanceUntil([&] { return !d.IsChecked(OutId(kOutOn1, 2)); }, 1000));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
    EXPECT_EQ(d.Text(kOutOutputState), u"02");

    host.QueueAnswer(kIdYes);
    host.CloseBox(d);
  });
  OpenFromList(demo::kOutputA);
  ASSERT_TRUE(ran);
  EXPECT_FALSE(Shown(u"Write to EEPROM unsuccessfull"));

  // The node stored the links; the project has them after "Save changes?".
  const auto eeprom = sim.FindNode(demo::kOutputA)->eeprom();
  EXPECT_EQ(EntryAddress(eeprom, 2), demo::kRoomUnit);
  EXPECT_EQ(EntryLink(eeprom, 2, 2), 1 | 2 << 2 | 0x40);
  EXPECT_EQ(EntryAddress(eeprom, 3), demo::kInputX);
  EXPECT_EQ(EntryLink(eeprom, 3, 1), 2 | 0x80);
  EXPECT_TRUE(PushPull(eeprom, 3, 1));
  EXPECT_EQ(EntryLink(eeprom, 1, 0), 1);
  EXPECT_EQ(EntryAddress(Blob(dlg->project(), demo::kOutputA), 3), demo::kInputX);
  EXPECT_TRUE(Shown(u"Save changes?"));
}

TEST_F(OutputNodeFlowTest, ControlDevicesFramesDriveTheOutputs) {
  StartSite({demo::kOutputB, demo::kInputX});
  sim.AdvanceTo(host.now_ms());
  auto& node = Node(demo::kOutputB);
  // The hall's 6-way input is control device 1: its button 1 switches the light on (the
  // scan's press did that), button 2 off; button 3's long press is linked to nothing.
  EXPECT_TRUE(node.output_on(1));
  sim.PressButton(demo::kInputX);
  host.Advance(300);
  EXPECT_FALSE(node.output_on(1));
  const int switchings = node.switchings();
  sim.PressButton(demo::kInputX);
  host.Advance(300);
  EXPECT_EQ(node.switchings(), switchings);
  EXPECT_EQ(node.registers()[sim::OutputNode::kWordCounter], switchings);
}

TEST_F(OutputNodeFlowTest, RoutedNodeIsReadAndWrittenWithItsOwnRegisterNumbers) {
  StartSite({demo::kGateway, demo::kGatewayOutput, demo::kGatewayInput});
  bool ran = false;
  host.OnModal<COutputNodeDlg>([&](COutputNodeDlg& d) {
    ran = true;
    EXPECT_NE(d.route(), 0u);
    // Reached through the gateway, the node still offers its firmware update and log.
    EXPECT_TRUE(d.IsVisible(kDevFwUpdate));
    EXPECT_TRUE(d.IsVisible(kDevReadLog));
    host.Click(d, kDevRead);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() == SourceState::kDevice; }, 5000));
    host.Type(d, kOutMaxOnTime, u"90");
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kWrite; }, 5000));
    EXPECT_EQ(d.source(), SourceState::kDevice);

    // A test press reaches the node through the gateway as well: row 1 becomes the gateway's
    // input node, whose button 1 switches output 1 on.
    EditLink(d, 0, [&](OutputLinkDialog& link) {
      Choose(link, demo::kGatewayInput);
      host.Select(link, LinkId(kLinkOn0, 0), 1);
      host.Toggle(link, LinkId(kLinkO1_0, 0));
      host.Click(link, kIdOk);
    });
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.source() != SourceState::kWrite; }, 5000));
    ASSERT_FALSE(Node(demo::kGatewayOutput).output_on(1));
    // From here on only the gateway reaches the node.
    sim.SetInDongleRange(demo::kGatewayOutput, false);
    EditLink(d, 0, [&](OutputLinkDialog& link) {
      host.Click(link, LinkId(kLinkTest0, 0));
      EXPECT_TRUE(host.AdvanceUntil([&] { return Node(demo::kGatewayOutput).output_on(1); }, 2000));
      host.Click(link, kIdCancel);
    });
    host.QueueAnswer(kIdNo);
    host.CloseBox(d);
  });
  // As the gateway's dialog opens its paired devices.
  EXPECT_TRUE(dlg->opener().OpenDialogFor(*dlg, demo::kGatewayOutput, demo::kGateway));
  ASSERT_TRUE(ran);
  EXPECT_EQ(sim.FindNode(demo::kGatewayOutput)->registers()[output_word::kPressTimes] >> 8, 90);
}

}  // namespace
}  // namespace corvane::devices

// A field device under the faults of a real site: the stairs' mains-powered input node read,
// written and stored while reports get lost, the link is slow, the dongle is pulled out in the
// middle of a write, or the node stops answering. Every fault either is ridden out or ends the
// dialog in Error with its message; the retry afterwards completes, the node holds either the
// old record or the new one, and the project file is whole.
#include <gtest/gtest.h>

#include <cstdio>

#include "devices/input_node_dlg.h"
#include "devices/input_node_template.h"
#include "hardening_fixture.h"
#include "model/device_text.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using hardening::HardeningTest;
using ui::SourceState;
namespace demo = sim::demo;

constexpr int kWordLongpress = 52;  // low byte: long press in 250 ms steps

class FieldDeviceFaultTest : public HardeningTest {
 protected:
  sim::SimNode& Node() { return *sim.FindNode(demo::kInputB); }
  static std::u16string NameIn(std::span<const uint16_t> words) {
    return DecodeDeviceTextWords(words.subspan(8, 8));
  }
  // Until the read or write started last has ended, one way or the other.
  bool Settled(CInputNodeBDlg& d, int64_t limit_ms = 8000) {
    return host.AdvanceUntil(
        [&] { return d.source() != SourceState::kRead && d.source() != SourceState::kWrite; },
        limit_ms);
  }
  // Plugged in again, the dongle set up and the node heard: the buttons are back.
  void ReplugAndWait(CInputNodeBDlg& d) {
    Replug();
    ASSERT_TRUE(host.AdvanceUntil(
        [&] {
          return dlg->Text(ui::kMainConnection) == u"USB Dongle Connected" &&
                 d.IsVisible(kDevWriteEeprom);
        },
        15000));
    host.Advance(1000);
  }
  void Run(const std::function<void(CInputNodeBDlg&)>& user) {
    bool ran = false;
    host.OnModal<CInputNodeBDlg>([&](CInputNodeBDlg& d) {
      ran = true;
      ASSERT_TRUE(d.IsVisible(kDevRead));
      user(d);
      host.CloseBox(d);
    });
    OpenFromList(demo::kInputB);
    ASSERT_TRUE(ran);
  }
};

// One report in ten lost each way. A read has three tries, a write two (the request queue's
// budget), and a write of the record is a message of two or three reports plus the
// acknowledgement, so about one write in eight still fails: each operation either completes
// with the node holding what the dialog shows, or ends in Error with its message and the node
// holding the old record or the new one whole. Once the loss is over the retry completes.
TEST_F(FieldDeviceFaultTest, OneReportInTenLostEachWayCompletesOrIsReportedAndTheRetryCompletes) {
  StartSite({demo::kInputB});
  int failed = 0;
  int operations = 0;
  Run([&](CInputNodeBDlg& d) {
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    sim.faults().loss_to_dongle = 0.1;
    sim.faults().loss_to_host = 0.1;
    // Ends the operation started last: Device, or Error with `message`.
    auto settle = [&](const char16_t* message) {
      ++operations;
      ASSERT_TRUE(Settled(d, 10000));
      const std::vector<std::u16string> boxes = TakeBoxes();
      if (d.source() == SourceState::kDevice) {
        for (const std::u16string& box : boxes) {
          EXPECT_EQ(box.find(u"unsuccessfull"), box.npos);
        }
        return;
      }
      ++failed;
      EXPECT_EQ(d.source(), SourceState::kError);
      EXPECT_EQ(boxes, std::vector<std::u16string>{message});
    };
    for (int round = 0; round < 8; ++round) {
      SCOPED_TRACE(round);
      const std::u16string name = ui::Format("Stairs %d", round);
      host.Click(d, kDevRead);
      settle(u"Read unsuccessfull");
      if (d.source() != SourceState::kDevice) host.QueueAnswer(ui::kIdYes);
      host.Type(d, ui::kInLongpress, ui::Format("%d", 500 + 250 * round));
      host.Type(d, kDevName, name);
      const int press_before = Node().registers()[kWordLongpress] & 0xFF;
      host.Click(d, kDevWriteRam);
      settle(u"Write to RAM unsuccessfull");
      const bool took = NameIn(Node().registers()) == name;
      EXPECT_EQ(Node().registers()[kWordLongpress] & 0xFF, took ? 2 + round : press_before);
      if (d.source() == SourceState::kDevice) {
        EXPECT_TRUE(took);
      }

      if (d.source() != SourceState::kDevice) host.QueueAnswer(ui::kIdYes);
      host.Click(d, kDevWriteEeprom);
      settle(u"Write to EEPROM unsuccessfull");
      host.Advance(2000);  // a store the node had begun is finished by now
      const bool stored = NameIn(Node().eeprom()) == name;
      if (d.source() == SourceState::kDevice) {
        EXPECT_TRUE(stored);
      }
      // Whole: the stored name and long press belong to the same write.
      if (stored) {
        EXPECT_EQ(Node().eeprom()[kWordLongpress] & 0xFF, 2 + round);
      }
      // A round that failed halfway makes the next one start from the node's own record.
      if (!stored || !took) {
        host.Click(d, kDevRead);
        ASSERT_TRUE(Settled(d));
        TakeBoxes();
      }
    }
    sim.faults().loss_to_dongle = 0;
    sim.faults().loss_to_host = 0;
    host.Advance(3000);
    if (d.source() != SourceState::kDevice) host.QueueAnswer(ui::kIdYes);
    host.Type(d, kDevName, u"Stairs");
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(Settled(d, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(NameIn(Node().eeprom()), u"Stairs");
  });
  std::printf("10 %% loss each way: %d of %d operations ended in Error\n", failed, operations);
  EXPECT_LT(failed, operations / 2);
  // Closed in Device: the project has what the node stored.
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kInputB)), u"Stairs");
  ExpectSavedProjectIsWhole();
}

TEST_F(FieldDeviceFaultTest, UnplugInTheMiddleOfAWriteAndOfAStoreEndsInErrorAndTheRetryCompletes) {
  StartSite({demo::kInputB});
  Run([&](CInputNodeBDlg& d) {
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    const std::u16string old_name = NameIn(Node().registers());
    const uint16_t old_press = Node().registers()[kWordLongpress] & 0xFF;
    host.ClearBoxes();

    // Write To RAM: the long message is on its way when the dongle goes.
    host.Type(d, ui::kInLongpress, u"2000");
    host.Type(d, kDevName, u"Cellar");
    host.Click(d, kDevWriteRam);
    host.Advance(3);
    Unplug();
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Write to RAM unsuccessfull"});
    // The node took the whole message or nothing of it.
    const bool took = NameIn(Node().registers()) == u"Cellar";
    EXPECT_EQ(Node().registers()[kWordLongpress] & 0xFF, took ? 8 : old_press);
    if (!took) {
      EXPECT_EQ(NameIn(Node().registers()), old_name);
    }

    ReplugAndWait(d);
    host.ClearBoxes();
    host.QueueAnswer(ui::kIdYes);  // the data on screen are no longer the device's
    host.Click(d, kDevWriteRam);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes().front().caption, u"Possible overwrite");
    EXPECT_EQ(Node().registers()[kWordLongpress] & 0xFF, 8);
    EXPECT_EQ(NameIn(Node().registers()), u"Cellar");
    host.ClearBoxes();

    // Write to EEPROM: the same in the middle of the store.
    const auto stored_before = Node().eeprom();
    const std::vector<uint16_t> eeprom_before(stored_before.begin(), stored_before.end());
    host.Type(d, kDevName, u"Cellar stairs");
    host.Click(d, kDevWriteEeprom);
    host.Advance(3);
    Unplug();
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Write to EEPROM unsuccessfull"});
    host.Advance(2000);  // a store the node had begun is finished by now
    const auto eeprom = Node().eeprom();
    if (NameIn(eeprom) != u"Cellar stairs") {
      EXPECT_TRUE(std::equal(eeprom.begin(), eeprom.end(), eeprom_before.begin()));
    }

    ReplugAndWait(d);
    host.ClearBoxes();
    host.QueueAnswer(ui::kIdYes);
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(Settled(d, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(NameIn(Node().eeprom()), u"Cellar stairs");
    EXPECT_EQ(Node().eeprom()[kWordLongpress] & 0xFF, 8);
    EXPECT_NE(Node().eeprom()[2] & DeviceDialog::kStored, 0);
  });
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kInputB)), u"Cellar stairs");
  ExpectSavedProjectIsWhole();
}

TEST_F(FieldDeviceFaultTest, LatencySpikesWithinTheTimeOutAreRiddenOutAndLongerOnesEndInError) {
  StartSite({demo::kInputB});
  Run([&](CInputNodeBDlg& d) {
    // Slow USB and a slow radio path, well inside the dialog's five seconds.
    sim.faults().extra_usb_latency_ms = 100;
    sim.faults().extra_radio_latency_ms = 500;
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    host.Type(d, ui::kInLongpress, u"1250");
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(Settled(d, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(Node().eeprom()[kWordLongpress] & 0xFF, 5);
    for (const std::u16string& text : TakeBoxes()) {
      EXPECT_EQ(text, u"Write to EEPROM successfull");
    }
    sim.faults().extra_usb_latency_ms = 0;

    // A spike longer than the time-out: Error; once it is over a new read completes.
    sim.faults().extra_radio_latency_ms = 6000;
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Read unsuccessfull"});
    sim.faults().extra_radio_latency_ms = 0;
    host.Advance(8000);  // the late answers of the slow path
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(d.Text(ui::kInLongpress), u"1250");
    EXPECT_TRUE(host.boxes().empty());
  });
  EXPECT_EQ(Blob(dlg->project(), demo::kInputB)[kWordLongpress] & 0xFF, 5);
  ExpectSavedProjectIsWhole();
}

TEST_F(FieldDeviceFaultTest, NodeThatStopsAnsweringEndsTheStoreInErrorAndTheRetryCompletes) {
  StartSite({demo::kInputB});
  Run([&](CInputNodeBDlg& d) {
    host.Click(d, kDevRead);
    ASSERT_TRUE(Settled(d));
    const std::u16string old_name = NameIn(Node().eeprom());
    sim.SetMute(demo::kInputB, true);
    host.Type(d, kDevName, u"Landing");
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(Settled(d));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(d.pending(), Pending::kNone);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Write to EEPROM unsuccessfull"});
    EXPECT_EQ(NameIn(Node().eeprom()), old_name);

    sim.SetMute(demo::kInputB, false);
    host.QueueAnswer(ui::kIdYes);
    host.Click(d, kDevWriteEeprom);
    ASSERT_TRUE(Settled(d, 10000));
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(NameIn(Node().eeprom()), u"Landing");
  });
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kInputB)), u"Landing");
  ExpectSavedProjectIsWhole();
}

}  // namespace
}  // namespace corvane::devices

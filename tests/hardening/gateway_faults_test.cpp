// The demo gateway's window under the faults of a real site: the whole read and the EEPROM
// write while reports get lost, the dongle pulled out in the middle of the write, and the
// gateway going silent before it confirms the store. Each
// either completes or ends in Error with its message; the retry stores everything and the
// project file is whole.
#include <gtest/gtest.h>

#include <cstdio>

#include "gateway/gateway_dlg.h"
#include "gateway/gateway_template.h"
#include "hardening_fixture.h"
#include "model/device_text.h"
#include "model/gateway_image.h"
#include "sim/gateway_node.h"
#include "ui/text.h"

namespace corvane {
namespace {

using hardening::HardeningTest;
using State = Pending;
using ui::SourceState;
namespace demo = sim::demo;

class GatewayFaultTest : public HardeningTest {
 protected:
  sim::GatewayNode& Gateway() { return *sim.FindNodeAs<sim::GatewayNode>(demo::kGateway); }
  static std::u16string NameIn(std::span<const uint16_t> words) {
    return DecodeDeviceTextWords(words.subspan(GatewayImage::kRegName, 8));
  }
  bool Settled(GatewayDialog& d, int64_t limit_ms) {
    return host.AdvanceUntil(
        [&] { return d.source() != SourceState::kRead && d.source() != SourceState::kWrite; },
        limit_ms);
  }
  void Run(const std::function<void(CGatewayV400Dlg&)>& user) {
    bool ran = false;
    host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
      ran = true;
      ASSERT_TRUE(d.IsVisible(ui::kGwRead));
      host.Click(d, ui::kGwRead);
      ASSERT_TRUE(Settled(d, 60000));
      ASSERT_EQ(d.source(), SourceState::kDevice);
      EXPECT_EQ(d.pending_reads(), 0);
      user(d);
      host.CloseBox(d);
    });
    OpenFromList(demo::kGateway);
    ASSERT_TRUE(ran);
  }
  void ReplugAndWait(GatewayDialog& d) {
    Replug();
    ASSERT_TRUE(host.AdvanceUntil(
        [&] {
          return dlg->Text(ui::kMainConnection) == u"USB Dongle Connected" &&
                 d.IsVisible(ui::kGwWriteEeprom);
        },
        15000));
    host.Advance(1000);
  }
  // What the gateway stored against the window's image, over the registers a write sends.
  void ExpectStored(const GatewayDialog& d) {
    const auto eeprom = Gateway().eeprom();
    const auto image = d.image().words();
    EXPECT_EQ(NameIn(eeprom), NameIn(image));
    for (int i = 0; i < GatewayImage::kDevices; ++i) {
      EXPECT_EQ(GatewayImage(eeprom).Device(i), d.image().Device(i)) << "entry " << i;
    }
  }
};

// The gateway's reads and writes go in chunks of up to 250 registers, each a message of nine
// reports sent without acknowledgement, with two or three tries per chunk: at one report in ten
// lost each way most chunks need more tries than that. The window must say so, and nothing
// half done may be taken for done.
TEST_F(GatewayFaultTest, OneReportInTenLostEachWayIsReportedAndTheRetryAfterwardsCompletes) {
  StartSite({demo::kGateway});
  bool ran = false;
  host.OnModal<CGatewayV400Dlg>([&](CGatewayV400Dlg& d) {
    ran = true;
    const std::u16string old_name = NameIn(Gateway().eeprom());
    sim.faults().loss_to_dongle = 0.1;
    sim.faults().loss_to_host = 0.1;
    host.Click(d, ui::kGwRead);
    ASSERT_TRUE(Settled(d, 120000));
    if (d.source() == SourceState::kDevice) {
      EXPECT_EQ(d.pending_reads(), 0);
    } else {
      EXPECT_EQ(d.source(), SourceState::kError);
      EXPECT_GT(d.pending_reads(), 0);
      EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Read unsuccessfull"});
    }

    const bool read_done = d.source() == SourceState::kDevice;
    host.Type(d, ui::kGwName, u"Boiler room");
    if (d.source() != SourceState::kDevice) host.QueueAnswer(ui::kIdYes);
    host.Click(d, ui::kGwWriteEeprom);
    ASSERT_TRUE(Settled(d, 120000));
    const std::u16string stored = NameIn(Gateway().eeprom());
    if (d.source() == SourceState::kDevice) {
      EXPECT_EQ(d.pending(), State::kNone);
      EXPECT_EQ(stored, u"Boiler room");
    } else {
      EXPECT_EQ(d.source(), SourceState::kError);
      const std::vector<std::u16string> boxes = TakeBoxes();
      ASSERT_FALSE(boxes.empty());
      if (boxes.back() == u"Write to EEPROM unsuccessfull") {
        // Not every register arrived, so the store was never asked for.
        EXPECT_GT(d.pending_writes(), 0);
        EXPECT_EQ(stored, old_name);
      } else {
        EXPECT_EQ(boxes.back(), u"Write to EEPROM ack not received");
      }
    }

    std::printf("gateway at 10 %% loss each way: read %s, EEPROM write %s\n",
                read_done ? "completed" : "ended in Error",
                d.source() == SourceState::kDevice ? "completed" : "ended in Error");

    // The link is good again: the retry completes and the gateway stores everything.
    sim.faults().loss_to_dongle = 0;
    sim.faults().loss_to_host = 0;
    host.Advance(6000);
    host.ClearBoxes();
    if (d.source() != SourceState::kDevice) host.QueueAnswer(ui::kIdYes);
    host.Click(d, ui::kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 30000))
        << static_cast<int>(d.pending()) << " " << d.pending_writes();
    EXPECT_EQ(d.source(), SourceState::kDevice);
    for (const std::u16string& text : BoxTexts()) {
      EXPECT_EQ(text.find(u"unsuccessfull"), std::u16string::npos) << ui::Utf16ToUtf8(text);
    }
    EXPECT_EQ(NameIn(Gateway().eeprom()), u"Boiler room");
    ExpectStored(d);
    host.CloseBox(d);
  });
  OpenFromList(demo::kGateway);
  ASSERT_TRUE(ran);
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kGateway)), u"Boiler room");
  ExpectSavedProjectIsWhole();
}

TEST_F(GatewayFaultTest, UnplugInTheMiddleOfTheEepromWriteEndsInErrorAndTheRetryStoresAll) {
  StartSite({demo::kGateway});
  Run([&](CGatewayV400Dlg& d) {
    host.ClearBoxes();
    const std::u16string old_name = NameIn(Gateway().eeprom());
    host.Type(d, ui::kGwName, u"Plant room");
    host.Click(d, ui::kGwWriteEeprom);
    const int total = d.pending_writes();
    ASSERT_GT(total, 0);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending_writes() < total; }, 10000));
    Unplug();
    ASSERT_TRUE(Settled(d, 20000));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Write to EEPROM unsuccessfull"});
    // The store was never asked for.
    EXPECT_EQ(NameIn(Gateway().eeprom()), old_name);

    ReplugAndWait(d);
    host.ClearBoxes();
    host.QueueAnswer(ui::kIdYes);  // "Possible overwrite": the indicator shows Error
    host.Click(d, ui::kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 30000))
        << static_cast<int>(d.pending()) << " " << d.pending_writes();
    EXPECT_EQ(d.source(), SourceState::kDevice);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes().front().caption, u"Possible overwrite");
    EXPECT_EQ(NameIn(Gateway().eeprom()), u"Plant room");
    ExpectStored(d);
  });
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kGateway)), u"Plant room");
  ExpectSavedProjectIsWhole();
}

TEST_F(GatewayFaultTest, GatewayThatFallsSilentBeforeConfirmingTheStoreIsReported) {
  StartSite({demo::kGateway});
  Run([&](CGatewayV400Dlg& d) {
    host.ClearBoxes();
    host.Type(d, ui::kGwName, u"Attic");
    host.Click(d, ui::kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kEepromConfirm; }, 30000));
    sim.SetMute(demo::kGateway, true);
    ASSERT_TRUE(Settled(d, 5000));
    EXPECT_EQ(d.source(), SourceState::kError);
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Write to EEPROM ack not received"});

    sim.SetMute(demo::kGateway, false);
    host.Advance(6000);  // the gateway is heard again
    host.QueueAnswer(ui::kIdYes);
    host.Click(d, ui::kGwWriteEeprom);
    ASSERT_TRUE(host.AdvanceUntil([&] { return d.pending() == State::kNone; }, 30000))
        << static_cast<int>(d.pending()) << " " << d.pending_writes();
    EXPECT_EQ(d.source(), SourceState::kDevice);
    EXPECT_EQ(NameIn(Gateway().eeprom()), u"Attic");
    ExpectStored(d);
  });
  EXPECT_EQ(NameIn(Blob(dlg->project(), demo::kGateway)), u"Attic");
  ExpectSavedProjectIsWhole();
}

}  // namespace
}  // namespace corvane

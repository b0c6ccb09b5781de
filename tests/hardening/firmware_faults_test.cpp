// A firmware update of the stairs' input node with the example container, under the faults of
// a real site: lost reports, busy refusals and a slow radio are ridden out; the dongle pulled
// out, or the node falling silent, in the middle of the blocks ends in "Not received Write ack"
// with the node waiting in its bootloader, and starting the update again completes it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "firmware/fw_update_template.h"
#include "hardening_fixture.h"
#include "sim/bootloader.h"
#include "ui/text.h"

namespace corvane {
namespace {

using hardening::HardeningTest;
namespace demo = sim::demo;

const std::filesystem::path kContainer =
    std::filesystem::path(CORVANE_EXAMPLE_FIRMWARE_DIR) / "quadrel-b_4.10.bin";

class FirmwareFaultTest : public HardeningTest {
 protected:
  void TearDown() override {
    if (fw_) host.Forget(*fw_);
    fw_.reset();
    HardeningTest::TearDown();
  }
  sim::SimNode& Node() { return *sim.FindNode(demo::kInputB); }
  void OpenUpdate() {
    Start();
    fw_ = std::make_unique<CFwUpdate>(host, dlg->layer(), demo::kInputB, 0);
    host.Open(*fw_);
    ASSERT_TRUE(host.AdvanceUntil([&] { return fw_->IsEnabled(ui::kFwUpdateStart); }, 10000));
    EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.02");
  }
  void Press() {
    host.QueueFileResult(ui::Utf8ToUtf16(kContainer.string()));
    ASSERT_TRUE(host.Click(*fw_, ui::kFwUpdateStart));
  }
  bool Progressed(int percent) {
    return host.AdvanceUntil([&] { return fw_->Pos(ui::kFwUpdateProgress) >= percent; }, 60000);
  }
  // To "Update Complete", the restart into the new application and its refresh.
  void ExpectCompletes(bool shows_version = true) {
    ASSERT_TRUE(host.AdvanceUntil([&] { return Count(u"Update Complete") > 0; }, 240000))
        << "progress " << fw_->Pos(ui::kFwUpdateProgress);
    host.Advance(3000);
    EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"Update Complete"});
    EXPECT_EQ(fw_->Pos(ui::kFwUpdateProgress), 100);
    std::ifstream in(kContainer, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const std::span<const uint8_t> written = Node().bootloader().WrittenImage();
    ASSERT_EQ(written.size() + kContainerHeaderBytes, file.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), file.begin() + kContainerHeaderBytes));
    EXPECT_TRUE(Node().bootloader().in_application());
    EXPECT_EQ(Node().registers()[1], 410);
    if (shows_version) {
      EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.10");
    }
  }
  // The blocks stopped: after the retries the user is told, the node waits in its bootloader.
  void ExpectStuckInTheBootloader() {
    ASSERT_TRUE(host.AdvanceUntil([&] { return Count(u"Not received Write ack") > 0; }, 30000));
    EXPECT_EQ(TakeBoxes(), std::vector<std::u16string>{u"Not received Write ack"});
    EXPECT_EQ(fw_->state(), CFwUpdate::State::kWriting);
    EXPECT_LT(fw_->Pos(ui::kFwUpdateProgress), 100);
    EXPECT_TRUE(Node().bootloader().in_bootloader());
  }

  std::unique_ptr<CFwUpdate> fw_;
};

TEST_F(FirmwareFaultTest, LostReportsBusyRefusalsAndASlowRadioAreRiddenOut) {
  OpenUpdate();
  sim.faults().loss_to_dongle = 0.1;
  sim.faults().loss_to_host = 0.1;
  // Each refusal holds the block back 5 s; two in a row still fit the block's retries.
  sim.RefuseTransfers(2);
  Press();
  ASSERT_TRUE(Progressed(30));
  sim.RefuseTransfers(2);
  sim.faults().extra_radio_latency_ms = 800;
  ASSERT_TRUE(Progressed(60));
  sim.faults().extra_radio_latency_ms = 0;
  // The refresh after the restart is asked once; a lost answer leaves its field as it was.
  ExpectCompletes(/*shows_version=*/false);
  sim.faults().loss_to_dongle = 0;
  sim.faults().loss_to_host = 0;
}

TEST_F(FirmwareFaultTest, UnplugInTheMiddleOfTheBlocksThenTheUpdateStartsAgainAndCompletes) {
  OpenUpdate();
  Press();
  ASSERT_TRUE(Progressed(25));
  Unplug();
  ExpectStuckInTheBootloader();

  Replug();
  ASSERT_TRUE(host.AdvanceUntil(
      [&] { return dlg->Text(ui::kMainConnection) == u"USB Dongle Connected"; }, 5000));
  host.Advance(1500);
  // Loaded again, the container starts with block 0 at once: the node is in its bootloader.
  Press();
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kWriting);
  EXPECT_EQ(fw_->block_counter(), 0u);
  ExpectCompletes();
}

TEST_F(FirmwareFaultTest, NodeFallingSilentInTheMiddleOfTheBlocksThenTheUpdateStartsAgain) {
  OpenUpdate();
  Press();
  ASSERT_TRUE(Progressed(50));
  sim.SetMute(demo::kInputB, true);
  ExpectStuckInTheBootloader();

  sim.SetMute(demo::kInputB, false);
  Press();
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kWriting);
  ExpectCompletes();
}

}  // namespace
}  // namespace corvane

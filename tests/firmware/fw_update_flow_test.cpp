// Firmware updates end to end: the main window on a TestHost, the simulated dongle and demo
// network, and the update dialog above them as the program opens it.
#include <gtest/gtest.h>

#include <fstream>

#include "app_harness.h"
#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "sim/bootloader.h"
#include "firmware/fw_update_template.h"
#include "app/main_template.h"
#include "ui/text.h"

namespace corvane::testing {
namespace {

using ui::kFwUpdateStart;

constexpr RfAddress kNode = sim::demo::kOutputA;  // mains powered, heard directly
constexpr int kImageBytes = 64 * 1024;

class FwFlowTest : public AppTest {
 protected:
  std::unique_ptr<CFwUpdate> OpenFw(RfAddress target, RfAddress route = 0) {
    auto fw = std::make_unique<CFwUpdate>(host, dlg->layer(), target, route);
    host.Open(*fw);
    EXPECT_TRUE(host.AdvanceUntil([&] { return fw->missing() == 0; }, 5000));
    return fw;
  }
  void TearDown() override {
    if (fw_) host.Forget(*fw_);
    fw_.reset();
    AppTest::TearDown();
  }

  std::u16string WriteContainer(const ContainerHeader& header, const std::vector<uint8_t>& image,
                                const char* name = "update.bin") {
    const std::vector<uint8_t> file = MakeContainer(header, image);
    const std::filesystem::path path = std::filesystem::current_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return ui::Utf8ToUtf16(path.string());
  }
  // Container for the node as the simulator built it: device ID = the address's low word,
  // hardware 100 + the type's low byte.
  ContainerHeader ForNode(RfAddress address, uint32_t version) {
    const uint8_t hw = static_cast<uint8_t>(100 + (TypeOf(address) & 0xFF));
    return {static_cast<uint16_t>(address & 0xFFFF), hw, hw, version};
  }
  bool Shown(std::u16string_view text) const {
    for (const auto& b : host.boxes()) {
      if (b.text == text) return true;
    }
    return false;
  }
  bool Shows(const std::u16string& text) const { return Shown(text); }
  void Press(CFwUpdate& fw, const std::u16string& path) {
    host.QueueFileResult(path);
    ASSERT_TRUE(host.Click(fw, kFwUpdateStart));
  }
  // Runs the update to its end and lets the target restart and be read again.
  void RunToCompletion(CFwUpdate& fw, int64_t limit_ms = 120000) {
    ASSERT_TRUE(host.AdvanceUntil([&] { return Shown(u"Update Complete"); }, limit_ms))
        << "progress " << fw.Pos(ui::kFwUpdateProgress);
    host.Advance(2000);
  }

  std::unique_ptr<CFwUpdate> fw_;
};

TEST_F(FwFlowTest, NodeTakes64KiBAndReportsTheNewVersionAfterItsRestart) {
  Start();
  sim::SimNode& node = *sim.FindNode(kNode);
  fw_ = OpenFw(kNode);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.02");
  EXPECT_EQ(fw_->Text(ui::kFwUpdateBootNum), u"0");
  EXPECT_EQ(fw_->Text(ui::kFwUpdateDevName), u"Duplon-A");
  const std::vector<uint8_t> image = sim::MakeFirmwareImage(412, kImageBytes, 3);
  Press(*fw_, WriteContainer(ForNode(kNode, 412), image));
  RunToCompletion(*fw_);

  EXPECT_EQ(fw_->Pos(ui::kFwUpdateProgress), 100);
  EXPECT_EQ(fw_->block_counter(), 128u);
  const std::span<const uint8_t> written = node.bootloader().WrittenImage();
  ASSERT_EQ(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(node.bootloader().in_application());
  EXPECT_EQ(node.registers()[1], 412);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.12");
  EXPECT_EQ(fw_->Text(ui::kFwUpdateBootNum), u"0");
  EXPECT_EQ(fw_->app_version(), 412);
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kIdle);
  // Only the completion was said; closing hands the messages back to the main window.
  EXPECT_EQ(host.boxes().size(), 1u);
  host.Click(*fw_, ui::kIdOk);
  EXPECT_FALSE(CFwUpdate::AnyOpen());
}

TEST_F(FwFlowTest, DongleTakes64KiBAndReportsTheNewVersion) {
  Start();
  fw_ = OpenFw(ADDR_DONGLE);
  EXPECT_EQ(fw_->Title(), u"Firmware Update " + DisplayName(ADDR_DONGLE));
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.10");
  const std::vector<uint8_t> image = sim::MakeFirmwareImage(415, kImageBytes, 4);
  Press(*fw_, WriteContainer({0x0FFF, 3, 3, 415}, image));
  RunToCompletion(*fw_);
  EXPECT_EQ(fw_->Pos(ui::kFwUpdateProgress), 100);
  EXPECT_EQ(sim.dongle().reg(1), 415);
  EXPECT_EQ(sim.dongle().bootloader().blocks_written(), 128);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.15");
  // While the dialog is open it keeps the dongle's register data; once closed, the main
  // window's statistics poll shows the uptime moving again.
  const std::u16string uptime = dlg->Text(ui::kMainUptime);
  host.Advance(4000);
  EXPECT_EQ(dlg->Text(ui::kMainUptime), uptime);
  host.Click(*fw_, ui::kIdOk);
  host.Advance(4000);
  EXPECT_NE(dlg->Text(ui::kMainUptime), uptime);
}

TEST_F(FwFlowTest, OldDongleFirmwareOpensTheUpdateThroughTheMainWindow) {
  sim::Bootloader& boot = sim.dongle().bootloader();
  boot.Setup(boot.identity(), 402);
  sim.Unplug();
  sim.Plug(0);
  const std::u16string path =
      WriteContainer({0x0FFF, 1, 5, 420}, sim::MakeFirmwareImage(420, 5000, 5));
  int opened = 0;
  host.OnModal<CFwUpdate>([&](CFwUpdate& fw) {
    ASSERT_TRUE(host.AdvanceUntil([&] { return fw.IsEnabled(kFwUpdateStart); }, 5000));
    EXPECT_EQ(fw.Text(ui::kFwUpdateFwNum), u"4.02");
    Press(fw, path);
    RunToCompletion(fw);
    EXPECT_EQ(fw.Text(ui::kFwUpdateFwNum), u"4.20");
    host.Click(fw, ui::kIdOk);
  });
  CCorvaneDlg::Environment env = Env();
  env.dongle_update = [&](ui::Dialog& parent) {
    ++opened;
    CFwUpdate fw(host, dlg->layer(), ADDR_DONGLE, 0);
    host.RunModal(&parent, fw);
  };
  dlg = std::make_unique<CCorvaneDlg>(host, transport, env);
  host.Open(*dlg);
  dlg->SetPump(1, [this] { sim.AdvanceTo(host.now_ms()); });
  host.Advance(3000);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(Shown(u"Dongle update necessary"));
  EXPECT_EQ(sim.dongle().reg(1), 420);
  EXPECT_FALSE(CFwUpdate::AnyOpen());
}

TEST_F(FwFlowTest, DowngradeIsAskedAndNoLeavesTheNodeAlone) {
  Start();
  sim::SimNode& node = *sim.FindNode(kNode);
  fw_ = OpenFw(kNode);
  host.QueueAnswer(ui::kIdNo);
  Press(*fw_, WriteContainer(ForNode(kNode, 401), sim::MakeFirmwareImage(401, 2048)));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, u"Downgrade?");
  EXPECT_EQ(host.boxes()[0].text,
            u"Firmware in device is newer, than Firmware in update container\r\n(4.02 -> "
            u"4.01)\r\nContinue?");
  host.Advance(3000);
  EXPECT_EQ(node.bootloader().restarts(), 0);
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kIdle);

  // Yes goes ahead with the older firmware.
  host.QueueAnswer(ui::kIdYes);
  Press(*fw_, WriteContainer(ForNode(kNode, 401), sim::MakeFirmwareImage(401, 2048)));
  RunToCompletion(*fw_);
  EXPECT_EQ(node.registers()[1], 401);
}

TEST_F(FwFlowTest, ContainerForAnotherDeviceOrHardwareIsRefusedBeforeAnythingIsSent) {
  Start();
  sim::SimNode& node = *sim.FindNode(kNode);
  fw_ = OpenFw(kNode);
  ContainerHeader other = ForNode(kNode, 420);
  other.device_id ^= 1;
  Press(*fw_, WriteContainer(other, sim::MakeFirmwareImage(420, 1000)));
  ContainerHeader newer_hw = ForNode(kNode, 420);
  newer_hw.hardware_low = static_cast<uint8_t>(newer_hw.hardware_low + 1);
  newer_hw.hardware_high = static_cast<uint8_t>(newer_hw.hardware_low + 2);
  Press(*fw_, WriteContainer(newer_hw, sim::MakeFirmwareImage(420, 1000)));
  host.Advance(3000);
  ASSERT_EQ(host.boxes().size(), 2u);
  EXPECT_EQ(host.boxes()[0].text, u"Container is not for this device");
  EXPECT_EQ(host.boxes()[1].text,
            ui::Format("Container is not for this Hardware version\ndevice "
                       "HW %d, container for HW %d-%d",
                       newer_hw.hardware_low - 1, newer_hw.hardware_low, newer_hw.hardware_high));
  EXPECT_EQ(node.bootloader().restarts(), 0);
  EXPECT_FALSE(fw_->image_loaded());
}

TEST_F(FwFlowTest, FlashErrorStopsTheUpdateAndAFreshStartWritesAtOnce) {
  Start();
  sim::SimNode& node = *sim.FindNode(kNode);
  node.bootloader().InjectFault({5, sim::kFlashVerifyError, 1});
  fw_ = OpenFw(kNode);
  const std::u16string path =
      WriteContainer(ForNode(kNode, 413), sim::MakeFirmwareImage(413, 8 * 1024, 6));
  Press(*fw_, path);
  ASSERT_TRUE(host.AdvanceUntil([&] { return !host.boxes().empty(); }, 30000));
  EXPECT_EQ(host.boxes()[0].text, u"Write Flash Error e=4 FWU_ERR_VERIFY");
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kIdle);
  EXPECT_EQ(fw_->Pos(ui::kFwUpdateProgress), 5 * 100 / 16);
  // The node waits in its bootloader; loading the container again starts with block 0.
  host.Advance(5000);
  EXPECT_TRUE(node.bootloader().in_bootloader());
  const int restarts = node.bootloader().restarts();
  Press(*fw_, path);
  EXPECT_EQ(fw_->state(), CFwUpdate::State::kWriting);
  RunToCompletion(*fw_);
  EXPECT_EQ(node.bootloader().restarts(), restarts + 1);  // only the start of the application
  EXPECT_EQ(node.registers()[1], 413);
}

TEST_F(FwFlowTest, TargetThatNeverJumpsIsReportedAfterTheRetries) {
  Start();
  sim.FindNode(kNode)->bootloader().set_refuse_enter(true);
  fw_ = OpenFw(kNode);
  Press(*fw_, WriteContainer(ForNode(kNode, 420), sim::MakeFirmwareImage(420, 1000)));
  ASSERT_TRUE(host.AdvanceUntil([&] { return !host.boxes().empty(); }, 30000));
  EXPECT_EQ(host.boxes()[0].text, u"Jump to bootloader was unsuccessfull");
  // Eleven jumps of 750 ms, each followed by a 1000 ms wait for the bootloader.
  EXPECT_GE(host.now_ms(), 2000 + 11 * 1750);
}

}  // namespace
}  // namespace corvane::testing

namespace corvane::testing {
namespace {

TEST_F(FwFlowTest, RoutedUpdateThroughTheGateway) {
  // The gateway relays the batch of information reads (including the node's own registers at
  // 0xFEC6.., which are not part of its cached copy), the jump, every block and all the answers.
  constexpr RfAddress kRouted = sim::demo::kGatewayOutput;
  Start();
  sim::SimNode& node = *sim.FindNode(kRouted);
  fw_ = OpenFw(kRouted, sim::demo::kGateway);
  EXPECT_EQ(fw_->Text(ui::kFwUpdateFwNum), u"4.02");
  EXPECT_EQ(fw_->Text(ui::kFwUpdateDevName), u"Duplon-A");
  const std::vector<uint8_t> image = sim::MakeFirmwareImage(413, 8 * 1024, 7);
  Press(*fw_, WriteContainer(ForNode(kRouted, 413), image));
  RunToCompletion(*fw_);
  EXPECT_EQ(fw_->Pos(ui::kFwUpdateProgress), 100);
  const std::span<const uint8_t> written = node.bootloader().WrittenImage();
  ASSERT_EQ(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_EQ(node.registers()[1], 413);
}

}  // namespace
}  // namespace corvane::testing

// Start-up, the dongle connection and what the main window shows of it, end to end against the
// simulated dongle.
#include <gtest/gtest.h>

#include "app/main_template.h"
#include "app/shell_dialogs.h"
#include "app_harness.h"

namespace corvane {
namespace {

using testing::AppTest;
using Lines = std::vector<std::string>;
using namespace ui;

// The settings of a new project with RF power "+10 dBm": the default password, channel 0, code 2.
const char* kNewProjectSettings =
    "6B 15 12 00 09 54 41 52 56 45 4C 4F 4E 49 58 34 38 31 37 51 44 00 02";

TEST_F(AppTest, FirstStartCreatesTheProjectAndClaimsTheDongle) {
  profile.values.clear();  // no profile at all
  int prompts = 0;
  host.OnModal<CServiceCode>([&](CServiceCode& prompt) {
    ++prompts;
    EXPECT_EQ(host.now_ms(), 100);
    host.CloseBox(prompt);
  });
  Start(0);
  EXPECT_EQ(dlg->file_name(), u"new_project.cvp");
  EXPECT_TRUE(std::filesystem::exists("new_project.cvp"));
  EXPECT_EQ(std::filesystem::file_size("new_project.cvp"), 7252u);
  EXPECT_EQ(dlg->Title(), u"Pellmar 4.61 new_project.cvp");
  EXPECT_EQ(dlg->CurSel(kMainRfPower), 1);
  EXPECT_EQ(dlg->Text(kMainConnection), u"USB Dongle Connected");
  EXPECT_EQ(dlg->Text(kMainPassword), u"TARVELONIX4817QD");
  EXPECT_EQ(dlg->Text(kMainFrequency), u"868.95MHz 100kBps");
  EXPECT_FALSE(dlg->IsVisible(kMainWriteProgress));

  // Nothing goes out during the dongle's 600 ms after opening.
  host.Advance(599);
  EXPECT_TRUE(transport.Take().empty());
  host.Advance(1);
  EXPECT_EQ(transport.Take(), (Lines{kNewProjectSettings, "6A 03 00 00 1F", "6A 03 38 00 01"}));
  host.Advance(100);
  // The dongle answered register 56 with 0: the program claims it.
  EXPECT_EQ(transport.Take(), (Lines{"83 04 38 00 01 00"}));
  EXPECT_EQ(sim.dongle().reg(56), 1);
  EXPECT_EQ(dlg->Text(kMainDongleAddress), u"0xFFFE0001");
  EXPECT_FALSE(dlg->Text(kMainUptime).empty());
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(prompts, 1);
}

TEST_F(AppTest, StatisticsPollAndKeepAlive) {
  Start(1000);
  transport.Take();
  // Register 7 of the simulated dongle is 0, so the poll runs every 3 s; the keep-alive every 5 s.
  host.Advance(3000);
  const Lines sent = transport.Take();
  EXPECT_NE(std::find(sent.begin(), sent.end(), "6A 03 1E 00 01"), sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), "6A 03 34 00 01"), sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), "6A 03 1C 00 01"), sent.end());
  host.Advance(3000);
  const Lines more = transport.Take();
  EXPECT_NE(std::find(more.begin(), more.end(), "01 00"), more.end());
  EXPECT_FALSE(dlg->Text(kMainBandwidth).empty());
  EXPECT_NE(dlg->Text(kMainBandwidth).find(u','), std::u16string::npos);
}

TEST_F(AppTest, AnotherProgramHoldsTheDongle) {
  // A first run claims the dongle and vanishes without releasing it.
  Start(1000);
  EXPECT_EQ(sim.dongle().reg(56), 1);
  host.Forget(*dlg);
  dlg.reset();

  host.QueueAnswer(kIdYes);
  Start(1000);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text,
            u"Strixa used by another application, some problems are possible. Continue?");
  EXPECT_EQ(host.boxes()[0].caption, u"Strixa used");
  EXPECT_EQ(host.boxes()[0].buttons, Buttons::kYesNo);
  EXPECT_TRUE(exits.empty());
  host.Forget(*dlg);
  dlg.reset();

  // The default answer is No: the program ends with code 5.
  host.ClearBoxes();
  Start(1000);
  EXPECT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(exits, (std::vector<int>{5}));
}

TEST_F(AppTest, InUseAnswerLaterThanTheWaitIsIgnored) {
  // A first run claims the dongle and vanishes without releasing it.
  Start(1000);
  host.Forget(*dlg);
  dlg.reset();
  host.ClearBoxes();

  // The answer to the in-use read takes longer than the 1500 ms the program waits for it.
  sim.faults().extra_usb_latency_ms = 1000;
  dlg = std::make_unique<CCorvaneDlg>(host, transport, Env());
  host.Open(*dlg);
  dlg->SetPump(1, [this] { sim.AdvanceTo(host.now_ms()); });
  EXPECT_TRUE(host.AdvanceUntil([&] { return host.TimerRunning(*dlg, 7); }, 3000));
  EXPECT_EQ(host.TimerPeriod(*dlg, 7), 1500);
  const int64_t started = host.now_ms();
  EXPECT_TRUE(host.AdvanceUntil([&] { return !host.TimerRunning(*dlg, 7); }, 3000));
  EXPECT_EQ(host.now_ms() - started, 1500);  // one shot
  host.Advance(5000);
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_TRUE(exits.empty());
  EXPECT_FALSE(host.TimerRunning(*dlg, 7));
}

TEST_F(AppTest, ReplugTheSameDongleAndPlugADifferentOne) {
  Start(1000);
  transport.Take();
  sim.Unplug();
  dlg->OnDeviceChange();
  host.Advance(100);
  EXPECT_EQ(dlg->Text(kMainConnection), u"USB Dongle Not Found");
  EXPECT_EQ(dlg->Text(kMainDongleAddress), u"--");
  EXPECT_FALSE(host.TimerRunning(*dlg, CCorvaneDlg::kTimerLink));
  EXPECT_FALSE(host.TimerRunning(*dlg, CCorvaneDlg::kTimerStatistics));

  sim.Plug(0);
  dlg->OnDeviceChange();
  host.Advance(100);
  EXPECT_EQ(dlg->Text(kMainConnection), u"USB Dongle Connected");
  EXPECT_TRUE(host.TimerRunning(*dlg, CCorvaneDlg::kTimerLink));
  host.Advance(600);
  Lines sent = transport.Take();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0], kNewProjectSettings);
  EXPECT_EQ(sent[1], "6A 03 00 00 1F");
  host.Advance(200);
  EXPECT_EQ(dlg->Text(kMainDongleAddress), u"0xFFFE0001");

  // Another dongle: the first is closed, the second opened and set up, its address shown.
  sim.Unplug();
  sim.Plug(1);
  dlg->OnDeviceChange();
  host.Advance(100 + 300 + 600 + 200);
  EXPECT_EQ(dlg->Text(kMainDongleAddress), u"0xFFFE0002");
  EXPECT_EQ(dlg->dongle().identity().back(), u'2');
  // The keep-alive still runs after all this.
  transport.Take();
  host.Advance(5000);
  sent = transport.Take();
  EXPECT_NE(std::find(sent.begin(), sent.end(), "01 00"), sent.end());
}

TEST_F(AppTest, LeavingReleasesTheDongleAndStoresTheProfile) {
  Start(1000);
  transport.Take();
  dlg->SetCurSel(kMainRfPower, 6);
  host.CloseBox(*dlg);
  EXPECT_EQ(transport.Take(), (Lines{"83 04 38 00 00 00"}));
  EXPECT_FALSE(dlg->ended());
  host.Advance(100);
  EXPECT_TRUE(dlg->ended());
  EXPECT_EQ(profile.values[u"PWR"], u"7");
  EXPECT_EQ(profile.values[u"OEM"], u"0");
  EXPECT_EQ(profile.values[u"FILENAME"], u"new_project.cvp");

  // The next start takes them up: -20dBm.
  host.Forget(*dlg);
  dlg.reset();
  Start(0);
  EXPECT_EQ(dlg->CurSel(kMainRfPower), 6);
}

}  // namespace
}  // namespace corvane

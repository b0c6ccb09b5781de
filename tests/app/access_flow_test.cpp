// Opening devices, the wait for sleeping devices, routed reads and the device log, end to end.
#include <gtest/gtest.h>

#include "access/access_dialogs.h"
#include "access/access_templates.h"
#include "app/main_template.h"
#include "app/shell_dialogs.h"
#include "app/shell_templates.h"
#include "app_harness.h"

namespace corvane {
namespace {

using testing::AppTest;
using namespace ui;
namespace demo = sim::demo;

// A stand-in device dialog: reads the record header when it opens and keeps what arrives.
class ProbeDlg : public Dialog, public DeviceDialogPort {
 public:
  ProbeDlg(const DeviceDialogContext& context, RequestQueues& queues,
           std::vector<uint16_t>* keep = nullptr)
      : Dialog(ChoiseDeviceTemplate(), context.host),
        address_(context.address),
        route_(context.route),
        queues_(queues),
        keep_(keep) {}
  // What arrived outlives the dialog, which the opener destroys when it closes.
  ~ProbeDlg() override {
    if (keep_ != nullptr) *keep_ = received;
  }

  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override {
    if (source != address_) return;
    this->first = first;
    received.assign(words, words + count);
    cached = from_cache;
  }
  void OnWriteAck(RfAddress, uint16_t, int, bool) override {}

  std::vector<uint16_t> received;
  uint16_t first = 0;
  bool cached = false;

 protected:
  void OnInit() override { queues_.QueueRead(route_, address_, 0, 27, 0, true); }

 private:
  RfAddress address_;
  RfAddress route_;
  RequestQueues& queues_;
  std::vector<uint16_t>* keep_;
};

class AccessTest : public AppTest {
 protected:
  void StartWithProject(std::vector<RfAddress> devices) {
    Project p;
    for (size_t i = 0; i < devices.size(); ++i) {
      auto record = DefaultRecordTemplate();
      record.resize(static_cast<size_t>(RecordSize(devices[i]) / 2), 0);
      p.SetEntry(static_cast<int>(i), devices[i], record);
    }
    ASSERT_TRUE(SaveProjectFile("site.cvp", p).ok);
    command_line = u"site.cvp";
    Start(1500);
    for (DialogClass cls : {DialogClass::kThermoHygro, DialogClass::kInputNodeB}) {
      dlg->opener().Register(cls, [this](const DeviceDialogContext& c) {
        auto d = std::make_unique<ProbeDlg>(c, dlg->queues(), &probe_words);
        ++probes_opened;
        ProbeDlg* port = d.get();
        return OpenedDialog{std::move(d), port};
      });
    }
  }
  void SelectDevice(RfAddress address) {
    for (int i = 0; i < dlg->Count(kMainDeviceList); ++i) {
      if (dlg->Item(kMainDeviceList, i).rfind(FormatAddress(address), 0) == 0) {
        host.Select(*dlg, kMainDeviceList, i);
        return;
      }
    }
    FAIL() << "not in the list";
  }

  std::vector<uint16_t> probe_words;
  int probes_opened = 0;
};

TEST_F(AccessTest, SleepingNodeShowsTheWaitDialogUntilItWakes) {
  StartWithProject({demo::kClimate});
  std::u16string hint;
  int wait_runs = 0;
  host.OnModal<CWaitForAct>([&](CWaitForAct& wait) {
    ++wait_runs;
    hint = wait.Text(kWaitHint);
    EXPECT_EQ(wait.Pos(kWaitBar), 3100);
    host.Advance(1000);
    EXPECT_EQ(wait.Pos(kWaitBar), 3090);
    sim.PressButton(demo::kClimate);
    EXPECT_TRUE(host.AdvanceUntil([&] { return wait.ended(); }, 5000));
  });
  host.OnModal<ProbeDlg>([&](ProbeDlg& p) {
    EXPECT_TRUE(host.AdvanceUntil([&] { return !p.received.empty(); }, 30000));
    p.EndDialog(kIdOk);
  });
  SelectDevice(demo::kClimate);
  transport.Take();
  host.Click(*dlg, kMainOpenDevice);

  EXPECT_EQ(wait_runs, 1);
  EXPECT_EQ(hint, u"\r\nPress button, or wait up to 5 minutes");
  EXPECT_EQ(probes_opened, 1);
  ASSERT_EQ(probe_words.size(), 27u);
  EXPECT_EQ(probe_words[0], sim.FindNode(demo::kClimate)->registers()[0]);
  EXPECT_TRUE(dlg->modified());
  // The access target: mode 4 + 0x10 (it does not listen), parameter 32, the address; and the
  // release after the dialog closed.
  const auto sent = transport.Take();
  auto has = [&](const std::string& line) {
    return std::find(sent.begin(), sent.end(), line) != sent.end();
  };
  EXPECT_TRUE(has("83 04 21 00 14 00"));
  EXPECT_TRUE(has("83 04 22 00 20 00"));
  EXPECT_TRUE(has("6B 07 32 00 02 04 06 A0 00"));
  EXPECT_EQ(sent[sent.size() - 2], "83 04 21 00 20 00");
  EXPECT_EQ(sent.back(), "83 04 22 00 16 00");
  EXPECT_EQ(dlg->queues().pending_reads(), 0);
}

TEST_F(AccessTest, CancelSuppressesFurtherWaitsUntilTheNextAccess) {
  StartWithProject({demo::kClimate});
  int wait_runs = 0;
  host.OnModal<CWaitForAct>([&](CWaitForAct& wait) {
    ++wait_runs;
    host.Click(wait, kIdCancel);
  });
  host.OnModal<ProbeDlg>([&](ProbeDlg& p) {
    host.AdvanceUntil([&] { return wait_runs > 0; }, 5000);
    EXPECT_TRUE(dlg->queues().wait_cancelled());
    // The dongle reports again: no second wait dialog.
    dlg->OnActivationState(0x81);
    EXPECT_EQ(wait_runs, 1);
    // A new flushed read is a new access: the next report shows the dialog again.
    dlg->queues().QueueRead(0, demo::kClimate, 0, 1, 0, true);
    dlg->OnActivationState(0x81);
    EXPECT_EQ(wait_runs, 2);
    p.EndDialog(kIdOk);
  });
  SelectDevice(demo::kClimate);
  host.Click(*dlg, kMainOpenDevice);
  EXPECT_EQ(wait_runs, 2);
}

TEST_F(AccessTest, WaitDialogGivesUpAfter310Seconds) {
  StartWithProject({demo::kClimate});
  // Out of the dongle's reach it is never heard, so it never counts as awake.
  sim.SetInDongleRange(demo::kClimate, false);
  bool gave_up = false;
  host.OnModal<CWaitForAct>([&](CWaitForAct& wait) {
    host.Advance(309'900);
    EXPECT_FALSE(wait.ended());
    host.Advance(100);
    gave_up = wait.ended() && wait.result() == kIdCancel;
  });
  host.OnModal<ProbeDlg>([&](ProbeDlg& p) {
    host.AdvanceUntil([&] { return gave_up; }, 400'000);
    p.EndDialog(kIdOk);
  });
  SelectDevice(demo::kClimate);
  host.Click(*dlg, kMainOpenDevice);
  EXPECT_TRUE(gave_up);
}

TEST_F(AccessTest, ListeningNodeOpensWithoutWaiting) {
  StartWithProject({demo::kInputB});
  host.OnModal<ProbeDlg>([&](ProbeDlg& p) {
    EXPECT_TRUE(host.AdvanceUntil([&] { return !p.received.empty(); }, 5000));
    p.EndDialog(kIdOk);
  });
  SelectDevice(demo::kInputB);
  host.Click(*dlg, kMainOpenDevice);
  EXPECT_EQ(probe_words.size(), 27u);
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(AccessTest, ChooserAndClassesWithoutADialog) {
  StartWithProject({demo::kCounter, demo::kUniMeter});
  // No line selected: the chooser lists the project's devices, the first preselected.
  host.OnModal<CChoiseDevice>([&](CChoiseDevice& choose) {
    ASSERT_EQ(choose.Count(kChoiseDeviceCombo), 2);
    EXPECT_EQ(choose.Item(kChoiseDeviceCombo, 0), u"0x00F00606 Tallix");
    EXPECT_EQ(choose.CurSel(kChoiseDeviceCombo), 0);
    host.Click(choose, kIdOk);
  });
  host.Click(*dlg, kMainOpenDevice);
  EXPECT_EQ(dlg->selected_address(), demo::kCounter);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], u"No dialog for 0x00F00606 CCounterDlg");

  // Type 0x00C has no dialog at all.
  SelectDevice(demo::kUniMeter);
  host.Click(*dlg, kMainOpenDevice);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"zatim nepodporuju");

  // Closing the chooser ends the flow before anything is sent to the dongle.
  host.OnModal<CChoiseDevice>([&](CChoiseDevice& choose) { host.CloseBox(choose); });
  dlg->SetCurSel(kMainDeviceList, -1);
  transport.Take();
  host.Click(*dlg, kMainOpenDevice);
  EXPECT_TRUE(transport.Take().empty());
}

TEST_F(AccessTest, RoutedReadComesFromTheGatewaysCache) {
  StartWithProject({demo::kGateway, demo::kGatewayInput});
  ProbeDlg port({host, demo::kGatewayInput, demo::kGateway, dlg->project(), 1}, dlg->queues());
  ASSERT_TRUE(dlg->dialog_slots().Occupy(DialogClass::kInputNode, &port));
  dlg->queues().QueueRead(demo::kGateway, demo::kGatewayInput, 4000, 10, 0, true);
  EXPECT_TRUE(host.AdvanceUntil([&] { return !port.received.empty(); }, 3000));
  EXPECT_TRUE(port.cached);
  EXPECT_EQ(port.first, 0);
  EXPECT_EQ(port.received.size(), 10u);
  EXPECT_FALSE(dlg->queues().read_in_flight());
  dlg->dialog_slots().Release(&port);
}

TEST_F(AccessTest, DeviceLogAndItsTimeout) {
  StartWithProject({demo::kInputB});
  dlg->device_log().Request(0, demo::kInputB);
  EXPECT_TRUE(host.AdvanceUntil([&] { return !host.boxes().empty(); }, 1400));
  ASSERT_EQ(host.boxes().size(), 1u);
  const std::u16string& text = host.boxes()[0].text;
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.substr(text.size() - 2), u"\r\n");
  EXPECT_NE(text.find(u" M:"), std::u16string::npos);
  EXPECT_FALSE(dlg->device_log().requested());

  host.ClearBoxes();
  sim.SetMute(demo::kInputB, true);
  dlg->device_log().Request(0, demo::kInputB);
  host.Advance(1500);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Read Log unsuccessfull");

  // An answer slower than the time-out is still shown.
  host.ClearBoxes();
  sim.SetMute(demo::kInputB, false);
  sim.faults().extra_usb_latency_ms = 1000;
  dlg->device_log().Request(0, demo::kInputB);
  host.Advance(1500);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Read Log unsuccessfull");
  EXPECT_TRUE(host.AdvanceUntil([&] { return host.boxes().size() == 2; }, 3000));
  EXPECT_NE(host.boxes()[1].text.find(u" M:"), std::u16string::npos);
}

TEST_F(AccessTest, ChangePasswordPointsTheDongleAtTheDeviceAndReleasesIt) {
  StartWithProject({demo::kClimate, demo::kOutputB});
  std::vector<std::string> during;
  host.OnModal<CPassChange>([&](CPassChange& change) {
    during = transport.Take();
    host.Click(change, kPassChange);  // has no action: the dialog stays
    EXPECT_FALSE(change.ended());
    EXPECT_TRUE(transport.Take().empty());
    host.CloseBox(change);
  });
  auto has = [](const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  auto mode_writes = [](const std::vector<std::string>& lines) {
    int n = 0;
    for (const auto& line : lines) n += line.rfind("83 04 21 00", 0) == 0;
    return n;
  };
  // A listening output node: access mode 0 is not written; the address goes to 50..51.
  SelectDevice(demo::kOutputB);
  transport.Take();
  host.Click(*dlg, kMainChangePassword);
  EXPECT_EQ(mode_writes(during), 0);
  EXPECT_TRUE(has(during, "6B 07 32 00 02 01 05 50 00"));
  EXPECT_EQ(transport.Take(), (std::vector<std::string>{"83 04 21 00 20 00", "83 04 22 00 16 00"}));
  // A sleeping climate sensor: mode 4 + 0x10 first.
  SelectDevice(demo::kClimate);
  transport.Take();
  host.Click(*dlg, kMainChangePassword);
  EXPECT_TRUE(has(during, "83 04 21 00 14 00"));
  EXPECT_TRUE(has(during, "6B 07 32 00 02 04 06 A0 00"));
  host.Advance(500);
  EXPECT_EQ(sim.dongle().reg(33), 32);
  EXPECT_EQ(sim.dongle().reg(34), 22);
}

TEST_F(AccessTest, ScanUploadsTheProjectListInTableOrder) {
  StartWithProject({demo::kClimate, demo::kOutputB});
  transport.Take();
  host.Click(*dlg, kMainScan);
  const auto sent = transport.Take();
  EXPECT_NE(
      std::find(sent.begin(), sent.end(), "6B 0F 92 02 06 02 00 00 00 04 06 A0 00 01 05 50 00"),
      sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), "83 04 37 00 02 00"), sent.end());
  host.Advance(1000);
  const std::vector<uint16_t> expected{2, 0, 0x0604, 0x00A0, 0x0501, 0x0050};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(sim.dongle().reg(658 + static_cast<int>(i)), expected[i]) << i;
  }
  EXPECT_EQ(sim.dongle().reg(55), 2);
}

TEST(DeviceLogText, FormatsWholeRecords) {
  const uint8_t records[] = {7,   0xFE, 0x12, 0x34, 0x56, 0x78, 0x39, 0x30,  // all causes
                             123, 0x00, 0xAB, 0xCD, 0xEF, 0x01, 0x00, 0x00,  // none
                             1,   2,    3};                                  // cut: not shown
  EXPECT_EQ(FormatDeviceLog(records),
            u"007 BOD WDD IWD SW POR  PIN OB M:12 R:34 I:56 H:78 U:12345\r\n"
            u"123 M:AB R:CD I:EF H:01 U:0\r\n");
}

}  // namespace
}  // namespace corvane

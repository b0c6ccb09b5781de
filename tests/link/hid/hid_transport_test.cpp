// HidTransport against a fake dongle: discovery, the permission message, the I/O thread's writes,
// retries and reads, Close with a call stuck, unplug and replug. The I/O thread is real, so the
// tsan preset runs this program too.
#include "link/hid/hid_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "link/hid/fake_hid.h"

namespace corvane::hid {
namespace {

using testing::FakeDongle;
using testing::FakeHidApi;

// Stands in for the program's sink: keeps what arrives, in arrival order, from any thread.
class RecordingSink : public ReportSink {
 public:
  void OnReport(const Report& report) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reports_.push_back(report);
      if (std::this_thread::get_id() == test_thread_) on_test_thread_ = true;
    }
    changed_.notify_all();
  }
  bool WaitForCount(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return reports_.size() >= count; });
  }
  std::vector<Report> reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }
  bool on_test_thread() {
    std::lock_guard<std::mutex> lock(mutex_);
    return on_test_thread_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Report> reports_;
  const std::thread::id test_thread_ = std::this_thread::get_id();
  bool on_test_thread_ = false;
};

Report Numbered(int n) {
  Report report{};
  report[0] = 0x6A;
  report[1] = static_cast<uint8_t>(n);
  report[2] = static_cast<uint8_t>(n >> 8);
  report[63] = 0xEE;
  return report;
}

HidTransportOptions QuickRetries() {
  HidTransportOptions options;
  options.open_retry_pause_ms = 5;
  return options;
}

class HidTransportTest : public ::testing::Test {
 protected:
  bool DiscoverAndOpen() {
    std::u16string identity;
    return transport_.Discover(identity) && transport_.Open(&sink_);
  }
  // The written reports of a dongle, waited for until there are `count`.
  std::vector<std::vector<uint8_t>> Written(FakeDongle& dongle, size_t count) {
    EXPECT_TRUE(dongle.WaitUntil([&](const FakeDongle& d) { return d.written.size() >= count; }));
    return dongle.Get([](const FakeDongle& d) { return d.written; });
  }

  FakeHidApi api_;
  RecordingSink sink_;
  HidTransport transport_{api_, QuickRetries()};
};

// --- Discovery -----------------------------------------------------------------------------

TEST_F(HidTransportTest, NothingPluggedInIsNotFoundAndNotAnError) {
  api_.PlugOther("/dev/hidraw0", 0x046D, 0xC52B);  // a receiver of some mouse
  std::u16string identity = u"stale";
  EXPECT_FALSE(transport_.Discover(identity));
  EXPECT_TRUE(identity.empty());
  EXPECT_EQ(transport_.problem(), Problem::kNone);
  EXPECT_TRUE(transport_.last_error().empty());
  EXPECT_FALSE(transport_.Open(&sink_));
  EXPECT_TRUE(api_.opened_paths().empty());
}

TEST_F(HidTransportTest, OneEntryPerNodeHoweverManyCollectionsHidapiLists) {
  api_.Plug("/dev/hidraw4", u"A1", 3);
  api_.PlugOther("/dev/hidraw5", 0x0483, 0x5740);  // same maker, another product
  api_.Plug("/dev/hidraw7", u"B2", 2);
  const std::vector<HidDeviceInfo> dongles = transport_.Dongles();
  ASSERT_EQ(dongles.size(), 2u);
  EXPECT_EQ(dongles[0].path, "/dev/hidraw4");
  EXPECT_EQ(dongles[1].path, "/dev/hidraw7");

  std::u16string identity;
  ASSERT_TRUE(transport_.Discover(identity));
  EXPECT_EQ(api_.opened_paths(), std::vector<std::string>{"/dev/hidraw4"});
}

TEST_F(HidTransportTest, IdentityNamesVendorProductSerialAndNode) {
  HidDeviceInfo info;
  info.path = "/dev/hidraw3";
  info.vendor_id = 0x0483;
  info.product_id = 0xA283;
  info.serial_number = u"00A1B2";
  EXPECT_EQ(HidTransport::IdentityText(info), u"VID_0483&PID_A283&SN_00A1B2&PATH_/dev/hidraw3");

  // Another dongle at the same node, or the same dongle at another node, reads differently.
  HidDeviceInfo other_serial = info;
  other_serial.serial_number = u"00A1B3";
  HidDeviceInfo other_node = info;
  other_node.path = "/dev/hidraw4";
  EXPECT_NE(HidTransport::IdentityText(other_serial), HidTransport::IdentityText(info));
  EXPECT_NE(HidTransport::IdentityText(other_node), HidTransport::IdentityText(info));

  // Kept to 256 characters whatever the device reports.
  info.serial_number = std::u16string(400, u'9');
  EXPECT_EQ(HidTransport::IdentityText(info).size(), 256u);
}

TEST_F(HidTransportTest, StaysWithTheOpenDongleWhenASecondIsPluggedIn) {
  api_.Plug("/dev/hidraw6", u"FIRST");
  ASSERT_TRUE(DiscoverAndOpen());
  api_.Plug("/dev/hidraw2", u"SECOND");  // listed first from now on
  std::u16string identity;
  ASSERT_TRUE(transport_.Discover(identity));
  EXPECT_NE(identity.find(u"SN_FIRST"), std::u16string::npos);
  EXPECT_TRUE(transport_.IsOpen());
}

// --- Permissions ---------------------------------------------------------------------------

TEST_F(HidTransportTest, PermissionProblemIsExplainedWithTheInstallCommand) {
  auto dongle = api_.Plug("/dev/hidraw3");
  dongle->Set([](FakeDongle& d) { d.deny_opens = 1000; });
  std::vector<std::u16string> heard;
  transport_.SetProblemListener([&](const std::u16string& text) { heard.push_back(text); });

  std::u16string identity;
  EXPECT_FALSE(transport_.Discover(identity));
  EXPECT_FALSE(identity.empty()) << "the dongle is there, only not usable";
  EXPECT_EQ(transport_.problem(), Problem::kPermission);
  const std::u16string& text = transport_.last_error();
  EXPECT_NE(text.find(u"/dev/hidraw3"), std::u16string::npos);
  EXPECT_NE(text.find(u"60-corvane.rules"), std::u16string::npos);
  EXPECT_NE(text.find(kUdevRuleInstallCommand), std::u16string::npos);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], text);
  // Present since the first look: tried once, not held up with retries.
  EXPECT_EQ(dongle->Get([](const FakeDongle& d) { return d.open_calls; }), 1);
  EXPECT_FALSE(transport_.Open(&sink_));
  EXPECT_FALSE(transport_.IsOpen());

  // Once the rule is in place the next look finds it and the message goes away.
  dongle->Set([](FakeDongle& d) { d.deny_opens = 0; });
  EXPECT_TRUE(transport_.Discover(identity));
  EXPECT_EQ(transport_.problem(), Problem::kNone);
  EXPECT_TRUE(transport_.last_error().empty());
  EXPECT_TRUE(transport_.Open(&sink_));
}

TEST_F(HidTransportTest, FreshlyPluggedDongleIsRetriedUntilUdevHasGrantedAccess) {
  std::u16string identity;
  EXPECT_FALSE(transport_.Discover(identity));
  auto dongle = api_.Plug("/dev/hidraw3");
  dongle->Set([](FakeDongle& d) { d.deny_opens = 2; });
  EXPECT_TRUE(transport_.Discover(identity));
  EXPECT_EQ(dongle->Get([](const FakeDongle& d) { return d.open_calls; }), 3);
  EXPECT_EQ(transport_.problem(), Problem::kNone);
  ASSERT_TRUE(transport_.Open(&sink_));
  // Open used the handle Discover made rather than opening a second one.
  EXPECT_EQ(dongle->Get([](const FakeDongle& d) { return d.open_calls; }), 3);

  // A fresh one that never gets access is given up after the configured attempts.
  auto other = api_.Plug("/dev/hidraw9", u"OTHER");
  other->Set([](FakeDongle& d) { d.deny_opens = 1000; });
  ASSERT_TRUE(transport_.Close());
  api_.Unplug(dongle);
  EXPECT_FALSE(transport_.Discover(identity));
  EXPECT_EQ(other->Get([](const FakeDongle& d) { return d.open_calls; }), 5);
  EXPECT_EQ(transport_.problem(), Problem::kPermission);
}

TEST_F(HidTransportTest, OtherOpenFailuresSayWhatHappenedWithoutTheUdevAdvice) {
  auto dongle = api_.Plug("/dev/hidraw3");
  dongle->Set([](FakeDongle& d) {
    d.deny_opens = 1;
    d.deny_code = EIO;
  });
  std::u16string identity;
  EXPECT_FALSE(transport_.Discover(identity));
  EXPECT_EQ(transport_.problem(), Problem::kOpenFailed);
  EXPECT_NE(transport_.last_error().find(u"could not be opened"), std::u16string::npos);
  EXPECT_EQ(transport_.last_error().find(u"udev"), std::u16string::npos);
}

TEST(HidPackaging, InstalledRuleIsTheOneTheMessageInstalls) {
  std::ifstream file(CORVANE_SOURCE_DIR "/packaging/60-corvane.rules");
  ASSERT_TRUE(file.good());
  std::stringstream contents;
  contents << file.rdbuf();
  std::string expected;
  for (char16_t c : std::u16string_view(kUdevRule)) expected.push_back(static_cast<char>(c));
  EXPECT_EQ(contents.str(), expected + "\n");
  EXPECT_NE(std::u16string_view(kUdevRuleInstallCommand).find(kUdevRule), std::u16string::npos);
}

// --- Lifecycle -----------------------------------------------------------------------------

TEST_F(HidTransportTest, OpenAndCloseAnswerFalseWhenThereIsNothingToDo) {
  api_.Plug("/dev/hidraw3");
  EXPECT_FALSE(transport_.Close());
  ASSERT_TRUE(DiscoverAndOpen());
  EXPECT_FALSE(transport_.Open(&sink_));
  EXPECT_TRUE(transport_.IsOpen());
  EXPECT_TRUE(transport_.Close());
  EXPECT_FALSE(transport_.Close());
  EXPECT_FALSE(transport_.IsOpen());
  EXPECT_FALSE(api_.overlap_seen());
}

TEST_F(HidTransportTest, ReportsQueuedBeforeCloseAreNeverSentAfterReopening) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  dongle->Set([](FakeDongle& d) { d.hold_writes = true; });
  for (int n = 0; n < 20; ++n) transport_.Enqueue(Numbered(n).data(), 64);
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.in_held_call; }));
  EXPECT_TRUE(transport_.Close());
  dongle->Set([](FakeDongle& d) { d.hold_writes = false; });
  // The first report was on its way when Close came; the other 19 stay behind.
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.open_handles == 0; }));

  ASSERT_TRUE(DiscoverAndOpen());
  transport_.Enqueue(Numbered(500).data(), 64);
  const auto written = Written(*dongle, 2);
  ASSERT_TRUE(transport_.Close());
  const auto all = dongle->Get([](const FakeDongle& d) { return d.written; });
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0][2], 0);
  EXPECT_EQ(all[1][2], 500 & 0xFF);
}

TEST_F(HidTransportTest, EnqueueWhileClosedIsDropped) {
  auto dongle = api_.Plug("/dev/hidraw3");
  transport_.Enqueue(Numbered(1).data(), 64);
  ASSERT_TRUE(DiscoverAndOpen());
  transport_.Enqueue(Numbered(2).data(), 64);
  const auto written = Written(*dongle, 1);
  ASSERT_TRUE(transport_.Close());
  transport_.Enqueue(Numbered(3).data(), 64);
  const auto all = dongle->Get([](const FakeDongle& d) { return d.written; });
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0][2], 2);
}

// --- Writes --------------------------------------------------------------------------------

TEST_F(HidTransportTest, WritesAreWholeReportsWithIdZeroInQueueOrder) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  const uint8_t short_message[] = {0x6A, 3, 0, 0, 31};
  transport_.Enqueue(short_message, sizeof short_message);
  for (int n = 0; n < 300; ++n) transport_.Enqueue(Numbered(n).data(), 64);
  const auto written = Written(*dongle, 301);
  ASSERT_EQ(written.size(), 301u);
  for (const auto& report : written) {
    ASSERT_EQ(report.size(), 65u);
    EXPECT_EQ(report[0], 0);
  }
  EXPECT_EQ(std::vector<uint8_t>(written[0].begin() + 1, written[0].begin() + 6),
            std::vector<uint8_t>(std::begin(short_message), std::end(short_message)));
  for (size_t i = 6; i < 65; ++i) EXPECT_EQ(written[0][i], 0) << i;
  for (int n = 0; n < 300; ++n) {
    const auto& report = written[static_cast<size_t>(n) + 1];
    ASSERT_EQ(report[2] | report[3] << 8, n);
    ASSERT_EQ(report[64], 0xEE);
  }
  EXPECT_FALSE(api_.overlap_seen());
}

TEST_F(HidTransportTest, FailedWriteIsRetriedAndSentOnTheFourthAttempt) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  dongle->Set([](FakeDongle& d) { d.failing_writes = 3; });
  transport_.Enqueue(Numbered(7).data(), 64);
  const auto written = Written(*dongle, 1);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0][2], 7);
  EXPECT_EQ(dongle->Get([](const FakeDongle& d) { return d.write_calls; }), 4);
}

TEST_F(HidTransportTest, ReportIsDroppedAfterFourFailedAttemptsAndTheNextOneGoesOut) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  dongle->Set([](FakeDongle& d) { d.failing_writes = 4; });
  transport_.Enqueue(Numbered(1).data(), 64);
  transport_.Enqueue(Numbered(2).data(), 64);
  const auto written = Written(*dongle, 1);
  ASSERT_TRUE(transport_.Close());
  const auto all = dongle->Get([](const FakeDongle& d) { return d.written; });
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0][2], 2) << "report 1 must be given up, not retried forever";
  EXPECT_EQ(dongle->Get([](const FakeDongle& d) { return d.write_calls; }), 5);
}

// --- Reads ---------------------------------------------------------------------------------

TEST_F(HidTransportTest, ReceivedReportsReachTheSinkInOrderFromTheIoThread) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  constexpr int kReports = 2000;
  dongle->Set([](FakeDongle& d) {
    for (int n = 0; n < kReports; ++n) d.inbound.push_back(Numbered(n));
  });
  // Writing at the same time must neither starve the reads nor share the handle.
  for (int n = 0; n < 200; ++n) transport_.Enqueue(Numbered(n).data(), 64);
  ASSERT_TRUE(sink_.WaitForCount(kReports));
  const auto reports = sink_.reports();
  ASSERT_EQ(reports.size(), static_cast<size_t>(kReports));
  for (int n = 0; n < kReports; ++n) {
    ASSERT_EQ(reports[static_cast<size_t>(n)], Numbered(n)) << n;
  }
  EXPECT_FALSE(sink_.on_test_thread());
  EXPECT_EQ(Written(*dongle, 200).size(), 200u);
  EXPECT_FALSE(api_.overlap_seen());
}

TEST_F(HidTransportTest, ReadsThatTimeOutOrComeShortDeliverNothing) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.empty_reads >= 20; }));
  EXPECT_TRUE(sink_.reports().empty());
  EXPECT_TRUE(transport_.IsOpen());

  dongle->Set([](FakeDongle& d) {
    d.short_reads = 1;
    d.inbound.push_back(Numbered(1));
    d.inbound.push_back(Numbered(2));
  });
  ASSERT_TRUE(sink_.WaitForCount(1));
  const auto reports = sink_.reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Numbered(2));
}

// --- Close with a call stuck ---------------------------------------------------------------

TEST_F(HidTransportTest, CloseReturnsWhileAReadIsStuckAndNothingReachesTheSinkAfterwards) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  dongle->Set([](FakeDongle& d) { d.hold_reads = true; });
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.in_held_call; }));
  // The read never returns on its own; Close must not wait for it.
  EXPECT_TRUE(transport_.Close());
  EXPECT_FALSE(transport_.IsOpen());

  // The stuck read comes back with a report after Close: it is not delivered, and the
  // abandoned thread closes its own handle.
  dongle->Set([](FakeDongle& d) {
    d.inbound.push_back(Numbered(9));
    d.hold_reads = false;
  });
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.open_handles == 0; }));
  EXPECT_TRUE(sink_.reports().empty());

  // And the transport opens again as usual.
  ASSERT_TRUE(DiscoverAndOpen());
  dongle->Set([](FakeDongle& d) { d.inbound.push_back(Numbered(10)); });
  ASSERT_TRUE(sink_.WaitForCount(1));
  EXPECT_EQ(sink_.reports(), std::vector<Report>{Numbered(10)});
  EXPECT_FALSE(api_.overlap_seen());
}

// --- Unplug and replug ---------------------------------------------------------------------

TEST_F(HidTransportTest, UnplugWhileOpenFailsQuietlyUntilClosed) {
  auto dongle = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  for (int n = 0; n < 50; ++n) transport_.Enqueue(Numbered(n).data(), 64);
  api_.Unplug(dongle);
  // The I/O thread lets go of the dead handle by itself.
  ASSERT_TRUE(dongle->WaitUntil([](const FakeDongle& d) { return d.open_handles == 0; }));
  for (int n = 0; n < 50; ++n) transport_.Enqueue(Numbered(n).data(), 64);
  EXPECT_TRUE(transport_.IsOpen()) << "open until the connection logic closes it";
  std::u16string identity;
  EXPECT_FALSE(transport_.Discover(identity));
  EXPECT_EQ(transport_.problem(), Problem::kNone);
  EXPECT_TRUE(transport_.Close());
  EXPECT_FALSE(api_.overlap_seen());
}

TEST_F(HidTransportTest, ReplugAtAnotherNodeIsFoundByEnumeratingAgain) {
  auto first = api_.Plug("/dev/hidraw3");
  std::u16string before;
  ASSERT_TRUE(transport_.Discover(before));
  ASSERT_TRUE(transport_.Open(&sink_));
  api_.Unplug(first);
  ASSERT_TRUE(first->WaitUntil([](const FakeDongle& d) { return d.open_handles == 0; }));
  auto second = api_.Plug("/dev/hidraw8");

  // What the connection logic does: a new identity means close, then open again.
  std::u16string after;
  ASSERT_TRUE(transport_.Discover(after));
  EXPECT_NE(after, before);
  ASSERT_TRUE(transport_.Close());
  ASSERT_TRUE(transport_.Open(&sink_));
  EXPECT_EQ(api_.opened_paths(), (std::vector<std::string>{"/dev/hidraw3", "/dev/hidraw8"}));
  transport_.Enqueue(Numbered(4).data(), 64);
  EXPECT_EQ(Written(*second, 1).size(), 1u);
}

TEST_F(HidTransportTest, ReplugAtTheSameNodeBeforeCloseOpensTheNewDevice) {
  auto first = api_.Plug("/dev/hidraw3");
  std::u16string before;
  ASSERT_TRUE(transport_.Discover(before));
  ASSERT_TRUE(transport_.Open(&sink_));
  api_.Unplug(first);
  ASSERT_TRUE(first->WaitUntil([](const FakeDongle& d) { return d.open_handles == 0; }));
  auto again = api_.Plug("/dev/hidraw3");

  // Both notifications are handled only now: same identity, so the connection logic just
  // calls Open, which must not be refused by the dead session.
  std::u16string after;
  ASSERT_TRUE(transport_.Discover(after));
  EXPECT_EQ(after, before);
  ASSERT_TRUE(transport_.Open(&sink_));
  transport_.Enqueue(Numbered(5).data(), 64);
  EXPECT_EQ(Written(*again, 1).size(), 1u);
  again->Set([](FakeDongle& d) { d.inbound.push_back(Numbered(6)); });
  ASSERT_TRUE(sink_.WaitForCount(1));
  EXPECT_FALSE(api_.overlap_seen());
}

TEST_F(HidTransportTest, OpenWithoutAFreshDiscoverEnumeratesAgain) {
  auto first = api_.Plug("/dev/hidraw3");
  ASSERT_TRUE(DiscoverAndOpen());
  ASSERT_TRUE(transport_.Close());
  api_.Unplug(first);
  auto second = api_.Plug("/dev/hidraw4");
  ASSERT_TRUE(transport_.Open(&sink_));
  EXPECT_EQ(api_.opened_paths(), (std::vector<std::string>{"/dev/hidraw3", "/dev/hidraw4"}));
}

}  // namespace
}  // namespace corvane::hid

// The unidirectional monitor as the gateway dialog runs it: the reads "Read All" queues in both
// register layouts, the block chain and its timer, the periodic read, the list and the log.
#include "gateway/uni_monitor.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "gateway/uni_monitor_template.h"
#include "link/message_layer.h"
#include "link/messages.h"
#include "link/transport.h"
#include "model/type_table.h"
#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using namespace ui;

constexpr RfAddress kGateway = 0x00800101;
constexpr RfAddress kRoute = 0x00800202;

class Recorder : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    sent.emplace_back(bytes, bytes + length);
  }
  std::vector<std::vector<uint8_t>> sent;
};

class NoQueueClient : public RequestQueuesClient {
 public:
  void SetQueueTimer(int, int) override {}
  void KillQueueTimer(int) override {}
  void ShowWriteProgress(int, int, bool) override {}
};

// Inclusive register ranges, as a reader of the log counts them.
using Range = std::pair<int, int>;

GatewayImage WithEntries(const GatewayMap& map, std::initializer_list<int> entries) {
  GatewayImage image(map);
  for (int i : entries) {
    image.SetUniDevice(i, GwUniEntry{.address = 0x00300600u + static_cast<RfAddress>(i),
                                     .reg = {static_cast<uint16_t>(0x8000 | i), 4}});
  }
  return image;
}

// Each test in a folder of its own: the log is SNIFF/sniff_unidir.txt there.
class UniMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_unimon_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    if (monitor) {
      EXPECT_EQ(monitor->unknown_id_uses(), 0);
    }
    monitor.reset();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  CGWUniMonitor& Open(const GatewayImage& image, RfAddress route = 0) {
    monitor = std::make_unique<CGWUniMonitor>(host, queues, kGateway, route, image);
    host.Open(*monitor);
    return *monitor;
  }

  // Plays the gateway: answers each read the queues send with the words of `gateway`, handing
  // the block to the monitor as the gateway dialog does. Returns the ranges read, in order.
  std::vector<Range> Answer(const GatewayImage* gateway = nullptr, RfAddress route = 0) {
    std::vector<Range> reads;
    while (!transport.sent.empty()) {
      const std::vector<uint8_t> report = transport.sent.front();
      transport.sent.erase(transport.sent.begin());
      EXPECT_EQ(report[0], MSG_RF_SEND);
      EXPECT_EQ(report[2] | report[3] << 8 | report[4] << 16 | uint32_t{report[5]} << 24,
                route != 0 ? route : kGateway);
      const size_t k = report.size() - 5;
      EXPECT_EQ(report[k], MSG_REG_READ);
      const int reg = report[k + 2] | report[k + 3] << 8;
      const int count = report[k + 4];
      reads.emplace_back(reg, reg + count - 1);
      queues.OnReadAnswer(kGateway, MSG_REG_BLOCK, static_cast<uint16_t>(reg), count);
      std::vector<uint16_t> words(static_cast<size_t>(count));
      if (gateway != nullptr) {
        std::copy_n(gateway->words().begin() + reg, count, words.begin());
      }
      monitor->OnBlock(reg, count, words.data());
    }
    return reads;
  }

  static std::string LogBytes() {
    std::ifstream in("SNIFF/sniff_unidir.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  TestHost host;
  Recorder transport;
  MessageLayer layer{transport};
  NoQueueClient client;
  RequestQueues queues{layer, client};
  std::unique_ptr<CGWUniMonitor> monitor;

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

TEST_F(UniMonitorTest, ShortRunsAreReadOnTheirOwnThenTheFirstStatusRecords) {
  CGWUniMonitor& m = Open(WithEntries(kV400Map, {0, 1, 2, 10}));
  EXPECT_EQ(m.Template().id, 161);
  EXPECT_EQ(m.Title(), DisplayName(kGateway) + u" Unidirectional device monitor ");
  EXPECT_EQ(m.Text(kUniMonPeriod), u"5");
  ASSERT_EQ(m.RowCount(kUniMonList), 200);
  EXPECT_EQ(m.Cell(kUniMonList, 10, kUniMonColPos), u"011");
  EXPECT_EQ(m.Cell(kUniMonList, 10, kUniMonColAddress), u"0x0030060A 3147274");
  // The store-in-FIFO bit is no part of the register number.
  EXPECT_EQ(m.Cell(kUniMonList, 10, kUniMonColReg1), u"11");
  EXPECT_EQ(m.Cell(kUniMonList, 10, kUniMonColReg2), u"5");

  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  EXPECT_EQ(Answer(), (std::vector<Range>{{1634, 1639}, {1654, 1655}, {18492, 18507}}));
  EXPECT_EQ(m.chain_end(), 0);

  ASSERT_TRUE(host.DoubleClick(m, kUniMonList, 3));
  EXPECT_EQ(Answer(), (std::vector<Range>{{1640, 1641}}));
}

TEST_F(UniMonitorTest, LongRunSwitchesToTheChainWhichEndsItsTimer) {
  CGWUniMonitor& m = Open(WithEntries(kV400Map, {0, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  EXPECT_TRUE(host.TimerRunning(m, CGWUniMonitor::kChainTimer));
  // The short run before the long one was queued already.
  EXPECT_EQ(Answer(), (std::vector<Range>{{1634, 1635},
                                          {1634, 1883},
                                          {1884, 2033},
                                          {18492, 18741},
                                          {18742, 18991},
                                          {18992, 19241},
                                          {19242, 19291}}));
  EXPECT_FALSE(host.TimerRunning(m, CGWUniMonitor::kChainTimer));
  EXPECT_EQ(m.chain_end(), 0);
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(UniMonitorTest, OlderLayoutChainRoutedThroughTheRoute) {
  CGWUniMonitor& m = Open(WithEntries(kPre400Map, {0, 1, 2, 3, 4, 5, 6}), kRoute);
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  EXPECT_EQ(Answer(nullptr, kRoute), (std::vector<Range>{{1354, 1603},
                                                         {1604, 1753},
                                                         {18212, 18461},
                                                         {18462, 18711},
                                                         {18712, 18961},
                                                         {18962, 19011}}));
  EXPECT_EQ(m.chain_end(), 0);
  EXPECT_FALSE(host.TimerRunning(m, CGWUniMonitor::kChainTimer));
}

TEST_F(UniMonitorTest, MoreRunsThanTheQueueHoldsAreReadByTheChain) {
  GatewayImage image(kV400Map);
  for (int i = 0; i < 200; i += 2) image.SetUniDevice(i, GwUniEntry{.address = 0x00300600});
  CGWUniMonitor& m = Open(image);
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  EXPECT_EQ(queues.pending_reads(), 1);
  EXPECT_EQ(Answer().size(), 6u);
}

TEST_F(UniMonitorTest, ChainTimeoutIsReportedAndALateBlockStillMovesItOn) {
  CGWUniMonitor& m = Open(WithEntries(kV400Map, {0, 1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  transport.sent.clear();  // the answer is lost
  // Not while the queue may still be trying: its first request and both retries, each with the
  // queue's read time-out, come before the chain gives up.
  host.Advance((RequestQueues::kReadRetries + 1) * RequestQueues::kReadTimeoutMs);
  EXPECT_TRUE(host.boxes().empty());
  host.Advance(CGWUniMonitor::kChainTimeoutMs -
               (RequestQueues::kReadRetries + 1) * RequestQueues::kReadTimeoutMs);
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Read unsuccessfull");
  EXPECT_FALSE(host.TimerRunning(m, CGWUniMonitor::kChainTimer));
  EXPECT_EQ(m.chain_end(), 1884);

  const std::vector<uint16_t> late(250);
  m.OnBlock(1634, 250, late.data());
  EXPECT_EQ(m.chain_end(), 2034);
  EXPECT_TRUE(host.TimerRunning(m, CGWUniMonitor::kChainTimer));
}

TEST_F(UniMonitorTest, PeriodBelowTwoBecomesTwo) {
  CGWUniMonitor& m = Open(WithEntries(kV400Map, {4}));
  ASSERT_TRUE(host.Type(m, kUniMonPeriod, u"1"));
  ASSERT_TRUE(host.Toggle(m, kUniMonPeriodic));
  EXPECT_EQ(m.Text(kUniMonPeriod), u"2");
  EXPECT_EQ(Answer(), (std::vector<Range>{{1642, 1643}, {18492, 18507}}));
  EXPECT_EQ(host.TimerPeriod(m, CGWUniMonitor::kPeriodTimer), 2000);
  host.Advance(2000);
  EXPECT_EQ(Answer().size(), 2u);

  ASSERT_TRUE(host.Toggle(m, kUniMonPeriodic));
  EXPECT_FALSE(host.TimerRunning(m, CGWUniMonitor::kPeriodTimer));
}

TEST_F(UniMonitorTest, ValuesStatusAndLog) {
  host.SetLocalTime(LocalTime{2026, 3, 4, 9, 5, 7, 0});
  GatewayImage gateway = WithEntries(kV400Map, {0, 5});
  CGWUniMonitor& m = Open(gateway);
  EXPECT_TRUE(m.log_open());

  gateway.SetWord(1634, 0xFFFF);
  gateway.SetWord(1635, 42);
  gateway.SetWord(1644, 7);
  gateway.SetWord(1645, static_cast<uint16_t>(-300));
  gateway.SetU32(18492, 13 * 3600 + 4 * 60 + 5);
  gateway.SetWord(18494, static_cast<uint8_t>(-71));
  gateway.SetWord(18514, static_cast<uint8_t>(-80));  // entry 5: not among the first four
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  Answer(&gateway);

  EXPECT_EQ(m.Cell(kUniMonList, 0, kUniMonColValue1), u"0xFFFF = -1");
  EXPECT_EQ(m.Cell(kUniMonList, 5, kUniMonColValue2), u"0xFED4 = -300");
  EXPECT_EQ(m.Cell(kUniMonList, 0, kUniMonColRssi), u"-71 dBm");
  EXPECT_EQ(m.Cell(kUniMonList, 0, kUniMonColTime), u"13:04:05");
  EXPECT_EQ(m.Cell(kUniMonList, 5, kUniMonColTime), u"");
  EXPECT_EQ(m.Cell(kUniMonList, 5, kUniMonColRssi), u"0 dBm");
  // The status records arrive after the values: the next read logs them.
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  Answer(&gateway);

  host.CloseBox(m);
  EXPECT_FALSE(m.log_open());
  // The opening line from the gateway dialog's image, then one line per block of values.
  const std::u16string opening = u"\r\n09:05:07 0 dBm 00000 00000  00000 00000  ";
  const std::u16string run0 = u"\r\n09:05:07 0 dBm -0001 00042  00000 00000  ";
  const std::u16string run5 = u"\r\n09:05:07 0 dBm -0001 00042  00007 -0300  ";
  const std::u16string status = u"\r\n09:05:07 -71 dBm 13:04:05-0001 00042  00007 -0300  ";
  EXPECT_EQ(LogBytes(), "\xFF\xFE" + EncodeUtf16Le(opening + run0 + run5 + status + status));
}

TEST_F(UniMonitorTest, WithoutALogTheMonitorStillReads) {
  std::ofstream("SNIFF") << "not a folder";
  CGWUniMonitor& m = Open(WithEntries(kV400Map, {0}));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, Format("File could not be opened %d", ENOTDIR));
  EXPECT_FALSE(m.log_open());
  ASSERT_TRUE(host.Click(m, kUniMonReadAll));
  EXPECT_EQ(Answer().size(), 2u);
}

}  // namespace
}  // namespace corvane

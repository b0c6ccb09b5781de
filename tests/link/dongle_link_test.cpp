#include "link/dongle_link.h"

#include <gtest/gtest.h>

#include <map>

#include "link_fakes.h"

namespace corvane {
namespace {

using testing::Hex;
using testing::RecordingTransport;

// The main window as the link sees it, plus a scheduler on a hand-moved clock.
class FakeClient : public DongleLinkClient, public Scheduler, public ReportSink {
 public:
  DongleSettings CurrentSettings() override { return settings; }
  void ShowConnection(std::u16string_view t) override { shown["connection"] = t; }
  void ShowDongleAddress(std::u16string_view t) override { shown["address"] = t; }
  void ShowUptime(std::u16string_view t) override { shown["uptime"] = t; }
  void ShowBackgroundRssi(std::u16string_view t) override { shown["rssi"] = t; }
  void ShowBandwidth(std::u16string_view t) override { shown["bandwidth"] = t; }
  void ShowPassword(std::u16string_view t) override { shown["password"] = t; }
  void ShowFrequency(std::u16string_view t) override { shown["frequency"] = t; }
  void SelectRfPower(int position) override { power = position; }
  void AskSharedDongle() override { ++shared_questions; }
  void DongleUpdateNecessary() override { ++update_prompts; }
  void SetStatisticsPolling(bool on) override { polling = on; }
  void OnActivationState(uint8_t state) override { activations.push_back(state); }
  void OnHeardListBlock(bool complete) override { heard.push_back(complete); }
  void After(int ms, std::function<void()> work) override {
    pending.emplace(now + ms, std::move(work));
  }
  void OnReport(const Report&) override {}

  void Advance(int ms) {
    const int until = now + ms;
    while (!pending.empty() && pending.begin()->first <= until) {
      auto node = pending.extract(pending.begin());
      now = node.key();
      node.mapped()();
    }
    now = until;
  }

  DongleSettings settings{u"SECRET", u"869.525MHz 100kBps", 1};
  std::map<std::string, std::u16string> shown;
  int power = -1;
  int shared_questions = 0;
  int update_prompts = 0;
  bool polling = false;
  std::vector<uint8_t> activations;
  std::vector<bool> heard;
  std::multimap<int, std::function<void()>> pending;
  int now = 0;
};

class DongleLinkTest : public ::testing::Test {
 protected:
  DongleLinkTest() { transport.Close(); }

  void Registers(uint16_t first, std::vector<uint16_t> words, RfAddress from = ADDR_DONGLE) {
    link.OnDongleRegisters(from, first, static_cast<int>(words.size()), words.data());
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const auto& b : transport.sent) out.push_back(Hex(b));
    transport.sent.clear();
    return out;
  }

  RecordingTransport transport;
  MessageLayer layer{transport};
  FakeClient client;
  DongleLink link{transport, layer, client, client, client};
};

const char* kSettings = "6B 15 12 00 09 53 45 43 52 45 54 00 00 00 00 00 00 00 00 00 00 03 02";

TEST_F(DongleLinkTest, ConnectOpensWaitsThenWritesSettingsAndReadsTheDevice) {
  transport.present = false;
  EXPECT_FALSE(link.ConnectCheck());
  EXPECT_TRUE(client.shown.empty());  // the template's own "not found" stays

  transport.present = true;
  bool continued = false;
  EXPECT_TRUE(link.ConnectCheck([&] { continued = true; }));
  EXPECT_EQ(client.shown["connection"], u"USB Dongle Connected");
  EXPECT_TRUE(transport.IsOpen());
  client.Advance(599);
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(continued);
  client.Advance(1);
  EXPECT_EQ(Sent(), (std::vector<std::string>{kSettings, "6A 03 00 00 1F"}));
  EXPECT_EQ(client.shown["address"], u"--");
  EXPECT_TRUE(continued);
  EXPECT_EQ(link.Register(26), 0x0203);  // the mirror holds what was sent

  // Already open and the same dongle: nothing is sent again, the continuation runs at once.
  continued = false;
  EXPECT_TRUE(link.ConnectCheck([&] { continued = true; }));
  EXPECT_TRUE(continued);
  client.Advance(1000);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(DongleLinkTest, ReplugAndSwapDongles) {
  link.ConnectCheck();
  client.Advance(600);
  Sent();
  client.polling = true;

  // Unplugged: closed, texts reset, the poll stops.
  transport.present = false;
  EXPECT_FALSE(link.ConnectCheck());
  EXPECT_FALSE(transport.IsOpen());
  EXPECT_EQ(client.shown["connection"], u"USB Dongle Not Found");
  EXPECT_EQ(client.shown["address"], u"--");
  EXPECT_FALSE(client.polling);

  // The same dongle again: reopened, settings and the device read go out again.
  transport.present = true;
  EXPECT_TRUE(link.ConnectCheck());
  client.Advance(600);
  EXPECT_EQ(Sent(), (std::vector<std::string>{kSettings, "6A 03 00 00 1F"}));
  EXPECT_EQ(transport.opens, 2);

  // Another dongle while one is open: the old one is closed first, the new one opened 300 ms
  // later, and 600 ms after that it gets the settings.
  transport.identity_text = u"other";
  EXPECT_TRUE(link.ConnectCheck());
  EXPECT_FALSE(transport.IsOpen());
  client.Advance(300);
  EXPECT_TRUE(transport.IsOpen());
  EXPECT_EQ(transport.opens, 3);
  client.Advance(599);
  EXPECT_TRUE(Sent().empty());
  client.Advance(1);
  EXPECT_EQ(Sent().size(), 2u);
  EXPECT_EQ(link.identity(), u"other");
}

TEST_F(DongleLinkTest, UnplugDuringTheOpeningWaitSendsNothing) {
  link.ConnectCheck();
  transport.present = false;
  link.ConnectCheck();
  client.Advance(1000);
  EXPECT_TRUE(transport.sent.empty());
}

TEST_F(DongleLinkTest, DisplayRules) {
  Registers(52, {123});
  EXPECT_EQ(client.shown["bandwidth"], u"12,3");
  Registers(52, {5});
  EXPECT_EQ(client.shown["bandwidth"], u"0,5");
  Registers(30, {0x008C});
  EXPECT_EQ(client.shown["rssi"], u"-116");
  Registers(28, {0xFFFE, 0xFFFF});
  EXPECT_EQ(client.shown["uptime"], u"-2");
  Registers(26, {0x0203});
  EXPECT_EQ(client.shown["frequency"], u"869.525MHz 100kBps");
  EXPECT_EQ(client.power, 1);
  Registers(26, {0x0001});
  EXPECT_EQ(client.shown["frequency"], u"868.3MHz 32.8kBps");
  EXPECT_EQ(client.power, 0);
  // An index without a name leaves the field, a power code beyond the list the selection.
  Registers(26, {0x0906});
  EXPECT_EQ(client.shown["frequency"], u"868.3MHz 32.8kBps");
  EXPECT_EQ(client.power, 0);

  // A block 10..20 shows the address but not the password.
  std::vector<uint16_t> block(11, 0);
  block[6] = 0xABCD;
  block[7] = 0x0030;
  block[8] = 'P' | ('W' << 8);
  Registers(10, block);
  EXPECT_EQ(client.shown["address"], u"0x0030ABCD");
  EXPECT_EQ(client.shown.count("password"), 0u);
  std::vector<uint16_t> password(8, 0x4141);
  Registers(18, password);
  EXPECT_EQ(client.shown["password"], u"AAAAAAAAAAAAAAAA");
  Registers(18, {'a' | ('b' << 8), 'c', 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(client.shown["password"], u"abc");

  // Other sources and blocks past the mirror change nothing.
  Registers(52, {777}, 0x00300001);
  Registers(1680, {1, 2, 3, 4, 5});
  EXPECT_EQ(client.shown["bandwidth"], u"0,5");
  EXPECT_EQ(link.Register(1683), 0);
  Registers(1680, {1, 2, 3, 4});
  EXPECT_EQ(link.Register(1683), 4);
  // Any dongle-local source counts.
  Registers(52, {10}, 0xFFF00000);
  EXPECT_EQ(client.shown["bandwidth"], u"1,0");
}

TEST_F(DongleLinkTest, InUseCheck) {
  transport.Open(nullptr);
  link.StartInUseCheck();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"6A 03 38 00 01"}));
  Registers(56, {0});
  EXPECT_EQ(Sent(), (std::vector<std::string>{"83 04 38 00 01 00"}));
  EXPECT_EQ(link.Register(56), 1);
  EXPECT_FALSE(link.in_use_wait());
  // Only the first answer counts.
  Registers(56, {0});
  EXPECT_TRUE(Sent().empty());

  link.StartInUseCheck();
  Sent();
  Registers(56, {1});
  EXPECT_EQ(client.shared_questions, 1);
  EXPECT_TRUE(Sent().empty());

  link.StartInUseCheck();
  link.InUseWaitExpired();
  Registers(56, {1});
  EXPECT_EQ(client.shared_questions, 1);

  link.Release();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"6A 03 38 00 01", "83 04 38 00 00 00"}));
  EXPECT_EQ(link.Register(56), 0);
}

TEST_F(DongleLinkTest, VersionActivationHeardListAndStatistics) {
  Registers(0, {0, 402});
  EXPECT_EQ(client.update_prompts, 1);
  Registers(1, {403});
  EXPECT_EQ(client.update_prompts, 1);

  Registers(54, {0x8100});
  Registers(54, {0x0100});
  EXPECT_EQ(client.activations, (std::vector<uint8_t>{0x81}));

  Registers(57, std::vector<uint16_t>(250));
  Registers(307, std::vector<uint16_t>(151));
  Registers(458, {1});
  EXPECT_EQ(client.heard, (std::vector<bool>{false, true}));

  Registers(7, {0});
  EXPECT_TRUE(client.polling);
  Registers(0, std::vector<uint16_t>(31, 1));
  EXPECT_FALSE(client.polling);
}

TEST_F(DongleLinkTest, StatisticsPollAndKeepAlive) {
  transport.Open(nullptr);
  link.PollStatistics();
  EXPECT_EQ(Sent(),
            (std::vector<std::string>{"6A 03 1E 00 01", "6A 03 34 00 01", "6A 03 1C 00 01"}));
  for (int i = 0; i < 19; ++i) link.Tick();
  EXPECT_TRUE(Sent().empty());
  link.Tick();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"01 00"}));
  for (int i = 0; i < 20; ++i) link.Tick();
  EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(DongleLinkTest, UnknownFrequencyTextIsSentAsIndexZero) {
  transport.Open(nullptr);
  client.settings = {u"0123456789ABCDEFGH", u"433MHz", 6};
  link.ApplyDongleSettings();
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "6B 15 12 00 09 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 00 07"}));
}

}  // namespace
}  // namespace corvane

// Conversations with the dongle's own registers, byte for byte where the layout is fixed.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/demo_network.h"
#include "tool_side.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ReadMsg;
using testing::ToolSide;
using testing::WordMsg;

TEST(DongleTest, ConnectReadArrivesAsFragmentsWithTheDongleRegisters) {
  Simulator sim;
  ToolSide tool(sim);
  ASSERT_TRUE(tool.connected);
  tool.Send(ADDR_DONGLE, ReadMsg(0, 31));
  tool.Run(20);

  // 31 registers make a 67-byte block: first fragment of 62 bytes, last of 5.
  ASSERT_EQ(tool.received.size(), 2u);
  const Bytes& first = tool.received[0];
  EXPECT_EQ(testing::HexBytes(first.data(), 7), "05 3E 6B 41 00 00 1F");
  EXPECT_EQ(tool.received[1][0], 0x07);
  EXPECT_EQ(tool.received[1][1], 5);

  const auto* block = tool.LastDongle(0);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->words.size(), 31u);
  EXPECT_EQ(block->words[1], 410);  // firmware 4.10
  EXPECT_EQ(WordsToU32(block->words[16], block->words[17]), 0xFFFE0001u);
  EXPECT_EQ(block->words[26], 0x0100);  // frequency 0, power code 1
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(DongleTest, SingleRegisterReadAnswersWithOneWord) {
  Simulator sim;
  ToolSide tool(sim);
  tool.Send(ADDR_DONGLE, ReadMsg(56, 1));
  tool.Run(10);
  ASSERT_EQ(tool.received.size(), 1u);
  EXPECT_EQ(testing::HexBytes(tool.received[0].data(), 7), "83 04 38 00 00 00 00");
}

TEST(DongleTest, WritesAreStoredAndAcknowledged) {
  Simulator sim;
  ToolSide tool(sim);
  tool.Send(ADDR_DONGLE, WordMsg(56, 1));
  tool.Send(ADDR_DONGLE, testing::BlockMsg(50, {0x0604, 0x00A0}));
  tool.Run(10);
  // Both acknowledgements were ready before the in-pipe was free: they share one report.
  ASSERT_EQ(tool.received.size(), 1u);
  EXPECT_EQ(testing::HexBytes(tool.received[0].data(), 13),
            "85 04 38 00 01 00 85 04 32 00 02 00 00");
  EXPECT_EQ(sim.dongle().reg(dongle_reg::kInUse), 1);
  EXPECT_EQ(sim.dongle().reg(dongle_reg::kTarget + 1), 0x00A0);
  EXPECT_EQ(sim.checker().count(), 0);
}

TEST(DongleTest, UptimeTicksAndStatisticsChange) {
  Simulator sim;
  ToolSide tool(sim);
  tool.Run(5000);
  tool.Send(ADDR_DONGLE, ReadMsg(28, 3));
  tool.Run(10);
  const auto* block = tool.LastDongle(28);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(WordsToU32(block->words[0], block->words[1]), 5u);
  const int8_t background = static_cast<int8_t>(block->words[2] & 0xFF);
  EXPECT_LE(background, -92);
  EXPECT_GE(background, -100);
}

TEST(DongleTest, HeardListKeepsRssiAgeAndSleepFlag) {
  Simulator sim;
  NodeSettings awake;
  awake.rssi_at_dongle = -61;
  awake.status_period_ms = 1000;
  sim.AddNode(0x00500001, awake);  // listens
  NodeSettings sleeper = awake;
  sleeper.rssi_at_dongle = -77;
  sim.AddNode(0x00A00002, sleeper);  // sleeps
  ToolSide tool(sim);
  tool.Run(1100);  // both transmitted once
  sim.SetMute(0x00500001, true);
  tool.Send(ADDR_DONGLE, ReadMsg(57, 9));
  tool.Run(10);

  const auto* list = tool.LastDongle(57);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->words[0], 2);
  // Each entry: address, seconds since heard, RSSI low byte and flag high byte.
  bool seen_sleeper = false;
  for (int i = 0; i < 2; ++i) {
    const uint16_t* e = &list->words[1 + 4 * i];
    const RfAddress address = WordsToU32(e[0], e[1]);
    EXPECT_LE(e[2], 1);
    if (address == 0x00A00002) {
      seen_sleeper = true;
      EXPECT_EQ(static_cast<int8_t>(e[3] & 0xFF), -77);
      EXPECT_EQ(e[3] >> 8, 1);
    } else {
      EXPECT_EQ(address, 0x00500001u);
      EXPECT_EQ(static_cast<int8_t>(e[3] & 0xFF), -61);
      EXPECT_EQ(e[3] >> 8, 0);
    }
  }
  EXPECT_TRUE(seen_sleeper);

  // "Clean List" empties it.
  tool.Send(ADDR_DONGLE, WordMsg(55, 1));
  tool.Send(ADDR_DONGLE, ReadMsg(57, 1));
  tool.Run(10);
  EXPECT_EQ(tool.LastDongle(57)->words[0], 0);
}

TEST(DongleTest, FullHeardListMakesRoomByDroppingTheDeviceHeardLongestAgo) {
  Simulator sim;
  NodeSettings quiet;
  quiet.status_period_ms = 0;
  for (RfAddress i = 1; i <= 101; ++i) sim.AddNode(0x00500000 | i, quiet);
  ToolSide tool(sim);
  for (RfAddress i = 1; i <= 101; ++i) {
    sim.PressButton(0x00500000 | i);
    tool.Run(10);
  }
  tool.Send(ADDR_DONGLE, ReadMsg(57, 250));
  tool.Send(ADDR_DONGLE, ReadMsg(307, 151));
  tool.Run(50);
  const auto* head = tool.LastDongle(57);
  const auto* tail = tool.LastDongle(307);
  ASSERT_NE(head, nullptr);
  ASSERT_NE(tail, nullptr);
  std::vector<uint16_t> words = head->words;
  words.insert(words.end(), tail->words.begin(), tail->words.end());
  ASSERT_EQ(words.size(), 401u);
  EXPECT_EQ(words[0], 100);
  std::vector<RfAddress> listed;
  for (int i = 0; i < 100; ++i) listed.push_back(WordsToU32(words[1 + 4 * i], words[2 + 4 * i]));
  EXPECT_EQ(std::count(listed.begin(), listed.end(), 0x00500001u), 0);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), 0x00500065u), 1);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(DongleTest, BandwidthRegisterFollowsTheAirTime) {
  Simulator sim;
  NodeSettings busy;
  busy.status_period_ms = 20;
  for (RfAddress i = 1; i <= 10; ++i) sim.AddNode(0x00500000 | i, busy);
  ToolSide tool(sim);
  tool.Run(2000);
  tool.Send(ADDR_DONGLE, ReadMsg(52, 1));
  tool.Run(10);
  ASSERT_NE(tool.LastDongle(52), nullptr);
  // 500 frames a second of about 2 ms each: roughly the whole second on the air.
  EXPECT_GT(tool.LastDongle(52)->words[0], 500);
}

TEST(DongleTest, NewTargetClearsTheActivationState) {
  Simulator sim;
  NodeSettings quiet;
  quiet.status_period_ms = 0;
  sim.AddNode(0x00A00001, quiet);
  ToolSide tool(sim);
  tool.Send(ADDR_DONGLE, WordMsg(33, 0x14));
  tool.Send(ADDR_DONGLE, testing::BlockMsg(50, {0x0001, 0x00A0}));
  tool.Send(0x00A00001, ReadMsg(0, 1));
  tool.Run(50);
  EXPECT_EQ(sim.dongle().activation_state(), 0x81);
  tool.Send(ADDR_DONGLE, testing::BlockMsg(50, {0x0002, 0x0050}));
  tool.Run(50);
  EXPECT_EQ(sim.dongle().activation_state(), 0);
  // The held read went with the old target: a press of the old one brings no answer.
  sim.PressButton(0x00A00001);
  tool.Run(200);
  EXPECT_TRUE(tool.data.empty());
}

TEST(DongleTest, EveryHeardFrameIsReportedAsTraffic) {
  Simulator sim;
  NodeSettings settings;
  settings.status_period_ms = 1000;
  sim.AddNode(0x00700001, settings);
  ToolSide tool(sim);
  tool.Run(3100);
  EXPECT_EQ(tool.traffic.size(), 3u);
  for (RfAddress source : tool.traffic) EXPECT_EQ(source, 0x00700001u);
  // Status frames are broadcast.
  EXPECT_EQ(tool.traffic_destinations[0], 0u);
}

TEST(DongleTest, MalformedRequestsAreCountedAndLogged) {
  Simulator sim;
  ToolSide tool(sim);
  tool.Send(ADDR_DONGLE, {0x6A, 2, 0, 0});     // read without a count
  tool.Send(ADDR_DONGLE, ReadMsg(1680, 10));   // beyond register 1683
  tool.Send(ADDR_DONGLE, WordMsg(1, 500));     // firmware version is read-only
  tool.Send(ADDR_DONGLE, {0x42, 0});           // unknown type
  tool.Send(ADDR_DONGLE, {0x01, 0, 0x01, 0});  // two messages in one report
  tool.Send(ADDR_DONGLE, {0x07, 2, 1, 2});     // a last fragment with no first
  tool.Run(20);
  EXPECT_EQ(sim.checker().count(), 6) << sim.checker().LogText();
  const std::string log = sim.checker().LogText();
  EXPECT_NE(log.find("read-only dongle register 1"), std::string::npos);
  EXPECT_NE(log.find("type 0x42"), std::string::npos);
  EXPECT_NE(log.find("MSG_FRAG_LAST without MSG_FRAG_FIRST"), std::string::npos);
  // The read-only write is refused with a non-zero status.
  bool refused = false;
  for (const Bytes& r : tool.received) refused |= r[0] == 0x85 && r[5] == 1;
  EXPECT_TRUE(refused);
}

TEST(DongleTest, DemoNetworkShowsEveryFamilyInTheHeardList) {
  Simulator sim;
  demo::Build(sim);
  ToolSide tool(sim);
  tool.Run(130000);  // every node has transmitted at least once
  tool.Send(ADDR_DONGLE, ReadMsg(57, 250));
  tool.Send(ADDR_DONGLE, ReadMsg(307, 151));
  tool.Run(200);
  const auto* list = tool.LastDongle(57);
  ASSERT_NE(list, nullptr);
  // Devices beyond the dongle's reach are missing; every other node was heard.
  EXPECT_EQ(list->words[0], sim.nodes().size() - 2);
  for (int i = 0; i < list->words[0] && 4 + 4 * i < 250; ++i) {
    const RfAddress a = WordsToU32(list->words[1 + 4 * i], list->words[2 + 4 * i]);
    EXPECT_NE(a, demo::kRoutedRoomUnit);
    EXPECT_NE(a, demo::kStreetLightFar);
  }
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

}  // namespace
}  // namespace corvane::sim

// Conversations with the dongle's own registers, byte for byte where the layout is fixed.
#include <gtest/gtest.h>

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
  ASSERT_EQ(tool.received.size(), 2u);
  EXPECT_EQ(testing::HexBytes(tool.received[0].data(), 6), "85 04 38 00 01 00");
  EXPECT_EQ(testing::HexBytes(tool.received[1].data(), 6), "85 04 32 00 02 00");
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

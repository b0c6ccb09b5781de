// Conversations with nodes through MSG_RF_SEND: reads, writes, the EEPROM store, the device log,
// sleeping nodes and their activation state.
#include <gtest/gtest.h>

#include "model/le.h"
#include "model/type_table.h"
#include "sim/node_families.h"
#include "tool_side.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ReadMsg;
using testing::ToolSide;
using testing::WordMsg;

constexpr RfAddress kOutput = 0x00700042;   // listens
constexpr RfAddress kClimate = 0x00A00043;  // sleeps

NodeSettings Quiet() {
  NodeSettings settings;
  settings.status_period_ms = 0;
  settings.rssi_at_dongle = -58;
  return settings;
}

TEST(NodeTest, RegisterMapIsSizedByTheTypeTableWithTheCommonHeader) {
  Simulator sim;
  SimNode& node = sim.AddNode(kClimate, Quiet());
  EXPECT_EQ(node.word_count(), RecordSize(kClimate) / 2);
  EXPECT_STREQ(node.family(), "climate");
  const auto regs = node.registers();
  EXPECT_EQ(regs[0], 0xF018);
  EXPECT_EQ(regs[1], 402);
  EXPECT_EQ(regs[5], 0x0043);
  EXPECT_EQ(regs[2] & kStored, kStored);
  // Name "Termolo 67" in words 8..15.
  EXPECT_EQ(regs[8], 'T' | ('e' << 8));
  // Battery 3.0 V at full charge.
  EXPECT_EQ(regs[kWordBattery] & 0xFF, 30);

  EXPECT_EQ(sim.AddNode(0x00800001, Quiet()).word_count(), 39236 / 2);
  EXPECT_STREQ(sim.AddNode(0x00800001, Quiet()).family(), "gateway");
  EXPECT_STREQ(sim.AddNode(0x01200001, Quiet()).family(), "window contact");
}

TEST(NodeTest, ReadThroughRfSendComesBackInsideAnRfFrame) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  tool.Send(kOutput, ReadMsg(0, 2));
  tool.Run(50);

  // What the tool queued: [0x96][9][address][0x6A][3][0][0][2].
  ASSERT_EQ(tool.transport.sent.size(), 1u);
  EXPECT_EQ(testing::HexBytes(tool.transport.sent[0].data(), 11),
            "96 09 42 00 70 00 6A 03 00 00 02");
  // Answer: RF frame from the node holding register block 0x82, then the traffic report.
  ASSERT_GE(tool.received.size(), 2u);
  const Bytes& answer = tool.received[0];
  EXPECT_EQ(testing::HexBytes(answer.data(), 6), "90 0E 42 00 70 00");
  EXPECT_EQ(testing::HexBytes(answer.data() + 7, 5), "82 07 00 00 02");
  EXPECT_EQ(tool.received[1][0], 0xF2);

  const auto* data = tool.LastData(kOutput);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->first, 0);
  EXPECT_EQ(data->words, (std::vector<uint16_t>{1305, 402}));
  EXPECT_FALSE(data->from_cache);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(NodeTest, WriteIsAcknowledgedAndEepromStoreSetsTheStoredBit) {
  Simulator sim;
  SimNode& node = sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  // Name write to RAM.
  tool.Send(kOutput, testing::BlockMsg(8, {'A' | ('b' << 8), 0}));
  tool.Run(50);
  ASSERT_EQ(tool.acks.size(), 1u);
  EXPECT_EQ(tool.acks[0].first, 8);
  EXPECT_EQ(tool.acks[0].words.size(), 2u);
  EXPECT_EQ(node.registers()[8], 'A' | ('b' << 8));
  EXPECT_NE(node.eeprom()[8], node.registers()[8]);

  // Store request: the stored bit drops at once and returns when the EEPROM holds the record.
  const int writes = node.registers()[kWordEepromWrites];
  tool.Send(kOutput, WordMsg(2, kStoreRequest));
  tool.Run(20);
  EXPECT_EQ(node.registers()[2] & kStored, 0);
  tool.Run(100);
  tool.Send(kOutput, ReadMsg(2, 1));
  tool.Run(50);
  const auto* control = tool.LastData(kOutput);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->words[0] & (kStored | kStoreRequest), kStored);
  EXPECT_EQ(node.eeprom()[8], 'A' | ('b' << 8));
  EXPECT_EQ(node.eeprom_stores(), 1);
  EXPECT_EQ(node.registers()[kWordEepromWrites], writes + 1);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(NodeTest, IdentityWordsKeepTheirValueButTheWriteIsAcknowledged) {
  Simulator sim;
  SimNode& node = sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  tool.Send(kOutput, WordMsg(1, 999));
  tool.Run(50);
  ASSERT_EQ(tool.acks.size(), 1u);
  EXPECT_EQ(node.registers()[1], 402);
}

TEST(NodeTest, DeviceLogAnswersWithEightByteRecords) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  tool.Send(kOutput, {0xF3, 1, 0});
  tool.Run(50);
  EXPECT_EQ(tool.log_source, kOutput);
  ASSERT_EQ(tool.log_records.size(), 16u);
  EXPECT_EQ(tool.log_records[0], 0);
  EXPECT_EQ(tool.log_records[1], 0x08);  // power-on reset
  EXPECT_EQ(tool.log_records[8], 1);
}

TEST(NodeTest, UptimeAndLiveValuesChangeOverTime) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  tool.Send(kOutput, ReadMsg(28, 2));
  tool.Run(50);
  const uint32_t before =
      WordsToU32(tool.LastData(kOutput)->words[0], tool.LastData(kOutput)->words[1]);
  tool.Run(10000);
  tool.Send(kOutput, ReadMsg(28, 2));
  tool.Run(50);
  const uint32_t after =
      WordsToU32(tool.LastData(kOutput)->words[0], tool.LastData(kOutput)->words[1]);
  EXPECT_EQ(after - before, 10u);
}

TEST(NodeTest, BadRequestsToANodeAreViolations) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  tool.Send(kOutput, ReadMsg(150, 20));          // the record has 158 words
  tool.Send(kOutput, {0xF3, 1, 1});              // log request must be [0]
  tool.Send(kOutput, {0x6B, 5, 0, 0, 2, 1, 0});  // block promising 2 words, holding 1
  tool.Run(50);
  EXPECT_EQ(sim.checker().count(), 3) << sim.checker().LogText();
  EXPECT_TRUE(tool.data.empty());
}

TEST(NodeTest, MuteNodeNeverAnswers) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  sim.SetMute(kOutput, true);
  ToolSide tool(sim);
  tool.Send(kOutput, ReadMsg(0, 1));
  tool.Run(2000);
  EXPECT_TRUE(tool.data.empty());
  EXPECT_EQ(sim.checker().count(), 0);
}

// The open-device flow for a sleeping node: target and access mode, then a read that waits.
void StartSleepingAccess(ToolSide& tool, RfAddress target) {
  tool.Send(ADDR_DONGLE, WordMsg(33, 4 | 0x10));
  tool.Send(ADDR_DONGLE, WordMsg(34, 32));
  tool.Send(ADDR_DONGLE, testing::BlockMsg(50, {static_cast<uint16_t>(target),
                                                static_cast<uint16_t>(target >> 16)}));
  tool.Send(target, ReadMsg(0, 10));
}

TEST(NodeTest, SleepingNodeAnswersAfterButtonPressWhileDongleReportsActivation) {
  Simulator sim;
  sim.AddNode(kClimate, Quiet());
  ToolSide tool(sim);
  StartSleepingAccess(tool, kClimate);
  tool.Run(1000);
  // Held: register 54 reports bit 7 and bit 0 (the target has not answered).
  const auto* waiting = tool.LastDongle(54);
  ASSERT_NE(waiting, nullptr);
  EXPECT_EQ(waiting->words[0] >> 8, 0x81);
  EXPECT_TRUE(tool.data.empty());

  ASSERT_TRUE(sim.PressButton(kClimate));
  ASSERT_TRUE(tool.RunUntil([&] { return tool.LastData(kClimate) != nullptr; }, 500));
  EXPECT_EQ(tool.LastDongle(54)->words[0] >> 8, 0x80);
  EXPECT_EQ(tool.LastData(kClimate)->words.size(), 10u);

  // It stays awake for the rest of the access: a later read is answered at once.
  tool.Run(5000);
  tool.Send(kClimate, ReadMsg(50, 2));
  ASSERT_TRUE(tool.RunUntil([&] { return tool.LastData(kClimate)->first == 50; }, 100));
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(NodeTest, SleepingNodeWakesByItselfAfterItsPeriod) {
  Simulator sim;
  NodeSettings settings = Quiet();
  settings.status_period_ms = 30000;
  sim.AddNode(kClimate, settings);
  ToolSide tool(sim);
  StartSleepingAccess(tool, kClimate);
  ASSERT_TRUE(tool.RunUntil([&] { return tool.LastData(kClimate) != nullptr; }, 32000));
  EXPECT_GT(sim.Now(), 50);
  EXPECT_EQ(tool.LastDongle(54)->words[0] >> 8, 0x80);
}

TEST(NodeTest, SleepingNodeMissesFramesSentWithoutTheSleepingAccessMode) {
  Simulator sim;
  sim.AddNode(kClimate, Quiet());
  ToolSide tool(sim);
  tool.Send(kClimate, ReadMsg(0, 1));
  tool.Run(2000);
  EXPECT_TRUE(tool.data.empty());
}

}  // namespace
}  // namespace corvane::sim

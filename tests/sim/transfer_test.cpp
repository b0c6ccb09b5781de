// Long messages both ways: plain fragments and the acknowledged long transfer, with busy
// refusals and lost fragments.
#include <gtest/gtest.h>

#include "tool_side.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ReadMsg;
using testing::ToolSide;

constexpr RfAddress kOutput = 0x00500077;

std::vector<uint16_t> Ramp(int count, uint16_t from) {
  std::vector<uint16_t> words;
  for (int i = 0; i < count; ++i) words.push_back(static_cast<uint16_t>(from + i));
  return words;
}

// Whether a report holds these bytes at a byte boundary (a report may carry several messages).
bool Contains(const std::vector<Bytes>& reports, const std::string& bytes) {
  for (const Bytes& r : reports) {
    const std::string hex = testing::HexBytes(r.data(), r.size());
    for (size_t at = hex.find(bytes); at != std::string::npos; at = hex.find(bytes, at + 1)) {
      if (at % 3 == 0) return true;
    }
  }
  return false;
}

TEST(TransferTest, AcknowledgedTransferToTheDongleIsConfirmedAndApplied) {
  Simulator sim;
  ToolSide tool(sim);
  // The project list: 120 registers from 658, 245 bytes, five fragments.
  tool.Send(ADDR_DONGLE, testing::BlockMsg(658, Ramp(120, 1000)), true);
  tool.Run(100);

  EXPECT_TRUE(Contains(tool.transport.sent, "10 03 00 F5 00"));
  EXPECT_TRUE(Contains(tool.received, "11 03 00 1F 00"));  // every fragment arrived
  EXPECT_TRUE(Contains(tool.received, "85 04 92 02 78 00"));
  EXPECT_EQ(tool.layer.sender(0).state, 0);
  EXPECT_EQ(tool.layer.sender(0).id, 1);
  EXPECT_EQ(sim.dongle().reg(658), 1000);
  EXPECT_EQ(sim.dongle().reg(777), 1119);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(TransferTest, BusyRefusalMakesTheToolStartAgainLater) {
  Simulator sim;
  ToolSide tool(sim);
  sim.RefuseTransfers(1);
  tool.Send(ADDR_DONGLE, testing::BlockMsg(658, Ramp(40, 1)), true);
  tool.Run(100);
  // Refusal laid out as the tool recognises it: transfer id first, 3 in the fourth byte.
  EXPECT_TRUE(Contains(tool.received, "14 04 00 00 00 03"));
  EXPECT_EQ(tool.layer.sender(0).state, 4);
  EXPECT_EQ(sim.dongle().reg(658), 0);

  ASSERT_TRUE(tool.RunUntil([&] { return sim.dongle().reg(658) == 1; }, 6000));
  EXPECT_GE(sim.Now(), 5000);
  tool.Run(100);
  EXPECT_EQ(tool.layer.sender(0).state, 0);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(TransferTest, LongAnswerTravelsAsAcknowledgedTransferAndLostFragmentIsResent) {
  SimOptions options;
  options.dongle.acknowledged_answers = true;
  Simulator sim(options);
  NodeSettings settings;
  settings.status_period_ms = 0;
  sim.AddNode(kOutput, settings);
  ToolSide tool(sim);
  // Lose fragment 1 once.
  int dropped = 0;
  sim.faults().drop_to_host_if = [&](const uint8_t* r, int) {
    if (r[0] == 0x12 && r[2] == 1 && dropped == 0) return ++dropped == 1;
    return false;
  };
  tool.Send(kOutput, ReadMsg(0, 100));
  ASSERT_TRUE(tool.RunUntil([&] { return tool.LastData(kOutput) != nullptr; }, 2000));

  // 100 registers in a frame: 212 bytes, four fragments; the tool reported 0x0D first.
  EXPECT_TRUE(Contains(tool.received, "10 03 00 D4 00"));
  EXPECT_TRUE(Contains(tool.transport.sent, "11 03 00 0D 00"));
  EXPECT_TRUE(Contains(tool.transport.sent, "11 03 00 0F 00"));
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(tool.LastData(kOutput)->words.size(), 100u);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(TransferTest, PlainFragmentsCarryLongMessagesBothWays) {
  Simulator sim;
  NodeSettings settings;
  settings.status_period_ms = 0;
  SimNode& node = sim.AddNode(kOutput, settings);
  ToolSide tool(sim);
  // 50 words to the node: 111 bytes with the wrapper, first fragment and last.
  tool.Send(kOutput, testing::BlockMsg(60, Ramp(50, 7)));
  tool.Run(100);
  ASSERT_EQ(tool.transport.sent.size(), 2u);
  EXPECT_EQ(tool.transport.sent[0][0], 0x05);
  EXPECT_EQ(tool.transport.sent[1][0], 0x07);
  ASSERT_EQ(tool.acks.size(), 1u);
  EXPECT_EQ(tool.acks[0].words.size(), 50u);
  EXPECT_EQ(node.registers()[109], 56);

  tool.Send(kOutput, ReadMsg(60, 50));
  tool.Run(100);
  const auto* data = tool.LastData(kOutput);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->words, Ramp(50, 7));
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(TransferTest, BrokenTransfersFromTheToolAreViolations) {
  Simulator sim;
  ToolSide tool(sim);
  tool.Send(ADDR_DONGLE, {0x12, 3, 0, 1, 2});   // data without a start
  tool.Send(ADDR_DONGLE, {0x10, 3, 5, 40, 0});  // 40 bytes need no long transfer
  tool.Send(ADDR_DONGLE, {0x05, 3, 1, 2, 3});   // first fragment of 3 bytes
  tool.Run(50);
  EXPECT_EQ(sim.checker().count(), 3) << sim.checker().LogText();
}

}  // namespace
}  // namespace corvane::sim

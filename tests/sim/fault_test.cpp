// Injected faults: report loss with the tool's retransmission, radio loss, extra latency,
// unplugging, a second dongle, and the same seed giving the same conversation.
#include <gtest/gtest.h>

#include "sim/demo_network.h"
#include "tool_side.h"

namespace corvane::sim {
namespace {

using testing::ReadMsg;
using testing::ToolSide;
using testing::WordMsg;

constexpr RfAddress kOutput = 0x00500088;

NodeSettings Quiet() {
  NodeSettings settings;
  settings.status_period_ms = 0;
  return settings;
}

TEST(FaultTest, LostReportIsRecoveredByTheToolsRetransmission) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  sim.faults().drop_next_to_dongle = 1;
  tool.Send(kOutput, ReadMsg(0, 4));
  tool.Run(1500);  // the read queue's timeout
  EXPECT_TRUE(tool.data.empty());
  tool.Send(kOutput, ReadMsg(0, 4));
  tool.Run(100);
  ASSERT_NE(tool.LastData(kOutput), nullptr);

  // The answer lost on its way to the tool: asked again, answered again.
  tool.data.clear();
  sim.faults().drop_next_to_host = 1;
  tool.Send(kOutput, ReadMsg(0, 4));
  tool.Run(1500);
  EXPECT_TRUE(tool.data.empty());
  tool.Send(kOutput, ReadMsg(0, 4));
  tool.Run(100);
  EXPECT_NE(tool.LastData(kOutput), nullptr);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(FaultTest, LostFragmentIsNotBlamedOnTheTool) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  sim.faults().drop_to_dongle_if = [](const uint8_t* r, int) { return r[0] == 0x05; };
  std::vector<uint16_t> words(40, 9);
  tool.Send(kOutput, testing::BlockMsg(40, words));
  tool.Run(100);
  EXPECT_TRUE(tool.acks.empty());
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST(FaultTest, RadioLossAndExtraLatency) {
  Simulator sim;
  sim.AddNode(kOutput, Quiet());
  ToolSide tool(sim);
  sim.faults().radio_loss = 1.0;
  tool.Send(kOutput, ReadMsg(0, 1));
  tool.Run(500);
  EXPECT_TRUE(tool.data.empty());

  sim.faults().radio_loss = 0.0;
  tool.Send(kOutput, ReadMsg(0, 1));
  ASSERT_TRUE(tool.RunUntil([&] { return !tool.data.empty(); }, 100));
  const SimTime normal = sim.Now() - 500;

  tool.data.clear();
  sim.faults().extra_usb_latency_ms = 40;
  sim.faults().extra_radio_latency_ms = 30;
  const SimTime sent = sim.Now();
  tool.Send(kOutput, ReadMsg(0, 1));
  ASSERT_TRUE(tool.RunUntil([&] { return !tool.data.empty(); }, 500));
  // USB both ways and the radio both ways.
  EXPECT_EQ(sim.Now() - sent, normal + 2 * 40 + 2 * 30);
}

TEST(FaultTest, UnpluggedDongleIsNotFoundAndReplugStartsAfresh) {
  Simulator sim;
  ToolSide tool(sim);
  std::u16string first;
  ASSERT_TRUE(tool.transport.Discover(first));
  EXPECT_NE(first.find(u"VID_0483&PID_A283"), std::u16string::npos);
  tool.Send(ADDR_DONGLE, WordMsg(56, 1));
  tool.Run(10);
  EXPECT_EQ(sim.dongle().reg(56), 1);

  // A report on its way is lost with the dongle.
  tool.Send(ADDR_DONGLE, ReadMsg(0, 1));
  sim.Unplug();
  tool.Run(100);
  EXPECT_EQ(tool.received.size(), 1u);
  std::u16string none;
  EXPECT_FALSE(tool.transport.Discover(none));
  EXPECT_TRUE(tool.transport.Close());
  EXPECT_FALSE(tool.transport.Open(&tool));

  sim.Plug(0);
  std::u16string again;
  ASSERT_TRUE(tool.transport.Discover(again));
  EXPECT_EQ(again, first);
  ASSERT_TRUE(tool.transport.Open(&tool));
  EXPECT_FALSE(tool.transport.Open(&tool));
  tool.Send(ADDR_DONGLE, ReadMsg(56, 1));
  tool.Run(10);
  ASSERT_NE(tool.LastDongle(56), nullptr);
  EXPECT_EQ(tool.LastDongle(56)->words[0], 0);  // power came back: in-use flag cleared
}

TEST(FaultTest, SecondDongleHasAnotherIdentity) {
  Simulator sim;
  ToolSide tool(sim);
  std::u16string first;
  tool.transport.Discover(first);
  tool.transport.Close();
  sim.Unplug();
  sim.Plug(1);
  std::u16string second;
  ASSERT_TRUE(tool.transport.Discover(second));
  EXPECT_NE(second, first);
  ASSERT_TRUE(tool.transport.Open(&tool));
  tool.Send(ADDR_DONGLE, ReadMsg(16, 2));
  tool.Run(10);
  const auto* address = tool.LastDongle(16);
  ASSERT_NE(address, nullptr);
  EXPECT_EQ(WordsToU32(address->words[0], address->words[1]), 0xFFFE0002u);
}

std::string Conversation(uint64_t seed) {
  SimOptions options;
  options.seed = seed;
  Simulator sim(options);
  demo::Build(sim);
  sim.faults().loss_to_host = 0.1;
  sim.faults().radio_loss = 0.1;
  ToolSide tool(sim);
  for (int i = 0; i < 20; ++i) {
    tool.Send(demo::kOutputB, ReadMsg(static_cast<uint16_t>(i), 3));
    tool.Send(demo::kGateway, testing::Wrap(demo::kGatewayInput, ReadMsg(4000, 8)));
    tool.Run(3000);
  }
  return tool.transport.transcript;
}

TEST(FaultTest, SameSeedGivesTheSameTranscript) {
  const std::string a = Conversation(7);
  EXPECT_GT(a.size(), 1000u);
  EXPECT_EQ(a, Conversation(7));
  EXPECT_NE(a, Conversation(8));
}

}  // namespace
}  // namespace corvane::sim

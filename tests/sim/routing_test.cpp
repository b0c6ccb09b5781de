// Conversations through routing nodes: cached reads and writes (register 4000 + n), forwarding to
// the named node and back, devices beyond the dongle's reach, unidirectional capture.
#include <gtest/gtest.h>

#include "sim/demo_network.h"
#include "sim/routing_node.h"
#include "tool_side.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ReadMsg;
using testing::ToolSide;
using testing::WordMsg;
using testing::Wrap;

class RoutingTest : public ::testing::Test {
 protected:
  RoutingTest() {
    demo::Build(sim);
    gateway = sim.FindNodeAs<GatewayNode>(demo::kGateway);
  }
  Simulator sim;
  GatewayNode* gateway = nullptr;
};

TEST_F(RoutingTest, CachedReadThroughTheGatewayIsDeliveredAsTheDevicesCache) {
  ToolSide tool(sim);
  ASSERT_NE(gateway, nullptr);
  // QueueRead(gateway, device, 4000, 10): the device's message wrapped for the gateway.
  tool.Send(demo::kGateway, Wrap(demo::kGatewayInput, ReadMsg(4000, 10)));
  tool.Run(60);
  ASSERT_EQ(tool.transport.sent.size(), 1u);
  EXPECT_EQ(testing::HexBytes(tool.transport.sent[0].data(), 17),
            "96 0F 01 01 80 00 96 09 02 01 30 00 6A 03 A0 0F 0A");

  const auto* data = tool.LastData(demo::kGatewayInput);
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->from_cache);
  EXPECT_EQ(data->first, 0);
  const SimNode* node = sim.FindNode(demo::kGatewayInput);
  EXPECT_EQ(data->words[0], node->registers()[0]);
  EXPECT_EQ(data->words[5], node->registers()[5]);
  // The frame on the wire: the gateway's frame holding the device's frame holding 0x8A.
  const Bytes& report = tool.received[0];
  EXPECT_EQ(report[0], 0x90);
  EXPECT_EQ(report[7], 0x90);
  EXPECT_EQ(report[14], 0x8A);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST_F(RoutingTest, CachedWriteIsAcknowledgedAndReachesTheSleepingNodeWhenItWakes) {
  ToolSide tool(sim);
  SimNode* node = sim.FindNode(demo::kGatewayClimate);
  tool.Send(demo::kGateway, Wrap(demo::kGatewayClimate, WordMsg(4000 + 60, 1234)));
  tool.Run(60);
  ASSERT_EQ(tool.acks.size(), 1u);
  EXPECT_EQ(tool.acks[0].source, demo::kGatewayClimate);
  EXPECT_EQ(tool.acks[0].first, 60);
  EXPECT_TRUE(tool.acks[0].from_cache);
  EXPECT_EQ(gateway->CachedCopy(demo::kGatewayClimate)[60], 1234);
  EXPECT_NE(node->registers()[60], 1234);

  sim.PressButton(demo::kGatewayClimate);
  tool.Run(200);
  EXPECT_EQ(node->registers()[60], 1234);
  EXPECT_EQ(sim.checker().count(), 0) << sim.checker().LogText();
}

TEST_F(RoutingTest, PlainReadIsForwardedAndTheAnswerNamesTheDevice) {
  ToolSide tool(sim);
  tool.Send(demo::kGateway, Wrap(demo::kGatewayOutput, ReadMsg(26, 1)));
  tool.Run(100);
  const auto* data = tool.LastData(demo::kGatewayOutput);
  ASSERT_NE(data, nullptr);
  EXPECT_FALSE(data->from_cache);
  EXPECT_EQ(data->words[0], 0x0200);  // the output node's RF power index 2
  EXPECT_TRUE(tool.LastData(demo::kGateway) == nullptr);
}

TEST_F(RoutingTest, DeviceBeyondTheDongleIsReachedOnlyThroughItsGateway) {
  ToolSide tool(sim);
  tool.Send(demo::kStreetLightFar, ReadMsg(0, 1));
  tool.Run(500);
  EXPECT_EQ(tool.LastData(demo::kStreetLightFar), nullptr);

  tool.Send(demo::kStreetLight, Wrap(demo::kStreetLightFar, ReadMsg(0, 1)));
  tool.Run(100);
  const auto* data = tool.LastData(demo::kStreetLightFar);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->words[0], 0xF009);
}

TEST_F(RoutingTest, SleepingRoutedDeviceGetsTheForwardedReadWhenHeard) {
  ToolSide tool(sim);
  tool.Send(demo::kGateway, Wrap(demo::kRoutedRoomUnit, ReadMsg(28, 4)));
  tool.Run(500);
  EXPECT_EQ(tool.LastData(demo::kRoutedRoomUnit), nullptr);
  sim.PressButton(demo::kRoutedRoomUnit);
  tool.Run(200);
  const auto* data = tool.LastData(demo::kRoutedRoomUnit);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->first, 28);
  EXPECT_EQ(data->words.size(), 4u);
}

TEST_F(RoutingTest, CachedCopyFollowsStatusFramesAndGatewayRegistersDescribeIt) {
  ToolSide tool(sim);
  const SimNode* node = sim.FindNode(demo::kGatewayClimate);
  sim.PressButton(demo::kGatewayClimate);
  tool.Run(100);
  const auto copy = gateway->CachedCopy(demo::kGatewayClimate);
  EXPECT_EQ(copy[50], node->registers()[50]);  // temperature
  EXPECT_EQ(copy[28], node->registers()[28]);  // uptime

  // Entry 1 of the paired list: address, cache start, cached flag with the count.
  const auto regs = gateway->registers();
  EXPECT_EQ(WordsToU32(regs[56], regs[57]), demo::kGatewayClimate);
  EXPECT_EQ(regs[58], GatewayNode::kCacheAreaFirst + 59);
  EXPECT_EQ(regs[59], 0x8000 | (3 << 13) | 98);
  // The status record notes when it was heard.
  EXPECT_NE(WordsToU32(regs[1170], regs[1171]), 0u);
}

TEST_F(RoutingTest, UnidirectionalValuesAreCaptured) {
  ToolSide tool(sim);
  sim.PressButton(demo::kUniMeter);
  sim.PressButton(demo::kUniMeter);
  tool.Run(100);
  EXPECT_EQ(gateway->Captured(demo::kUniMeter)[0], 2);
  EXPECT_EQ(gateway->registers()[1634], 2);
  EXPECT_EQ(WordsToU32(gateway->registers()[364], gateway->registers()[365]), demo::kUniMeter);
}

TEST_F(RoutingTest, CachedAccessForAnUncachedDeviceIsAViolation) {
  ToolSide tool(sim);
  tool.Send(demo::kStreetLight, Wrap(demo::kStreetLightFar, ReadMsg(4000, 1)));
  tool.Run(100);
  EXPECT_EQ(sim.checker().count(), 1);
  EXPECT_TRUE(tool.data.empty());
}

}  // namespace
}  // namespace corvane::sim

#include "sim/demo_network.h"

#include "sim/node_families.h"
#include "sim/routing_node.h"

namespace corvane::sim::demo {
namespace {

// A router pairs a node with a copy of its whole record, as it read it when paired.
void Pair(Simulator& simulator, RoutingNode& router, RfAddress address, bool cached) {
  SimNode& node = simulator.AddNode(address);
  node.set_report_to(router.address());
  const std::span<const uint16_t> words = node.registers();
  router.AddRoute(address, cached ? static_cast<int>(words.size()) : 0, words);
}

}  // namespace

void Build(Simulator& simulator) {
  auto& gateway = static_cast<RoutingNode&>(simulator.AddNode(kGateway));
  Pair(simulator, gateway, kGatewayInput, true);
  Pair(simulator, gateway, kGatewayClimate, true);
  Pair(simulator, gateway, kGatewayOutput, true);
  simulator.SetInDongleRange(kRoutedRoomUnit, false);
  Pair(simulator, gateway, kRoutedRoomUnit, true);
  for (RfAddress uni : {kUniMeter, kUniSensor}) {
    SimNode& node = simulator.AddNode(
        std::make_unique<UnidirectionalNode>(uni, simulator.DefaultSettings(uni)));
    node.set_report_to(kGateway);
    gateway.AddUnidirectional(uni, 0, 1);
  }
  simulator.AddNode(kGatewayLampiro);
  simulator.AddNode(kGatewayOmbrix);
  simulator.AddNode(kGatewaySextan);

  auto& fan_coil = static_cast<RoutingNode&>(simulator.AddNode(kFanCoil));
  Pair(simulator, fan_coil, kFanCoilRoomUnit, true);

  auto& street = static_cast<RoutingNode&>(simulator.AddNode(kStreetLight));
  simulator.SetInDongleRange(kStreetLightFar, false);
  Pair(simulator, street, kStreetLightFar, false);

  for (RfAddress address : {kLightingBridgeB, kLightingBridgeA, kOutputB, kOutputA, kDoor, kInputX,
                            kKeypad, kInputB, kClimate, kClimateS, kCounter, kWindow, kRoomUnit}) {
    simulator.AddNode(address);
  }
}

}  // namespace corvane::sim::demo

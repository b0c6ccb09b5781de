#include "sim/demo_network.h"

#include <algorithm>
#include <memory>

#include "sim/node_families.h"
#include "sim/routing_node.h"
#include "sim/street_light_node.h"

namespace corvane::sim::demo {
namespace {

// A router pairs a node with a copy of its whole record, as it read it when paired.
void Pair(Simulator& simulator, RoutingNode& router, RfAddress address, bool cached) {
  SimNode& node = simulator.AddNode(address);
  node.set_report_to(router.address());
  const std::span<const uint16_t> words = node.registers();
  router.AddRoute(address, cached ? static_cast<int>(words.size()) : 0, words);
}

// A gateway's device, with its first `cached` registers in the cache (0 = not cached), under
// Modbus slave address `modbus`, heard through `hub` (0 = directly).
void PairWith(Simulator& simulator, GatewayNode& gateway, RfAddress address, int cached,
              uint8_t modbus, RfAddress hub = 0) {
  SimNode& node = simulator.AddNode(address);
  node.set_report_to(gateway.address());
  gateway.AddRoute(address, std::min(cached, node.word_count()), node.registers());
  gateway.SetModbusAddress(address, modbus);
  gateway.SetHub(address, hub);
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
  auto& gw = static_cast<GatewayNode&>(gateway);
  PairWith(simulator, gw, kGatewayHub, 158, 20);
  PairWith(simulator, gw, kGatewayInputX, 59, 21);
  PairWith(simulator, gw, kGatewayCounter, 40, 22);
  PairWith(simulator, gw, kGatewayWindow, 0, 23);
  PairWith(simulator, gw, kGatewayClimateS, 98, 24);
  PairWith(simulator, gw, kGatewayOutputB, 158, 25);
  PairWith(simulator, gw, kGatewayInputB, 59, 26);
  PairWith(simulator, gw, kGatewayRoomUnit, 120, 27, kGatewayHub);
  PairWith(simulator, gw, kGatewayRoomUnitC, 78, 28, kGatewayHub);
  PairWith(simulator, gw, kGatewayKeypad, 0, 0);  // a push-button panel not seen on Modbus
  // Meters: the consumption counter is captured and logged (store-in-FIFO bit), the flow only
  // captured.
  for (RfAddress meter : {kGatewayWaterMeter, kGatewayHeatMeter, kGatewayGasMeter}) {
    SimNode& node =
        simulator.AddNode(std::make_unique<MeterNode>(meter, simulator.DefaultSettings(meter)));
    node.set_report_to(kGateway);
    gateway.AddUnidirectional(meter, 0x8000, 2);
  }
  simulator.AddNode(kGatewayLampiro);
  simulator.AddNode(kGatewayOmbrix);
  simulator.AddNode(kGatewaySextan);

  auto& older = static_cast<GatewayNode&>(simulator.AddNode(std::make_unique<GatewayNode>(
      kOlderGateway, simulator.DefaultSettings(kOlderGateway), kOlderGatewayFirmware)));
  PairWith(simulator, older, kOlderGatewayInput, 59, 30);
  {
    SimNode& node = simulator.AddNode(std::make_unique<MeterNode>(
        kOlderGatewayMeter, simulator.DefaultSettings(kOlderGatewayMeter)));
    node.set_report_to(kOlderGateway);
    older.AddUnidirectional(kOlderGatewayMeter, 0, 2);
  }

  auto& near = static_cast<GatewayNode&>(simulator.AddNode(
      std::make_unique<GatewayNode>(kBridgeNear, simulator.DefaultSettings(kBridgeNear), 424)));
  auto& far = static_cast<GatewayNode&>(simulator.AddNode(
      std::make_unique<GatewayNode>(kBridgeFar, simulator.DefaultSettings(kBridgeFar), 424)));
  const uint8_t far_slaves[] = {40, 41, 42, 43, 44, 45, 46, 47};
  const uint8_t near_slaves[] = {48, 49, 50, 51, 52, 53, 54, 55};
  near.SetBridge(kBridgeFar, far_slaves);
  far.SetBridge(kBridgeNear, near_slaves);

  auto& fan_coil = static_cast<RoutingNode&>(simulator.AddNode(kFanCoil));
  Pair(simulator, fan_coil, kFanCoilRoomUnit, true);

  // Street lights: the first stands in Prague, switched also by the keypad, and routes for the
  // second (in Brno, beyond the dongle, not cached) and for a mains-powered input node (cached).
  auto& street = static_cast<StreetLightNode&>(simulator.AddNode(kStreetLight));
  street.SetControlDevice(0, kKeypad);
  simulator.SetInDongleRange(kStreetLightFar, false);
  Pair(simulator, street, kStreetLightFar, false);
  auto& brno = static_cast<StreetLightNode&>(*simulator.FindNode(kStreetLightFar));
  brno.Place(49.195060f, 16.606837f, 1);
  brno.SetTwoBallasts(false);
  SimNode& routed_input = simulator.AddNode(kInputB);
  street.AddRoute(kInputB, routed_input.word_count(), routed_input.registers());

  for (RfAddress address : {kLightingBridgeB, kLightingBridgeA, kOutputB, kOutputA, kDoor, kInputX,
                            kKeypad, kInputB, kClimate, kClimateS, kCounter, kWindow, kRoomUnit}) {
    simulator.AddNode(address);
  }
}

}  // namespace corvane::sim::demo

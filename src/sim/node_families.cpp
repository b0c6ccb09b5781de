#include "sim/node_families.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "link/messages.h"
#include "model/le.h"
#include "model/rf_address.h"
#include "sim/dali_bridge_node.h"
#include "sim/demo_network.h"
#include "sim/fan_coil_node.h"
#include "sim/routing_node.h"
#include "sim/street_light_node.h"

namespace corvane::sim {
namespace {

// Names the demo network's input nodes carry, so the lists read like a real site.
std::string_view DemoName(RfAddress address) {
  switch (address) {
    case demo::kGatewayInput:
      return "Garage door";
    case demo::kInputX:
      return "Hall 6-way";
    case demo::kKeypad:
      return "Entrance keys";
    case demo::kInputB:
      return "Stair lights";
    default:
      return {};
  }
}

}  // namespace

void InputNode::InitRegisters() {
  SimNode::InitRegisters();
  started_ = true;
  const bool b_node = type() == 0x014;
  word(kWordModelCode) = b_node ? 0xF047 : 1295;
  word(kWordDeviceId) = b_node ? 1268 : 1115;
  if (const std::string_view name = DemoName(address()); !name.empty()) SetName(name);
  if (b_node) word(kWordBattery) = 0;   // mains powered
  word(kWordLongpress) = 6 | (2 << 8);  // 1500 ms, repeat every 500 ms
  word(kWordButtons) = 25 << 8;         // minimal press 52 ms, no one-button or switch inputs
  if (has_temperature()) {
    word(kWordTemperature) = static_cast<uint16_t>(2050 + random().Below(200));
    word(kWordTemperatureThreshold) = 200;
  }
}

void InputNode::UpdateLive() {
  SimNode::UpdateLive();
  if (!has_temperature()) return;
  // Room temperature wandering slowly between 18 and 26 degrees.
  const int t = std::clamp(static_cast<int16_t>(word(kWordTemperature)) + random().Between(-3, 3),
                           1800, 2600);
  word(kWordTemperature) = static_cast<uint16_t>(static_cast<int16_t>(t));
}

void InputNode::PressButton() {
  const int input = presses_ % inputs();
  const auto bit = static_cast<uint16_t>(1 << input);
  ++presses_;
  const bool long_press = presses_ % 3 == 0;
  word(kWordIndicationAB) ^= bit;  // A: the input switched over
  word(kWordIndicationAB) =
      static_cast<uint16_t>((word(kWordIndicationAB) & 0x00FF) | (long_press ? 0 : bit << 8));
  word(kWordIndicationCD) = static_cast<uint16_t>(long_press ? bit << 8 : 0);
  const int press = presses_;
  SimNode::PressButton();
  if (started_) {
    context().At(context().Now() + 1000, [this, press] {
      // Only the latest press clears its bytes; a newer one keeps its own.
      if (press != presses_) return;
      word(kWordIndicationAB) &= 0x00FF;
      word(kWordIndicationCD) = 0;
    });
  }
}

void InputNode::BuildStatus(MessageBuilder& status) {
  SimNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordIndicationAB,
                      &word(kWordIndicationAB), 2);
  if (has_temperature()) {
    status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature,
                        &word(kWordTemperature), 1);
  }
}

bool InputNode::Intercept(const AirFrame& frame) { return AnswerStoreAfterStoring(frame); }

UnidirectionalNode::UnidirectionalNode(RfAddress address, const NodeSettings& settings)
    : SimNode(address, settings) {}

void UnidirectionalNode::PressButton() {
  ++value_;
  SimNode::PressButton();
}

void UnidirectionalNode::UpdateLive() {
  SimNode::UpdateLive();
  word(0) = value_;
  word(1) = static_cast<uint16_t>(uptime_seconds() / 60);
}

void UnidirectionalNode::BuildStatus(MessageBuilder& status) {
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, 0, &word(0), 2);
}

std::unique_ptr<SimNode> MakeNode(RfAddress address, const NodeSettings& settings) {
  switch (TypeOf(address)) {
    case 0x008:
    case 0x015:
    case 0x016:
    case 0x018:
      return std::make_unique<GatewayNode>(address, settings);
    case 0x001:
      return std::make_unique<FanCoilNode>(address, settings);
    case 0x009:
      return std::make_unique<StreetLightNode>(address, settings);
    case 0x003:
    case 0x00B:
    case 0x00E:
    case 0x014:
      return std::make_unique<InputNode>(address, settings);
    case 0x002:
    case 0x011:
    case 0x013:
      return std::make_unique<RoomUnitNode>(address, settings);
    case 0x00A:
    case 0x00D:
      return std::make_unique<ClimateNode>(address, settings);
    case 0x00F:
      return std::make_unique<CounterNode>(address, settings);
    case 0x012:
      return std::make_unique<WindowContactNode>(address, settings);
    case 0x005:
    case 0x007:
    case 0x017:
      return std::make_unique<OutputNode>(address, settings);
    case 0x004:
    case 0x006:
      return std::make_unique<DaliBridgeNode>(address, settings);
    default:
      return std::make_unique<GenericNode>(address, settings);
  }
}

}  // namespace corvane::sim

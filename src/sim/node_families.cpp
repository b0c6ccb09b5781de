#include "sim/node_families.h"

#include "link/messages.h"
#include "model/rf_address.h"
#include "sim/routing_node.h"

namespace corvane::sim {
namespace {

constexpr int kWordInputs = 51;
constexpr int kWordTemperature = 50;
constexpr int kWordCpuTemperature = 51;

}  // namespace

void InputNode::PressButton() {
  word(kWordInputs) ^= 0x0001;
  SimNode::PressButton();
}

void InputNode::BuildStatus(MessageBuilder& status) {
  SimNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordInputs, &word(kWordInputs), 1);
}

void ClimateNode::InitRegisters() {
  SimNode::InitRegisters();
  // 0xF018 measures temperature and humidity, 0xF017 temperature only.
  word(kWordModelCode) = type() == 0x00A ? 0xF018 : 0xF017;
  word(kWordTemperature) = static_cast<uint16_t>(2000 + random().Below(300));
  word(kWordCpuTemperature) = static_cast<uint16_t>(2400 + random().Below(300));
}

void ClimateNode::UpdateLive() {
  SimNode::UpdateLive();
  // A slow random walk between 15 and 30 degrees.
  int t = static_cast<int16_t>(word(kWordTemperature));
  t += random().Between(-5, 5);
  if (t < 1500) t = 1500;
  if (t > 3000) t = 3000;
  word(kWordTemperature) = static_cast<uint16_t>(static_cast<int16_t>(t));
  word(kWordCpuTemperature) = static_cast<uint16_t>(t + 400 + random().Between(-20, 20));
}

void ClimateNode::BuildStatus(MessageBuilder& status) {
  SimNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature, &word(kWordTemperature),
                      2);
}

bool OutputNode::HandleOther(const AirFrame&, uint8_t type, int, const uint8_t*, MessageBuilder&) {
  return type == MSG_RF_FRAME;
}

bool LightingBridgeNode::HandleOther(const AirFrame&, uint8_t type, int, const uint8_t*,
                                     MessageBuilder&) {
  return type == MSG_RF_FRAME;
}

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
      return std::make_unique<LightingBridgeNode>(address, settings);
    default:
      return std::make_unique<GenericNode>(address, settings);
  }
}

}  // namespace corvane::sim

// The demo network: a few devices of every family, used by the program's --simulate mode and by
// tests. Addresses are chosen so that every family's type appears, and the low digits say where
// a device belongs (01xx gateways and their devices, 02xx fan-coil, 03xx street lights, ...).
#pragma once

#include "model/rf_address.h"
#include "sim/simulator.h"

namespace corvane::sim::demo {

// Gatrix gateway with paired, routed and unidirectional devices.
inline constexpr RfAddress kGateway = 0x00800101;
inline constexpr RfAddress kGatewayInput = 0x00300102;    // Quadrel-A, sleeping, cached
inline constexpr RfAddress kGatewayClimate = 0x00A00103;  // Termolo, sleeping, cached
inline constexpr RfAddress kGatewayOutput = 0x00700104;   // Duplon-A, listens, cached
inline constexpr RfAddress kRoutedRoomUnit = 0x00200105;  // Calidor, beyond the dongle, cached
inline constexpr RfAddress kUniMeter = 0x00C00106;        // Stralux-A, transmit only
inline constexpr RfAddress kUniSensor = 0x01300107;       // Calidor-D, transmit only
// The rest of the gateway's installation: paired devices, two of them reaching the gateway
// through a hub, and transmit-only meters.
inline constexpr RfAddress kGatewayHub = 0x01700114;         // Portalis, listens, hub for others
inline constexpr RfAddress kGatewayInputX = 0x00B00115;      // Quadrel-X, sleeping, cached
inline constexpr RfAddress kGatewayCounter = 0x00F00116;     // Tallix, sleeping, cached
inline constexpr RfAddress kGatewayWindow = 0x01200117;      // Fenstro, sleeping, not cached
inline constexpr RfAddress kGatewayClimateS = 0x00D00118;    // Bossel, sleeping, cached
inline constexpr RfAddress kGatewayOutputB = 0x00500119;     // Duplon-B, listens, cached
inline constexpr RfAddress kGatewayInputB = 0x0140011A;      // Quadrel-B, listens, cached
inline constexpr RfAddress kGatewayRoomUnit = 0x0020011B;    // Calidor, via the hub, cached
inline constexpr RfAddress kGatewayRoomUnitC = 0x0110011C;   // Calidor-C, via the hub, cached
inline constexpr RfAddress kGatewayKeypad = 0x00E0011D;      // Klavet, sleeping, not cached
inline constexpr RfAddress kGatewayWaterMeter = 0x00C0011E;  // transmit-only meters
inline constexpr RfAddress kGatewayHeatMeter = 0x00C0011F;
inline constexpr RfAddress kGatewayGasMeter = 0x01300120;
// The other gateway types, without devices.
inline constexpr RfAddress kGatewayLampiro = 0x01500111;
inline constexpr RfAddress kGatewayOmbrix = 0x01600112;
inline constexpr RfAddress kGatewaySextan = 0x01800113;
// Fan-coil controller with its room unit.
inline constexpr RfAddress kFanCoil = 0x00100201;
inline constexpr RfAddress kFanCoilRoomUnit = 0x01100202;  // Calidor-C, sleeping, cached
// Street lights: the second is reached only through the first.
inline constexpr RfAddress kStreetLight = 0x00900301;
inline constexpr RfAddress kStreetLightFar = 0x00900302;
// Lighting-bus bridges and output nodes.
inline constexpr RfAddress kLightingBridgeB = 0x00400401;
inline constexpr RfAddress kLightingBridgeA = 0x00600402;
inline constexpr RfAddress kOutputB = 0x00500501;
inline constexpr RfAddress kOutputA = 0x00700502;
inline constexpr RfAddress kDoor = 0x01700503;
// Battery devices heard directly.
inline constexpr RfAddress kInputX = 0x00B00601;
inline constexpr RfAddress kKeypad = 0x00E00602;
inline constexpr RfAddress kInputB = 0x01400603;  // mains powered, listens
inline constexpr RfAddress kClimate = 0x00A00604;
inline constexpr RfAddress kClimateS = 0x00D00605;
inline constexpr RfAddress kCounter = 0x00F00606;
inline constexpr RfAddress kWindow = 0x01200607;
inline constexpr RfAddress kRoomUnit = 0x00200608;
// A gateway with firmware 3.11 (the register map before 4.00), with a paired node and a meter.
inline constexpr RfAddress kOlderGateway = 0x00800701;
inline constexpr uint16_t kOlderGatewayFirmware = 311;
inline constexpr RfAddress kOlderGatewayInput = 0x00300702;  // Quadrel-A, sleeping, cached
inline constexpr RfAddress kOlderGatewayMeter = 0x00C00703;  // transmit only
// Two gateways with firmware 4.24 whose Modbus lines are bridged over the radio: Modbus slaves
// 40 to 47 on the far side answer through the near one, and 48 to 55 the other way.
inline constexpr RfAddress kBridgeNear = 0x00800801;
inline constexpr RfAddress kBridgeFar = 0x00800802;

// Adds the demo devices to `simulator` and pairs them with their routers.
void Build(Simulator& simulator);

}  // namespace corvane::sim::demo

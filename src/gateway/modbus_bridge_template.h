// Template 181: the Modbus bridge settings of a gateway.
#pragma once

#include "ui/template.h"

namespace corvane::ui {

// None of these ids has a given number.
enum ModbusBridgeId : int {
  kBridgeFarEnd = 1810,    // "Device on far bridge end"
  kBridgeTimeout = 1811,   // "MODBUS timeout [ms]"
  kBridgeSetAll = 1812,    // "Set All"
  kBridgeClearAll = 1813,  // "Clear All"
  kBridgeGroupLink = 3810,
  kBridgeGroupAddresses = 3811,
  kBridgeGroupButtons = 3812,
  // Check box of Modbus address n (0 .. kBridgeBoxes - 1).
  kBridgeFirstBox = 1900,
};

inline constexpr int kBridgeBoxes = 241;
inline constexpr int kBridgeBoxesPerRow = 16;

constexpr int BridgeBox(int modbus_address) { return kBridgeFirstBox + modbus_address; }

const DialogTemplate& ModbusBridgeTemplate();

}  // namespace corvane::ui

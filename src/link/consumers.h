// The narrow interfaces through which the message dispatcher hands received messages to the rest
// of the program. Every pointer the dispatcher holds may be null: that consumer is simply absent.
#pragma once

#include <cstdint>
#include <span>

#include "model/rf_address.h"

namespace corvane {

// Request-queue bookkeeping: may complete the pending read or write request. Registers are given
// as they arrived (a cached answer may carry 4000 + n), counts as the payload says.
class RequestBookkeeping {
 public:
  virtual ~RequestBookkeeping() = default;
  virtual void OnReadAnswer(RfAddress source, uint8_t type, uint16_t raw_register, int count) = 0;
  // Only acknowledgements with status 0 arrive here.
  virtual void OnWriteAnswer(RfAddress source, uint8_t type, uint16_t raw_register, int count) = 0;
};

// The open firmware-update dialog sees every message first. Returns true when it consumed it.
class FirmwareHook {
 public:
  virtual ~FirmwareHook() = default;
  virtual bool OfferMessage(RfAddress source, uint8_t type, int length, const uint8_t* payload) = 0;
};

// The open Modbus settings dialog takes the register data of the device it shows.
class ModbusRegisterInput {
 public:
  virtual ~ModbusRegisterInput() = default;
  virtual bool ShowsDevice(RfAddress source) const = 0;
  virtual void OnModbusRegisters(uint16_t first, std::span<const uint16_t> words) = 0;
};

// Delivers register data and write acknowledgements to every open device dialog.
class RegisterFanOut {
 public:
  virtual ~RegisterFanOut() = default;
  virtual void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                              bool from_cache) = 0;
  virtual void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) = 0;
  // A write acknowledgement with a status other than 0: the device refused the write. The
  // windows know a write only by its good acknowledgements; a caller that must tell a refusal
  // from silence listens here.
  virtual void OnWriteRefused(RfAddress /*source*/, uint16_t /*first*/, int /*count*/,
                              uint8_t /*status*/, bool /*from_cache*/) {}
};

// The dongle register mirror; it ignores sources that are not local to the dongle.
class DongleRegisterHandler {
 public:
  virtual ~DongleRegisterHandler() = default;
  virtual void OnDongleRegisters(RfAddress address, uint16_t first, int count,
                                 const uint16_t* words) = 0;
};

// One frame heard by the dongle.
struct TrafficFrame {
  RfAddress source = 0;
  RfAddress destination = 0;
  uint16_t frame_id = 0;
  int8_t rssi = 0;
  std::span<const uint8_t> bytes;
};

class HeardFrameHandler {
 public:
  virtual ~HeardFrameHandler() = default;
  virtual void OnTraffic(RfAddress reporter, const TrafficFrame& frame) = 0;
};

// A node's log answer: the 8-byte records after the leading 1.
class DeviceLogHandler {
 public:
  virtual ~DeviceLogHandler() = default;
  virtual void OnDeviceLog(RfAddress source, std::span<const uint8_t> records) = 0;
};

}  // namespace corvane

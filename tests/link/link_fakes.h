// Test doubles for the message layer: a transport that records every report payload, and a
// consumer that records every call of the dispatcher as one readable line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "hex_text.h"
#include "link/consumers.h"
#include "link/transport.h"

namespace corvane::testing {

using Bytes = std::vector<uint8_t>;

class RecordingTransport : public Transport {
 public:
  bool Discover(std::u16string& identity) override {
    if (!present) return false;
    identity = identity_text;
    return true;
  }
  bool Open(ReportSink*) override {
    if (open_ || !present) return false;
    ++opens;
    return open_ = true;
  }
  bool Close() override { return open_ && !(open_ = false); }
  bool IsOpen() const override { return open_; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    if (open_) sent.emplace_back(bytes, bytes + length);
  }

  std::vector<Bytes> sent;
  bool present = true;
  std::u16string identity_text = u"test";
  int opens = 0;

 private:
  bool open_ = true;
};

inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }

class RecordingConsumers : public RequestBookkeeping,
                           public FirmwareHook,
                           public ModbusRegisterInput,
                           public RegisterFanOut,
                           public DongleRegisterHandler,
                           public HeardFrameHandler,
                           public DeviceLogHandler {
 public:
  void OnReadAnswer(RfAddress source, uint8_t type, uint16_t reg, int count) override {
    Log("queue-read %08X %02X r%u n%d", source, type, reg, count);
  }
  void OnWriteAnswer(RfAddress source, uint8_t type, uint16_t reg, int count) override {
    Log("queue-write %08X %02X r%u n%d", source, type, reg, count);
  }
  bool OfferMessage(RfAddress source, uint8_t type, int length, const uint8_t*) override {
    Log("firmware %08X %02X L%d", source, type, length);
    return firmware_consumes;
  }
  bool ShowsDevice(RfAddress source) const override { return source == modbus_device; }
  void OnModbusRegisters(uint16_t first, std::span<const uint16_t> words) override {
    Log("modbus r%u n%zu", first, words.size());
  }
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override {
    Log("data %08X r%u n%d%s", source, first, count, from_cache ? " cache" : "");
    last_words.assign(words, words + count);
  }
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override {
    Log("ack %08X r%u n%d%s", source, first, count, from_cache ? " cache" : "");
  }
  void OnDongleRegisters(RfAddress address, uint16_t first, int count,
                         const uint16_t* words) override {
    Log("dongle %08X r%u n%d", address, first, count);
    last_words.assign(words, words + count);
  }
  void OnTraffic(RfAddress reporter, const TrafficFrame& f) override {
    Log("traffic %08X %08X->%08X id%u rssi%d bytes%zu", reporter, f.source, f.destination,
        f.frame_id, f.rssi, f.bytes.size());
  }
  void OnDeviceLog(RfAddress source, std::span<const uint8_t> records) override {
    Log("log %08X %zu", source, records.size());
  }

  std::vector<std::string> calls;
  std::vector<uint16_t> last_words;
  bool firmware_consumes = false;
  RfAddress modbus_device = 0;

 private:
  template <typename... Args>
  void Log(const char* format, Args... args) {
    char line[160];
    std::snprintf(line, sizeof line, format, args...);
    calls.emplace_back(line);
  }
};

}  // namespace corvane::testing

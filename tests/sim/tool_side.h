// The tool's side of a conversation with the simulator: the real message layer on a SimTransport,
// with the consumers recording what the dispatcher hands them, a transcript of every report both
// ways, and a driver that advances the simulator's clock while ticking the long transfers.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "hex_text.h"
#include "link/consumers.h"
#include "link/message_layer.h"
#include "model/le.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"

namespace corvane::sim::testing {

using Bytes = std::vector<uint8_t>;

inline std::string HexBytes(const uint8_t* p, size_t n) { return corvane::testing::Hex(p, n); }

// A transport that logs what the tool queues and passes it on to the simulator.
class TappedTransport : public Transport {
 public:
  explicit TappedTransport(Simulator& sim) : sim_(sim), inner_(sim) {}
  bool Discover(std::u16string& identity) override { return inner_.Discover(identity); }
  bool Open(ReportSink* sink) override { return inner_.Open(sink); }
  bool Close() override { return inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    if (inner_.IsOpen()) {
      sent.emplace_back(bytes, bytes + length);
      transcript += std::to_string(sim_.Now()) + " > " + HexBytes(bytes, length) + "\n";
    }
    inner_.Enqueue(bytes, length);
  }

  std::vector<Bytes> sent;
  std::string transcript;

 private:
  Simulator& sim_;
  SimTransport inner_;
};

struct RegisterEvent {
  RfAddress source;
  uint16_t first;
  std::vector<uint16_t> words;
  bool from_cache;
};

class ToolSide : public ReportSink,
                 public RegisterFanOut,
                 public DongleRegisterHandler,
                 public HeardFrameHandler,
                 public DeviceLogHandler {
 public:
  explicit ToolSide(Simulator& sim) : sim(sim), transport(sim), layer(transport) {
    layer.SetRegisterFanOut(this);
    layer.SetDongleRegisterHandler(this);
    layer.SetHeardFrameHandler(this);
    layer.SetDeviceLogHandler(this);
    std::u16string identity;
    connected = transport.Discover(identity) && transport.Open(this);
  }

  // ReportSink.
  void OnReport(const Report& report) override {
    received.emplace_back(report.begin(), report.end());
    transport.transcript += std::to_string(sim.Now()) + " < " + HexBytes(report.data(), 64) + "\n";
    layer.ProcessBuffer(ADDR_DONGLE, report.data(), 64);
  }

  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override {
    data.push_back({source, first, std::vector<uint16_t>(words, words + count), from_cache});
  }
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override {
    acks.push_back({source, first, std::vector<uint16_t>(static_cast<size_t>(count)), from_cache});
  }
  void OnDongleRegisters(RfAddress address, uint16_t first, int count,
                         const uint16_t* words) override {
    if (!IsDongleLocal(address)) return;
    dongle.push_back({address, first, std::vector<uint16_t>(words, words + count), false});
  }
  void OnTraffic(RfAddress, const TrafficFrame& frame) override {
    traffic.push_back(frame.source);
    traffic_destinations.push_back(frame.destination);
  }
  void OnDeviceLog(RfAddress source, std::span<const uint8_t> records) override {
    log_source = source;
    log_records.assign(records.begin(), records.end());
  }

  void Send(RfAddress to, const Bytes& message, bool acknowledged = false) {
    layer.SendMsg(to, message.data(), static_cast<int>(message.size()), acknowledged);
  }

  // Advances the clock by `ms`, ticking the long transfers every 250 ms as the main dialog does.
  void Run(SimTime ms) {
    const SimTime end = sim.Now() + ms;
    while (sim.Now() < end) {
      const SimTime step = std::min(end, next_tick_);
      sim.AdvanceTo(step);
      if (step == next_tick_) {
        layer.LongTransferTick();
        next_tick_ += 250;
      }
    }
  }

  // Runs until `done` holds or `limit` ms have passed; true when it held.
  bool RunUntil(const std::function<bool()>& done, SimTime limit) {
    const SimTime end = sim.Now() + limit;
    while (!done()) {
      if (sim.Now() >= end) return false;
      const SimTime step =
          std::min({end, next_tick_, std::max(sim.NextEventTime(), sim.Now() + 1)});
      sim.AdvanceTo(step);
      if (step == next_tick_) {
        layer.LongTransferTick();
        next_tick_ += 250;
      }
    }
    return true;
  }

  // The last register data from `source` (empty when none).
  const RegisterEvent* LastData(RfAddress source) const {
    for (auto it = data.rbegin(); it != data.rend(); ++it) {
      if (it->source == source) return &*it;
    }
    return nullptr;
  }
  const RegisterEvent* LastDongle(uint16_t first) const {
    for (auto it = dongle.rbegin(); it != dongle.rend(); ++it) {
      if (it->first == first) return &*it;
    }
    return nullptr;
  }

  Simulator& sim;
  TappedTransport transport;
  MessageLayer layer;
  bool connected = false;
  std::vector<Bytes> received;
  std::vector<RegisterEvent> data;
  std::vector<RegisterEvent> acks;
  std::vector<RegisterEvent> dongle;
  std::vector<RfAddress> traffic;
  std::vector<RfAddress> traffic_destinations;
  RfAddress log_source = 0;
  std::vector<uint8_t> log_records;

 private:
  SimTime next_tick_ = 250;
};

// Message builders in the tool's layouts.
inline Bytes ReadMsg(uint16_t first, uint8_t count) {
  return {0x6A, 3, static_cast<uint8_t>(first), static_cast<uint8_t>(first >> 8), count};
}
inline Bytes WordMsg(uint16_t reg, uint16_t value) {
  return {0x83,
          4,
          static_cast<uint8_t>(reg),
          static_cast<uint8_t>(reg >> 8),
          static_cast<uint8_t>(value),
          static_cast<uint8_t>(value >> 8)};
}
inline Bytes BlockMsg(uint16_t first, const std::vector<uint16_t>& words) {
  const int payload = 3 + 2 * static_cast<int>(words.size());
  Bytes m = {0x6B, static_cast<uint8_t>(std::min(payload, 250)), static_cast<uint8_t>(first),
             static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(words.size())};
  for (uint16_t w : words) {
    m.push_back(static_cast<uint8_t>(w));
    m.push_back(static_cast<uint8_t>(w >> 8));
  }
  return m;
}
// [0x96][9][device][inner]: a message a router passes on to `device`.
inline Bytes Wrap(RfAddress device, const Bytes& inner) {
  Bytes m = {0x96,
             static_cast<uint8_t>(std::min<size_t>(inner.size() + 4, 250)),
             static_cast<uint8_t>(device),
             static_cast<uint8_t>(device >> 8),
             static_cast<uint8_t>(device >> 16),
             static_cast<uint8_t>(device >> 24)};
  m.insert(m.end(), inner.begin(), inner.end());
  return m;
}

}  // namespace corvane::sim::testing

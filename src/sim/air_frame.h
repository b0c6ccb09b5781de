// One radio frame on the simulated air. The radio protocol between dongle and nodes is the
// simulator's own: a frame is [kind][sequence][link RSSI][messages...], the messages being the
// same [type][length][payload] units the tool uses. The dongle reports these bytes as the frame
// bytes of MSG_TRAFFIC.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "model/rf_address.h"

namespace corvane::sim {

enum class FrameKind : uint8_t {
  kStatus = 1,     // periodic or wake-up transmission of a node
  kRequest = 2,    // the dongle passing on a message of the tool
  kForward = 3,    // a routing node passing on a message to a routed node
  kAnswer = 4,     // a node answering whoever asked; byte 2 = RSSI it heard the asker with
  kKeepAwake = 5,  // the dongle telling a woken node to stay awake for its access target
  kCacheSync = 6,  // a routing node writing cached changes into a routed node
};

inline constexpr int kFrameHeaderBytes = 3;
// Large enough for the biggest message the tool can send (548 bytes) with its frame header.
inline constexpr int kMaxFramePayload = 600;

struct AirFrame {
  RfAddress source = 0;
  RfAddress destination = 0;  // 0 = broadcast
  FrameKind kind = FrameKind::kStatus;
  uint8_t sequence = 0;
  int8_t link_rssi = 0;
  int length = 0;  // bytes used in payload
  std::array<uint8_t, kMaxFramePayload> payload{};

  // Appends bytes; false (and nothing appended) when they do not fit.
  bool Append(const uint8_t* bytes, int count) {
    if (count < 0 || length + count > kMaxFramePayload) return false;
    if (count == 0) return true;  // memcpy must not see the null of an empty message
    std::memcpy(payload.data() + length, bytes, static_cast<size_t>(count));
    length += count;
    return true;
  }

  // The frame's own bytes as a receiver sees them: the header then the payload.
  int Serialize(uint8_t* out, int capacity) const {
    const uint8_t header[kFrameHeaderBytes] = {static_cast<uint8_t>(kind), sequence,
                                               static_cast<uint8_t>(link_rssi)};
    int n = 0;
    for (int i = 0; i < kFrameHeaderBytes && n < capacity; ++i) out[n++] = header[i];
    for (int i = 0; i < length && n < capacity; ++i) out[n++] = payload[i];
    return n;
  }
};

// Bytes per second on the air for the dongle's frequency index (the six channels the tool names).
inline int DataRateBitsPerSecond(int frequency_index) {
  switch (frequency_index) {
    case 1:
      return 32768;
    case 4:
      return 38400;
    default:
      return 100000;
  }
}

// Air time of a frame in whole milliseconds (at least 1): preamble, sync word, addresses and CRC
// are taken as 16 bytes on top of the frame's own bytes.
inline int AirTimeMs(int frame_bytes, int frequency_index) {
  const int64_t bits = static_cast<int64_t>(frame_bytes + kFrameHeaderBytes + 16) * 8;
  const int64_t rate = DataRateBitsPerSecond(frequency_index);
  const int64_t ms = (bits * 1000 + rate - 1) / rate;
  return ms < 1 ? 1 : static_cast<int>(ms);
}

}  // namespace corvane::sim

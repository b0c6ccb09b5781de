// What the main window follows of the frames the dongle hears: the devices in range with their
// RSSI, the candidates seen once, and the RSSI at which the selected device hears the dongle.
// It also builds the RF monitor's line for every frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/consumers.h"
#include "ui/host.h"

namespace corvane {

class HeardFramesClient {
 public:
  virtual ~HeardFramesClient() = default;
  virtual ui::LocalTime LocalNow() = 0;
  virtual RfAddress SelectedAddress() const = 0;
  // The RF monitor's line, when the monitor exists.
  virtual void MonitorLine(const std::u16string& line) = 0;
  // A device came into range or its RSSI moved by more than 5 dB.
  virtual void InRangeChanged() = 0;
};

class HeardFrames : public HeardFrameHandler {
 public:
  static constexpr int kInRange = 200;
  static constexpr int kCandidates = 10;

  struct InRangeEntry {
    RfAddress address = 0;
    int8_t rssi = 0;
  };

  explicit HeardFrames(HeardFramesClient& client) : client_(client) {}

  void OnTraffic(RfAddress reporter, const TrafficFrame& frame) override;

  // The line the RF monitor shows for a frame heard at `time`.
  static std::u16string MonitorLineFor(const TrafficFrame& frame, const ui::LocalTime& time);

  const std::array<InRangeEntry, kInRange>& in_range() const { return in_range_; }
  const std::array<RfAddress, kCandidates>& candidates() const { return candidates_; }
  // RSSI in the table, 0 when the device is not in range.
  int8_t RssiOf(RfAddress address) const;
  // The level at which the selected device reports hearing the dongle.
  int8_t device_rssi() const { return device_rssi_; }

 private:
  int FindInRange(RfAddress address) const;
  void Note(RfAddress source, int8_t rssi);

  HeardFramesClient& client_;
  std::array<InRangeEntry, kInRange> in_range_{};
  std::array<RfAddress, kCandidates> candidates_{};
  int8_t device_rssi_ = 0;
};

}  // namespace corvane

#include "app/heard_frames.h"

#include <cstdlib>

#include "ui/text.h"

namespace corvane {

std::u16string HeardFrames::MonitorLineFor(const TrafficFrame& frame, const ui::LocalTime& time) {
  std::u16string line =
      ui::Format("\n%02d:%02d %04ddBm 0x%08X -> 0x%08X id:0x%04X", time.minute, time.second,
                 frame.rssi, frame.source, frame.destination, frame.frame_id);
  for (uint8_t b : frame.bytes) ui::AppendFormat(line, " %02X", b);
  return line;
}

int HeardFrames::FindInRange(RfAddress address) const {
  for (int i = 0; i < kInRange; ++i) {
    if (in_range_[i].address == address && address != 0) return i;
  }
  return -1;
}

int8_t HeardFrames::RssiOf(RfAddress address) const {
  const int i = FindInRange(address);
  return i < 0 ? int8_t{0} : in_range_[i].rssi;
}

void HeardFrames::OnTraffic(RfAddress, const TrafficFrame& frame) {
  client_.MonitorLine(MonitorLineFor(frame, client_.LocalNow()));

  const RfAddress s = frame.source;
  const RfAddress d = frame.destination;
  if (s >= 0x10000000) return;
  // An answer of the selected device to the dongle carries the level at which it hears us.
  if (frame.bytes.size() >= 3 && frame.bytes[0] == 4 && s == client_.SelectedAddress() &&
      d >= 0xFFFE0000 && d <= 0xFFFEFFFF) {
    device_rssi_ = static_cast<int8_t>(frame.bytes[2]);
  }

  bool candidate = false;
  for (RfAddress c : candidates_) candidate = candidate || (c == s && s != 0);
  if (d == 0 || FindInRange(s) >= 0 || FindInRange(d) >= 0 || candidate) {
    Note(s, frame.rssi);
    return;
  }
  // Seen once talking to a stranger: it counts from its next frame on.
  for (RfAddress& c : candidates_) {
    if (c == 0) {
      c = s;
      return;
    }
  }
  candidates_[0] = s;
}

void HeardFrames::Note(RfAddress source, int8_t rssi) {
  if (source == 0) return;
  const int i = FindInRange(source);
  if (i < 0) {
    for (InRangeEntry& e : in_range_) {
      if (e.address == 0) {
        e = {source, rssi};
        client_.InRangeChanged();
        return;
      }
    }
    return;  // table full: dropped
  }
  if (std::abs(rssi - in_range_[i].rssi) > 5) {
    in_range_[i].rssi = rssi;
    client_.InRangeChanged();
  }
}

}  // namespace corvane

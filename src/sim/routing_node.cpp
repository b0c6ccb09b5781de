#include "sim/routing_node.h"

#include <algorithm>

#include "link/messages.h"
#include "model/gateway_image.h"
#include "model/le.h"
#include "model/type_table.h"

namespace corvane::sim {
namespace {

// The simulated network's clock starts at 2026-01-01 00:00:00 UTC.
constexpr uint32_t kEpochAtStart = 1767225600;
constexpr int kInternalCacheWords = 4096;

bool IsRegisterAccess(uint8_t type) {
  return type == MSG_REG_READ || type == MSG_REG_WORD || type == MSG_REG_BLOCK;
}

}  // namespace

RoutingNode::RoutingNode(RfAddress address, const NodeSettings& settings)
    : SimNode(address, settings), cache_(kInternalCacheWords, 0) {}

uint32_t RoutingNode::UnixNow() {
  return kEpochAtStart + static_cast<uint32_t>(context().Now() / 1000);
}

int RoutingNode::FindRoute(RfAddress node) const {
  if (node == 0) return -1;
  for (int i = 0; i < route_count_; ++i) {
    if (routes_[static_cast<size_t>(i)].address == node) return Routes(i) ? i : -1;
  }
  return -1;
}

int RoutingNode::FindUni(RfAddress node) const {
  if (node == 0) return -1;
  for (int i = 0; i < uni_count_; ++i) {
    if (uni_[static_cast<size_t>(i)].address == node) return i;
  }
  return -1;
}

bool RoutingNode::AddRoute(RfAddress node, int cache_words, std::span<const uint16_t> contents) {
  const bool known = std::any_of(routes_.begin(), routes_.begin() + route_count_,
                                 [node](const Route& r) { return r.address == node; });
  if (node == 0 || route_count_ >= kMaxRoutes || known) return false;
  const std::span<uint16_t> area = CacheArea();
  cache_words = std::clamp(cache_words, 0, 4095);
  if (cache_used_ + cache_words > static_cast<int>(area.size())) return false;
  Route& route = routes_[static_cast<size_t>(route_count_)];
  route.address = node;
  route.cache_start = cache_used_;
  route.cache_words = cache_words;
  const size_t copied = std::min(contents.size(), static_cast<size_t>(cache_words));
  std::copy_n(contents.begin(), copied, area.begin() + cache_used_);
  cache_used_ += cache_words;
  OnRouteChanged(route_count_);
  ++route_count_;
  return true;
}

bool RoutingNode::AddUnidirectional(RfAddress node, uint16_t first_register,
                                    uint16_t second_register) {
  if (node == 0 || uni_count_ >= kMaxUnidirectional || FindUni(node) >= 0) return false;
  UniEntry& entry = uni_[static_cast<size_t>(uni_count_)];
  entry.address = node;
  entry.registers[0] = first_register;
  entry.registers[1] = second_register;
  OnUnidirectionalChanged(uni_count_);
  ++uni_count_;
  return true;
}

std::span<const uint16_t> RoutingNode::CachedCopy(RfAddress node) const {
  const int index = FindRoute(node);
  if (index < 0) return {};
  // CopyOf is not const (gateways hand out their register map); the copy is only read here.
  return const_cast<RoutingNode*>(this)->CopyOf(index);
}

std::span<uint16_t> RoutingNode::CopyOf(int index) {
  const Route& r = routes_[static_cast<size_t>(index)];
  return CacheArea().subspan(static_cast<size_t>(r.cache_start),
                             static_cast<size_t>(r.cache_words));
}

std::array<uint16_t, 2> RoutingNode::Captured(RfAddress node) const {
  const int index = FindUni(node);
  if (index < 0) return {0, 0};
  const UniEntry& e = uni_[static_cast<size_t>(index)];
  return {e.values[0], e.values[1]};
}

bool RoutingNode::OverhearsFrom(RfAddress source) const {
  return FindRoute(source) >= 0 || FindUni(source) >= 0;
}

bool RoutingNode::HandleOther(const AirFrame& frame, uint8_t type, int length,
                              const uint8_t* payload, MessageBuilder& answer) {
  if (type != MSG_RF_SEND) return false;
  const std::string problem = CheckNodeMessage(type, length, payload);
  if (!problem.empty()) {
    Violation(problem);
    return true;
  }
  const RfAddress node = GetU32(payload);
  const uint8_t* inner = payload + 4;
  const int inner_payload = inner[1] == kLengthToEnd ? length - 6 : inner[1];
  if (node == 0 || node == address()) {
    Violation("MSG_RF_SEND through " + Hex(address(), 8) + " names " + Hex(node, 8));
    return true;
  }
  // 4000 + n names the cached copy of register n; registers past the largest record a device
  // can have (the firmware information at 0xFEC6.., say) are the device's own and go on to it.
  constexpr int kLargestRecordWords = 39236 / 2;
  const int reg = GetU16(inner + 2);
  if (IsRegisterAccess(inner[0]) && reg >= kCacheRegisterBase &&
      reg < kCacheRegisterBase + kLargestRecordWords) {
    const int index = FindRoute(node);
    if (index < 0 || CopyOf(index).empty()) {
      Violation("cached register access for " + Hex(node, 8) + ", which " + Hex(address(), 8) +
                " does not cache");
      return true;
    }
    AnswerFromCache(routes_[static_cast<size_t>(index)], inner[0], inner_payload, inner + 2,
                    answer);
    return true;
  }
  // Everything after the address goes on: a batch of requests travels as one frame.
  Forward(node, frame.source, inner, length - 4);
  return true;
}

void RoutingNode::AnswerFromCache(Route& route, uint8_t type, int length, const uint8_t* payload,
                                  MessageBuilder& answer) {
  const std::span<uint16_t> cached = CopyOf(static_cast<int>(&route - routes_.data()));
  uint16_t* copy = cached.data();
  const int words = static_cast<int>(cached.size());
  MessageBuilder inner;
  const uint16_t raw = GetU16(payload);
  const int first = raw - kCacheRegisterBase;
  if (type == MSG_REG_READ) {
    const int count = payload[2];
    if (first + count > words) {
      Violation("cached read of " + std::to_string(count) + " registers from " +
                std::to_string(raw) + " beyond the " + std::to_string(words) + "-word copy of " +
                Hex(route.address, 8));
      return;
    }
    inner.AddRegisters(MSG_CACHE_BLOCK, MSG_CACHE_WORD, raw, copy + first, count);
  } else {
    uint16_t ignored = 0;
    int count = 0;
    std::string problem;
    if (!ParseRegisterWrite(type, length, payload, ignored, count, problem)) {
      Violation(problem);
      return;
    }
    if (first + count > words) {
      Violation("cached write of " + std::to_string(count) + " registers from " +
                std::to_string(raw) + " beyond the copy of " + Hex(route.address, 8));
      inner.AddWriteAck(MSG_CACHE_WRITE_ACK, raw, count, 1);
    } else {
      const uint8_t* values = type == MSG_REG_WORD ? payload + 2 : payload + 3;
      for (int i = 0; i < count; ++i) copy[first + i] = GetU16(values + 2 * i);
      route.dirty_first = route.dirty_first < 0 ? first : std::min(route.dirty_first, first);
      route.dirty_end = std::max(route.dirty_end, first + count);
      inner.AddWriteAck(MSG_CACHE_WRITE_ACK, raw, count, 0);
      if (Listens(route.address)) SyncCache(route);
    }
  }
  answer.AddRfFrame(route.address, relay_sequence_++, inner.data(), inner.length());
}

void RoutingNode::Forward(RfAddress node, RfAddress requester, const uint8_t* message, int length) {
  Relay* relay = nullptr;
  for (Relay& r : relays_) {
    if (r.node == node || (relay == nullptr && r.node == 0)) relay = &r;
  }
  // With every relay slot taken the oldest request loses its way back.
  if (relay == nullptr) relay = &relays_[0];
  relay->node = node;
  relay->requester = requester;
  MessageBuilder forward;
  // One message or several back to back, each passed on as it came.
  for (int at = 0; at + 2 <= length;) {
    const int n = message[at + 1] == kLengthToEnd ? length - at - 2 : message[at + 1];
    if (at + 2 + n > length) break;
    forward.Add(message[at], message + at + 2, n);
    at += n + 2;
  }
  const int index = FindRoute(node);
  if (index >= 0 && !Listens(node)) {
    // A sleeping routed node gets the message when it is next heard.
    routes_[static_cast<size_t>(index)].held = forward;
    return;
  }
  Transmit(node, FrameKind::kForward, forward, 0);
}

void RoutingNode::SyncCache(Route& route) {
  if (route.dirty_first < 0) return;
  const std::span<uint16_t> cached = CopyOf(static_cast<int>(&route - routes_.data()));
  if (route.dirty_end > static_cast<int>(cached.size())) {
    // The copy shrank or went away (its table entry was changed): nothing left to pass on.
    route.dirty_first = route.dirty_end = -1;
    return;
  }
  const int count = std::min(route.dirty_end - route.dirty_first, 250);
  const uint16_t* copy = cached.data() + route.dirty_first;
  MessageBuilder write;
  if (count == 1) {
    uint8_t payload[4];
    PutU16(payload, static_cast<uint16_t>(route.dirty_first));
    PutU16(payload + 2, copy[0]);
    write.Add(MSG_REG_WORD, payload, 4);
  } else {
    uint8_t payload[3 + 500];
    PutU16(payload, static_cast<uint16_t>(route.dirty_first));
    payload[2] = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) PutU16(payload + 3 + 2 * i, copy[i]);
    write.Add(MSG_REG_BLOCK, payload, 3 + 2 * count);
  }
  Transmit(route.address, FrameKind::kCacheSync, write, 0);
  route.dirty_first += count;
  if (route.dirty_first >= route.dirty_end) route.dirty_first = route.dirty_end = -1;
}

void RoutingNode::TakeRegisterData(Route& route, const uint8_t* messages, int length) {
  const std::span<uint16_t> cached = CopyOf(static_cast<int>(&route - routes_.data()));
  if (cached.empty()) return;
  uint16_t* copy = cached.data();
  const int words = static_cast<int>(cached.size());
  ForEachMessage(messages, length, [&](uint8_t type, int size, const uint8_t* payload) {
    if (!IsRegisterDataType(type) || IsCacheType(type) || size < 4) return;
    const int first = GetU16(payload);
    const bool block = IsRegisterBlockType(type);
    const int count = block ? std::min<int>(payload[2], (size - 3) / 2) : 1;
    const uint8_t* values = block ? payload + 3 : payload + 2;
    for (int i = 0; i < count; ++i) {
      const int w = first + i;
      if (w >= words) break;
      // Words the tool wrote into the copy stay until they have reached the node.
      if (route.dirty_first >= 0 && w >= route.dirty_first && w < route.dirty_end) continue;
      copy[w] = GetU16(values + 2 * i);
    }
  });
}

bool RoutingNode::Intercept(const AirFrame& frame) {
  if (frame.kind != FrameKind::kAnswer) return false;
  const int index = FindRoute(frame.source);
  if (index >= 0) {
    Route& route = routes_[static_cast<size_t>(index)];
    TakeRegisterData(route, frame.payload.data(), frame.length);
    route.last_heard = UnixNow();
    route.rssi = frame.link_rssi;
    OnRouteChanged(index);
  }
  for (Relay& relay : relays_) {
    if (relay.node != frame.source) continue;
    MessageBuilder answer;
    answer.AddRfFrame(frame.source, frame.sequence, frame.payload.data(), frame.length);
    Transmit(relay.requester, FrameKind::kAnswer, answer, settings_.rssi_at_dongle);
    // The way back stays open: several requests in a row each bring their own answer.
    return true;
  }
  // Acknowledgements of cache writes end here; an answer nobody waits for is dropped.
  return true;
}

void RoutingNode::Overhear(const AirFrame& frame) {
  const int index = FindRoute(frame.source);
  if (index >= 0) {
    Route& route = routes_[static_cast<size_t>(index)];
    route.last_heard = UnixNow();
    route.rssi = frame.link_rssi;
    if (frame.kind == FrameKind::kStatus) {
      TakeRegisterData(route, frame.payload.data(), frame.length);
      if (!route.held.empty()) {
        Transmit(route.address, FrameKind::kForward, route.held, 0);
        route.held.Clear();
      } else {
        SyncCache(route);
      }
    }
    OnRouteChanged(index);
    return;
  }
  const int u = FindUni(frame.source);
  if (u < 0) return;
  UniEntry& entry = uni_[static_cast<size_t>(u)];
  ForEachMessage(frame.payload.data(), frame.length,
                 [&](uint8_t type, int size, const uint8_t* payload) {
                   if (!IsRegisterDataType(type) || size < 4) return;
                   const int first = GetU16(payload);
                   const bool block = IsRegisterBlockType(type);
                   const int count = block ? std::min<int>(payload[2], (size - 3) / 2) : 1;
                   const uint8_t* values = block ? payload + 3 : payload + 2;
                   for (int k = 0; k < 2; ++k) {
                     const int r = entry.registers[k] & 0x7FFF;
                     if (r >= first && r < first + count) {
                       entry.values[k] = GetU16(values + 2 * (r - first));
                     }
                   }
                 });
  entry.rssi = frame.link_rssi;
  entry.last_heard = UnixNow();
  OnUnidirectionalChanged(u);
}

// ---------------------------------------------------------------------------------------------
// Routing nodes with a paired-device table in their registers

int TableRoutingNode::EntryOf(RfAddress node) const {
  if (node == 0) return -1;
  const auto regs = registers();
  for (int i = 0; i < table_.devices; ++i) {
    const size_t e = static_cast<size_t>(table_.reg_devices + 4 * i);
    if (WordsToU32(regs[e], regs[e + 1]) == node) return i;
  }
  return -1;
}

TableRoutingNode::Placement TableRoutingNode::PlacementOf(int entry) const {
  const GwDeviceEntry e = GwDeviceEntry::FromWords(
      registers().subspan(static_cast<size_t>(table_.reg_devices + 4 * entry), 4));
  const int first = e.mb_start;
  const int words = e.MbCount();
  // A range outside the cache area is not served: the node keeps no such copy.
  if (!e.Cached() || words == 0 || first < table_.cache_first || first + words > table_.cache_end) {
    return {};
  }
  return {first, words};
}

std::span<uint16_t> TableRoutingNode::CopyOf(int index) {
  const Placement p = placed_[static_cast<size_t>(index)];
  return registers().subspan(static_cast<size_t>(p.first), static_cast<size_t>(p.words));
}

bool TableRoutingNode::PlaceNewEntry(int index) {
  if (index >= table_.devices) return false;
  const Route& r = route(index);
  GwDeviceEntry entry;
  entry.address = r.address;
  entry.SetMbCount(static_cast<uint16_t>(r.cache_words));
  entry.SetCached(r.cache_words > 0);
  entry.SetPriority(3);
  entry.ToWords(registers().subspan(static_cast<size_t>(table_.reg_devices + 4 * index), 4));
  // The node places the new copy the way the tool's placement does, so both agree.
  PlaceCache(registers().subspan(static_cast<size_t>(table_.reg_devices),
                                 static_cast<size_t>(4 * table_.devices)),
             {table_.cache_first, table_.cache_end});
  const Placement p = PlacementOf(index);
  placed_[static_cast<size_t>(index)] = p;
  // AddRoute filled the copy where the routing node keeps it; move it to the placed range.
  const int filled = table_.cache_first + r.cache_start;
  if (p.words > 0 && filled != p.first) {
    const std::vector<uint16_t> copy(registers().begin() + filled,
                                     registers().begin() + filled + p.words);
    std::copy(copy.begin(), copy.end(), registers().begin() + p.first);
  }
  return true;
}

void TableRoutingNode::FollowTable() {
  // Snapshot every copy first: a moved range may land on another's old place.
  std::array<std::vector<uint16_t>, kMaxRoutes> old;
  for (int k = 0; k < route_count(); ++k) {
    const Placement p = placed_[static_cast<size_t>(k)];
    if (p.words > 0) {
      old[static_cast<size_t>(k)].assign(registers().begin() + p.first,
                                         registers().begin() + p.first + p.words);
    }
  }
  for (int k = 0; k < route_count(); ++k) {
    const size_t sk = static_cast<size_t>(k);
    const int entry = EntryOf(route(k).address);
    const Placement now = entry < 0 ? Placement{} : PlacementOf(entry);
    if (now.words > 0 && !old[sk].empty() && now.first != placed_[sk].first) {
      const size_t n = std::min(old[sk].size(), static_cast<size_t>(now.words));
      std::copy_n(old[sk].begin(), n, registers().begin() + now.first);
    }
    placed_[sk] = now;
  }
}

}  // namespace corvane::sim

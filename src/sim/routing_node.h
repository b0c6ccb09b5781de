// Nodes that route for others: gateways, fan-coil controllers and street-light nodes. They pass a
// wrapped message (MSG_RF_SEND) on to the node it names and relay the answer back inside an
// MSG_RF_FRAME naming that node; a request for register 4000 + n is answered from the cached copy
// of the routed node (MSG_CACHE_BLOCK, MSG_CACHE_WORD, MSG_CACHE_WRITE_ACK). The copy follows the
// node's status frames, and writes into it reach the node the next time it is heard.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/node.h"

namespace corvane::sim {

class RoutingNode : public SimNode {
 public:
  static constexpr int kMaxRoutes = 78;
  static constexpr int kMaxUnidirectional = 200;

  RoutingNode(RfAddress address, const NodeSettings& settings);

  // Pairs a node; with `cache_words` > 0 the router keeps a copy of its first `cache_words`
  // registers, starting from `contents` (what the router read when it was paired). False when the
  // table or the cache area is full.
  bool AddRoute(RfAddress node, int cache_words, std::span<const uint16_t> contents);
  // Captures registers `first_register` and `second_register` of a transmit-only device.
  bool AddUnidirectional(RfAddress node, uint16_t first_register, uint16_t second_register);

  int route_count() const { return route_count_; }
  // The cached copy of a routed node; empty when it is not paired or not cached.
  std::span<const uint16_t> CachedCopy(RfAddress node) const;
  // The two values last captured from a unidirectional device (0 when never heard).
  std::array<uint16_t, 2> Captured(RfAddress node) const;

  bool OverhearsFrom(RfAddress source) const override;
  void Overhear(const AirFrame& frame) override;

 protected:
  struct Route {
    RfAddress address = 0;
    int cache_start = 0;   // into CacheArea()
    int cache_words = 0;   // 0 = not cached
    int dirty_first = -1;  // cached words written by the tool, not yet in the node
    int dirty_end = -1;
    int8_t rssi = 0;
    uint32_t last_heard = 0;  // Unix seconds
    // A message for a node that sleeps waits here until the node is heard.
    MessageBuilder held;
  };
  struct UniEntry {
    RfAddress address = 0;
    uint16_t registers[2] = {0, 0};
    uint16_t values[2] = {0, 0};
    int8_t rssi = 0;
    uint32_t last_heard = 0;
  };
  struct Relay {
    RfAddress node = 0;       // 0 = free
    RfAddress requester = 0;  // who gets the answer
    int8_t rssi = 0;
  };

  // Where cached copies live; gateways keep them in their own register map.
  virtual std::span<uint16_t> CacheArea() { return cache_; }
  // The cached copy of route `index` (empty when not cached). By default where AddRoute put it;
  // a gateway serves it from the range its paired-device table names.
  virtual std::span<uint16_t> CopyOf(int index);
  // The route table changed or a routed node was heard; gateways mirror this into registers.
  virtual void OnRouteChanged(int /*index*/) {}
  // Whether route `index` is routed now; a node whose table the tool edits drops the devices
  // the tool removed.
  virtual bool Routes(int /*index*/) const { return true; }
  virtual void OnUnidirectionalChanged(int /*index*/) {}

  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
  bool Intercept(const AirFrame& frame) override;

  const Route& route(int index) const { return routes_[static_cast<size_t>(index)]; }
  const UniEntry& unidirectional(int index) const { return uni_[static_cast<size_t>(index)]; }
  uint32_t UnixNow();

 private:
  int FindRoute(RfAddress node) const;
  int FindUni(RfAddress node) const;
  void AnswerFromCache(Route& route, uint8_t type, int length, const uint8_t* payload,
                       MessageBuilder& answer);
  void Forward(RfAddress node, RfAddress requester, const uint8_t* message, int length);
  void SyncCache(Route& route);
  void TakeRegisterData(Route& route, const uint8_t* messages, int length);

  std::array<Route, kMaxRoutes> routes_{};
  int route_count_ = 0;
  int cache_used_ = 0;
  std::array<UniEntry, kMaxUnidirectional> uni_{};
  int uni_count_ = 0;
  std::array<Relay, 8> relays_{};
  uint8_t relay_sequence_ = 0;
  std::vector<uint16_t> cache_;
};

// A routing node whose paired-device table lives in its own registers, in the entry format of
// GwDeviceEntry (gateways, fan-coil controllers): the table says which devices it routes and
// where their cached copies lie, and the node follows what the tool writes into it.
class TableRoutingNode : public RoutingNode {
 public:
  struct Table {
    int reg_devices = 0;  // the first entry, 4 registers each
    int devices = 0;
    int cache_first = 0;  // the cache area [cache_first, cache_end)
    int cache_end = 0;
  };

  TableRoutingNode(RfAddress address, const NodeSettings& settings, Table table)
      : RoutingNode(address, settings), table_(table) {}

 protected:
  struct Placement {
    int first = 0;
    int words = 0;  // 0 = not cached
  };

  // Index into the table, -1 when absent.
  int EntryOf(RfAddress node) const;
  // Where entry `entry` says its copy lies; none for a range outside the cache area.
  Placement PlacementOf(int entry) const;
  // Writes the entry of route `index` (just added) into the table, places the cache as the
  // tool's placement does and moves the copy there. False when the table has no room.
  bool PlaceNewEntry(int index);
  // After the tool wrote the table: each copy follows its device to the range its entry names
  // now (words the old range did not hold keep what the area held); a device whose entry the
  // tool cleared is no longer routed.
  void FollowTable();
  // Whether [first, first + count) touches the table.
  bool CoversTable(int first, int count) const {
    return first < table_.reg_devices + 4 * table_.devices && table_.reg_devices < first + count;
  }

  std::span<uint16_t> CopyOf(int index) override;
  bool Routes(int index) const override { return EntryOf(route(index).address) >= 0; }

  const Table& table() const { return table_; }

 private:
  Table table_;
  std::array<Placement, kMaxRoutes> placed_{};  // per route: where its copy is served from
};

}  // namespace corvane::sim

// Gateways are routing nodes whose tables live in their register map.
#include "sim/gateway_node.h"  // IWYU pragma: export

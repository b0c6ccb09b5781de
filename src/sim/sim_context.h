// What a node or the dongle needs from the simulation around it: the clock, the air, the seeded
// generator and the protocol checker's log.
#pragma once

#include <functional>
#include <string>

#include "model/rf_address.h"
#include "sim/air_frame.h"
#include "sim/event_queue.h"

namespace corvane::sim {

class SimContext {
 public:
  virtual ~SimContext() = default;
  virtual SimTime Now() const = 0;
  virtual void At(SimTime when, std::function<void()> action) = 0;
  // Puts a frame on the air; receivers get it after its air time and the radio latency.
  virtual void Transmit(const AirFrame& frame) = 0;
  virtual uint64_t Random() = 0;
  // Counts and logs a protocol mistake of the tool, seen by `where`.
  virtual void Violation(RfAddress where, const std::string& text) = 0;
};

}  // namespace corvane::sim

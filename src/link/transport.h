// What the connection logic needs of a dongle transport. Implementations: the hidapi binding for
// the real dongle and the simulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

using Report = std::array<uint8_t, 64>;

// Receives every report the dongle sends. Implementations may call OnReport from their own
// thread; the sink is responsible for reaching the UI thread (the program's sink posts there).
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void OnReport(const Report& report) = 0;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Looks for the dongle and remembers where it is. `identity` receives a text naming the device
  // examined last, so the caller notices when a different dongle has been plugged in.
  virtual bool Discover(std::u16string& identity) = 0;

  // Opens the remembered dongle, discards anything queued and starts delivering reports to the
  // sink. False when already open or the device cannot be opened.
  virtual bool Open(ReportSink* sink) = 0;

  // Stops delivery and closes the device; reports still queued are never sent. False when the
  // transport was not open.
  virtual bool Close() = 0;

  virtual bool IsOpen() const = 0;

  // Queues one report payload of 1..64 bytes (followed by one 0 byte when shorter). Dropped
  // without notice when the transport is closed or the queue is full.
  virtual void Enqueue(const uint8_t* bytes, size_t length) = 0;
};

}  // namespace corvane

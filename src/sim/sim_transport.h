// The Transport the program uses for its built-in simulated dongle. Reports reach the sink on the
// thread that drives the simulator's clock (the program's UI thread).
#pragma once

#include "link/transport.h"
#include "sim/simulator.h"

namespace corvane::sim {

class SimTransport : public Transport {
 public:
  explicit SimTransport(Simulator& simulator) : simulator_(simulator) {}

  bool Discover(std::u16string& identity) override;
  bool Open(ReportSink* sink) override;
  bool Close() override { return simulator_.UsbClose(); }
  bool IsOpen() const override { return simulator_.UsbIsOpen(); }
  void Enqueue(const uint8_t* bytes, size_t length) override;

 private:
  Simulator& simulator_;
  bool discovered_ = false;
};

}  // namespace corvane::sim

#include "sim/sim_transport.h"

namespace corvane::sim {

bool SimTransport::Discover(std::u16string& identity) {
  discovered_ = simulator_.UsbDiscover(identity);
  return discovered_;
}

bool SimTransport::Open(ReportSink* sink) {
  if (!discovered_) return false;
  return simulator_.UsbOpen(sink);
}

void SimTransport::Enqueue(const uint8_t* bytes, size_t length) {
  simulator_.UsbWrite(bytes, length);
}

}  // namespace corvane::sim

// A transport for fuzz targets: it accepts everything and reads every byte it is given, so a
// wrong length handed to Enqueue shows up under AddressSanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/transport.h"

namespace corvane::fuzzing {

class TouchingTransport : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    uint8_t sink = 0;
    for (size_t i = 0; i < length; ++i) sink ^= bytes[i];
    last_ = sink;
  }

 private:
  uint8_t last_ = 0;
};

}  // namespace corvane::fuzzing

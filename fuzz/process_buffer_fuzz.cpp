// Feeds arbitrary report sequences through the receive path. The input is a series of records:
// a control byte, then (for a report) 64 bytes. Control bits choose the attributed address (the
// dongle or a node), whether long-transfer ticks come first, and occasional sends, so both sides
// of the long transfer and the reassembly see every order of events.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "link/message_layer.h"
#include "touching_transport.h"

namespace {

using namespace corvane;

class Consumers : public RequestBookkeeping,
                  public RegisterFanOut,
                  public DongleRegisterHandler,
                  public HeardFrameHandler,
                  public DeviceLogHandler,
                  public ModbusRegisterInput {
 public:
  void OnReadAnswer(RfAddress, uint8_t, uint16_t, int count) override { Check(count <= 255); }
  void OnWriteAnswer(RfAddress, uint8_t, uint16_t, int) override {}
  void OnRegisterData(RfAddress, uint16_t, int count, const uint16_t* words, bool) override {
    Touch(words, count);
  }
  void OnWriteAck(RfAddress, uint16_t, int, bool) override {}
  void OnDongleRegisters(RfAddress, uint16_t, int count, const uint16_t* words) override {
    Touch(words, count);
  }
  void OnTraffic(RfAddress, const TrafficFrame& f) override {
    for (uint8_t b : f.bytes) sum_ += b;
  }
  void OnDeviceLog(RfAddress, std::span<const uint8_t> records) override {
    for (uint8_t b : records) sum_ += b;
  }
  bool ShowsDevice(RfAddress source) const override { return (source & 1) != 0; }
  void OnModbusRegisters(uint16_t, std::span<const uint16_t> words) override {
    Touch(words.data(), static_cast<int>(words.size()));
  }

 private:
  static void Check(bool ok) {
    if (!ok) __builtin_trap();
  }
  void Touch(const uint16_t* words, int count) {
    Check(count >= 0 && count <= 255);
    for (int i = 0; i < count; ++i) sum_ += words[i];
  }
  unsigned sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::TouchingTransport transport;
  MessageLayer layer(transport);
  Consumers consumers;
  layer.SetRequestBookkeeping(&consumers);
  layer.SetRegisterFanOut(&consumers);
  layer.SetDongleRegisterHandler(&consumers);
  layer.SetHeardFrameHandler(&consumers);
  layer.SetDeviceLogHandler(&consumers);
  layer.SetModbusInput(&consumers);

  size_t pos = 0;
  while (pos < size) {
    const uint8_t control = data[pos++];
    for (int i = 0; i < (control >> 5); ++i) layer.LongTransferTick();
    if (control & 0x10) {
      // Start an acknowledged send of up to 548 bytes taken from the input.
      const size_t n = std::min<size_t>(size - pos, 65 + (control & 0x0F) * 32);
      if (n > 0) layer.SendMsg(ADDR_DONGLE, data + pos, static_cast<int>(n), true);
      continue;
    }
    uint8_t report[64] = {};
    const size_t n = std::min<size_t>(size - pos, 64);
    std::memcpy(report, data + pos, n);
    pos += n;
    const RfAddress from = (control & 1) ? 0x00300001 : ADDR_DONGLE;
    // Odd controls also exercise short buffers, whose exact size ASan guards.
    if (control & 2) {
      uint8_t* exact = new uint8_t[n ? n : 1];
      std::memcpy(exact, report, n);
      layer.ProcessBuffer(from, exact, static_cast<int>(n));
      delete[] exact;
    } else {
      layer.ProcessBuffer(from, report, 64);
    }
  }
  return 0;
}

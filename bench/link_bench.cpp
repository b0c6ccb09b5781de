// The dongle link's hot paths: queueing a report, sending short and acknowledged messages, and
// splitting a received report. Each benchmark also reports heap allocations per iteration.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "alloc_counter.h"
#include "link/message_layer.h"
#include "link/tx_ring.h"

namespace corvane {
namespace {

using bench::g_allocations;

// A transport whose ring is drained as soon as it is filled, as the writer thread would.
class DrainingTransport : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    if (!ring_->Push(bytes, length)) {
      uint8_t report[TxRing::kReportBytes];
      while (ring_->TakeReport(report) != 0) {
      }
      ring_->Push(bytes, length);
    }
  }

 private:
  std::unique_ptr<TxRing> ring_ = std::make_unique<TxRing>();
};

class NoOpConsumers : public RegisterFanOut,
                      public DongleRegisterHandler,
                      public HeardFrameHandler {
 public:
  void OnRegisterData(RfAddress, uint16_t, int count, const uint16_t* words, bool) override {
    benchmark::DoNotOptimize(words[count - 1]);
  }
  void OnWriteAck(RfAddress, uint16_t, int, bool) override {}
  void OnDongleRegisters(RfAddress, uint16_t, int count, const uint16_t* words) override {
    benchmark::DoNotOptimize(words[count - 1]);
  }
  void OnTraffic(RfAddress, const TrafficFrame& f) override { benchmark::DoNotOptimize(f.rssi); }
};

void ReportAllocations(benchmark::State& state, long before, bool must_be_zero) {
  const long allocations = g_allocations.load() - before;
  if (must_be_zero && allocations != 0) state.SkipWithError("the path allocated");
  state.counters["allocs/iter"] =
      benchmark::Counter(static_cast<double>(allocations) / state.iterations());
}

void BM_Enqueue(benchmark::State& state) {
  auto ring = std::make_unique<TxRing>();
  uint8_t payload[12] = {0x96, 0x09, 0x01, 0x00, 0x30, 0x00, 0x6A, 0x03, 0x00, 0x00, 0x1F};
  uint8_t report[TxRing::kReportBytes];
  const long before = g_allocations.load();
  for (auto _ : state) {
    if (!ring->Push(payload, sizeof payload)) {
      state.PauseTiming();
      while (ring->TakeReport(report) != 0) {
      }
      state.ResumeTiming();
    }
  }
  ReportAllocations(state, before, true);
}
BENCHMARK(BM_Enqueue);

void BM_SendShortToRemote(benchmark::State& state) {
  DrainingTransport transport;
  MessageLayer layer(transport);
  const uint8_t write[10] = {0x6B, 0x08, 0x12, 0x00, 0x02, 0x41, 0x42, 0x43, 0x44, 0x00};
  const long before = g_allocations.load();
  for (auto _ : state) layer.SendMsg(0x00300001, write, sizeof write, false);
  ReportAllocations(state, before, true);
}
BENCHMARK(BM_SendShortToRemote);

void BM_SendAcknowledged522(benchmark::State& state) {
  DrainingTransport transport;
  MessageLayer layer(transport);
  uint8_t block[522] = {0x96, 250, 0x01, 0x00, 0x30, 0x00, 0x15, 250};
  const uint8_t complete[] = {0x11, 0x03, 0x00, 0xFF, 0x03};
  uint8_t status[64] = {};
  const long before = g_allocations.load();
  for (auto _ : state) {
    layer.SendMsg(0x00800001, block, sizeof block, true);
    // Confirm it so the next iteration finds the slot free; the id moves on each time.
    std::memcpy(status, complete, sizeof complete);
    status[2] = layer.sender(0).id;
    layer.ProcessBuffer(ADDR_DONGLE, status, 64);
  }
  ReportAllocations(state, before, false);
}
BENCHMARK(BM_SendAcknowledged522);

void BM_ProcessReportOfFiveMessages(benchmark::State& state) {
  DrainingTransport transport;
  MessageLayer layer(transport);
  NoOpConsumers consumers;
  layer.SetRegisterFanOut(&consumers);
  layer.SetDongleRegisterHandler(&consumers);
  layer.SetHeardFrameHandler(&consumers);
  // 5 messages in one report: two dongle words, a dongle block, a radio frame with a word, and a
  // heard frame.
  uint8_t report[64] = {
      0x83, 0x04, 0x1E, 0x00, 0xB5, 0x00,                                            // 6
      0x83, 0x04, 0x34, 0x00, 0x7B, 0x00,                                            // 6
      0x6B, 0x07, 0x10, 0x00, 0x02, 0xCD, 0xAB, 0x30, 0x00,                          // 9
      0x90, 0x0B, 0x01, 0x00, 0x30, 0x00, 0x07, 0x83, 0x04, 0x05, 0x00, 0x34, 0x12,  // 13
      0xF2, 0x0D, 0x01, 0x00, 0x30, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0xB5, 0xAA, 0xBB,
  };
  const long before = g_allocations.load();
  for (auto _ : state) layer.ProcessBuffer(ADDR_DONGLE, report, 64);
  ReportAllocations(state, before, true);  // before adding counters: the map allocates
  state.counters["ns/message"] =
      benchmark::Counter(5.0 * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ProcessReportOfFiveMessages);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();

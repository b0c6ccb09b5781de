// The simulator must never be what slows the program down. The load: 1,000 nodes each
// transmitting every 10 s, and the tool sending 1,000 reports per second (register reads of
// nodes through MSG_RF_SEND and of the dongle), with the tool's message layer splitting every
// answer. One iteration is one simulated second, so the time per iteration is the CPU time the
// simulator needs per second of real time; "cpu_percent_of_core" gives it as a share of one core.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <vector>

#include "link/message_layer.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"

namespace corvane::sim {
namespace {

constexpr int kNodes = 1000;
constexpr SimTime kStatusPeriodMs = 10000;

class CountingSink : public ReportSink, public RegisterFanOut, public HeardFrameHandler {
 public:
  void set_layer(MessageLayer* layer) { layer_ = layer; }
  void OnReport(const Report& report) override {
    ++reports;
    layer_->ProcessBuffer(ADDR_DONGLE, report.data(), static_cast<int>(report.size()));
  }
  void OnRegisterData(RfAddress, uint16_t, int, const uint16_t*, bool) override { ++answers; }
  void OnWriteAck(RfAddress, uint16_t, int, bool) override {}
  void OnTraffic(RfAddress, const TrafficFrame&) override { ++frames; }

  int64_t reports = 0;
  int64_t answers = 0;
  int64_t frames = 0;

 private:
  MessageLayer* layer_ = nullptr;
};

struct Network {
  Network() {
    sink.set_layer(&layer);
    for (int i = 0; i < kNodes; ++i) {
      // Half mains-powered output nodes that answer, half sleeping climate sensors.
      const RfAddress address =
          (i % 2 == 0 ? 0x00500000u : 0x00A00000u) | static_cast<RfAddress>(i + 1);
      NodeSettings settings = sim.DefaultSettings(address);
      settings.status_period_ms = kStatusPeriodMs;
      sim.AddNode(address, settings);
      addresses.push_back(address);
    }
    layer.SetRegisterFanOut(&sink);
    layer.SetHeardFrameHandler(&sink);
    std::u16string identity;
    transport.Discover(identity);
    transport.Open(&sink);
  }

  static SimOptions Options() {
    SimOptions options;
    // The stream fills the USB link to the tool beyond one report per millisecond; without the
    // rate limit the backlog does not grow and the figure is the simulator's own cost.
    options.usb_interval_ms = 0;
    return options;
  }

  // One simulated second: a report from the tool every millisecond, the clock driven in
  // 1 ms steps as a host timer would, the long transfers ticked every 250 ms.
  void RunSecond() {
    for (int ms = 0; ms < 1000; ++ms) {
      if (ms % 4 == 3) {
        const uint8_t statistics[5] = {0x6A, 3, 30, 0, 1};
        layer.SendMsg(ADDR_DONGLE, statistics, 5, false);
      } else {
        // Output nodes sit at the even positions.
        next_node = (next_node + 2) % kNodes;
        const uint8_t read[5] = {0x6A, 3, 0, 0, 10};
        layer.SendMsg(addresses[static_cast<size_t>(next_node)], read, 5, false);
      }
      sim.AdvanceTo(sim.Now() + 1);
      if (sim.Now() % 250 == 0) layer.LongTransferTick();
    }
  }

  Simulator sim{Options()};
  SimTransport transport{sim};
  MessageLayer layer{transport};
  CountingSink sink;
  std::vector<RfAddress> addresses;
  int next_node = 0;
};

void BM_ThousandNodesAndRequestStream(benchmark::State& state) {
  auto network = std::make_unique<Network>();
  // Warm up past the first status period so every node is in its steady rhythm.
  for (int i = 0; i < 10; ++i) network->RunSecond();
  const int64_t answers0 = network->sink.answers;
  const int64_t frames0 = network->sink.frames;
  const uint64_t air0 = network->sim.frames_on_air();
  const std::clock_t cpu0 = std::clock();
  for (auto _ : state) network->RunSecond();
  const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
  const double seconds = static_cast<double>(state.iterations());
  state.counters["answers_per_s"] = static_cast<double>(network->sink.answers - answers0) / seconds;
  state.counters["traffic_per_s"] = static_cast<double>(network->sink.frames - frames0) / seconds;
  state.counters["frames_on_air_per_s"] =
      static_cast<double>(network->sim.frames_on_air() - air0) / seconds;
  state.counters["violations"] = network->sim.checker().count();
  // CPU seconds per simulated second, as a percentage of one core when run in real time.
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / seconds;
}
BENCHMARK(BM_ThousandNodesAndRequestStream)->Unit(benchmark::kMillisecond)->MinTime(5.0);

}  // namespace
}  // namespace corvane::sim

BENCHMARK_MAIN();

// A full Read of a 4.24 gateway (its whole map) from its configuration window, over the simulated
// link with its USB timing (one report per millisecond each way, each after 1 ms) and the
// simulator's radio (air time and latency), in virtual time, with the whole program's side in
// the loop: the main window, its message layer and request queues, the window and the fan-out.
//
// The read queue keeps one request in flight, so a read cannot take less than the sum of its
// requests' round trips. After the read, each request of the read is sent again alone on the
// idle link, and its round trip (from queueing to the block reaching the window) measured; the
// sum of those is the bound. Printed:
//   read_ms        virtual time from "Read" to the window back in its idle state
//   requests       read requests the dongle passed on to the gateway in that time
//   blocks         register blocks the window received (first, count, arrival)
//   round trips    each request alone, and the sum: bound_ms
//   ratio          read_ms / bound_ms (target: at most 1.1)
//   bound_full_ms  requests x the round trip of a full 250-register block, for comparison
// Run by hand: build/<dir>/bench/gateway_read_bench [--blocks]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "gateway/gateway_dlg.h"
#include "gateway/gateway_template.h"
#include "model/gateway_image.h"
#include "model/type_table.h"
#include "sim/demo_network.h"
#include "sim/gateway_node.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"
#include "ui/headless/test_host.h"

namespace corvane {
namespace {

constexpr RfAddress kGw = sim::demo::kGateway;

// The simulator, counting the requests the dongle passes on to the gateway.
class CountingSim : public sim::Simulator {
 public:
  void Transmit(const sim::AirFrame& frame) override {
    if (frame.kind == sim::FrameKind::kRequest && frame.destination == kGw) ++requests_to_gateway;
    if (frame.kind == sim::FrameKind::kAnswer && frame.source == kGw) ++answers_from_gateway;
    Simulator::Transmit(frame);
  }
  int requests_to_gateway = 0;
  int answers_from_gateway = 0;
};

// The USB side, counting the reports the tool sends.
class CountingTransport : public Transport {
 public:
  explicit CountingTransport(sim::Simulator& s) : inner_(s) {}
  bool Discover(std::u16string& identity) override { return inner_.Discover(identity); }
  bool Open(ReportSink* sink) override { return inner_.Open(sink); }
  bool Close() override { return inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    ++reports_out;
    inner_.Enqueue(bytes, length);
  }
  int reports_out = 0;

 private:
  sim::SimTransport inner_;
};

struct Block {
  int first;
  int count;
  int64_t at_ms;
};

// Stands in the gateway window's slot of the fan-out: notes when each block of the gateway
// reaches the window and passes everything on to it unchanged. The window class is final, so
// the timing sits in front of it rather than in a subclass.
class TimedPort : public DeviceDialogPort {
 public:
  TimedPort(DeviceDialogPort& window, const ui::TestHost& host) : window_(window), clock_(host) {}
  void OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                      bool from_cache) override {
    if (source == kGw) blocks.push_back({first, count, clock_.now_ms()});
    window_.OnRegisterData(source, first, count, words, from_cache);
  }
  void OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) override {
    window_.OnWriteAck(source, first, count, from_cache);
  }
  void OnInRange() override { window_.OnInRange(); }
  int RecordVersion() const override { return window_.RecordVersion(); }
  void CloseForVersion(uint16_t version) override { window_.CloseForVersion(version); }
  void StopOperationTimer() override { window_.StopOperationTimer(); }
  void RestartOperationTimer() override { window_.RestartOperationTimer(); }
  std::vector<Block> blocks;

 private:
  DeviceDialogPort& window_;
  const ui::TestHost& clock_;
};

int Run(bool list_blocks) {
  ui::TestHost host;
  CountingSim sim;
  sim::demo::Build(sim);
  auto* node = sim.FindNodeAs<sim::GatewayNode>(kGw);
  if (node == nullptr) {
    std::fprintf(stderr, "no gateway in the demo network\n");
    return 1;
  }
  node->registers()[1] = 424;
  const sim::SimOptions& o = sim.options();
  std::printf(
      "gateway 4.24: map %d registers; USB 1 report/%lld ms each way, latency %lld ms; "
      "radio latency %lld ms, air time %s\n",
      node->map_size(), static_cast<long long>(o.usb_interval_ms),
      static_cast<long long>(o.usb_latency_ms), static_cast<long long>(o.radio_latency_ms),
      o.air_time ? "on" : "off");
  host.AttachClock([&sim] { return sim.NextEventTime(); },
                   [&sim](int64_t now) { sim.AdvanceTo(now); });

  CountingTransport transport(sim);
  MemoryProfile profile;
  profile.values[u"OEM"] = u"0";
  CCorvaneDlg::Environment env;
  env.profile = &profile;
  env.exit = [](int) {};
  env.open_start_project = false;
  auto main = std::make_unique<CCorvaneDlg>(host, transport, env);
  host.Open(*main);
  host.Advance(2000);
  std::vector<uint16_t> record(static_cast<size_t>(RecordSize(kGw) / 2), 0);
  main->project().SetEntry(0, kGw, record);
  DongleLink& dongle = main->dongle();
  dongle.SetMirror(DongleLink::kRegHeardList, 1);
  dongle.SetMirror(DongleLink::kRegHeardList + 1, static_cast<uint16_t>(kGw));
  dongle.SetMirror(DongleLink::kRegHeardList + 2, static_cast<uint16_t>(kGw >> 16));

  CGatewayV400Dlg gw(DeviceDialogContext{host, kGw, 0, main->project(), 0},
                     devices::DeviceServices{.queues = main->queues(),
                                             .log = main->device_log(),
                                             .heard = main->heard_frames(),
                                             .dongle = main->dongle(),
                                             .firmware_update = {},
                                             .export_words = {},
                                             .import_words = {},
                                             .send_message = {}},
                     main->opener());
  TimedPort timed(gw, host);
  if (!main->dialog_slots().Occupy(DialogClass::kGatewayV400, &timed)) {
    std::fprintf(stderr, "no slot for the gateway window\n");
    return 1;
  }
  host.Open(gw);
  host.Advance(500);

  // The read.
  timed.blocks.clear();
  const int requests_before = sim.requests_to_gateway;
  const int answers_before = sim.answers_from_gateway;
  const int out_before = transport.reports_out;
  const uint64_t in_before = sim.reports_to_host();
  const int64_t start = host.now_ms();
  host.Click(gw, ui::kGwRead);
  const bool done =
      host.AdvanceUntil([&] { return gw.pending() != Pending::kRead; }, 60000);
  const int64_t read_ms = host.now_ms() - start;
  const int requests = sim.requests_to_gateway - requests_before;
  const int answers = sim.answers_from_gateway - answers_before;
  const int reports_out = transport.reports_out - out_before;
  const uint64_t reports_in = sim.reports_to_host() - in_before;
  const std::vector<Block> read_blocks = timed.blocks;
  const bool complete = done && gw.pending_reads() == 0 && gw.source() == ui::SourceState::kDevice;

  std::printf(
      "read: %s, %lld ms, %d requests to the gateway (%d answers), %zu blocks, "
      "USB %d reports out / %llu in\n",
      complete ? "complete" : "NOT complete", static_cast<long long>(read_ms), requests, answers,
      read_blocks.size(), reports_out, static_cast<unsigned long long>(reports_in));
  if (list_blocks) {
    int64_t previous = start;
    for (const Block& b : read_blocks) {
      std::printf("  block %5d+%-3d at +%5lld ms (%+lld)\n", b.first, b.count,
                  static_cast<long long>(b.at_ms - start),
                  static_cast<long long>(b.at_ms - previous));
      previous = b.at_ms;
    }
  }

  // Each request alone on the idle link.
  host.Advance(3000);
  int64_t bound_ms = 0;
  int64_t full_rtt = 0;
  std::printf("round trips alone:");
  for (const Block& b : read_blocks) {
    timed.blocks.clear();
    const int64_t sent = host.now_ms();
    main->queues().QueueRead(0, kGw, static_cast<uint16_t>(b.first), b.count, 0, false);
    if (!host.AdvanceUntil([&] { return !timed.blocks.empty(); }, 5000)) {
      std::printf(" [%d+%d: no answer]", b.first, b.count);
      continue;
    }
    const int64_t rtt = timed.blocks.front().at_ms - sent;
    std::printf(" %d", static_cast<int>(rtt));
    bound_ms += rtt;
    if (b.count == 250) full_rtt = rtt;
    host.Advance(200);
  }
  std::printf(" ms\n");
  const double ratio = bound_ms > 0 ? static_cast<double>(read_ms) / bound_ms : 0.0;
  std::printf(
      "read_ms=%lld requests=%d bound_ms=%lld ratio=%.3f (target <= 1.1: %s) "
      "bound_full_ms=%lld (%d x %lld ms)\n",
      static_cast<long long>(read_ms), requests, static_cast<long long>(bound_ms), ratio,
      ratio > 0 && ratio <= 1.1 ? "met" : "MISSED", static_cast<long long>(requests * full_rtt),
      requests, static_cast<long long>(full_rtt));
  std::printf("protocol violations: %d\n", static_cast<int>(sim.checker().count()));

  main->dialog_slots().Release(&timed);
  host.Forget(gw);
  host.Forget(*main);
  return complete ? 0 : 1;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  const bool list_blocks = argc > 1 && std::strcmp(argv[1], "--blocks") == 0;
  return corvane::Run(list_blocks);
}

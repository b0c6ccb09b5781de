// A firmware update of a 128 KiB image to a node the dongle reaches directly, over the
// simulated USB link (one report per millisecond each way) with no radio latency or air time,
// in virtual time. The USB link is the only thing that should take time: each block is one
// acknowledged long transfer of 11 reports (start, 9 fragments of the 528-byte wrapped block,
// end), so the bound is the number of reports the tool sends x 1 ms. Counters:
//   write_ms          virtual time from the bootloader check to the last acknowledgement
//   reports_out       reports the tool sent in that time (the three check reads, every block
//                     and the final start command)
//   bound_ms          reports_out x 1 ms
//   ratio             write_ms / bound_ms (target: at most 1.10)
//   gap_ms_per_block  (write_ms - bound_ms) / blocks: the time per block the out-pipe is idle
//   update_ms         the whole update, from "Firmware Update" to the new version read back
// Each block waits for its acknowledgement, and the sender's transfer slot for the dongle's
// MSG_XFER_STATUS, before the next block may start. The status leaves the dongle 1 ms after
// the block's end report reached it, and the acknowledgement (no radio time here) rides in
// the same report, so the next block's first report reaches the dongle 2 ms after the last
// one: a gap of 1 ms per block on the out-pipe that the protocol itself sets (12 ms per 11
// reports, a ratio of 1.09), whatever the tool does.
// The benchmark's own time is the real CPU time of one whole update.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "firmware/fw_update_template.h"
#include "link/message_layer.h"
#include "sim/bootloader.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"
#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

constexpr RfAddress kNode = 0x00700502;
constexpr int kImageBytes = 128 * 1024;

class Sink : public ReportSink {
 public:
  void set_layer(MessageLayer* layer) { layer_ = layer; }
  void OnReport(const Report& report) override {
    layer_->ProcessBuffer(ADDR_DONGLE, report.data(), static_cast<int>(report.size()));
  }

 private:
  MessageLayer* layer_ = nullptr;
};

std::u16string WriteContainer(const sim::SimNode& node) {
  const std::vector<uint8_t> image = sim::MakeFirmwareImage(499, kImageBytes, 11);
  const uint8_t hw = static_cast<uint8_t>(node.registers()[6]);
  const std::vector<uint8_t> file =
      MakeContainer({node.registers()[5], hw, hw, 499}, std::span<const uint8_t>(image));
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "corvane_bench.bin";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return ui::Utf8ToUtf16(path.string());
}

void BM_FirmwareUpdate128KiB(benchmark::State& state) {
  double write_ms = 0;
  double reports_out = 0;
  double update_ms = 0;
  bool complete = true;
  for (auto _ : state) {
    sim::SimOptions options;
    options.usb_interval_ms = 1;
    options.usb_latency_ms = 1;
    options.radio_latency_ms = 0;
    options.air_time = false;
    sim::Simulator simulator(options);
    sim::SimNode& node = simulator.AddNode(kNode);
    node.set_status_period(0);
    const std::u16string path = WriteContainer(node);

    ui::TestHost host;
    // The network's clock keeps step with the host's every millisecond: a report the tool
    // sends must leave at the host's time, not at the time of the network's last event.
    host.AttachClock(
        [&] { return std::min<int64_t>(simulator.NextEventTime(), host.now_ms() + 1); },
        [&](int64_t t) { simulator.AdvanceTo(t); });
    sim::SimTransport transport(simulator);
    MessageLayer layer(transport);
    Sink sink;
    sink.set_layer(&layer);
    std::u16string identity;
    transport.Discover(identity);
    transport.Open(&sink);

    CFwUpdate dlg(host, layer, kNode, 0);
    host.Open(dlg);
    host.AdvanceUntil([&] { return dlg.missing() == 0; }, 5000);
    const int64_t start = host.now_ms();
    host.QueueFileResult(path);
    host.Click(dlg, ui::kFwUpdateStart);
    // From the bootloader check on: the reports of every block, block 0 included.
    host.AdvanceUntil([&] { return dlg.state() == CFwUpdate::State::kAwaitingBootloader; }, 5000);
    const int64_t first_block = host.now_ms();
    const uint64_t out_before = simulator.reports_from_host();
    host.AdvanceUntil([&] { return !host.boxes().empty(); }, 60000);
    const int64_t last_ack = host.now_ms();
    const uint64_t out_during = simulator.reports_from_host() - out_before;
    host.AdvanceUntil([&] { return dlg.app_version() == 499; }, 5000);
    complete = complete && dlg.Pos(ui::kFwUpdateProgress) == 100 && dlg.app_version() == 499 &&
               host.boxes().size() == 1 && simulator.checker().count() == 0;
    write_ms = static_cast<double>(last_ack - first_block);
    reports_out = static_cast<double>(out_during);
    update_ms = static_cast<double>(host.now_ms() - start);
  }
  if (!complete) state.SkipWithError("the update did not complete cleanly");
  state.counters["write_ms"] = write_ms;
  state.counters["reports_out"] = reports_out;
  state.counters["bound_ms"] = reports_out;
  state.counters["ratio"] = reports_out > 0 ? write_ms / reports_out : 0;
  state.counters["gap_ms_per_block"] = (write_ms - reports_out) / (kImageBytes / 512);
  state.counters["update_ms"] = update_ms;
}
BENCHMARK(BM_FirmwareUpdate128KiB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();

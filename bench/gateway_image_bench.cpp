// Cache placement and compression on a full gateway image: all 78 paired devices cached, with a
// mix of kept, overlapping, misplaced and new ranges, so every branch of the placement runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "gateway/gateway_report.h"
#include "model/gateway_image.h"

namespace corvane {
namespace {

GatewayImage FullImage() {
  GatewayImage image;
  for (int i = 0; i < GatewayImage::kDevices; ++i) {
    GwDeviceEntry e;
    e.address = 0x00300000u + static_cast<RfAddress>(i + 1);
    e.SetCached(true);
    e.SetMbCount(static_cast<uint16_t>(50 + (i * 37) % 150));
    // A new range, one kept or moved behind its predecessor, one below the area, one running
    // past the end.
    const uint16_t starts[] = {0, static_cast<uint16_t>(2034 + 180 * i), 100, 16300};
    e.mb_start = starts[i % 4];
    image.SetDevice(i, e);
    image.SetModbusAddress(i, static_cast<uint8_t>(i + 1));
  }
  return image;
}

// Placement of a fresh table followed by the collision check, as after the editor's OK. The
// timed loop includes restoring the 312 table words (well under a tenth of the total).
void BM_PlaceCache(benchmark::State& state) {
  GatewayImage image = FullImage();
  const std::vector<uint16_t> table(image.DeviceTable().begin(), image.DeviceTable().end());
  for (auto _ : state) {
    std::copy(table.begin(), table.end(), image.DeviceTable().begin());
    benchmark::DoNotOptimize(PlaceCache(image));
    benchmark::DoNotOptimize(FindModbusCollision(image));
  }
}
BENCHMARK(BM_PlaceCache)->Unit(benchmark::kMicrosecond);

void BM_PlaceCacheOnly(benchmark::State& state) {
  GatewayImage image = FullImage();
  PlaceCache(image);
  // A placed table placed again: the steady case after each editor OK.
  for (auto _ : state) benchmark::DoNotOptimize(PlaceCache(image));
}
BENCHMARK(BM_PlaceCacheOnly)->Unit(benchmark::kMicrosecond);

void BM_CompressCache(benchmark::State& state) {
  GatewayImage image = FullImage();
  for (auto _ : state) benchmark::DoNotOptimize(CompressCache(image));
}
BENCHMARK(BM_CompressCache)->Unit(benchmark::kMicrosecond);

void BM_ConvertPre400Image(benchmark::State& state) {
  GatewayImage old = FullImage();
  old.SetWord(GatewayImage::kRegVersion, 399);
  for (auto _ : state) {
    GatewayImage image = old;
    benchmark::DoNotOptimize(ConvertPre400Image(image.words()));
  }
}
BENCHMARK(BM_ConvertPre400Image)->Unit(benchmark::kMicrosecond);

// The way back, as when the 4.00 window finds the gateway runs older firmware.
void BM_ConvertToPre400Image(benchmark::State& state) {
  const GatewayImage full = FullImage();
  for (auto _ : state) {
    GatewayImage image = full;
    ConvertToPre400Image(image.words());
    benchmark::DoNotOptimize(image.words().data());
  }
}
BENCHMARK(BM_ConvertToPre400Image)->Unit(benchmark::kMicrosecond);

// "Create Report" on a full table: 78 paired and 200 unidirectional devices.
void BM_GatewayReportText(benchmark::State& state) {
  GatewayImage image = FullImage();
  PlaceCache(image);
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    GwUniEntry u;
    u.address = 0x00C00000u + static_cast<RfAddress>(i + 1);
    u.reg = {static_cast<uint16_t>(i % 7), static_cast<uint16_t>(0x8000 | (i % 5))};
    image.SetUniDevice(i, u);
  }
  size_t bytes = 0;
  for (auto _ : state) {
    const std::u16string text = GatewayReportText(image);
    bytes = text.size() * 2;
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["report_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GatewayReportText)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();

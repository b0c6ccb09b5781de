// Cache placement and compression on a full gateway image: all 78 paired devices cached, with a
// mix of kept, overlapping, misplaced and new ranges, so every branch of the placement runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

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

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();

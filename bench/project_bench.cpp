// Load and save of a full project: 512 gateway-type devices with their 39,236-byte records
// (about 20 MB). Timings through Google Benchmark; peak memory through project_memory.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "model/project.h"
#include "model/type_table.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

Project FullProject() {
  Project p;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    const RfAddress address = 0x00800000u + static_cast<RfAddress>(i + 1);
    std::vector<uint16_t> record(static_cast<size_t>(RecordSize(address)) / 2);
    for (size_t w = 0; w < record.size(); ++w) record[w] = static_cast<uint16_t>(w * 7 + i);
    p.SetEntry(i, address, std::move(record));
  }
  return p;
}

const fs::path& BenchFile() {
  static const fs::path path = fs::temp_directory_path() / "corvane_bench_project.cvp";
  return path;
}

void BM_SaveFullProject(benchmark::State& state) {
  const Project p = FullProject();
  for (auto _ : state) {
    if (!SaveProjectFile(BenchFile(), p).ok) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(BenchFile())));
}
BENCHMARK(BM_SaveFullProject)->Unit(benchmark::kMillisecond);

void BM_LoadFullProject(benchmark::State& state) {
  if (!SaveProjectFile(BenchFile(), FullProject()).ok) state.SkipWithError("save failed");
  Project p;
  for (auto _ : state) {
    if (LoadProjectFile(BenchFile(), p).status != ProjectLoadResult::Status::kOk) {
      state.SkipWithError("load failed");
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(BenchFile())));
}
BENCHMARK(BM_LoadFullProject)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();

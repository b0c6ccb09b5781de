// Peak memory of one project load or load-and-save, for /usr/bin/time -v or the VmHWM line this
// program prints itself:  project_memory make FILE | load FILE | save FILE
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "model/project.h"
#include "model/type_table.h"

namespace {

long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace corvane;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s make|load|save FILE\n", argv[0]);
    return 2;
  }
  const long baseline = PeakKiB();
  Project project;
  if (std::strcmp(argv[1], "make") == 0) {
    for (int i = 0; i < Project::kMaxDevices; ++i) {
      const RfAddress address = 0x00800000u + static_cast<RfAddress>(i + 1);
      project.SetEntry(i, address, std::vector<uint16_t>(RecordSize(address) / 2, 0x1234));
    }
  } else if (LoadProjectFile(argv[2], project).status != ProjectLoadResult::Status::kOk) {
    std::fprintf(stderr, "cannot load %s\n", argv[2]);
    return 1;
  }
  if (std::strcmp(argv[1], "load") != 0 && !SaveProjectFile(argv[2], project).ok) {
    std::fprintf(stderr, "cannot save %s\n", argv[2]);
    return 1;
  }
  std::printf("baseline %ld KiB, peak %ld KiB, growth %ld KiB\n", baseline, PeakKiB(),
              PeakKiB() - baseline);
  return 0;
}

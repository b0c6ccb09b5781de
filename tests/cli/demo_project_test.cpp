// The example project is the project of the simulated demo network: every device the simulator
// runs is in it, so a newcomer opening examples/demo-network.cvp with --simulate finds each one
// in the list, each with its whole record (a record stored shorter loads padded with zeros). With
// CORVANE_WRITE_DEMO_PROJECT=1 the test adds the devices the file lacks, with the configuration
// the simulated node starts with, and writes the file back with every record whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/project.h"
#include "model/type_table.h"
#include "sim/demo_network.h"
#include "sim/simulator.h"

namespace corvane {
namespace {

TEST(DemoProject, HoldsEveryDeviceOfTheDemoNetwork) {
  const std::string path = std::string(CORVANE_EXAMPLES_DIR) + "/demo-network.cvp";
  Project project;
  ASSERT_EQ(LoadProjectFile(path, project).status, ProjectLoadResult::Status::kOk);
  sim::Simulator simulator;
  sim::demo::Build(simulator);
  const bool write = std::getenv("CORVANE_WRITE_DEMO_PROJECT") != nullptr;
  int added = 0;
  for (const auto& node : simulator.nodes()) {
    const RfAddress address = node->address();
    if (project.Find(address) >= 0) continue;
    if (!write) {
      ADD_FAILURE() << "not in the example project: " << std::hex << address;
      continue;
    }
    const int entry = project.FirstFree();
    ASSERT_GE(entry, 0);
    const auto words = node->registers();
    const size_t record_words = static_cast<size_t>(RecordSize(address) / 2);
    std::vector<uint16_t> record(words.begin(),
                                 words.begin() + std::min(words.size(), record_words));
    record.resize(record_words, 0);
    project.SetEntry(entry, address, std::move(record));
    ++added;
  }
  // Every record whole: the file is as long as the project saves it after loading.
  const bool whole = std::filesystem::file_size(path) == SerializeProject(project).size();
  if (!write) {
    EXPECT_TRUE(whole) << "records stored shorter than their type";
  }
  if (write && (added > 0 || !whole)) {
    ASSERT_TRUE(SaveProjectFile(path, project).ok);
  }
}

}  // namespace
}  // namespace corvane

// Arbitrary bytes as a project file: no crash, no allocation beyond the file's own size plus one
// type-table record size per entry, and whatever loads saves and reloads to the same bytes.
#include <cstddef>
#include <cstdint>

#include "model/project.h"
#include "model/type_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using corvane::Project;
  Project project;
  const auto result = corvane::ParseProject({data, size}, project);
  if (result.status == corvane::ProjectLoadResult::Status::kTooShort) return 0;

  uint64_t held = 0;
  uint64_t allowance = size;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    held += 2 * project.Record(i).size();
    allowance += static_cast<uint64_t>(corvane::RecordSize(project.Address(i)));
  }
  if (held > allowance) __builtin_trap();

  const auto saved = corvane::SerializeProject(project);
  Project again;
  if (corvane::ParseProject(saved, again).status != corvane::ProjectLoadResult::Status::kOk) {
    __builtin_trap();
  }
  if (corvane::SerializeProject(again) != saved) __builtin_trap();
  return 0;
}

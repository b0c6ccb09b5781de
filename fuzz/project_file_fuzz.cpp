// Arbitrary bytes as a project file: no crash, no allocation beyond the file's own size plus one
// type-table record size per entry, and whatever loads saves and reloads to the same bytes. A
// gateway's record is then opened the way the gateway windows open it: converted when it holds
// the older layout, grown to the image, placed, checked for Modbus collisions and reported.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gateway/gateway_report.h"
#include "model/gateway_image.h"
#include "model/project.h"
#include "model/type_table.h"

namespace {

void OpenAsGateway(std::span<const uint16_t> record, bool older_window) {
  using corvane::GatewayImage;
  std::vector<uint16_t> blob(record.begin(), record.end());
  const bool older_layout = corvane::LayoutOf(blob) == corvane::GatewayLayout::kPre400;
  if (!older_window && older_layout) {
    if (blob.size() < static_cast<size_t>(GatewayImage::kWords)) blob.resize(GatewayImage::kWords);
    if (!corvane::ConvertPre400Image(blob)) __builtin_trap();
  }
  GatewayImage image(blob, older_window ? corvane::kPre400Map : corvane::kV400Map);
  (void)corvane::FindModbusCollision(image);
  (void)corvane::GatewayReportText(image);
  const std::vector<int> unfit = corvane::PlaceCache(image);
  for (size_t i = 0; i < unfit.size(); ++i) {
    if (unfit[i] < 0 || unfit[i] >= image.map().devices) __builtin_trap();
    if (i > 0 && unfit[i] <= unfit[i - 1]) __builtin_trap();
  }
  if (!corvane::PlaceCache(image).empty()) __builtin_trap();
  (void)corvane::CompressCache(image);
  if (!older_window) {
    // The way back, as the window does it for a gateway that turns out to run older firmware.
    corvane::ConvertToPre400Image(image.words());
    (void)corvane::GatewayReportText(GatewayImage(image.words(), corvane::kPre400Map));
  }
}

}  // namespace

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

  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (!project.HasRecord(i)) continue;
    switch (corvane::DialogFor(project.Address(i), project.Record(i))) {
      case corvane::DialogClass::kGateway:
        OpenAsGateway(project.Record(i), true);
        break;
      case corvane::DialogClass::kGatewayV400:
        OpenAsGateway(project.Record(i), false);
        break;
      default:
        break;
    }
  }
  return 0;
}

// The ballast telemetry block a street-light node reports, decoded and written as the dialog's
// report: arbitrary words, blocks of any length (a short one reads as zeros).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lighting/ballast_report.h"

namespace {

using namespace corvane::lighting;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Bytes of the block no field uses: the encoder leaves them zero.
constexpr std::array<int, 5> kUnusedBytes = {6, 7, 31, 58, 59};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly sized: a read past the block the node sent must trip ASan.
  std::vector<uint16_t> block(size / 2);
  for (size_t i = 0; i < block.size(); ++i) {
    block[i] = static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  const BallastData d = DecodeBallast(block);

  // Every field comes from its own bytes: encoding gives the block back, unused bytes cleared
  // and missing words as zeros.
  std::vector<uint16_t> expected(kBallastBlockWords, 0);
  std::copy_n(block.begin(), std::min<size_t>(block.size(), kBallastBlockWords), expected.begin());
  for (int b : kUnusedBytes) {
    expected[static_cast<size_t>(b / 2)] &= static_cast<uint16_t>(b % 2 ? 0x00FF : 0xFF00);
  }
  std::vector<uint16_t> again(kBallastBlockWords, 0xFFFF);
  EncodeBallast(d, again);
  Check(again == expected);

  // The report has its 23 lines whatever the values (NaN and huge powers included).
  const std::u16string report = BallastReport(d);
  Check(std::count(report.begin(), report.end(), u'\n') == 23);
  Check(std::count(report.begin(), report.end(), u'\r') == 23);
  Check(report.find(u'\0') == std::u16string::npos);
  return 0;
}

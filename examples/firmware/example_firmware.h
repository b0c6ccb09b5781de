// The firmware containers in examples/firmware, as data: which simulated device each is for and
// what it carries. The files are made from this table with the program's own container code and
// the simulator's image format, so the bytes are the same on every machine; the firmware tests
// check that the files in the tree are exactly these and regenerate them on request
// (CORVANE_WRITE_EXAMPLE_FIRMWARE=1, see examples/firmware/README.md).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "firmware/container.h"
#include "model/rf_address.h"
#include "sim/bootloader.h"
#include "sim/demo_network.h"

namespace corvane::examples {

struct ExampleFirmware {
  std::string_view file;  // in examples/firmware
  RfAddress device;       // the demo device it is made for (ADDR_DONGLE for the dongle)
  uint16_t device_id;     // what that device reports in register 5
  uint8_t hardware_low;
  uint8_t hardware_high;
  uint16_t version;  // x 100, in the header and in the image (what the device reports after)
  int image_bytes;
  uint64_t seed;  // filler of the image
};

// The input nodes, whose configuration windows have a "FW Update" button, and the dongle. The
// Quadrel-B ("Stair lights") is mains powered and answers at once, so it also has an older
// version for trying the downgrade question. The simulated devices run 4.02, the dongle 4.10.
inline constexpr std::array<ExampleFirmware, 6> kExampleFirmware = {{
    {"quadrel-a_4.10.bin", sim::demo::kGatewayInput, 1115, 103, 103, 410, 16 * 1024, 1},
    {"quadrel-x_4.10.bin", sim::demo::kInputX, 1115, 111, 111, 410, 16 * 1024, 2},
    {"klavet_4.10.bin", sim::demo::kKeypad, 1115, 114, 114, 410, 16 * 1024, 3},
    {"quadrel-b_4.10.bin", sim::demo::kInputB, 1268, 120, 120, 410, 16 * 1024, 4},
    {"quadrel-b_3.90.bin", sim::demo::kInputB, 1268, 120, 120, 390, 16 * 1024, 5},
    {"dongle_4.12.bin", ADDR_DONGLE, 0x0FFF, 3, 3, 412, 16 * 1024, 6},
}};

// The whole file: a 512-byte header with its check value, then an image the simulated
// bootloader starts (its tag and version first, the rest filler).
inline std::vector<uint8_t> BuildExampleFirmware(const ExampleFirmware& example) {
  const ContainerHeader header{example.device_id, example.hardware_low, example.hardware_high,
                               example.version};
  return MakeContainer(header,
                       sim::MakeFirmwareImage(example.version, example.image_bytes, example.seed));
}

}  // namespace corvane::examples

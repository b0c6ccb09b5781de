// "Create Report": a plain-text overview of a gateway's Modbus register assignment, written to
// REPORT/Gatrix_report.txt and opened with the system's viewer. Which Modbus address and which
// gateway register each paired device uses, and into which gateway registers the two registers
// of each unidirectional device are captured. Register numbers are 1-based, as the Modbus map
// files count them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/gateway_image.h"
#include "model/rf_address.h"
#include "ui/dialog.h"

namespace corvane {

// One paired device as the first section lists it. The fan-coil controller reports its routed
// devices through the same section.
struct ReportDevice {
  RfAddress address = 0;  // 0 = free entry, not listed
  uint8_t modbus = 0;     // Modbus slave address
  bool cached = false;
  uint16_t mb_start = 0;  // first cache register (0-based) when cached
};

// The headings of the paired-device section and one line per entry with an address. A cached
// entry names device register 1 and gateway register MB_start + 1; with `uncached_blank` an
// uncached entry leaves both columns blank (it has no copy in the gateway), otherwise every
// entry is listed in the cached form.
std::u16string BidirectionalReportText(std::span<const ReportDevice> devices,
                                       bool uncached_blank = true);

// The whole report of the image in its own layout: the paired devices, then the captured
// registers of the unidirectional devices.
std::u16string GatewayReportText(const GatewayImage& image);

// Writes `text` to REPORT/Gatrix_report.txt (replacing an older report) and opens it. A missing
// folder is reported and the file tried all the same; a file that cannot be created or written
// is reported and not opened.
void WriteReport(ui::Dialog& owner, std::u16string_view text);

}  // namespace corvane

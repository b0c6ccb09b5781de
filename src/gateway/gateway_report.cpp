#include "gateway/gateway_report.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#include "model/user_file.h"
#include "ui/text.h"

namespace corvane {
namespace {

constexpr char16_t kRule[] = u"===========================================\r\n";
constexpr char16_t kDashes[] = u"-------------------------------------------\r\n";

void Heading(std::u16string& out, std::u16string_view title, std::u16string_view columns) {
  out += u"\r\n\r\n";
  out += kRule;
  out += title;
  out += kRule;
  out += u"\r\n";
  out += columns;
  out += kDashes;
}

}  // namespace

std::u16string BidirectionalReportText(std::span<const ReportDevice> devices, bool uncached_blank) {
  std::u16string out;
  Heading(out, u"Bidirectional devices\r\n", u"address    | MB addr | device reg | GW reg\r\n");
  for (const ReportDevice& d : devices) {
    if (d.address == 0) continue;
    if (d.cached || !uncached_blank) {
      ui::AppendFormat(out, "0x%08X | %3d     | 1          | %d\r\n", d.address, d.modbus,
                       d.mb_start + 1);
    } else {
      ui::AppendFormat(out, "0x%08X | %3d     |            |   \r\n", d.address, d.modbus);
    }
  }
  return out;
}

std::u16string GatewayReportText(const GatewayImage& image) {
  const GatewayMap& map = image.map();
  std::vector<ReportDevice> devices;
  devices.reserve(static_cast<size_t>(map.devices));
  for (int i = 0; i < map.devices; ++i) {
    const GwDeviceEntry e = image.Device(i);
    devices.push_back({e.address, image.ModbusAddress(i), e.Cached(), e.mb_start});
  }
  std::u16string out = BidirectionalReportText(devices, true);

  Heading(out, u"Unidirectional devices - captured registers\r\n",
          u"address    | device register  | GW register\r\n");
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    const GwUniEntry u = image.UniDevice(i);
    if (u.address == 0) continue;
    for (int which = 0; which < 2; ++which) {
      // The gateway register numbered from 1, as the Modbus side counts it.
      const int gw_register = map.reg_captured + 2 * i + which + 1;
      ui::AppendFormat(out, "0x%08X | %03d              | %d\r\n", u.address, u.Register(which) + 1,
                       gw_register);
    }
  }
  return out;
}

void WriteReport(ui::Dialog& owner, std::u16string_view text) {
  if (!CreateOutputFolder("REPORT")) owner.MessageBox(u"Not possible to create folder \\REPORT");
  const std::filesystem::path path = std::filesystem::path("REPORT") / "Gatrix_report.txt";
  ui::Utf16File file;
  if (const int cause = file.Open(path, ui::Utf16File::Mode::kReplace); cause != 0) {
    owner.MessageBox(ui::Format("File could not be opened %d", cause));
    return;
  }
  errno = 0;
  if (!file.Write(text)) {
    // A report cut short by a full disk would look complete in the viewer: say so instead.
    const int cause = errno != 0 ? errno : EIO;
    file.Close();
    owner.MessageBox(ui::Format("File could not be opened %d", cause));
    return;
  }
  file.Close();
  // The full path: it is what a message names when no program can show the file.
  std::error_code ec;
  const std::filesystem::path shown = std::filesystem::absolute(path, ec);
  owner.host().ShellOpen((ec ? path : shown).u16string());
}

}  // namespace corvane

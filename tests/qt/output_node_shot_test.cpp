// The output-node dialog and a link dialog as a Duplon-A shows them from a plausible record:
// every control clear of its neighbours, and screenshots in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "device_shot.h"
#include "devices/output_node_dlg.h"
#include "devices/output_node_template.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;
using namespace corvane::devices::output_word;

constexpr RfAddress kNode = 0x00700502;
constexpr RfAddress kKeypad = 0x00E00602;
constexpr RfAddress kClimate = 0x00A00604;
constexpr RfAddress kRoomUnit = 0x00200608;

// The blinds node of a site: the keypad drives the blinds, the climate sensor the vent.
std::vector<uint16_t> BlindsRecord() {
  std::vector<uint16_t> r(158, 0);
  r[0] = 1305;
  r[1] = 400;
  r[5] = 1147;
  r[6] = 11;
  StoreLowBytes(u"Blinds", std::span<uint16_t>(r).subspan(8, 8));
  StoreLowBytes(u"TARVELONIX4817QD", std::span<uint16_t>(r).subspan(18, 8));
  r[26] = 3 | 2 << 8;
  r[kUptime] = 0x5A3C;
  r[kUptime + 1] = 0x0002;
  r[kBackgroundRssi] = static_cast<uint8_t>(-93);
  r[kOutputState] = 0x0200;
  r[kRssiFirst] = static_cast<uint8_t>(-58) | static_cast<uint8_t>(-71) << 8;
  r[kRssiFirst + 1] = static_cast<uint8_t>(-66);
  SetEntryAddress(r, 0, kKeypad);
  SetEntryLink(r, 0, 0, 0x71);
  SetEntryLink(r, 0, 1, 0x72);
  SetEntryAddress(r, 1, kClimate);
  SetEntryLink(r, 1, 3, 0x89);
  SetEntryAddress(r, 2, kRoomUnit);
  SetEntryLink(r, 2, 2, 0x89);
  r[kOutput1] = 0x5019;        // Jalousie, 2.5 s
  r[kOutput2] = 0x6000 | 600;  // PWM, 60.0 s
  r[kPressTimes] = 10 | 30 << 8;
  r[kCommand] = 50;
  r[kHysteresis] = 50;
  r[kThresholdOn] = 1000;
  r[kThresholdOff] = 800;
  r[kRhOn] = 6500;
  r[kRhOff] = 5500;
  r[kLiveFirst + 6] = 2137;      // control device 2: 21.37 degrees
  r[kLiveFirst + 6 + 3] = 4812;  // 48.12 %
  r[kExtInput] = 1;
  r[kCounter] = 342;
  r[kBlockTime] = 300;
  r[kBlockOptions] = 0x02;
  r[kWord157] = 40;
  return r;
}

// The blinds node with its control devices in the project.
class OutputNodeShot : public DeviceShot {
 protected:
  OutputNodeShot() {
    AddHeardDevice(kNode, BlindsRecord());
    Project& p = main_->project();
    p.SetEntry(1, kKeypad, std::vector<uint16_t>(59, 0));
    p.SetEntry(2, kClimate, std::vector<uint16_t>(98, 0));
    p.SetEntry(3, kRoomUnit, std::vector<uint16_t>(190, 0));
  }
};

TEST_F(OutputNodeShot, OutputNodeIsTidyAndSaved) {
  COutputNodeDlg dlg(DeviceDialogContext{host_, kNode, 0, main_->project(), 0}, Services());
  const QString path = ShowCheckAndGrab(host_, dlg, "output-node-dialog");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(dlg.Text(kOutPwmPeriod), u"60.0");
  const QImage image(path);
  EXPECT_LE(image.width(), 1366);
  EXPECT_LE(image.height(), 768);
  host_.HideModeless(dlg);
}

TEST_F(OutputNodeShot, OutputRoomLinkIsTidyAndSaved) {
  std::vector<uint16_t> record = BlindsRecord();
  OutputLinkDialog link(OutputLinkDialog::Kind::kRoom, host_, record, 2, main_->project(), kNode,
                        false, {});
  EXPECT_FALSE(ShowCheckAndGrab(host_, link, "output-link-dialog").isEmpty());
  EXPECT_EQ(link.Text(LinkId(kLinkOnCaption0, 2)), u"CO2 >= 1000 ppm");
  host_.HideModeless(link);
}

}  // namespace
}  // namespace corvane::ui

// The street-light dialog as a node in a Prague street shows it after a read: every control
// clear of its neighbours, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <bit>
#include <vector>

#include "device_shot.h"
#include "lighting/street_light_dlg.h"
#include "lighting/street_light_template.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;
using namespace corvane::lighting;
using namespace corvane::lighting::sl_word;

constexpr RfAddress kNode = 0x00900301;
constexpr RfAddress kKeypad = 0x00E00602;
constexpr RfAddress kFar = 0x00900302;
constexpr RfAddress kInput = 0x01400603;

void Put32(std::vector<uint16_t>& r, int w, uint32_t v) {
  r[static_cast<size_t>(w)] = static_cast<uint16_t>(v);
  r[static_cast<size_t>(w + 1)] = static_cast<uint16_t>(v >> 16);
}

class StreetLightShot : public DeviceShot {
 protected:
  StreetLightShot() {
    AddHeardDevice(kNode, StreetRecord());
    Project& p = main_->project();
    p.SetEntry(1, kKeypad, std::vector<uint16_t>(59, 0));
  }
  static std::vector<uint16_t> StreetRecord();
};

std::vector<uint16_t> StreetLightShot::StreetRecord() {
  std::vector<uint16_t> r =
      SiteRecord(kStreetLightWords, 61470, 1164, u"Vinohradska 12", 7, 3 | 1 << 8, 41);
  r[30] = static_cast<uint8_t>(-94);
  r[kSystemMode] = 1;
  r[kCpuTemp] = 3712;
  Put32(r, kGwAddress, 0x00800101);
  r[kReadPeriod] = 15 | 1 << 8;
  r[kRefFirst + 2] = 1000;
  r[kActFirst] = 12;
  r[kActFirst + 1] = static_cast<uint16_t>(-8);
  r[kActFirst + 2] = 996;
  r[kAngle] = 1;
  r[kClock] = 26 | 3 << 8;
  r[kClock + 1] = 9 | 21 << 8;
  r[kClock + 2] = 14 | 5 << 8;
  r[kCalibration] = 0;
  r[kLevel1] = 254;
  r[kLevel2] = 0;
  r[kStep] = 5 | 160 << 8;
  Put32(r, kResponse, 0x000000FE);
  Put32(r, kDaliCommand, 0x0001FF05);
  Put32(r, kLongitude, std::bit_cast<uint32_t>(14.433271f));
  Put32(r, kLatitude, std::bit_cast<uint32_t>(50.069817f));
  r[kTimeShift] = 1;
  const uint16_t schedule[14] = {5 * 60 | 0xC000,
                                 254 << 8,
                                 5 * 60 + 30,
                                 178,
                                 10 * 60,
                                 0,
                                 16 * 60,
                                 178,
                                 21 * 60,
                                 254,
                                 (22 * 60 + 30) | 0xC000,
                                 254,
                                 23 * 60,
                                 254 << 8};
  std::copy(std::begin(schedule), std::end(schedule), r.begin() + kSchedule);
  r[kSunrise] = 6 * 60 + 9;
  r[kSunset] = 17 * 60 + 52;
  Put32(r, kUnixTime, 1773086705);
  r[kGwTimeout] = 600;
  Put32(r, kRoutedFirst, kFar);
  r[kRoutedFirst + 2] = 3;
  Put32(r, kRoutedFirst + 4, kInput);
  r[kRoutedFirst + 6] = 3;
  Put32(r, kRoutedStatus, 1773086640);
  r[kRoutedStatus + 4] = static_cast<uint8_t>(-78) | static_cast<uint8_t>(-81) << 8;
  Put32(r, kRoutedStatus + 6, 1773086690);
  r[kRoutedStatus + 10] = static_cast<uint8_t>(-66) | static_cast<uint8_t>(-69) << 8;
  Put32(r, 80, kKeypad);
  r[82] = 1 | 2 << 8;
  r[83] = 3 | 4 << 8;
  Put32(r, kControlStatus, 1773086512);
  r[kControlStatus + 4] = static_cast<uint8_t>(-61) | static_cast<uint8_t>(-64) << 8;
  r[kRisingEdge] = 38;
  r[kFallingEdge] = 21;
  r[kGwSignal] = static_cast<uint8_t>(-71) | static_cast<uint8_t>(-74) << 8;
  r[kPcSignal] = static_cast<uint8_t>(-60) | static_cast<uint8_t>(-63) << 8;
  StoreLowBytes(u"Mast 12, cabinet B", std::span<uint16_t>(r).subspan(kFreeField, 32));
  r[kPirLevels] = 254;
  r[kPirDelay] = 20;
  r[kPirFades] = 5 | 5 << 8;
  r[kExternalPir] = 8;
  r[kPirStates] = 2 | 2 << 8;
  r[kPirState2] = 254 << 8;
  r[kAmbientLight] = 3;
  r[kPirTimeout] = 80;
  r[kBankOk] = 0x0412;
  return r;
}

TEST_F(StreetLightShot, StreetLightIsTidyAndSaved) {
  CStreetLightDlg dlg(DeviceDialogContext{host_, kNode, 0, main_->project(), 0}, Services(),
                      main_->opener());
  const QString path = ShowCheckAndGrab(host_, dlg, "street-light-dialog");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(dlg.unknown_id_uses(), 0);
  EXPECT_EQ(dlg.Text(kSlSunset), u"17:52");
  // An installer's laptop has 1366 x 768 pixels: the window and its title bar must fit.
  const QImage image(path);
  EXPECT_LE(image.width(), 1360);
  EXPECT_LE(image.height(), 720);
  host_.HideModeless(dlg);
}

}  // namespace
}  // namespace corvane::ui

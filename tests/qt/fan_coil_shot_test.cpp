// The fan-coil window, the real dialog class opened on a project record as a site holds it after
// a read (a 4-pipe unit heating a room, two paired room units, one cached): every control clear
// of its neighbours, within a 1366 x 768 screen, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>

#include "device_shot.h"
#include "gateway/fan_coil_dlg.h"
#include "model/fan_coil_image.h"

namespace corvane::ui {
namespace {

using F = FanCoilImage;

class FanCoilShot : public DeviceShot {};

TEST_F(FanCoilShot, FanCoilFitsTheScreenAndIsSaved) {
  constexpr RfAddress kAddress = 0x00100201;
  std::vector<uint16_t> header =
      SiteRecord(F::kWords, 1292, 1109, u"Office 3.12 FC", 7, 0x0100, 41);  // +14dBm
  F g(header);
  g.SetWord(F::kRegVersion, 312);
  g.SetWord(F::kRegModbusLine, 0x1103);
  g.SetWord(F::kRegIndicators, 0);
  g.SetU32(F::kRegOwnAddress, kAddress);
  g.SetWord(F::kRegOptions, 0x0001);
  g.SetClock({26, 12, 9, 14, 5, 31, 1, 0});
  g.SetUnixTime(1796652331);
  g.SetWord(F::kRegRegulator, F::kFourPipes | F::kValveExercise | F::kRegulationOn);
  g.SetWord(F::kRegPBand, 20);
  g.SetWord(F::kRegIConst, 1800);
  g.SetWord(F::kRegDConst, 0);
  g.SetWord(F::kRegFanMode, 1);
  g.SetWord(F::kRegDiOptions, 0x0003);
  g.SetWord(F::kRegChangeOver, 30);
  g.SetWord(F::kRegManual, 0x0100 | F::kManualSetpoints);
  g.SetWord(F::kRegManualOutputs, 0);
  g.SetWord(F::kRegActualTemp, 2047);
  g.SetWord(F::kRegSetpointHeat, 2150);
  g.SetWord(F::kRegSetpointCool, 2500);
  g.SetWord(F::kRegRfInputs, 2);
  g.SetWord(F::kRegRoomInputs, 0x05);
  g.SetWord(F::kRegOutputPins, 0x09);
  g.SetWord(F::kRegPidOutputs, 52);
  g.SetWord(F::kRegPidFan, 52);
  g.SetWord(F::kRegCpuTemperature, 3488);
  g.SetWord(F::kRegPwmHeat, 520);
  const RfAddress units[] = {0x01100202, 0x00200203};
  const int lengths[] = {78, 190};
  for (int i = 0; i < 2; ++i) {
    GwDeviceEntry e{.address = units[i]};
    e.SetPriority(3);
    e.SetMbCount(static_cast<uint16_t>(lengths[i]));
    e.SetCached(i == 0);
    if (i == 0) e.mb_start = F::kRegCacheFirst;
    g.SetDevice(i, e);
    g.SetModbusAddress(i, static_cast<uint8_t>(2 + i));
    g.SetInputNumber(i, static_cast<uint8_t>(1 + i));
    const int s = F::kRegDeviceStatus + 6 * i;
    g.SetU32(s, 1796652000 + 67 * static_cast<uint32_t>(i));
    g.SetWord(s + 4, static_cast<uint16_t>(static_cast<uint8_t>(-61 - 3 * i) << 8));
    g.SetWord(s + 5, static_cast<uint8_t>(-64 - 2 * i));
  }
  AddHeardDevice(kAddress, {g.words().begin(), g.words().end()});
  CFanCoilDlg dialog(DeviceDialogContext{host_, kAddress, 0, main_->project(), 0}, Services(),
                     main_->opener());
  const QString path = ShowCheckAndGrab(host_, dialog, "fan-coil-dialog");
  EXPECT_EQ(dialog.unknown_id_uses(), 0);
  host_.Forget(dialog);
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  // An installer's 1366 x 768 laptop, with room left for the window's frame.
  EXPECT_LE(image.width(), 1360);
  EXPECT_LE(image.height(), 720);
}

}  // namespace
}  // namespace corvane::ui

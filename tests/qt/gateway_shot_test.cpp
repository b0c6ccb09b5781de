// The gateway configuration window after a read of an installed gateway, with both device lists
// filled as the window fills them: tidy, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>

#include "gateway/gateway_dlg.h"
#include "gateway/gateway_template.h"
#include "model/radio_settings.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/dialog.h"
#include "ui/qt/qt_host.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

// A gateway with a dozen paired devices (most cached, two through a hub) and a few meters.
GatewayImage InstalledImage() {
  GatewayImage g;
  const RfAddress paired[] = {0x00300102, 0x00A00103, 0x00700104, 0x01700114,
                              0x00B00115, 0x00F00116, 0x01200117, 0x00D00118,
                              0x00500119, 0x0140011A, 0x0020011B, 0x0110011C};
  const int lengths[] = {59, 40, 158, 158, 59, 40, 0, 98, 158, 59, 120, 78};
  const uint32_t noon = 1796644800;  // 2026-12-09 12:00:00 UTC
  int next = GatewayImage::kRegCacheFirst;
  for (int i = 0; i < 12; ++i) {
    GwDeviceEntry e{.address = paired[i]};
    e.SetPriority(3);
    e.SetMbCount(static_cast<uint16_t>(lengths[i]));
    if (lengths[i] > 0 && i != 2 && i != 3) {
      e.SetCached(true);
      e.mb_start = static_cast<uint16_t>(next);
      next += lengths[i];
    }
    g.SetDevice(i, e);
    g.SetModbusAddress(i, static_cast<uint8_t>(20 + i));
    const int status = GatewayImage::kRegDeviceStatus + 6 * i;
    g.SetU32(status, noon + 97 * static_cast<uint32_t>(i));
    g.SetU32(status + 2, i >= 10 ? 0x01700114u : 0u);
    g.SetWord(status + 4, static_cast<uint16_t>(static_cast<uint8_t>(-58 - 2 * i) << 8));
    g.SetWord(status + 5, static_cast<uint8_t>(-61 - i));
  }
  const RfAddress meters[] = {0x00C00106, 0x01300107, 0x00C0011E, 0x00C0011F, 0x01300120};
  for (int i = 0; i < 5; ++i) {
    GwUniEntry u{.address = meters[i]};
    u.reg = {static_cast<uint16_t>(i >= 2 ? 0x8000 : 0), 2};
    g.SetUniDevice(i, u);
    const int status = GatewayImage::kRegUniStatus + 4 * i;
    g.SetU32(status, noon + 311 * static_cast<uint32_t>(i));
    g.SetWord(status + 2, static_cast<uint8_t>(-77 + i));
  }
  return g;
}

// The controls as the window shows them after a read.
class FilledGateway : public Dialog {
 public:
  explicit FilledGateway(Host& host) : Dialog(GatewayV400Template(), host) {}

 protected:
  void OnInit() override {
    SetTitle(u"Configuration Gatrix-xx 0x00800101 8388865 Plant room");
    for (std::u16string_view name : kFrequencyNames) AddString(kGwFrequency, name);
    for (size_t code = 1; code < kGwRfPowerNames.size(); ++code) {
      AddString(kGwRfPower, kGwRfPowerNames[code]);
    }
    SetCurSel(kGwFrequency, 0);
    SetCurSel(kGwRfPower, 1);
    SetText(kGwName, u"Plant room");
    SetText(kGwPassword, u"TARVELONIX4817QD");
    SetText(kGwDeviceId, u"1141");
    SetText(kGwHwNum, u"12");
    SetText(kGwFwNum, u"4.10");
    SetText(kGwOwnAddress, u"0x00800101");
    SetText(kGwKey, u"2B 7E 15 16 28 AE D2 A6 AB F7 15 88 09 CF 4F 3C ");
    SetText(kGwAlarmLostTimeout, u"3600");
    SetText(kGwRssi, u"-54 dBm");
    SetText(kGwRxRssi, u"-57 dBm");
    SetText(kGwBackgroundRssi, u"-104 dBm");
    SetText(kGwRfReinits, u"3");
    SetText(kGwModbusAddress, u"1");
    SetCurSel(kGwBaudrate, 3);
    SetCurSel(kGwParity, 0);
    SetCurSel(kGwStopBits, 0);
    SetCheck(kGwSystemMode, true);
    SetSource(kGwSource, SourceState::kDevice);
    SetText(kGwPrg, u"");
    SetText(kGwOut, u"OUT");
    SetText(kGwLastComm, u"13:00:07");
    SetText(kGwUptime, u"1987654 s");
    SetText(kGwEepromWrites, u"212");
    SetText(kGwCpuTemperature, u"31.25");
    SetText(kGwUnixTime, u"1796648407");
    SetDate(kGwDate, {2026, 12, 9});
    SetTime(kGwTime, {14, 0, 7});
    for (int id : {kGwCreateReport, kGwUniMonitor, kGwConfigBridge}) Enable(id, false);
    const GatewayImage g = InstalledImage();
    SetRowCount(kGwDevices, GatewayImage::kDevices);
    for (int i = 0; i < GatewayImage::kDevices; ++i) {
      const auto row = GwDeviceRow(g, i);
      for (int c = 0; c < kGwDeviceColumns; ++c) SetCell(kGwDevices, i, c, row[c]);
    }
    SetRowCount(kGwUniDevices, GatewayImage::kUniDevices);
    for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
      const auto row = GwUniRow(g, i);
      for (int c = 0; c < kGwUniColumns; ++c) SetCell(kGwUniDevices, i, c, row[c]);
    }
  }
};

TEST(QtScreenshot, GatewayIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledGateway dlg(host);
  const QString path = ShowCheckAndGrab(host, dlg, "gateway-dialog");
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  EXPECT_GE(image.width(), 900);
  EXPECT_GE(image.height(), 500);
}

}  // namespace
}  // namespace corvane::ui

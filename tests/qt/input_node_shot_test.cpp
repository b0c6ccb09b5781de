// The input-node dialogs' windows as a Quadrel-X and a Quadrel-B show them after a read: every
// control clear of its neighbours, and a screenshot in the build tree.
#include <gtest/gtest.h>

#include <QImage>

#include "devices/input_node_template.h"
#include "model/radio_settings.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/dialog.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

// The controls filled as the dialog fills them from a record read from the device.
class FilledInputNode : public Dialog {
 public:
  FilledInputNode(Host& host, bool b_node)
      : Dialog(b_node ? InputNodeBTemplate() : InputNodeTemplate(), host), b_node_(b_node) {}

 protected:
  void OnInit() override {
    SetTitle(b_node_ ? u"Configuration Quadrel-B 0x01400603 20972035 "
                     : u"Configuration Quadrel-X 0x00B00601 11535873 ");
    for (std::u16string_view name : kFrequencyNames) AddString(kDevFrequency, name);
    for (std::u16string_view power : kRfPowerNames) AddString(kDevRfPower, power);
    SetCurSel(kDevFrequency, 3);
    SetCurSel(kDevRfPower, 1);
    SetSource(kDevSource, SourceState::kDevice);
    SetText(kDevTime, u"07:05:03");
    SetText(kDevModbusId, u"0x050F");
    SetText(kDevFwId, u"4.02");
    SetText(kDevDeviceId, u"1115");
    SetText(kDevHwNum, u"111");
    SetText(kDevName, u"Hall 6-way");
    SetText(kDevPassword, u"TARVELONIX4817QD");
    SetText(kInBatteryVoltage, u"2.9V");
    SetText(kInBatteryState, u"80");
    SetText(kInUptime, u"1987654 s");
    SetText(kInPrg, u"PRG");
    SetText(kInLongpress, u"1500");
    SetText(kInLongpressRepeat, u"500");
    SetText(kInMinPress, u"52");
    SetText(kInTemperature, u"21.37");
    SetText(kInTempCorr, u"-0.50");
    SetText(kInTempThreshold, u"2.00");
    SetCheck(InOneButton(2), true);
    SetColor(InSquare(1), 0x00FF00);
    SetColor(InSquare(3), 0xFFFF00);
    if (b_node_) {
      SetText(kInRssi, u"-61 dBm");
      SetText(kInRxRssi, u"-58 dBm");
      SetText(kInBkRssi, u"-93");
      SetCheck(InSwitch(3), true);
    } else {
      // A Quadrel-X: six inputs, no switch mode.
      Show(kInSwitchCaption, false);
      for (int i = 1; i <= 4; ++i) Show(InSwitch(i), false);
      SetColor(InSquare(6), 0xFF0000);
    }
  }

 private:
  bool b_node_;
};

TEST(QtScreenshot, InputNodeIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledInputNode dlg(host, false);
  const QString path = ShowCheckAndGrab(host, dlg, "input-node-dialog");
  ASSERT_FALSE(path.isEmpty());
  const QImage image(path);
  EXPECT_GE(image.width(), 500);
  EXPECT_GE(image.height(), 350);
}

TEST(QtScreenshot, InputNodeBIsTidyAndSaved) {
  TestApp();
  QtHost host;
  FilledInputNode dlg(host, true);
  EXPECT_FALSE(ShowCheckAndGrab(host, dlg, "input-node-b-dialog").isEmpty());
}

}  // namespace
}  // namespace corvane::ui

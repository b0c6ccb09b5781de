#include "devices/input_node_template.h"

#include "devices/device_template_parts.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr std::u16string_view kDigits[] = {u"1", u"2", u"3", u"4", u"5", u"6"};

std::vector<ControlSpec> Controls(bool b_node) {
  constexpr int D = kInGroupDevice;
  constexpr int S = kInGroupState;
  constexpr int I = kInGroupInputs;
  constexpr int T = kInGroupTimes;
  constexpr int P = kInTempGroup;
  constexpr int B = kInGroupButtons;
  const int inputs = b_node ? 4 : 6;
  std::vector<ControlSpec> c;
  AddDeviceGroup(c, D, At(0, 0));
  c.insert(c.end(), {

                        // Where the data come from, and what the device reports about itself.
                        GroupBox(S, u"State", At(0, 1)),
                        SourceIndicator(kDevSource, In(S, 0, 0, 1, 2)),
                        Label(u"Time", In(S, 1, 0)),
                        Sized(Label(u"", In(S, 1, 1), kDevTime), 70),
                        Label(u"Battery voltage", In(S, 2, 0)),
                        Label(u"", In(S, 2, 1), kInBatteryVoltage),
                        Label(u"Battery state", In(S, 3, 0)),
                        Label(u"", In(S, 3, 1), kInBatteryState),
                        Label(u"Uptime", In(S, 4, 0)),
                        Sized(Label(u"", In(S, 4, 1), kInUptime), 90),
                        Label(u"", In(S, 5, 0), kInPrg),
                        Label(u"", In(S, 5, 1), kInUni),

                        // The inputs: one column per input.
                        GroupBox(I, u"Inputs", At(1, 0)),
                        Label(u"Button", In(I, 0, 0)),
                        Label(u"Onebutton Control", In(I, 1, 0)),
                        Label(u"Switch mode", In(I, 2, 0), kInSwitchCaption),
                        Label(u"State", In(I, 3, 0)),

                        // Timing and lock.
                        GroupBox(T, u"Buttons", At(1, 1)),
                        Label(u"Longpress Time", In(T, 0, 0)),
                        Sized(Edit(kInLongpress, In(T, 0, 1), kRightAlign), 60),
                        Label(u"ms", In(T, 0, 2)),
                        Label(u"Longpress Repeat Time", In(T, 1, 0)),
                        Sized(Edit(kInLongpressRepeat, In(T, 1, 1), kRightAlign), 60),
                        Label(u"ms", In(T, 1, 2)),
                        Label(u"Minimal Press Time", In(T, 2, 0)),
                        Sized(Edit(kInMinPress, In(T, 2, 1), kRightAlign), 60),
                        Label(u"ms", In(T, 2, 2)),
                        CheckBox(kInLock, u"Lock", In(T, 3, 0)),

                        // Temperature.
                        GroupBox(P, u"Temperature", At(2, 0)),
                        Label(u"Temperature", In(P, 0, 0), kInTempLabel),
                        Sized(Label(u"", In(P, 0, 1), kInTemperature, kRightAlign), 60),
                        Label(u"\u00B0C", In(P, 0, 2), kInTempUnit),
                        Label(u"Temperature corr", In(P, 1, 0), kInTempCorrLabel),
                        Sized(Edit(kInTempCorr, In(P, 1, 1), kRightAlign), 60),
                        Label(u"\u00B0C", In(P, 1, 2), kInTempCorrUnit),
                        Label(u"Temperature threshold", In(P, 2, 0), kInTempThresholdLabel),
                        Sized(Edit(kInTempThreshold, In(P, 2, 1), kRightAlign), 60),
                        Label(u"\u00B0C", In(P, 2, 2), kInTempThresholdUnit),
                    });
  for (int i = 1; i <= inputs; ++i) {
    const std::u16string_view digit = kDigits[i - 1];
    c.push_back(Label(digit, In(I, 0, i), InButtonLabel(i)));
    c.push_back(CheckBox(InOneButton(i), u"", In(I, 1, i)));
    if (i <= 4) {
      // Only the switch-mode boxes of inputs 3 and 4 carry their number.
      c.push_back(CheckBox(InSwitch(i), i >= 3 ? digit : u"", In(I, 2, i)));
    }
    c.push_back(ColorSquare(InSquare(i), In(I, 3, i)));
  }
  if (b_node) {
    // Beside the temperatures, where the other dialog has nothing.
    constexpr int R = kInGroupRadio;
    c.push_back(GroupBox(R, u"Radio", At(2, 1)));
    c.push_back(Label(u"RSSI", In(R, 0, 0)));
    c.push_back(Sized(Label(u"", In(R, 0, 1), kInRssi), 70));
    c.push_back(Label(u"RX_RSSI", In(R, 1, 0)));
    c.push_back(Sized(Label(u"", In(R, 1, 1), kInRxRssi), 70));
    c.push_back(Label(u"BK RSSI", In(R, 2, 0)));
    c.push_back(Sized(Label(u"", In(R, 2, 1), kInBkRssi), 70));
  }
  // The common buttons in one row under everything.
  AddDeviceButtons(c, B, At(3, 0, 1, 2));
  return c;
}

}  // namespace

const DialogTemplate& InputNodeTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = Controls(false), .stretch_columns = {0, 1}};
  return t;
}

const DialogTemplate& InputNodeBTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = Controls(true), .stretch_columns = {0, 1}};
  return t;
}

}  // namespace corvane::ui

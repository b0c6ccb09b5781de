#include "devices/output_node_template.h"

#include <initializer_list>
#include <utility>

#include "devices/device_template_parts.h"
#include "ui/dialog.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr int kNumberWidth = 60;

// An empty label after an empty grid column: the empty column takes the group's spare width, so
// edits keep their size and the controls stay together on the left.
ControlSpec Spacer(int group, int col) { return Label(u"", In(group, 0, col)); }

std::vector<ControlSpec> NodeControls() {
  constexpr int D = kOutGroupDevice;
  constexpr int S = kOutGroupState;
  constexpr int O = kOutGroupOutputs;
  constexpr int P = kOutPwmGroup;
  constexpr int T = kOutGroupTiming;
  constexpr int K = kOutGroupBlock;
  constexpr int H = kOutGroupThresholds;
  constexpr int L = kOutGroupDevices;
  constexpr int X = kOutTempGroup;
  constexpr int B = kOutGroupButtons;
  std::vector<ControlSpec> c;
  // Identity and radio settings.
  AddDeviceGroup(c, D, At(0, 0), u"Modbus ID", u"FW num");
  c.insert(c.end(),
           {
               CheckBox(kOutSystemMode, u"System mode", In(D, 6, 0, 1, 2)),
               CheckBox(kOutCacheable, u"Cacheable", In(D, 6, 2, 1, 2)),

               // Where the data come from, and what the node reports about itself.
               GroupBox(S, u"State", At(0, 1)),
               SourceIndicator(kDevSource, In(S, 0, 0, 2, 2)),
               Label(u"Uptime", In(S, 0, 2)),
               Sized(Label(u"", In(S, 0, 3), kOutUptime, kRightAlign), 90),
               Label(u"Background RSSI", In(S, 1, 2)),
               Sized(Label(u"", In(S, 1, 3), kOutBkRssi, kRightAlign), 90),
               Label(u"PC->D", In(S, 2, 0)),
               Sized(Label(u"", In(S, 2, 1), kOutPcToD, kRightAlign), 70),
               Label(u"Output State", In(S, 2, 2)),
               Sized(Label(u"", In(S, 2, 3), kOutOutputState, kRightAlign), 90),
               Label(u"D->PC", In(S, 3, 0)),
               Sized(Label(u"", In(S, 3, 1), kOutDToPc, kRightAlign), 70),
               Label(u"Ext Input State", In(S, 3, 2)),
               Sized(Label(u"", In(S, 3, 3), kOutExtInput, kRightAlign), 90),
               Label(u"Cnt", In(S, 4, 0)),
               Sized(Label(u"", In(S, 4, 1), kOutCnt, kRightAlign), 70),
               Label(u"Block Timer", In(S, 4, 2)),
               Sized(Label(u"", In(S, 4, 3), kOutBlockTimer, kRightAlign), 90),

               // The outputs, one row each, and the PWM of output 2.
               GroupBox(O, u"Outputs", At(1, 0)),
               GroupBox(P, u"PWM", In(O, 2, 0, 1, 9)),
               Spacer(O, 10),
               Label(u"PWM periode", In(P, 0, 0)),
               Sized(Edit(kOutPwmPeriod, In(P, 0, 1), kRightAlign), kNumberWidth),
               // What the window takes and shows: the 12 bits of the period in tenths.
               Label(u"s [0.1 .. 409.5]", In(P, 0, 2)),
               Label(u"PWM", In(P, 0, 3)),
               Sized(Edit(kOutPwm, In(P, 0, 4), kRightAlign), kNumberWidth),
               Label(u"% [0..100]", In(P, 0, 5)),
               Button(kOutPwmSend, u">", In(P, 0, 6)),
               Spacer(P, 8),

               // Button timing and the block input side by side.
               GroupBox(kOutGroupTimingBlock, u"", At(2, 0)),
               GroupBox(T, u"Timing", In(kOutGroupTimingBlock, 0, 0)),
               Label(u"Longpress Timeout", In(T, 0, 0)),
               Sized(Edit(kOutLongpressTimeout, In(T, 0, 1), kRightAlign), kNumberWidth),
               Label(u"ms", In(T, 0, 2)),
               Label(u"Maximal On Time", In(T, 1, 0)),
               Sized(Edit(kOutMaxOnTime, In(T, 1, 1), kRightAlign), kNumberWidth),
               Label(u"s", In(T, 1, 2)),
               Label(u"Superlongpress Time", In(T, 2, 0)),
               Sized(Edit(kOutSuperLongpress, In(T, 2, 1), kRightAlign), kNumberWidth),
               Label(u"ms", In(T, 2, 2)),
               Spacer(T, 4),

               // The external block input.
               GroupBox(K, u"Block", In(kOutGroupTimingBlock, 0, 1)),
               CheckBox(kOutBlockOut1, u"Block Out 1", In(K, 0, 0)),
               CheckBox(kOutBlockOut2, u"Block Out 2", In(K, 0, 1)),
               CheckBox(kOutBlockInverted, u"Inverted", In(K, 0, 2)),
               CheckBox(kOutPullUp, u"PullUp", In(K, 1, 0)),
               CheckBox(kOutPullDown, u"PullDown", In(K, 1, 1)),
               Label(u"Block Time", In(K, 2, 0)),
               Sized(Edit(kOutBlockTime, In(K, 2, 1), kRightAlign), kNumberWidth),
               Label(u"s", In(K, 2, 2)),
               Spacer(K, 4),

               // Thresholds of the room units' and climate sensors' values.
               GroupBox(H, u"Thresholds", At(3, 0)),
               Spacer(H, 7),
               Label(u"Temperature hysteresis", In(H, 0, 0)),
               Sized(Edit(kOutHysteresis, In(H, 0, 1), kRightAlign), kNumberWidth),
               Label(u"\u00B0C", In(H, 0, 2)),
               Button(kOutTempCo2, u"temp/CO2", In(H, 0, 3, 1, 3)),
               Label(u"CO2 On", In(H, 1, 0), kOutThresholdOnLabel),
               Sized(Edit(kOutThresholdOn, In(H, 1, 1), kRightAlign), kNumberWidth),
               Label(u"ppm", In(H, 1, 2), kOutThresholdOnUnit),
               Label(u"CO2 Off", In(H, 1, 3), kOutThresholdOffLabel),
               Sized(Edit(kOutThresholdOff, In(H, 1, 4), kRightAlign), kNumberWidth),
               Label(u"ppm", In(H, 1, 5), kOutThresholdOffUnit),
               Label(u"rH On", In(H, 2, 0)),
               Sized(Edit(kOutRhOn, In(H, 2, 1), kRightAlign), kNumberWidth),
               Label(u"%", In(H, 2, 2)),
               Label(u"rH Off", In(H, 2, 3)),
               Sized(Edit(kOutRhOff, In(H, 2, 4), kRightAlign), kNumberWidth),
               Label(u"%", In(H, 2, 5)),

               // The one-output type's temperature and what it does without its control devices.
               GroupBox(X, u"Temperature and timeout", At(4, 0), kHidden),
               Spacer(X, 3),
               Label(u"Temp.", In(X, 0, 0)),
               Sized(Label(u"", In(X, 0, 1), kOutTemperature, kRightAlign), 110),
               Label(u"Comm Timeout", In(X, 1, 0)),
               Sized(Edit(kOutCommTimeout, In(X, 1, 1), kRightAlign), kNumberWidth),
               Label(u"Output After Timeout", In(X, 2, 0)),
               Sized(ComboList(kOutAfterTimeout, In(X, 2, 1), {u"Off", u"On", u"No Change"}), 110),
               Label(u"Output After Reset", In(X, 3, 0)),
               Sized(ComboList(kOutAfterReset, In(X, 3, 1), {u"Off", u"On"}), 110),

               // The control devices the node listens to; a double click edits a row's links.
               GroupBox(L, u"Configuration Devices", At(1, 1, 4, 1)),
               ListView(kOutDevices, In(L, 0, 0),
                        {{u"Pos.", 35}, {u"RF address", 180}, {u"RSSI", 80}, {u"Data", 300}},
                        kFullRowSelect | kGridLines, 372),
           });
  static constexpr std::u16string_view kOutputNames[] = {u"Output 1", u"Output 2"};
  for (int o = 1; o <= 2; ++o) {
    const int row = o - 1;
    std::vector<std::u16string_view> modes = {
        u"Disabled", u"On/Off", u"Change state", u"Impulse", u"Prolonged impulse", u"Jalousie"};
    if (o == 2) modes.push_back(u"PWM");
    c.push_back(Label(kOutputNames[o - 1], In(O, row, 0), OutId(kOutLabel1, o)));
    c.push_back(Sized(ComboList(OutId(kOutMode1, o), In(O, row, 1), modes), 140));
    c.push_back(CheckBox(OutId(kOutInv1, o), u"Inv.", In(O, row, 2)));
    c.push_back(Label(u"Time", In(O, row, 3), OutId(kOutTimeLabel1, o)));
    c.push_back(Sized(Edit(OutId(kOutTime1, o), In(O, row, 4), kRightAlign), kNumberWidth));
    c.push_back(Label(u"s", In(O, row, 5), OutId(kOutTimeUnit1, o)));
    // The commands take effect at once.
    c.push_back(CheckBox(OutId(kOutOn1, o), u"On", In(O, row, 6)));
    c.push_back(CheckBox(OutId(kOutOff1, o), u"Off", In(O, row, 7)));
    c.push_back(CheckBox(OutId(kOutLongPress1, o), u"LongPress", In(O, row, 8)));
  }
  // The common buttons in one row under everything.
  AddDeviceButtons(c, B, At(5, 0, 1, 2), u"Write to RAM");
  return c;
}

enum class LinkKind { kInput, kRoom, kSensor };

std::vector<ControlSpec> LinkControls(LinkKind kind) {
  constexpr int A = kLinkGroupAddress;
  constexpr int R = kLinkGroupRows;
  constexpr int B = kLinkGroupButtons;
  const std::vector<std::u16string_view> actions = {u"Disabled", u"On", u"Off", u"Longpress"};
  std::vector<ControlSpec> c = {
      GroupBox(A, u"", At(0, 0)),
      Label(u"Address", In(A, 0, 0)),
      Sized(ComboEdit(kLinkAddress, In(A, 0, 1), {}, kSorted), 380),
      Spacer(A, 3),
      GroupBox(R, u"", At(1, 0)),
      Spacer(R, 13),
  };
  std::vector<std::pair<int, std::u16string_view>> rows;
  switch (kind) {
    case LinkKind::kInput:
      rows = {{0, u"Button 1"}, {1, u"Button 2"}, {2, u"Button 3"}, {3, u"Button 4"}};
      break;
    case LinkKind::kRoom:
      rows = {{0, u"Heating"}, {1, u"Cooling"}, {2, u"CO2"}, {3, u"rH"}};
      break;
    case LinkKind::kSensor:
      rows = {{0, u"Heating"}, {3, u"rH"}};
      break;
  }
  int line = 0;
  for (const auto& [r, name] : rows) {
    c.push_back(Label(name, In(R, line, 0), LinkId(kLinkRowLabel0, r)));
    c.push_back(Label(u"ON", In(R, line, 1), LinkId(kLinkOnCaption0, r), kRightAlign));
    c.push_back(Sized(ComboList(LinkId(kLinkOn0, r), In(R, line, 2), actions), 95));
    c.push_back(Label(u"OFF", In(R, line, 3), LinkId(kLinkOffCaption0, r), kRightAlign));
    c.push_back(Sized(ComboList(LinkId(kLinkOff0, r), In(R, line, 4), actions), 95));
    int col = 5;
    if (kind == LinkKind::kInput) {
      c.push_back(
          Label(u"LongPress", In(R, line, col++), LinkId(kLinkLongCaption0, r), kRightAlign));
      c.push_back(Sized(ComboList(LinkId(kLinkLong0, r), In(R, line, col++), actions), 95));
    }
    c.push_back(CheckBox(LinkId(kLinkO1_0, r), u"O1", In(R, line, col++)));
    c.push_back(CheckBox(LinkId(kLinkO2_0, r), u"O2", In(R, line, col++)));
    if (kind == LinkKind::kInput) {
      c.push_back(CheckBox(LinkId(kLinkPushPull0, r), u"push/pull", In(R, line, col++)));
    }
    c.push_back(Button(LinkId(kLinkTest0, r), u">", In(R, line, col++)));
    ++line;
  }
  c.push_back(GroupBox(B, u"", At(2, 0)));
  c.push_back(Button(kIdOk, u"OK", In(B, 0, 1), kDefault));
  c.push_back(Button(kIdCancel, u"Cancel", In(B, 0, 2)));
  return c;
}

}  // namespace

const DialogTemplate& OutputNodeTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = NodeControls(), .stretch_columns = {1}};
  return t;
}

const DialogTemplate& OutputInputLinkTemplate() {
  static const DialogTemplate t{.title = u"Control Device",
                                .controls = LinkControls(LinkKind::kInput)};
  return t;
}

const DialogTemplate& OutputRoomLinkTemplate() {
  static const DialogTemplate t{.title = u"Control Device",
                                .controls = LinkControls(LinkKind::kRoom)};
  return t;
}

const DialogTemplate& OutputSensorLinkTemplate() {
  static const DialogTemplate t{.title = u"Control Device",
                                .controls = LinkControls(LinkKind::kSensor)};
  return t;
}

}  // namespace corvane::ui

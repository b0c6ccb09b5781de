#include "lighting/dali_bridge_template.h"

#include "devices/device_template_parts.h"
#include "ui/dialog.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr int kValueWidth = 100;
constexpr int kCommandWidth = 86;
constexpr int kSmallWidth = 36;

ControlSpec Value(int id, Cell cell, int width = kValueWidth) {
  return Sized(Label(u"", cell, id, kRightAlign), width);
}

std::vector<ControlSpec> BridgeControls() {
  constexpr int D = kDaliGroupDevice;
  constexpr int S = kDaliGroupState;
  constexpr int C = kDaliGroupCommands;
  constexpr int L = kDaliGroupDevices;
  constexpr int B = kDaliGroupButtons;
  std::vector<ControlSpec> c;
  AddDeviceGroup(c, D, At(0, 0), u"Modbus ID", u"FW num", 190);
  c.insert(
      c.end(),
      {
          CheckBox(kDaliSystemMode, u"System mode", In(D, 6, 0, 1, 2)),

          // Where the data come from, what the bridge reports about itself and its bus.
          GroupBox(S, u"State", At(1, 0)),
          SourceIndicator(kDevSource, In(S, 0, 0, 2, 1)),
          Label(u"", In(S, 2, 0), kDaliPrg, kCenter),
          Label(u"Last update", In(S, 0, 1)),
          Value(kDevTime, In(S, 0, 2)),
          Label(u"Uptime", In(S, 1, 1)),
          Value(kDaliUptime, In(S, 1, 2)),
          Label(u"Background RSSI", In(S, 2, 1)),
          Value(kDaliBkRssi, In(S, 2, 2)),
          Label(u"Info", In(S, 3, 1)),
          Value(kDaliInfo, In(S, 3, 2)),
          Label(u"Rising edge", In(S, 0, 3)),
          Value(kDaliRisingEdge, In(S, 0, 4), 80),
          Label(u"Falling edge", In(S, 1, 3)),
          Value(kDaliFallingEdge, In(S, 1, 4), 80),
          Label(u"GW addr", In(S, 2, 3)),
          Value(kDaliGwAddress, In(S, 2, 4), 80),
          Label(u"Advance Rising", In(S, 3, 3)),
          Sized(Edit(kDaliAdvance, In(S, 3, 4), kRightAlign), 80),

          // Commands executed now, and the two the bridge runs on its own.
          GroupBox(C, u"DALI commands", At(2, 0)),
          Label(u"Command", In(C, 0, 1)),
          Label(u"Len", In(C, 0, 2)),
          Label(u"Prio", In(C, 0, 3)),
          Label(u"DALI command", In(C, 1, 0)),
          Button(kDaliWriteCmd, u"Write CMD", In(C, 1, 5)),
          Button(kDaliLightOff, u"Light OFF", In(C, 1, 6)),
          Label(u"Response", In(C, 2, 0)),
          Sized(Label(u"", In(C, 2, 1, 1, 3), kDaliResponse), kCommandWidth),
          Label(u"Actual Value", In(C, 2, 5)),
          Value(kDaliActualValue, In(C, 2, 6), 60),
          Label(u"Get Act.Val.CMD", In(C, 3, 0)),
          Label(u"Trigger CMD", In(C, 4, 0)),
          Button(kDaliReadMem, u"Read Mem", In(C, 5, 0)),
          Sized(Edit(kDaliMemNumber, In(C, 5, 1), kRightAlign), kCommandWidth),
          Label(u"", In(C, 0, 8)),

          // The control devices whose buttons the bridge turns into commands.
          GroupBox(L, u"Configuration Devices", At(0, 1, 3, 1)),
          ListView(kDaliDevices, In(L, 0, 0), {{u"Pos.", 35}, {u"RF address", 180}, {u"RSSI", 80}},
                   kFullRowSelect | kGridLines, 350),
      });
  // The three command rows with their initial texts.
  struct Row {
    int row;
    int line;
    std::u16string_view command;
  };
  for (const Row& r : {Row{kDaliRowCommand, 1, u"FF00"}, Row{kDaliRowGetActual, 3, u"01A0"},
                       Row{kDaliRowTrigger, 4, u"0100"}}) {
    c.push_back(
        Sized(Edit(DaliRowId(kDaliCmd0, r.row), In(C, r.line, 1), kRightAlign), kCommandWidth));
    c.push_back(
        Sized(Edit(DaliRowId(kDaliLen0, r.row), In(C, r.line, 2), kRightAlign), kSmallWidth));
    c.push_back(
        Sized(Edit(DaliRowId(kDaliPrio0, r.row), In(C, r.line, 3), kRightAlign), kSmallWidth));
    c.back().caption = u"0";
    c.push_back(Button(DaliRowId(kDaliEdit0, r.row), u"Edit...", In(C, r.line, 4)));
    c[c.size() - 2].caption = u"16";
    c[c.size() - 3].caption = r.command;
  }
  AddDeviceButtons(c, B, At(3, 0, 1, 2), u"Write to RAM");
  return c;
}

}  // namespace

const DialogTemplate& DaliBridgeTemplate() {
  static const DialogTemplate t{.id = 133,
                                .title = u"DALI Configuration",
                                .controls = BridgeControls(),
                                .stretch_columns = {1}};
  return t;
}

}  // namespace corvane::ui

#include "gateway/fan_coil_template.h"

#include <initializer_list>
#include <utility>

#include "gateway/gw_device_editors_template.h"
#include "ui/host.h"

namespace corvane::ui {
namespace {

// A caption and its read-only value on one row of a group; `unit` beside the value.
void Value(std::vector<ControlSpec>& c, int group, int row, std::u16string_view caption, int id,
           int width = 80, std::u16string_view unit = {}) {
  c.push_back(Label(caption, In(group, row, 0)));
  c.push_back(Sized(Label(u"", In(group, row, 1), id, kRightAlign), width));
  if (!unit.empty()) c.push_back(Label(unit, In(group, row, 2)));
}

// A caption and a number field, with a unit behind it when it has one.
void Number(std::vector<ControlSpec>& c, int group, int row, std::u16string_view caption, int id,
            std::u16string_view unit = {}, uint32_t flags = 0) {
  c.push_back(Label(caption, In(group, row, 0)));
  c.push_back(Sized(Edit(id, In(group, row, 1), kRightAlign | flags), 64));
  if (!unit.empty()) c.push_back(Label(unit, In(group, row, 2)));
}

void Boxes(std::vector<ControlSpec>& c, int group, int first_row,
           std::initializer_list<std::pair<int, std::u16string_view>> boxes, uint32_t flags = 0,
           int col = 0, int col_span = 3) {
  int row = first_row;
  for (const auto& [id, caption] : boxes) {
    c.push_back(CheckBox(id, caption, In(group, row++, col, 1, col_span), flags));
  }
}

// The window fits an installer's 1366 x 768 laptop: five columns of groups, each stacked on its
// own so its groups need not line up with those beside them (the controller over its Modbus line;
// the radio over the state; the regulator's options; what the regulator works from over what it
// makes of it; the manual enables over the output pins), under them the paired devices, what their
// room units report and the manual values, then the operations on the image.
std::vector<ControlSpec> Controls() {
  constexpr int G = kFcGroupIdentity;
  constexpr int R = kFcGroupRadio;
  constexpr int M = kFcGroupModbus;
  constexpr int S = kFcGroupState;
  constexpr int C = kFcClockRow;
  constexpr int Q = kFcGroupRegulator;
  constexpr int P = kFcGroupPid;
  constexpr int E = kFcGroupManualEnable;
  constexpr int V = kFcGroupManualValues;
  constexpr int I = kFcGroupInputs;
  constexpr int O = kFcGroupPins;
  constexpr int U = kFcGroupRoomInputs;
  constexpr int D = kFcGroupDevices;
  constexpr int T = kFcGroupTools;
  constexpr int B = kFcButtonRow;
  constexpr int K1 = kFcStackController;
  constexpr int K2 = kFcStackRadio;
  constexpr int K3 = kFcStackRegulator;
  constexpr int K4 = kFcStackManual;
  constexpr int L = kFcDevicesRow;
  std::vector<ControlSpec> c;
  c.push_back(GroupBox(K1, u"", At(0, 0)));
  c.push_back(GroupBox(K2, u"", At(0, 1)));
  c.push_back(GroupBox(K3, u"", At(0, 3)));
  c.push_back(GroupBox(K4, u"", At(0, 4)));

  // What the controller is.
  c.push_back(GroupBox(G, u"Controller", In(K1, 0, 0)));
  c.push_back(Label(u"Name", In(G, 0, 0)));
  c.push_back(Sized(Edit(kFcName, In(G, 0, 1, 1, 3)), 160));
  c.push_back(Label(u"Password", In(G, 1, 0)));
  c.push_back(Sized(Edit(kFcPassword, In(G, 1, 1, 1, 3)), 160));
  c.push_back(Label(u"Device ID", In(G, 2, 0)));
  c.push_back(Sized(Label(u"", In(G, 2, 1), kFcDeviceId, kRightAlign), 50));
  c.push_back(Label(u"HW num", In(G, 2, 2)));
  c.push_back(Sized(Label(u"", In(G, 2, 3), kFcHwNum, kRightAlign), 30));
  c.push_back(Label(u"FW num", In(G, 3, 0)));
  c.push_back(Sized(Label(u"", In(G, 3, 1), kFcFwNum, kRightAlign), 50));
  c.push_back(Label(u"rf inputs", In(G, 3, 2)));
  c.push_back(Sized(Label(u"", In(G, 3, 3), kFcRfInputs, kRightAlign), 30));
  c.push_back(Label(u"GW", In(G, 4, 0)));
  c.push_back(Sized(Label(u"", In(G, 4, 1, 1, 3), kFcOwnAddress), 90));

  // The radio side.
  c.push_back(GroupBox(R, u"Radio", In(K2, 0, 0)));
  c.push_back(Label(u"Frequency", In(R, 0, 0)));
  c.push_back(Sized(ComboList(kFcFrequency, In(R, 0, 1, 1, 2)), 160));
  c.push_back(Label(u"RF Power", In(R, 1, 0)));
  c.push_back(Sized(ComboList(kFcRfPower, In(R, 1, 1, 1, 2),
                              {u"+20dBm", u"+14dBm", u"+10 dBm", u"5 dBm", u"0dBm", u"-5dBm",
                               u"-10dBm", u"-15dBm", u"-20dBm"}),
                    160));
  c.push_back(Label(u"RSSI", In(R, 2, 0), kFcRssiLabel));
  c.push_back(Sized(Label(u"", In(R, 2, 1), kFcRssi, kRightAlign), 70));
  Value(c, R, 3, u"RX_RSSI", kFcRxRssi, 70);
  Value(c, R, 4, u"Background RSSI", kFcBackgroundRssi, 70);

  // The Modbus line.
  c.push_back(GroupBox(M, u"Modbus", In(K1, 1, 0)));
  c.push_back(Label(u"MB Addr", In(M, 0, 0)));
  c.push_back(Sized(Edit(kFcModbusAddress, In(M, 0, 1), kRightAlign), 50));
  c.push_back(Label(u"Baudrate", In(M, 1, 0)));
  c.push_back(Sized(
      ComboList(kFcBaudrate, In(M, 1, 1),
                {u"1200", u"2400", u"4800", u"9600", u"19200", u"38400", u"57600", u"115200"}),
      90));
  c.push_back(Label(u"Parity", In(M, 2, 0)));
  c.push_back(Sized(ComboList(kFcParity, In(M, 2, 1), {u"None", u"Even", u"Odd", u".."}), 90));
  c.push_back(Label(u"StopBits", In(M, 3, 0)));
  c.push_back(Sized(ComboList(kFcStopBits, In(M, 3, 1), {u"1", u"2"}), 90));
  c.push_back(CheckBox(kFcSystemMode, u"System mode", In(M, 4, 0)));
  c.push_back(CheckBox(kFcBeacon, u"Beacon", In(M, 4, 1)));

  // Where the data come from and what the controller reports about itself.
  c.push_back(GroupBox(S, u"State", In(K2, 1, 0)));
  c.push_back(SourceIndicator(kFcSource, In(S, 0, 0)));
  c.push_back(Label(u"PRG", In(S, 0, 1), kFcPrg));
  Value(c, S, 1, u"Uptime", kFcUptime, 80);
  Value(c, S, 2, u"EEPROM writes", kFcEepromWrites, 80);
  Value(c, S, 3, u"CPU temperature", kFcCpuTemperature, 80);
  Value(c, S, 4, u"Unix time", kFcUnixTime, 80);
  // The clock under its caption, so the group stays as narrow as its values.
  c.push_back(Label(u"Device time", In(S, 5, 0)));
  c.push_back(Button(kFcSynchronize, u"Synchronize", In(S, 5, 1, 1, 2)));
  c.push_back(GroupBox(C, u"", In(S, 6, 0, 1, 3)));
  c.push_back(DatePicker(kFcDate, In(C, 0, 0), kDisabled));
  c.push_back(TimePicker(kFcTime, In(C, 0, 1), kDisabled));

  // How the regulator works: the options of register 68, then the inputs' and the fan's.
  c.push_back(GroupBox(Q, u"Regulator configuration", At(0, 2)));
  Boxes(c, Q, 0,
        {{kFcRegulationOn, u"Regulation ON/OFF"},
         {kFcFourPipes, u"Fancoil 4 pipes"},
         {kFcStopFanHeat, u"Stop fan when heat is active"},
         {kFcStopFanCool, u"Stop fan when cool is active"},
         {kFcValveExercise, u"Valve exercise enable"},
         {kFcValveInverted, u"Valve inverted polarity"},
         {kFcValvesOffWithFan, u"Valves OFF when fan is switched OFF"},
         {kFcDi1Enable, u"DI1 Presence sensor enable"},
         {kFcDi2Enable, u"DI2 Window sensor enable"},
         {kFcDi1Inverted, u"DI1 Presence sensor inverted polarity"},
         {kFcDi2Inverted, u"DI2 Window sensor inverted polarity"}});
  c.push_back(Label(u"Fan type", In(Q, 11, 0)));
  c.push_back(Sized(
      ComboList(kFcFanType, In(Q, 11, 1, 1, 2), {u"3 speed Fan", u"2 speed Fan", u"1 speed Fan"}),
      110));
  c.push_back(Label(u"Change over period", In(Q, 12, 0)));
  c.push_back(Sized(Edit(kFcChangeOver, In(Q, 12, 1), kRightAlign), 64));
  c.push_back(Label(u"min", In(Q, 12, 2)));

  // What the regulator works from, what it makes of it and what that drives.
  c.push_back(GroupBox(I, u"Regulator input values", In(K3, 0, 0)));
  Number(c, I, 0, u"Actual temp", kFcActualTemp, u"\u00B0C");
  Number(c, I, 1, u"Setpoint heat", kFcSetpointHeat, u"\u00B0C");
  Number(c, I, 2, u"Setpoint cool", kFcSetpointCool, u"\u00B0C");
  c.push_back(Label(u"Fan", In(I, 3, 0)));
  c.push_back(
      Sized(ComboList(kFcFanMode, In(I, 3, 1, 1, 2),
                      {u"Fan Auto", u"Fan OFF", u"Fan Manual 1", u"Fan Manual 2", u"Fan Manual 3"}),
            120));

  // The PID constants, and what the regulator puts out beside them.
  c.push_back(GroupBox(P, u"PID regulator", In(K3, 1, 0)));
  Number(c, P, 0, u"P band", kFcPBand);
  Number(c, P, 1, u"I const", kFcIConst);
  Number(c, P, 2, u"D const", kFcDConst);
  int row = 0;
  for (const auto& [caption, id] :
       std::initializer_list<std::pair<std::u16string_view, int>>{{u"PID output heat", kFcPidHeat},
                                                                  {u"PID output cool", kFcPidCool},
                                                                  {u"PID fan speed", kFcPidFan},
                                                                  {u"PWM heat", kFcPwmHeat},
                                                                  {u"PWM cool", kFcPwmCool}}) {
    c.push_back(Label(caption, In(P, row, 3)));
    c.push_back(Sized(Label(u"", In(P, row, 4), id, kRightAlign), 36));
    ++row;
  }

  // What the tool sets by hand instead of the regulator: the outputs, then the inputs.
  c.push_back(GroupBox(E, u"Manual control enable", In(K4, 0, 0)));
  Boxes(c, E, 0,
        {{kFcEnableFan, u"Fan"},
         {kFcEnableHeat, u"Heat"},
         {kFcEnableCool, u"Cool"},
         {kFcEnableChangeOver, u"Change over"},
         {kFcEnablePresence, u"Input Presence"},
         {kFcEnableWindow, u"Input Window"},
         {kFcEnableTemperature, u"Temperature"},
         {kFcEnableSetpoints, u"Setpoints"}},
        0, 0, 1);

  // What the controller drives, by the regulator or by hand.
  c.push_back(GroupBox(O, u"Output pins", In(K4, 1, 0)));
  Boxes(c, O, 0, {{kFcPinHeat, u"Heat"}, {kFcPinCool, u"Cool"}}, kDisabled, 0, 1);
  Boxes(c, O, 0, {{kFcPinFan1, u"Fan 1"}, {kFcPinFan2, u"Fan 2"}, {kFcPinFan3, u"Fan 3"}},
        kDisabled, 1, 1);

  // The manual values, at the bottom right under their enables; each goes to the controller as
  // soon as it is set.
  c.push_back(GroupBox(V, u"Manual control values", In(L, 0, 2)));
  c.push_back(Label(u"Fan", In(V, 0, 0)));
  c.push_back(Sized(
      ComboList(kFcManualFan, In(V, 0, 1, 1, 2), {u"Fan OFF", u"Fan 1", u"Fan 2", u"Fan 3"}), 100));
  c.push_back(Label(u"Heat Out", In(V, 1, 0)));
  c.push_back(Sized(Edit(kFcHeatOut, In(V, 1, 1), kRightAlign), 56));
  c.push_back(Sized(Button(kFcHeatOutSend, u">", In(V, 1, 2)), 32));
  c.push_back(Label(u"Cool Out", In(V, 2, 0)));
  c.push_back(Sized(Edit(kFcCoolOut, In(V, 2, 1), kRightAlign), 56));
  c.push_back(Sized(Button(kFcCoolOutSend, u">", In(V, 2, 2)), 32));
  c.push_back(CheckBox(kFcPresenceOn, u"Presence On", In(V, 3, 0, 1, 3)));
  c.push_back(CheckBox(kFcWindowOn, u"Window On", In(V, 4, 0, 1, 3)));

  // The paired devices with the tools on their table beside them, and what the room units
  // report. The list shows six of its eight rows and most of its columns, and
  // scrolls to the others.
  c.push_back(GroupBox(L, u"", At(1, 0, 1, 5)));
  c.push_back(GroupBox(D, u"Paired devices ", In(L, 0, 0)));
  c.push_back(Sized(ListView(kFcDevices, In(D, 0, 0),
                             {{u"Pos.", 36},
                              {u"RF address", 150},
                              {u"Cache", 44},
                              {u"MB_start", 64},
                              {u"MB_cnt", 56},
                              {u"InpNum", 56},
                              {u"RSSI DEV->GW", 96},
                              {u"RSSI GW->DEV", 96},
                              {u"Action", 80},
                              {u"MA", 34},
                              {u"HUB", 90},
                              {u"Tstamp", 66},
                              {u"R/W", 40}},
                             kFullRowSelect | kGridLines | kScrollSideways, 152),
                    840, 152));
  c.push_back(GroupBox(T, u"", In(D, 0, 1)));
  c.push_back(Button(kFcCompressCache, u"Compress cache", In(T, 0, 0)));
  c.push_back(Button(kFcCreateReport, u"Create Report", In(T, 1, 0)));
  c.push_back(Button(kFcWmbusFifo, u"wMbus FiFo", In(T, 2, 0)));

  c.push_back(GroupBox(U, u"Calidor inputs", In(L, 0, 1)));
  Boxes(c, U, 0,
        {{kFcInPresence, u"Presence"},
         {kFcInWindow, u"Window"},
         {kFcInHeat, u"Heat"},
         {kFcInCool, u"Cool"},
         {kFcInLastCool, u"Last Cool"}},
        kDisabled, 0, 1);

  // The operations on the whole image.
  c.push_back(GroupBox(B, u"", At(2, 0, 1, 5)));
  int col = 0;
  for (const auto& [id, caption] : std::initializer_list<std::pair<int, std::u16string_view>>{
           {kFcRead, u"Read"},
           {kFcWriteRam, u"Write to RAM"},
           {kFcWriteEeprom, u"Write to EEPROM"},
           {kFcFwUpdate, u"FW Update"},
           {kFcReadLog, u"Read Log"},
           {kFcSave, u"Save"},
           {kFcDefault, u"Default"},
           {kFcImport, u"Import"},
           {kFcExport, u"Export"}}) {
    c.push_back(Button(id, caption, In(B, 0, col++)));
  }
  return c;
}

}  // namespace

const DialogTemplate& FanCoilTemplate() {
  static const DialogTemplate t{.id = 170,
                                .title = u"Fancoil Configuration",
                                .controls = Controls(),
                                .stretch_columns = {0, 1, 2, 3, 4}};
  return t;
}

const DialogTemplate& FcDevicesTemplate() {
  constexpr int M = kSubGroupModbus;
  constexpr int B = kSubGroupButtons;
  static const DialogTemplate t{
      .id = 174,
      .title = u"GW Configuration of subdevice ",
      .controls =
          {
              GroupBox(M, u"Paired device", At(0, 0)),
              Label(u"Address", In(M, 0, 0)),
              Sized(ComboEdit(kSubAddress, In(M, 0, 1, 1, 4)), 380),
              Label(u"Modbus address", In(M, 1, 0)),
              Sized(Edit(kSubModbusAddress, In(M, 1, 1), kRightAlign), 70),
              Label(u"Connection priority", In(M, 1, 3)),
              ComboList(kSubPriority, In(M, 1, 4),
                        {u"Direct Connection Disable", u"Priority Low", u"Priority Medium",
                         u"Priority High"}),
              Label(u"Modbus map offset", In(M, 2, 0)),
              Sized(Edit(kSubMapOffset, In(M, 2, 1), kRightAlign), 70),
              CheckBox(kSubCached, u"Cached", In(M, 2, 3, 1, 2)),
              Label(u"Modbus map length", In(M, 3, 0)),
              Sized(Edit(kSubMapLength, In(M, 3, 1), kRightAlign), 70),
              Label(u"Input number", In(M, 3, 3)),
              Sized(Edit(kSubInputNumber, In(M, 3, 4), kRightAlign), 70),

              GroupBox(B, u"", At(1, 0)),
              Button(kIdOk, u"OK", In(B, 0, 1)),
              Button(kIdCancel, u"Cancel", In(B, 0, 2)),
          },
      .stretch_columns = {0},
  };
  return t;
}

}  // namespace corvane::ui

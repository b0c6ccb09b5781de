#include "gateway/gateway_template.h"

#include <initializer_list>
#include <utility>

namespace corvane::ui {
namespace {

// A caption and its read-only value on one row of a group.
void Value(std::vector<ControlSpec>& c, int group, int row, std::u16string_view caption, int id,
           int width = 90) {
  c.push_back(Label(caption, In(group, row, 0)));
  c.push_back(Sized(Label(u"", In(group, row, 1), id, kRightAlign), width));
}

// `older`: the window of firmware before 4.00, whose map lacks the CPU temperature, the RF
// re-initialisations, the alarm-lost time-out, "One Gatrix", the bridge, the FIFOs and the
// transmit request, and which has neither "Default" nor "Import".
std::vector<ControlSpec> Controls(bool older) {
  constexpr int G = kGwGroupIdentity;
  constexpr int R = kGwGroupRadio;
  constexpr int M = kGwGroupModbus;
  constexpr int S = kGwGroupState;
  constexpr int C = kGwClockRow;
  constexpr int D = kGwGroupDevices;
  constexpr int U = kGwGroupUni;
  constexpr int T = kGwGroupTools;
  constexpr int X = kGwGroupTransmit;
  constexpr int B = kGwButtonRow;
  std::vector<ControlSpec> c;

  // What the gateway is and how it identifies itself.
  c.push_back(GroupBox(G, u"Gateway", At(0, 0)));
  c.push_back(Label(u"Name", In(G, 0, 0)));
  c.push_back(Sized(Edit(kGwName, In(G, 0, 1, 1, 3)), 170));
  c.push_back(Label(u"Password", In(G, 1, 0)));
  c.push_back(Sized(Edit(kGwPassword, In(G, 1, 1, 1, 3)), 170));
  c.push_back(Label(u"Device ID", In(G, 2, 0)));
  c.push_back(Sized(Label(u"", In(G, 2, 1), kGwDeviceId), 60));
  c.push_back(Label(u"HW num", In(G, 2, 2)));
  c.push_back(Sized(Label(u"", In(G, 2, 3), kGwHwNum), 50));
  c.push_back(Label(u"FW num", In(G, 3, 0)));
  c.push_back(Sized(Label(u"", In(G, 3, 1), kGwFwNum), 60));
  c.push_back(Label(u"GW", In(G, 3, 2)));
  c.push_back(Sized(Label(u"", In(G, 3, 3), kGwOwnAddress), 90));
  // The key's 16 bytes ("%02X " each) take the group's whole width on a row of their own.
  c.push_back(Label(u"wMbus key", In(G, 4, 0)));
  c.push_back(Edit(kGwKey, In(G, 5, 0, 1, 4)));
  if (!older) {
    c.push_back(Label(u"Alarm lost timeout [s]", In(G, 6, 0)));
    c.push_back(Sized(Edit(kGwAlarmLostTimeout, In(G, 6, 1), kRightAlign), 60));
  }

  // The radio side.
  c.push_back(GroupBox(R, u"Radio", At(0, 1)));
  c.push_back(Label(u"Frequency", In(R, 0, 0)));
  c.push_back(Sized(ComboList(kGwFrequency, In(R, 0, 1)), 150));
  c.push_back(Label(u"RF Power", In(R, 1, 0)));
  c.push_back(Sized(ComboList(kGwRfPower, In(R, 1, 1)), 150));
  c.push_back(Label(u"RSSI", In(R, 2, 0), kGwRssiLabel));
  c.push_back(Sized(Label(u"", In(R, 2, 1), kGwRssi, kRightAlign), 70));
  Value(c, R, 3, u"RX_RSSI", kGwRxRssi, 70);
  Value(c, R, 4, u"Background RSSI", kGwBackgroundRssi, 70);
  if (!older) Value(c, R, 5, u"RF reinits", kGwRfReinits, 70);

  // The Modbus line.
  c.push_back(GroupBox(M, u"Modbus", At(0, 2)));
  c.push_back(Label(u"MB Addr", In(M, 0, 0)));
  c.push_back(Sized(Edit(kGwModbusAddress, In(M, 0, 1), kRightAlign), 50));
  c.push_back(Label(u"Baudrate", In(M, 1, 0)));
  c.push_back(Sized(
      ComboList(kGwBaudrate, In(M, 1, 1),
                {u"1200", u"2400", u"4800", u"9600", u"19200", u"38400", u"57600", u"115200"}),
      90));
  c.push_back(Label(u"Parity", In(M, 2, 0)));
  c.push_back(Sized(ComboList(kGwParity, In(M, 2, 1), {u"None", u"Even", u"Odd", u".."}), 90));
  c.push_back(Label(u"StopBits", In(M, 3, 0)));
  c.push_back(Sized(ComboList(kGwStopBits, In(M, 3, 1), {u"1", u"2"}), 90));
  c.push_back(CheckBox(kGwSystemMode, u"System mode", In(M, 4, 0, 1, 2)));
  if (!older) c.push_back(CheckBox(kGwOneGatrix, u"One Gatrix", In(M, 5, 0, 1, 2)));

  // Where the data come from and what the gateway reports about itself.
  c.push_back(GroupBox(S, u"State", At(0, 3)));
  c.push_back(SourceIndicator(kGwSource, In(S, 0, 0, 1, 2)));
  c.push_back(Label(u"PRG", In(S, 0, 2), kGwPrg));
  c.push_back(Label(u"OUT", In(S, 0, 3), kGwOut));
  Value(c, S, 1, u"Last Comm", kGwLastComm, 70);
  Value(c, S, 2, u"Uptime", kGwUptime, 90);
  Value(c, S, 3, u"EEPROM writes", kGwEepromWrites, 70);
  if (!older) {
    Value(c, S, 4, u"CPU temperature", kGwCpuTemperature, 70);
    c.push_back(Label(u"\u00B0C", In(S, 4, 2)));
  }
  Value(c, S, 5, u"Unix time", kGwUnixTime, 90);
  c.push_back(Label(u"Device time", In(S, 6, 0)));
  c.push_back(GroupBox(C, u"", In(S, 6, 1, 1, 3)));
  c.push_back(DatePicker(kGwDate, In(C, 0, 0), kDisabled));
  c.push_back(TimePicker(kGwTime, In(C, 0, 1), kDisabled));
  c.push_back(Label(u"Output", In(S, 7, 0)));
  c.push_back(Button(kGwOutOn, u"OUT ON", In(S, 7, 1)));
  c.push_back(Button(kGwOutOff, u"OUT OFF", In(S, 7, 2)));
  // Under the clock, so the group stays narrow enough for the window to fit a small screen.
  c.push_back(Button(kGwSynchronize, u"Synchronize", In(S, 8, 1, 1, 2)));

  // The two device tables, side by side. The columns are wide enough for their values in the
  // window's font (the narrower widths of the original layout cut addresses and levels off).
  c.push_back(GroupBox(D, u"Devices with bidirectional communication", At(1, 0, 1, 2)));
  c.push_back(Sized(ListView(kGwDevices, In(D, 0, 0),
                             {{u"Pos.", 36},
                              {u"RF address", 150},
                              {u"Cache", 44},
                              {u"MB_start", 64},
                              {u"MB_cnt", 56},
                              {u"RSSI DEV->GW", 96},
                              {u"RSSI GW->DEV", 96},
                              {u"Action", 80},
                              {u"MA", 34},
                              {u"HUB", 90},
                              {u"Tstamp", 66},
                              {u"R/W", 40}},
                             kFullRowSelect | kGridLines | kScrollSideways, 256),
                    776, 256));
  c.push_back(GroupBox(U, u"Devices with unidirectional communication", At(1, 2, 1, 2)));
  std::vector<ColumnSpec> uni_columns = {{u"Pos.", 36},     {u"RF address", 150}, {u"MB_reg_1", 70},
                                         {u"MB_reg_2", 70}, {u"RSSI", 64},        {u"Tstamp", 66}};
  // Before 4.00 the gateway keeps no FIFO of captured values.
  if (!older) uni_columns.push_back({u"FIFO", 44});
  c.push_back(Sized(ListView(kGwUniDevices, In(U, 0, 0), std::move(uni_columns),
                             kFullRowSelect | kGridLines | kScrollSideways, 256),
                    494, 256));

  // Tools on the image and the gateway's FIFOs.
  c.push_back(GroupBox(T, u"Tools", At(2, 0, 1, older ? 4 : 2)));
  int col = 0;
  for (const auto& [id, caption] : std::initializer_list<std::pair<int, std::u16string_view>>{
           {kGwCompressCache, u"Compress cache"},
           {kGwCreateReport, u"Create Report"},
           {kGwUniMonitor, u"Unidirectional Monitor"},
           {kGwConfigBridge, u"Config Bridge"},
           {kGwUniFifo, u"UNI FIFO"},
           {kGwUniFifo2, u"UNI FIFO2"},
           {kGwWmbusFifo, u"wMBus FIFO"}}) {
    if (older && id != kGwCompressCache && id != kGwCreateReport && id != kGwUniMonitor) continue;
    // Two rows: the tools on the image, then the FIFO views.
    c.push_back(
        Button(id, caption, In(T, col / 4, col % 4), id == kGwUniMonitor ? kKeepsPlace : 0u));
    ++col;
  }
  if (older) {
    // The transmit request is the 4.00 map's; the older window ends with its tools.
    c.push_back(Progress(kGwProgress, At(3, 0, 1, 4), kHidden | kKeepsPlace));
  }

  if (!older) {
    // A frame for the gateway to transmit.
    c.push_back(GroupBox(X, u"Transmit", At(2, 2, 1, 2)));
    c.push_back(Label(u"Tx Addr", In(X, 0, 0)));
    c.push_back(Sized(Edit(kGwTxAddress, In(X, 0, 1)), 90));
    c.push_back(Label(u"Tx Data", In(X, 0, 2)));
    c.push_back(Sized(Edit(kGwTxData, In(X, 0, 3)), 220));
    c.push_back(Button(kGwTxSend, u">", In(X, 0, 4)));
    c.push_back(Progress(kGwProgress, At(3, 0, 1, 4), kHidden | kKeepsPlace));
  }

  // The operations on the whole image.
  c.push_back(GroupBox(B, u"", At(4, 0, 1, 4)));
  col = 0;
  for (const auto& [id, caption] : std::initializer_list<std::pair<int, std::u16string_view>>{
           {kGwRead, u"Read"},
           {kGwWriteRam, u"Write to RAM"},
           {kGwWriteEeprom, u"Write to EEPROM"},
           {kGwFwUpdate, u"FW Update"},
           {kGwReadLog, u"Read Log"},
           {kGwSave, u"Save"},
           {kGwDefault, u"Default"},
           {kGwImport, u"Import"},
           {kGwExport, u"Export"}}) {
    if (older && (id == kGwDefault || id == kGwImport)) continue;
    // The buttons that need radio contact keep their places while hidden.
    const bool heard_only = id == kGwRead || id == kGwWriteRam || id == kGwWriteEeprom ||
                            id == kGwFwUpdate || id == kGwReadLog;
    c.push_back(Button(id, caption, In(B, 0, col++), heard_only ? kKeepsPlace : 0u));
  }
  // Where the progress bar stands during a Read or Write (the two never show together): the
  // row is kept, so neither makes the window grow.
  c.push_back(
      Label(u"Not in the dongle's heard list: a Scan in the main window makes the gateway "
            u"reachable for Read, Write and its firmware update.",
            At(3, 0, 1, 4), kGwNotHeard, kHidden | kKeepsPlace));
  return c;
}

}  // namespace

const DialogTemplate& GatewayV400Template() {
  static const DialogTemplate t{.id = 175,
                                .title = u"GW Configuration V4.00",
                                .controls = Controls(false),
                                .stretch_columns = {0, 1, 2, 3}};
  return t;
}

const DialogTemplate& GatewayTemplate() {
  static const DialogTemplate t{.id = 148,
                                .title = u"GW Configuration",
                                .controls = Controls(true),
                                .stretch_columns = {0, 1, 2, 3}};
  return t;
}

}  // namespace corvane::ui

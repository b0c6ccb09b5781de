#include "lighting/street_light_template.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "devices/device_template_parts.h"
#include "ui/dialog.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr int kNumber = 60;
constexpr int kWide = 170;
constexpr int kValue = 90;

constexpr std::u16string_view kPointNames[] = {u"1", u"2", u"3", u"4", u"5", u"6", u"7"};
constexpr std::u16string_view kPirStates[] = {u"Vacant",  u"VacantM",  u"Occupied", u"OccupiedM",
                                              u"Still V", u"Stil V M", u"Still O",  u"Still O M"};

// A caption, a value field and a unit in one row of `group`, starting at column `col`.
void Row(std::vector<ControlSpec>& c, int group, int row, int col, std::u16string_view caption,
         ControlSpec value, std::u16string_view unit = u"") {
  c.push_back(Label(caption, In(group, row, col)));
  value.cell = In(group, row, col + 1);
  c.push_back(value);
  if (!unit.empty()) c.push_back(Label(unit, In(group, row, col + 2)));
}

// An empty label after an empty grid column: the empty column takes the group's spare width, so
// edits keep their size and the controls stay together on the left.
ControlSpec Spacer(int group, int col) { return Label(u"", In(group, 0, col)); }

ControlSpec Value(int id, int width = kValue) {
  return Sized(Label(u"", Cell{}, id, kRightAlign), width);
}
ControlSpec Number(int id, int width = kNumber) {
  return Sized(Edit(id, Cell{}, kRightAlign), width);
}

// The window must fit a 1366 x 768 screen: three columns of groups, the first two above the
// device lists and the third down to the buttons.

// Identity and radio, the node's state, and its two light outputs.
void DeviceColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn0;
  constexpr int D = kSlGroupDevice;
  constexpr int S = kSlGroupState;
  constexpr int L = kSlGroupLight;
  c.push_back(GroupBox(K, u"", At(0, 0)));

  // Register 0 is the model code the node does not explain.
  c.insert(c.end(), {
                        GroupBox(D, u"Device", In(K, 0, 0)),
                        Label(u"FW num", In(D, 0, 0)),
                        Label(u"", In(D, 0, 1), kDevFwId),
                        Label(u"Device ID", In(D, 0, 2)),
                        Label(u"", In(D, 0, 3), kDevDeviceId),
                        Label(u"HW num", In(D, 1, 0)),
                        Label(u"", In(D, 1, 1), kDevHwNum),
                        Label(u"EEPROM writes", In(D, 1, 2)),
                        Label(u"", In(D, 1, 3), kSlEepromWrites),
                        Label(u"Name", In(D, 2, 0)),
                        Sized(Edit(kDevName, In(D, 2, 1, 1, 3)), kWide),
                        Label(u"Password", In(D, 3, 0)),
                        Sized(Edit(kDevPassword, In(D, 3, 1, 1, 3)), kWide),
                        Label(u"Frequency", In(D, 4, 0)),
                        Sized(ComboList(kDevFrequency, In(D, 4, 1)), kWide),
                        Label(u"RF power", In(D, 5, 0)),
                        Sized(ComboList(kDevRfPower, In(D, 5, 1),
                                        {u"+27 dBm", u"+20 dBm", u"+14 dBm", u"+10 dBm", u"0 dBm",
                                         u"-10 dBm", u"-20 dBm"}),
                              100),
                        Label(u"System mode", In(D, 5, 2)),
                        Sized(Edit(kSlSystemMode, In(D, 5, 3), kRightAlign), 40),
                        Label(u"GW Address", In(D, 6, 0)),
                        Sized(Edit(kSlGwAddress, In(D, 6, 1)), 100),
                        Label(u"GW timeout", In(D, 6, 2)),
                        Label(u"", In(D, 6, 3), kSlGwTimeout),
                        Label(u"Free field", In(D, 7, 0)),
                        Sized(Edit(kSlFreeField, In(D, 7, 1, 1, 3)), kWide),
                    });

  // Where the data come from, and what the node reports about itself.
  c.push_back(GroupBox(S, u"State", In(K, 1, 0)));
  c.push_back(SourceIndicator(kDevSource, In(S, 0, 0, 2, 2)));
  Row(c, S, 0, 2, u"Last Comm", Value(kDevTime));
  Row(c, S, 1, 2, u"Uptime", Value(kSlUptime));
  Row(c, S, 2, 0, u"Background RSSI", Value(kSlBkRssi, 70));
  Row(c, S, 2, 2, u"CPU Temp", Value(kSlCpuTemp));
  Row(c, S, 3, 0, u"GW->SL", Value(kSlGwToSl, 70));
  Row(c, S, 3, 2, u"SL->GW", Value(kSlSlToGw));
  Row(c, S, 4, 0, u"PC->SL", Value(kSlPcToSl, 70));
  Row(c, S, 4, 2, u"SL->PC", Value(kSlSlToPc));
  c.push_back(Label(u"Mode", In(S, 5, 0)));
  c.push_back(Label(u"", In(S, 5, 1), kSlPrg));

  // The two outputs, set at once, and what limits them.
  c.push_back(GroupBox(L, u"Light", In(K, 2, 0)));
  for (int o = 0; o < 2; ++o) {
    c.push_back(Label(o == 0 ? u"Light Level White" : u"Light Level Red", In(L, o, 0)));
    c.push_back(Sized(Edit(kSlLevel1 + o, In(L, o, 1), kRightAlign), 45));
    c.push_back(Sized(Button(kSlLevelOff1 + o, u"OFF", In(L, o, 2)), 45));
    c.push_back(Sized(Button(kSlLevelOn1 + o, u"ON", In(L, o, 3)), 45));
  }
  Row(c, L, 0, 4, u"Plus minus step", Number(kSlStep, 45));
  Row(c, L, 1, 4, u"Min. intensity", Number(kSlMinIntensity, 45));
  Row(c, L, 2, 0, u"Ambient light", Value(kSlAmbientLight, 45));
}

// Astronomical dimming with its seven schedule points, the node's clock, the mast's position.
void ScheduleColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn1;
  constexpr int A = kSlGroupAstro;
  constexpr int P = kSlGroupSchedule;
  constexpr int C = kSlGroupClock;
  constexpr int X = kSlGroupPosition;
  c.push_back(GroupBox(K, u"", At(0, 1)));

  c.push_back(GroupBox(A, u"Astrodim", In(K, 0, 0)));
  c.push_back(Sized(ComboList(kSlPreset, In(A, 0, 0, 1, 3),
                              {u"Astrodim Off", u"New York", u"Brno", u"London", u"Paris",
                               u"Bratislava", u"Graz"}),
                    kWide));
  Row(c, A, 0, 3, u"Time Shift", Number(kSlTimeShift, 45), u"h");
  c.push_back(CheckBox(kSlSummerTime, u"Summer Time", In(A, 0, 6)));
  Row(c, A, 1, 0, u"Latitude", Number(kSlLatitude, 85), u"\u00B0");
  Row(c, A, 2, 0, u"Longitude", Number(kSlLongitude, 85), u"\u00B0");
  Row(c, A, 1, 3, u"Sunrise", Value(kSlSunrise, 45));
  Row(c, A, 2, 3, u"Sunset", Value(kSlSunset, 45));
  // The points in two blocks side by side, 1 to 4 and 5 to 7, each with its own captions.
  c.push_back(GroupBox(P, u"", In(A, 3, 0, 1, 7)));
  for (int block = 0; block < 2; ++block) {
    const int o = 7 * block;
    int col = o + 1;
    for (std::u16string_view caption : {u"Time", u"Fade", u"White", u"Fade", u"Red"}) {
      c.push_back(Label(caption, In(P, 0, col++)));
    }
  }
  c.push_back(Sized(Label(u"", In(P, 0, 6)), 8));
  for (int p = 0; p < 7; ++p) {
    const int row = p % 4 + 1;
    const int o = p < 4 ? 0 : 7;
    c.push_back(Label(kPointNames[p], In(P, row, o)));
    c.push_back(Sized(Edit(SlPointTime(p), In(P, row, o + 1), kRightAlign), 44));
    c.push_back(CheckBox(SlPointFadeWhite(p), u"", In(P, row, o + 2)));
    c.push_back(Sized(Edit(SlPointWhite(p), In(P, row, o + 3), kRightAlign), 36));
    c.push_back(CheckBox(SlPointFadeRed(p), u"", In(P, row, o + 4)));
    c.push_back(Sized(Edit(SlPointRed(p), In(P, row, o + 5), kRightAlign), 36));
  }

  // The node's clock and its drift against the PC; the calibration beside the drift it corrects.
  constexpr int T = kSlGroupCalibration;
  c.push_back(GroupBox(C, u"Clock", In(K, 1, 0)));
  c.push_back(Label(u"Device time", In(C, 0, 0)));
  c.push_back(DatePicker(kSlDate, In(C, 0, 1)));
  c.push_back(TimePicker(kSlTime, In(C, 0, 2)));
  c.push_back(Sized(Button(kSlSetTime, u">", In(C, 0, 3)), 30));
  c.push_back(Button(kSlUsePcTime, u"Use PC time", In(C, 0, 4)));
  Row(c, C, 1, 0, u"Unix time", Value(kSlUnixTime));
  c.push_back(Label(u"Clock source", In(C, 1, 2)));
  c.push_back(Label(u"SW", In(C, 1, 3), kSlClockSource));
  c.push_back(Button(kSlReadRtcCal, u"Read RTC cal", In(C, 1, 4)));
  c.push_back(Label(u"Calibration", In(C, 2, 0)));
  c.push_back(GroupBox(T, u"", In(C, 2, 1)));
  c.push_back(Sized(Edit(kSlCalibration, In(T, 0, 0), kRightAlign), 70));
  c.push_back(Label(u"ppm", In(T, 0, 1)));
  c.push_back(Spacer(T, 3));
  c.push_back(Label(u"LS/PC ppm", In(C, 2, 2, 1, 2)));
  c.push_back(Label(u"", In(C, 2, 4), kSlLsPcPpm, kRightAlign));
  Row(c, C, 3, 0, u"LSE seconds", Value(kSlLseSeconds));
  c.push_back(Label(u"LS/PC difference", In(C, 3, 2, 1, 2)));
  c.push_back(Label(u"", In(C, 3, 4), kSlLsPcDifference, kRightAlign));
  c.push_back(Spacer(C, 6));

  // Position of the mast.
  c.push_back(GroupBox(X, u"Accelerometer", In(K, 2, 0)));
  int col = 1;
  for (std::u16string_view axis : {u"x", u"y", u"z"}) {
    c.push_back(Label(axis, In(X, 0, col++), kNoId, kCenter));
  }
  c.push_back(Label(u"ref [mg]", In(X, 1, 0)));
  c.push_back(Label(u"actual [mg]", In(X, 2, 0)));
  for (int a = 0; a < 3; ++a) {
    c.push_back(Sized(Edit(kSlRefX + a, In(X, 1, 1 + a), kRightAlign), 50));
    c.push_back(Sized(Label(u"", In(X, 2, 1 + a), kSlActX + a, kRightAlign), 50));
  }
  c.push_back(Sized(Label(u"", In(X, 0, 4)), 12));
  c.push_back(Label(u"Angle", In(X, 1, 5)));
  c.push_back(Label(u"", In(X, 1, 6), kSlAngle, kRightAlign));
  c.push_back(Button(kSlFixPos, u"fix pos.", In(X, 2, 5, 1, 2)));
  c.push_back(Spacer(X, 8));
}

// DALI, the PIR sensors and the bank counters: the column that reaches down to the buttons.
void DaliColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn2;
  constexpr int D = kSlGroupDali;
  constexpr int Q = kSlGroupDaliCommand;
  constexpr int R = kSlGroupDaliResponse;
  constexpr int M = kSlGroupMem;
  constexpr int B = kSlGroupBallast;
  constexpr int T = kSlGroupReadPeriod;
  constexpr int P = kSlGroupPir;
  constexpr int W = kSlGroupDistribute;
  constexpr int G = kSlGroupDiag;
  c.push_back(GroupBox(K, u"", At(0, 2, 2, 1)));

  // One command with its length, priority and repetition, and what came back.
  c.push_back(GroupBox(D, u"DALI", In(K, 0, 0)));
  c.push_back(Label(u"DALI cmd", In(D, 0, 0)));
  c.push_back(GroupBox(Q, u"", In(D, 0, 1)));
  c.push_back(Sized(Edit(kSlDaliCommand, In(Q, 0, 0)), 80));
  c.push_back(Label(u"Len", In(Q, 0, 1)));
  c.push_back(Sized(Edit(kSlDaliLength, In(Q, 0, 2), kRightAlign), 35));
  c.push_back(Label(u"Prio", In(Q, 0, 3)));
  c.push_back(Sized(Edit(kSlDaliPriority, In(Q, 0, 4), kRightAlign), 30));
  c.push_back(CheckBox(kSlDaliTwice, u"Twice", In(Q, 0, 5)));
  c.push_back(Sized(Button(kSlDaliSend, u">", In(Q, 0, 6)), 30));
  c.push_back(Spacer(Q, 8));
  c.push_back(Label(u"Response", In(D, 1, 0)));
  c.push_back(GroupBox(R, u"", In(D, 1, 1)));
  c.push_back(Sized(Label(u"", In(R, 0, 0), kSlResponse), 80));
  c.push_back(Label(u"DALI status", In(R, 0, 1)));
  c.push_back(Sized(Label(u"", In(R, 0, 2), kSlDaliStatus), 70));
  c.push_back(Button(kSlDaliEditor, u"Editor...", In(R, 0, 4)));
  // The memory bank the node read, beside the button and the bank number.
  c.push_back(GroupBox(M, u"", In(D, 2, 0, 1, 2)));
  c.push_back(Button(kSlReadMem, u"Read Mem", In(M, 0, 0)));
  c.push_back(Sized(Edit(kSlMemNumber, In(M, 1, 0), kRightAlign), 60));
  for (int i = 0; i < 16; ++i) {
    c.push_back(Sized(Edit(SlMem(i), In(M, i / 8, 1 + i % 8), kReadOnly | kCenter), 30));
  }
  c.push_back(Spacer(M, 10));
  // The ballasts behind the node.
  c.push_back(GroupBox(B, u"", In(D, 3, 0, 1, 2)));
  c.push_back(Button(kSlGiveDaliAddr, u"Give Dali Addr", In(B, 0, 0)));
  c.push_back(Sized(ComboList(kSlDaliBallast, In(B, 0, 1), {u"0", u"1"}), 50));
  c.push_back(Label(u"Dali Addr Offset", In(B, 0, 2)));
  c.push_back(Sized(Edit(kSlDaliAddrOffset, In(B, 0, 3), kRightAlign), 40));
  c.push_back(Button(kSlReadBallastNow, u"Read Ballast Now", In(B, 1, 0)));
  c.push_back(Button(kSlBallastData1, u"Ballast Data 1", In(B, 1, 1)));
  c.push_back(Button(kSlBallastData2, u"Ballast Data 2", In(B, 1, 2, 1, 2)));
  c.push_back(Label(u"Read Mem Period", In(B, 2, 0)));
  c.push_back(GroupBox(T, u"", In(B, 2, 1)));
  c.push_back(Sized(Edit(kSlReadPeriod, In(T, 0, 0), kRightAlign), 45));
  c.push_back(Label(u"min", In(T, 0, 1)));
  c.push_back(Spacer(T, 3));
  c.push_back(CheckBox(kSlTwoBallasts, u"Two balasts", In(B, 2, 2, 1, 2)));
  c.push_back(Label(u"Rising edge", In(B, 3, 0)));
  c.push_back(Label(u"", In(B, 3, 1), kSlRisingEdge));
  c.push_back(Label(u"Falling edge", In(B, 3, 2)));
  c.push_back(Label(u"", In(B, 3, 3), kSlFallingEdge));
  c.push_back(Spacer(B, 5));

  c.push_back(GroupBox(P, u"PIR", In(K, 1, 0)));
  c.push_back(Label(u"Use PIR", In(P, 0, 0)));
  c.push_back(Sized(ComboList(kSlUsePir, In(P, 0, 1, 1, 2),
                              {u"PIR 1 or PIR 2", u"PIR 1", u"PIR 2", u"External PIR",
                               u"PIR on I/O", u"PIR1 or 2 or Extern", u"I/O or Extern", u"--"}),
                    150));
  c.push_back(CheckBox(kSlPirPriority, u"PIR highest priority", In(P, 1, 0, 1, 2)));
  c.push_back(CheckBox(kSlPirLightOff, u"PIR active by light off", In(P, 1, 2, 1, 2)));
  Row(c, P, 2, 0, u"PIR white", Number(kSlPirWhite, 45));
  Row(c, P, 2, 2, u"PIR orange", Number(kSlPirOrange, 45));
  Row(c, P, 3, 0, u"PIR FadeIn[s]", Number(kSlPirFadeIn, 45));
  Row(c, P, 3, 2, u"PIR FadeOut[s]", Number(kSlPirFadeOut, 45));
  Row(c, P, 4, 0, u"PIR Delay[s]", Number(kSlPirDelay, 45));
  Row(c, P, 4, 2, u"PIR timeout", Value(kSlPirTimeout, 45));
  c.push_back(Label(u"External PIR", In(P, 5, 0)));
  c.push_back(Sized(
      ComboList(kSlExternalPir, In(P, 5, 1, 1, 2),
                std::vector<std::u16string_view>(std::begin(kPirStates), std::end(kPirStates))),
      100));
  c.push_back(Label(u"0000", In(P, 5, 3), kSlWord909, kRightAlign));
  Row(c, P, 6, 0, u"PIR1+PIR2", Sized(Label(u"", Cell{}, kSlPirCombined), 75));
  Row(c, P, 6, 2, u"PIR act.white", Value(kSlPirActWhite, 45));
  Row(c, P, 7, 0, u"PIR1", Sized(Label(u"", Cell{}, kSlPir1), 75));
  Row(c, P, 7, 2, u"PIR act.orange", Value(kSlPirActOrange, 45));
  Row(c, P, 8, 0, u"PIR2", Sized(Label(u"", Cell{}, kSlPir2), 75));
  c.push_back(Spacer(P, 5));
  c.push_back(Label(u"PIR distribute address", In(P, 9, 0, 1, 4)));
  c.push_back(GroupBox(W, u"", In(P, 10, 0, 1, 4)));
  for (int i = 0; i < 8; ++i) {
    c.push_back(Sized(Edit(SlPirDistribute(i), In(W, i / 4, i % 4)), 80));
  }

  // The node's bank counters, in one row.
  c.push_back(GroupBox(G, u"Diagnostics", In(K, 2, 0)));
  c.push_back(Label(u"Bank Error", In(G, 0, 0)));
  c.push_back(Sized(Edit(kSlBankError1, In(G, 0, 1), kReadOnly | kRightAlign), 30));
  c.push_back(Sized(Edit(kSlBankError2, In(G, 0, 2), kReadOnly | kRightAlign), 30));
  c.push_back(Label(u"Bank OK", In(G, 0, 3)));
  c.push_back(Sized(Edit(kSlBankOk1, In(G, 0, 4), kReadOnly | kRightAlign), 30));
  c.push_back(Sized(Edit(kSlBankOk2, In(G, 0, 5), kReadOnly | kRightAlign), 30));
  c.push_back(Label(u"Dbg", In(G, 0, 6)));
  c.push_back(Label(u"", In(G, 0, 7), kSlDbg));
  c.push_back(Sized(Button(kSlClean, u"Clean", In(G, 0, 9)), 50));
}

std::vector<ControlSpec> Controls() {
  std::vector<ControlSpec> c;
  DeviceColumn(c);
  ScheduleColumn(c);
  DaliColumn(c);
  // Both lists under the first two columns; they show a few rows and scroll sideways to the
  // columns they have no room for.
  constexpr int L = kSlGroupLists;
  c.push_back(GroupBox(L, u"", At(1, 0, 1, 2)));
  c.push_back(Label(u"Control Devices", In(L, 0, 0)));
  c.push_back(Sized(
      ListView(
          kSlControlDevices, In(L, 1, 0),
          {{u"Pos.", 40}, {u"RF address", 170}, {u"RSSI", 60}, {u"RSSI_RX", 60}, {u"TSTAMP", 70}},
          kFullRowSelect | kGridLines | kScrollSideways, 100),
      330, 100));
  c.push_back(Label(u"Routed Devices", In(L, 0, 1)));
  c.push_back(Sized(ListView(kSlRoutedDevices, In(L, 1, 1),
                             {{u"Pos.", 40},
                              {u"RF address", 170},
                              {u"Action", 70},
                              {u"RSSI", 60},
                              {u"RSSI_RX", 60},
                              {u"HUB", 90},
                              {u"Tstamp", 70}},
                             kFullRowSelect | kGridLines | kScrollSideways, 100),
                    500, 100));
  constexpr int B = kSlGroupButtons;
  AddDeviceButtons(c, B, At(2, 0, 1, 3));
  for (ControlSpec& s : c) {
    if (s.id == kDevFwUpdate) s.caption = u"Update";
  }
  c.push_back(Progress(kSlProgress, At(3, 0, 1, 3), kHidden));
  return c;
}

}  // namespace

const DialogTemplate& StreetLightTemplate() {
  static const DialogTemplate t{
      .id = 164, .title = u"Configuration", .controls = Controls(), .stretch_columns = {0, 1, 2}};
  return t;
}

}  // namespace corvane::ui

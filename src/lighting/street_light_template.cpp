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

void DeviceColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn0;
  constexpr int D = kSlGroupDevice;
  constexpr int S = kSlGroupState;
  constexpr int A = kSlGroupAstro;
  constexpr int P = kSlGroupSchedule;
  c.push_back(GroupBox(K, u"", At(0, 0)));

  // Identity and radio; register 0 is the model code the node does not explain.
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
                        Sized(ComboList(kDevFrequency, In(D, 4, 1, 1, 3)), kWide),
                        Label(u"RF power", In(D, 5, 0)),
                        Sized(ComboList(kDevRfPower, In(D, 5, 1, 1, 3),
                                        {u"+27 dBm", u"+20 dBm", u"+14 dBm", u"+10 dBm", u"0 dBm",
                                         u"-10 dBm", u"-20 dBm"}),
                              kWide),
                        Label(u"System mode", In(D, 6, 0)),
                        Sized(Edit(kSlSystemMode, In(D, 6, 1), kRightAlign), kNumber),
                        Label(u"GW Address", In(D, 7, 0)),
                        Sized(Edit(kSlGwAddress, In(D, 7, 1, 1, 3)), kWide),
                        Label(u"GW timeout", In(D, 8, 0)),
                        Label(u"", In(D, 8, 1), kSlGwTimeout),
                        Label(u"Free field", In(D, 9, 0)),
                        Sized(Edit(kSlFreeField, In(D, 9, 1, 1, 3)), kWide),
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

  // Astronomical dimming: where the node stands and its seven schedule points.
  c.push_back(GroupBox(A, u"Astrodim", In(K, 2, 0)));
  c.push_back(Sized(ComboList(kSlPreset, In(A, 0, 0, 1, 2),
                              {u"Astrodim Off", u"New York", u"Brno", u"London", u"Paris",
                               u"Bratislava", u"Graz"}),
                    kWide));
  c.push_back(CheckBox(kSlSummerTime, u"Summer Time", In(A, 0, 2, 1, 2)));
  Row(c, A, 1, 0, u"Latitude", Number(kSlLatitude, 90), u"\u00B0");
  Row(c, A, 2, 0, u"Longitude", Number(kSlLongitude, 90), u"\u00B0");
  Row(c, A, 3, 0, u"Time Shift", Number(kSlTimeShift), u"h");
  Row(c, A, 1, 3, u"Sunrise", Value(kSlSunrise, 60));
  Row(c, A, 2, 3, u"Sunset", Value(kSlSunset, 60));
  c.push_back(Spacer(A, 7));
  c.push_back(GroupBox(P, u"", In(A, 4, 0, 1, 6)));
  int col = 1;
  for (std::u16string_view caption : {u"Time", u"Fade", u"White", u"Fade", u"Red"}) {
    c.push_back(Label(caption, In(P, 0, col++)));
  }
  for (int p = 0; p < 7; ++p) {
    c.push_back(Label(kPointNames[p], In(P, p + 1, 0)));
    c.push_back(Sized(Edit(SlPointTime(p), In(P, p + 1, 1), kRightAlign), kNumber));
    c.push_back(CheckBox(SlPointFadeWhite(p), u"", In(P, p + 1, 2)));
    c.push_back(Sized(Edit(SlPointWhite(p), In(P, p + 1, 3), kRightAlign), 50));
    c.push_back(CheckBox(SlPointFadeRed(p), u"", In(P, p + 1, 4)));
    c.push_back(Sized(Edit(SlPointRed(p), In(P, p + 1, 5), kRightAlign), 50));
  }
  c.push_back(Spacer(P, 7));
}

void LightColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn1;
  constexpr int C = kSlGroupClock;
  constexpr int L = kSlGroupLight;
  constexpr int D = kSlGroupDali;
  constexpr int M = kSlGroupMem;
  c.push_back(GroupBox(K, u"", At(0, 1)));

  // The node's clock and its drift against the PC.
  c.push_back(GroupBox(C, u"Clock", In(K, 0, 0)));
  c.push_back(Label(u"Device time", In(C, 0, 0)));
  c.push_back(DatePicker(kSlDate, In(C, 0, 1)));
  c.push_back(TimePicker(kSlTime, In(C, 0, 2)));
  c.push_back(Sized(Button(kSlSetTime, u">", In(C, 0, 3)), 30));
  c.push_back(Button(kSlUsePcTime, u"Use PC time", In(C, 0, 4)));
  Row(c, C, 1, 0, u"Unix time", Value(kSlUnixTime));
  c.push_back(Label(u"Clock source", In(C, 1, 2)));
  c.push_back(Label(u"SW", In(C, 1, 3, 1, 2), kSlClockSource));
  Row(c, C, 2, 0, u"Calibration", Number(kSlCalibration), u"ppm");
  c.push_back(Button(kSlReadRtcCal, u"Read RTC cal", In(C, 2, 4)));
  Row(c, C, 3, 0, u"LSE seconds", Value(kSlLseSeconds));
  c.push_back(Label(u"LS/PC difference", In(C, 3, 2, 1, 2)));
  c.push_back(Label(u"", In(C, 3, 4), kSlLsPcDifference, kRightAlign));
  Row(c, C, 4, 0, u"LS/PC ppm", Value(kSlLsPcPpm));
  c.push_back(Spacer(C, 6));

  // The two outputs, set at once.
  c.push_back(GroupBox(L, u"Light", In(K, 1, 0)));
  for (int o = 0; o < 2; ++o) {
    c.push_back(Label(o == 0 ? u"Light Level White" : u"Light Level Red", In(L, o, 0)));
    c.push_back(Sized(Edit(kSlLevel1 + o, In(L, o, 1), kRightAlign), 50));
    c.push_back(Button(kSlLevelOff1 + o, u"OFF", In(L, o, 2)));
    c.push_back(Button(kSlLevelOn1 + o, u"ON", In(L, o, 3)));
  }
  Row(c, L, 2, 0, u"Plus minus step", Number(kSlStep, 50));
  Row(c, L, 3, 0, u"Min. intensity", Number(kSlMinIntensity, 50));
  Row(c, L, 4, 0, u"Ambient light", Value(kSlAmbientLight, 50));
  c.push_back(Spacer(L, 5));

  // DALI: one command, the ballasts and their memory.
  c.push_back(GroupBox(D, u"DALI", In(K, 2, 0)));
  c.push_back(Label(u"DALI cmd", In(D, 0, 0)));
  c.push_back(Sized(Edit(kSlDaliCommand, In(D, 0, 1)), 80));
  c.push_back(Label(u"Len", In(D, 0, 2)));
  c.push_back(Sized(Edit(kSlDaliLength, In(D, 0, 3), kRightAlign), 35));
  c.push_back(Label(u"Prio", In(D, 0, 4)));
  c.push_back(Sized(Edit(kSlDaliPriority, In(D, 0, 5), kRightAlign), 30));
  c.push_back(CheckBox(kSlDaliTwice, u"Twice", In(D, 0, 6)));
  c.push_back(Sized(Button(kSlDaliSend, u">", In(D, 0, 7)), 30));
  c.push_back(Button(kSlDaliEditor, u"Editor...", In(D, 1, 6, 1, 2)));
  c.push_back(Label(u"Response", In(D, 1, 0)));
  c.push_back(Sized(Label(u"", In(D, 1, 1, 1, 2), kSlResponse), 90));
  c.push_back(Label(u"DALI status", In(D, 1, 3, 1, 2)));
  c.push_back(Sized(Label(u"", In(D, 1, 5), kSlDaliStatus), 100));
  c.push_back(Button(kSlReadMem, u"Read Mem", In(D, 2, 0)));
  c.push_back(Sized(Edit(kSlMemNumber, In(D, 2, 1), kRightAlign), 80));
  c.push_back(GroupBox(M, u"", In(D, 3, 0, 1, 8)));
  for (int i = 0; i < 16; ++i) {
    c.push_back(Sized(Edit(SlMem(i), In(M, i / 8, i % 8), kReadOnly | kCenter), 34));
  }
  c.push_back(Spacer(M, 9));
  c.push_back(Button(kSlGiveDaliAddr, u"Give Dali Addr", In(D, 4, 0)));
  c.push_back(Sized(ComboList(kSlDaliBallast, In(D, 4, 1), {u"0", u"1"}), 50));
  c.push_back(Label(u"Dali Addr Offset", In(D, 4, 2, 1, 3)));
  c.push_back(Sized(Edit(kSlDaliAddrOffset, In(D, 4, 5), kRightAlign), 40));
  c.push_back(Button(kSlReadBallastNow, u"Read Ballast Now", In(D, 5, 0)));
  c.push_back(Button(kSlBallastData1, u"Ballast Data 1", In(D, 5, 1, 1, 2)));
  c.push_back(Button(kSlBallastData2, u"Ballast Data 2", In(D, 5, 3, 1, 3)));
  c.push_back(Label(u"Read Mem Period", In(D, 6, 0)));
  c.push_back(Sized(Edit(kSlReadPeriod, In(D, 6, 1), kRightAlign), 50));
  c.push_back(Label(u"min", In(D, 6, 2)));
  c.push_back(CheckBox(kSlTwoBallasts, u"Two balasts", In(D, 6, 3, 1, 3)));
  c.push_back(Label(u"Rising edge", In(D, 7, 0)));
  c.push_back(Label(u"", In(D, 7, 1), kSlRisingEdge));
  c.push_back(Label(u"Falling edge", In(D, 7, 2, 1, 3)));
  c.push_back(Label(u"", In(D, 7, 5, 1, 2), kSlFallingEdge));
  c.push_back(Spacer(D, 9));
}

void PirColumn(std::vector<ControlSpec>& c) {
  constexpr int K = kSlGroupColumn2;
  constexpr int P = kSlGroupPir;
  constexpr int X = kSlGroupPosition;
  constexpr int G = kSlGroupDiag;
  c.push_back(GroupBox(K, u"", At(0, 2)));

  c.push_back(GroupBox(P, u"PIR", In(K, 0, 0)));
  c.push_back(Label(u"Use PIR", In(P, 0, 0)));
  c.push_back(Sized(ComboList(kSlUsePir, In(P, 0, 1, 1, 3),
                              {u"PIR 1 or PIR 2", u"PIR 1", u"PIR 2", u"External PIR",
                               u"PIR on I/O", u"PIR1 or 2 or Extern", u"I/O or Extern", u"--"}),
                    150));
  c.push_back(CheckBox(kSlPirPriority, u"PIR highest priority", In(P, 1, 0, 1, 4)));
  c.push_back(CheckBox(kSlPirLightOff, u"PIR active by light off", In(P, 2, 0, 1, 4)));
  Row(c, P, 3, 0, u"PIR white", Number(kSlPirWhite, 50));
  Row(c, P, 3, 2, u"PIR orange", Number(kSlPirOrange, 50));
  Row(c, P, 4, 0, u"PIR Delay[s]", Number(kSlPirDelay, 50));
  Row(c, P, 5, 0, u"PIR FadeIn[s]", Number(kSlPirFadeIn, 50));
  Row(c, P, 5, 2, u"PIR FadeOut[s]", Number(kSlPirFadeOut, 50));
  c.push_back(Label(u"External PIR", In(P, 6, 0)));
  c.push_back(Sized(
      ComboList(kSlExternalPir, In(P, 6, 1, 1, 2),
                std::vector<std::u16string_view>(std::begin(kPirStates), std::end(kPirStates))),
      100));
  c.push_back(Label(u"0000", In(P, 6, 3), kSlWord909));
  Row(c, P, 7, 0, u"PIR1+PIR2", Sized(Label(u"", Cell{}, kSlPirCombined), 150));
  Row(c, P, 8, 0, u"PIR1", Sized(Label(u"", Cell{}, kSlPir1), 150));
  Row(c, P, 9, 0, u"PIR2", Sized(Label(u"", Cell{}, kSlPir2), 150));
  Row(c, P, 10, 0, u"PIR act.white", Value(kSlPirActWhite, 40));
  Row(c, P, 10, 2, u"PIR act.orange", Value(kSlPirActOrange, 40));
  Row(c, P, 11, 0, u"PIR timeout", Value(kSlPirTimeout, 40));
  c.push_back(Spacer(P, 5));
  c.push_back(Label(u"PIR distribute address", In(P, 12, 0, 1, 4)));
  for (int i = 0; i < 8; ++i) {
    c.push_back(Sized(Edit(SlPirDistribute(i), In(P, 13 + i / 2, (i % 2) * 2, 1, 2)), 90));
  }

  // Position of the mast.
  c.push_back(GroupBox(X, u"Accelerometer", In(K, 1, 0)));
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
  c.push_back(Label(u"Angle", In(X, 3, 0)));
  c.push_back(Label(u"", In(X, 3, 1), kSlAngle, kRightAlign));
  c.push_back(Button(kSlFixPos, u"fix pos.", In(X, 3, 2, 1, 2)));
  c.push_back(Spacer(X, 5));

  // The node's bank counters.
  c.push_back(GroupBox(G, u"Diagnostics", In(K, 2, 0)));
  c.push_back(Label(u"Bank Error", In(G, 0, 0)));
  c.push_back(Sized(Edit(kSlBankError1, In(G, 0, 1), kReadOnly | kRightAlign), 34));
  c.push_back(Sized(Edit(kSlBankError2, In(G, 0, 2), kReadOnly | kRightAlign), 34));
  c.push_back(Label(u"Dbg", In(G, 0, 3)));
  c.push_back(Label(u"", In(G, 0, 4), kSlDbg));
  c.push_back(Label(u"Bank OK", In(G, 1, 0)));
  c.push_back(Sized(Edit(kSlBankOk1, In(G, 1, 1), kReadOnly | kRightAlign), 34));
  c.push_back(Sized(Edit(kSlBankOk2, In(G, 1, 2), kReadOnly | kRightAlign), 34));
  c.push_back(Button(kSlClean, u"Clean", In(G, 1, 3, 1, 2)));
  c.push_back(Spacer(G, 6));
}

std::vector<ControlSpec> Controls() {
  std::vector<ControlSpec> c;
  DeviceColumn(c);
  LightColumn(c);
  PirColumn(c);
  constexpr int L = kSlGroupLists;
  c.push_back(GroupBox(L, u"", At(1, 0, 1, 3)));
  c.push_back(Label(u"Control Devices", In(L, 0, 0)));
  c.push_back(ListView(
      kSlControlDevices, In(L, 1, 0),
      {{u"Pos.", 40}, {u"RF address", 170}, {u"RSSI", 60}, {u"RSSI_RX", 60}, {u"TSTAMP", 70}},
      kFullRowSelect | kGridLines, 150));
  c.push_back(Label(u"Routed Devices", In(L, 0, 1)));
  c.push_back(ListView(kSlRoutedDevices, In(L, 1, 1),
                       {{u"Pos.", 40},
                        {u"RF address", 170},
                        {u"Action", 70},
                        {u"RSSI", 60},
                        {u"RSSI_RX", 60},
                        {u"HUB", 90},
                        {u"Tstamp", 70}},
                       kFullRowSelect | kGridLines, 150));
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

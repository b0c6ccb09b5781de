#include "devices/room_unit_template.h"

#include <initializer_list>
#include <utility>

#include "devices/device_template_parts.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr int kValueWidth = 64;
constexpr int kEditWidth = 56;

// A read-only value with its caption: caption in `col`, value beside it.
void Value(std::vector<ControlSpec>& c, int group, int row, int col, std::u16string_view caption,
           int id, int caption_id = kNoId) {
  c.push_back(Label(caption, In(group, row, col), caption_id));
  c.push_back(Sized(Label(u"", In(group, row, col + 1), id, kRightAlign), kValueWidth));
}

// An edit with its caption and unit: caption in `col`, edit, then the unit.
void Field(std::vector<ControlSpec>& c, int group, int row, int col, std::u16string_view caption,
           int id, std::u16string_view unit, int caption_id = kNoId, int unit_id = kNoId) {
  c.push_back(Label(caption, In(group, row, col), caption_id));
  c.push_back(Sized(Edit(id, In(group, row, col + 1), kRightAlign), kEditWidth));
  c.push_back(Label(unit, In(group, row, col + 2), unit_id));
}

// Identity and radio settings; the Calidor-C shows neither Device ID nor HW num, but keeps the
// fields hidden so the shared header rows find them.
void DeviceGroup(std::vector<ControlSpec>& c, int group, Cell cell, bool identity) {
  const uint32_t hidden = identity ? 0u : static_cast<uint32_t>(kHidden);
  c.push_back(GroupBox(group, u"Device", cell));
  c.push_back(Label(u"Modbus ID", In(group, 0, 0)));
  c.push_back(Label(u"", In(group, 0, 1), kDevModbusId));
  c.push_back(Label(u"FW ID", In(group, 0, 2)));
  c.push_back(Label(u"", In(group, 0, 3), kDevFwId));
  if (identity) c.push_back(Label(u"Device ID", In(group, 1, 0)));
  // Without identity fields the row stays empty and takes no room.
  c.push_back(Label(u"", In(group, identity ? 1 : 6, 1), kDevDeviceId, hidden));
  if (identity) c.push_back(Label(u"HW num", In(group, 1, 2)));
  c.push_back(Label(u"", In(group, identity ? 1 : 6, 3), kDevHwNum, hidden));
  const int top = identity ? 2 : 1;
  c.push_back(Label(u"Name", In(group, top, 0)));
  c.push_back(Sized(Edit(kDevName, In(group, top, 1, 1, 3)), 160));
  c.push_back(Label(u"Password", In(group, top + 1, 0)));
  c.push_back(Sized(Edit(kDevPassword, In(group, top + 1, 1, 1, 3)), 160));
  c.push_back(Label(u"Frequency", In(group, top + 2, 0)));
  c.push_back(Sized(ComboList(kDevFrequency, In(group, top + 2, 1, 1, 3)), 160));
  c.push_back(Label(u"RF Power", In(group, top + 3, 0)));
  c.push_back(Sized(ComboList(kDevRfPower, In(group, top + 3, 1, 1, 3)), 160));
}

std::vector<ControlSpec> RoomUnitControls() {
  std::vector<ControlSpec> c;
  // Row 0: who the device is, how it is, what it measures, its clock.
  DeviceGroup(c, kRuGroupDevice, At(0, 0), true);

  constexpr int S = kRuGroupState;
  c.push_back(GroupBox(S, u"State", At(0, 1)));
  c.push_back(SourceIndicator(kDevSource, In(S, 0, 0, 1, 4)));
  Value(c, S, 1, 0, u"EEP writes", kRuEepWrites);
  Value(c, S, 1, 2, u"Uptime", kRuUptime);
  Value(c, S, 2, 0, u"Bat voltage", kRuBatVoltage);
  Value(c, S, 2, 2, u"Bat state", kRuBatState);
  Value(c, S, 3, 0, u"Vcpu", kRuVcpu);
  Value(c, S, 3, 2, u"CO2 fails:", kRuCo2Fails);
  Value(c, S, 4, 0, u"RSSI", kRuRssi);
  Value(c, S, 4, 2, u"RX_RSSI", kRuRxRssi);
  Value(c, S, 5, 0, u"Bk RSSI", kRuBkRssi);

  constexpr int M = kRuGroupMeasured;
  c.push_back(GroupBox(M, u"Measured values", At(0, 2)));
  Value(c, M, 0, 0, u"Actual temp:", kRuActualTemp);
  Value(c, M, 1, 0, u"Actual setpoint heat:", kRuActualHeat);
  Value(c, M, 2, 0, u"Actual setpoint cool:", kRuActualCool);
  Value(c, M, 3, 0, u"Actual rH:", kRuActualRh);
  Value(c, M, 4, 0, u"Actual CO2:", kRuActualCo2, kRuActualCo2Label);
  c.push_back(Label(u"Outside temp", In(M, 5, 0)));
  c.push_back(Sized(Edit(kRuOutsideTemp, In(M, 5, 1), kRightAlign), kValueWidth));
  c.push_back(Label(u"\u00B0C", In(M, 5, 2)));

  constexpr int K = kRuGroupClock;
  c.push_back(GroupBox(K, u"Clock", At(0, 3)));
  c.push_back(Label(u"PC time", In(K, 0, 0)));
  c.push_back(DatePicker(kRuPcDate, In(K, 0, 1), kDisabled));
  c.push_back(TimePicker(kRuPcTime, In(K, 0, 2), kDisabled));
  c.push_back(Label(u"Device time", In(K, 1, 0)));
  c.push_back(DatePicker(kRuDeviceDate, In(K, 1, 1), kDisabled));
  c.push_back(TimePicker(kRuDeviceTime, In(K, 1, 2), kDisabled));
  c.push_back(Button(kRuSynchronize, u"Synchronize", In(K, 2, 1, 1, 2)));
  c.push_back(Label(u"TPG num", In(K, 3, 0)));
  c.push_back(Sized(ComboList(kRuTpgNum, In(K, 3, 1), {u"1", u"2", u"3", u"4", u"5", u"6"}), 80));

  // Row 1: the set points, the corrections, the modes and fan.
  constexpr int P = kRuGroupSetPoints;
  c.push_back(GroupBox(P, u"Set points", At(1, 0)));
  Field(c, P, 0, 0, u"Set day temp", kRuSetDayTemp, u"\u00B0C");
  Field(c, P, 1, 0, u"Set night temp", kRuSetNightTemp, u"\u00B0C");
  Field(c, P, 2, 0, u"Set att temp", kRuSetAttTemp, u"\u00B0C");
  Field(c, P, 3, 0, u"Set day cool", kRuSetDayCool, u"\u00B0C");
  Field(c, P, 4, 0, u"Set night cool", kRuSetNightCool, u"\u00B0C");
  Field(c, P, 5, 0, u"Set att cool", kRuSetAttCool, u"\u00B0C");

  constexpr int L = kRuGroupLimits;
  c.push_back(GroupBox(L, u"Limits and steps", At(1, 1)));
  Field(c, L, 0, 0, u"Min DNA temp", kRuMinDnaTemp, u"\u00B0C");
  Field(c, L, 1, 0, u"Max DNA temp", kRuMaxDnaTemp, u"\u00B0C");
  Field(c, L, 2, 0, u"Step temp", kRuStepTemp, u"\u00B0C");
  Field(c, L, 3, 0, u"Step minutes", kRuStepMinutes, u"min");
  Field(c, L, 4, 0, u"CO2 meas. period", kRuCo2MeasPeriod, u"s", kRuCo2MeasPeriodLabel,
        kRuCo2MeasPeriodUnit);
  Field(c, L, 5, 0, u"CO2 ABC period", kRuCo2AbcPeriod, u"h", kRuCo2AbcPeriodLabel,
        kRuCo2AbcPeriodUnit);

  constexpr int C = kRuGroupCorrections;
  c.push_back(GroupBox(C, u"Corrections", At(1, 2)));
  Field(c, C, 0, 0, u"Temp correction", kRuTempCorrection, u"\u00B0C");
  Field(c, C, 1, 0, u"Correction min", kRuCorrectionMin, u"\u00B0C");
  Field(c, C, 2, 0, u"Correction max", kRuCorrectionMax, u"\u00B0C");
  Field(c, C, 3, 0, u"Correction temp", kRuCorrectionTemp, u"\u00B0C");
  Field(c, C, 4, 0, u"Correction rH", kRuCorrectionRh, u"%");
  Field(c, C, 5, 0, u"Correction CO2", kRuCorrectionCo2, u"ppm", kRuCorrectionCo2Label,
        kRuCorrectionCo2Unit);
  // The two reset requests of the unit options, side by side.
  c.push_back(CheckBox(kRuResTempCorr, u"Res Temp Corr", In(C, 6, 0)));
  c.push_back(CheckBox(kRuResetFan, u"Reset Fan", In(C, 6, 1, 1, 2)));

  constexpr int O = kRuGroupModes;
  c.push_back(GroupBox(O, u"Modes", At(1, 3)));
  c.push_back(Label(u"input", In(O, 0, 0)));
  c.push_back(Sized(Label(u"", In(O, 0, 1), kRuInput, kRightAlign), 52));
  c.push_back(
      Sized(ComboList(kRuLastHeatCool, In(O, 0, 2), {u"Last heating", u"Last cooling"}), 130));
  c.push_back(Label(u"act mode", In(O, 1, 0)));
  c.push_back(Sized(Label(u"", In(O, 1, 1), kRuActMode, kRightAlign), 52));
  c.push_back(Label(u"set mode", In(O, 2, 0)));
  c.push_back(Sized(Label(u"", In(O, 2, 1), kRuSetModeHex, kRightAlign), 52));
  c.push_back(Sized(
      ComboList(kRuSetMode, In(O, 2, 2), {u"Day", u"Night", u"Attenuation", u"Auto", u"Party"}),
      130));
  c.push_back(Label(u"Fan mode", In(O, 3, 0)));
  c.push_back(
      Sized(ComboList(kRuFanMode, In(O, 3, 2),
                      {u"Fan auto", u"Fan off", u"Fan manual 1", u"Fan manual 2", u"Fan manual 3"}),
            130));
  c.push_back(Sized(
      ComboList(kRuFanSpeed, In(O, 4, 2), {u"Fan 1 speed", u"Fan 2 speed", u"Fan 3 speed"}), 130));
  c.push_back(Label(u"Fan speed", In(O, 4, 0)));
  c.push_back(Label(u"Unit", In(O, 5, 0)));
  c.push_back(Sized(ComboList(kRuHotelResidential, In(O, 5, 2), {u"Hotel", u"Residential"}), 130));
  c.push_back(Sized(ComboList(kRuRelativeAbsolute, In(O, 6, 2), {u"Relative", u"Absolute"}), 130));

  // Row 2: the display and what the user may operate.
  constexpr int D = kRuGroupDisplay;
  c.push_back(GroupBox(D, u"Display", At(2, 0, 1, 2)));
  c.push_back(Label(u"Contrast", In(D, 0, 0)));
  c.push_back(
      ComboList(kRuContrast, In(D, 0, 1, 1, 2), {u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7"}));
  c.push_back(Label(u"Quick edit", In(D, 0, 3)));
  c.push_back(ComboList(
      kRuQuickEdit, In(D, 0, 4, 1, 2),
      {u"No quick edit", u"Quick edit presence", u"Quick edit fan", u"Change show mode"}));
  Field(c, D, 1, 0, u"Show time", kRuShowTime, u"s");
  Field(c, D, 1, 3, u"Edit return time", kRuEditReturnTime, u"s");
  Field(c, D, 2, 0, u"Long push time", kRuLongPushTime, u"s");
  Field(c, D, 2, 3, u"Super long push time", kRuSuperLongPushTime, u"s");
  c.push_back(Label(u"Symbol control", In(D, 3, 0)));
  c.push_back(Sized(Edit(kRuSymbolControl, In(D, 3, 1), kRightAlign), kEditWidth));
  // The check-box rows share a plain container, so their boxes line up in columns of their
  // own instead of stretching the columns of the fields above.
  constexpr int W = kRuGroupShowRow;
  c.push_back(GroupBox(W, u"", In(D, 4, 0, 1, 6)));
  c.push_back(Label(u"Show", In(W, 0, 0)));
  constexpr std::u16string_view kShow[] = {u"Temperature", u"Outside temp", u"Time",
                                           u"Temp corr",   u"Humidity",     u"CO2"};
  for (int bit = 0; bit < 6; ++bit) {
    c.push_back(CheckBox(RuShow(bit), kShow[bit], In(W, 0, 1 + bit)));
  }
  c.push_back(Label(u"Show symbol", In(W, 1, 0)));
  constexpr std::u16string_view kSymbols[] = {u"Service", u"Boiler", u"Heat", u"Cool"};
  for (int i = 0; i < 4; ++i) c.push_back(CheckBox(RuShowSymbol(i), kSymbols[i], In(W, 1, 1 + i)));

  constexpr int A = kRuGroupPermissions;
  c.push_back(GroupBox(A, u"Operation permissions", At(2, 2, 1, 2)));
  constexpr std::u16string_view kAllowed[] = {
      u"Temp",     u"Day temp", u"Night temp", u"Att temp", u"Day cool",  u"Night cool",
      u"Att cool", u"Time",     u"Presence",   u"Fan",      u"Time prg.", u"Contrast"};
  c.push_back(Label(u"Allowed operations", In(A, 0, 0, 1, 6)));
  for (int bit = 0; bit < 12; ++bit) {
    c.push_back(CheckBox(RuAllowed(bit), kAllowed[bit], In(A, 1 + bit / 6, bit % 6)));
  }
  c.push_back(Label(u"Presence mask", In(A, 3, 0, 1, 6)));
  constexpr std::u16string_view kPresence[] = {u"Day", u"Night", u"Att", u"Auto", u"Party"};
  for (int bit = 0; bit < 5; ++bit) {
    c.push_back(CheckBox(RuPresence(bit), kPresence[bit], In(A, 4, bit)));
  }
  c.push_back(Label(u"Fan mode mask", In(A, 5, 0, 1, 6)));
  constexpr std::u16string_view kFanMask[] = {u"Auto", u"Off", u"Manual 1", u"Manual 2",
                                              u"Manual 3"};
  for (int bit = 0; bit < 5; ++bit) {
    c.push_back(CheckBox(RuFanMask(bit), kFanMask[bit], In(A, 6, bit)));
  }

  AddDeviceButtons(c, kRuGroupButtons, At(3, 0, 1, 4));
  return c;
}

std::vector<ControlSpec> RoomUnitCControls() {
  std::vector<ControlSpec> c;
  DeviceGroup(c, kRcGroupDevice, At(0, 0), false);

  constexpr int S = kRcGroupState;
  c.push_back(GroupBox(S, u"State", At(0, 1, 1, 2)));
  c.push_back(SourceIndicator(kDevSource, In(S, 0, 0, 1, 2)));
  c.push_back(Sized(Label(u"", In(S, 0, 2, 1, 2), kRcPrg, kCenter), 40));
  Value(c, S, 1, 0, u"Time", kDevTime);
  Value(c, S, 1, 2, u"EEP writes", kRcEepWrites);
  Value(c, S, 2, 0, u"Battery voltage", kRcBatVoltage);
  Value(c, S, 2, 2, u"Battery state", kRcBatState);
  Value(c, S, 3, 0, u"Uptime", kRcUptime);
  Value(c, S, 3, 2, u"Bk RSSI", kRcBkRssi);

  constexpr int M = kRcGroupMeasured;
  c.push_back(GroupBox(M, u"Measured values", At(1, 0)));
  Value(c, M, 0, 0, u"Actual Temperature", kRcActualTemp);
  Value(c, M, 1, 0, u"Actual rH", kRcActualRh);
  Value(c, M, 2, 0, u"Actual CO2", kRcActualCo2);
  Value(c, M, 3, 0, u"CPU Volt", kRcCpuVolt);
  Value(c, M, 4, 0, u"C02 Fails", kRcCo2Fails);
  Value(c, M, 5, 0, u"ADC Fails", kRcAdcFails);

  constexpr int T = kRcGroupSettings;
  c.push_back(GroupBox(T, u"Sensor", At(1, 1)));
  Field(c, T, 0, 0, u"Temperature corr", kRcTempCorr, u"\u00B0C");
  Field(c, T, 1, 0, u"rH correction", kRcRhCorr, u"%");
  Field(c, T, 2, 0, u"CO2 correction", kRcCo2Corr, u"ppm");
  Field(c, T, 3, 0, u"CO2 read period", kRcCo2ReadPeriod, u"s");
  Field(c, T, 4, 0, u"CO2 ABC period", kRcCo2AbcPeriod, u"h");
  c.push_back(CheckBox(kRcLock, u"Lock", In(T, 5, 0)));

  // The LEDs: blink period of each colour, then the CO2 levels that switch yellow and red.
  constexpr int L = kRcGroupLeds;
  c.push_back(GroupBox(L, u"LED indication", At(1, 2)));
  Field(c, L, 0, 0, u"Green LED Period", kRcGreenPeriod, u"s");
  Field(c, L, 1, 0, u"Yellow LED Period", kRcYellowPeriod, u"s");
  Field(c, L, 2, 0, u"Red LED Period", kRcRedPeriod, u"s");
  Field(c, L, 3, 0, u"Yellow OFF", kRcYellowOff, u"ppm");
  Field(c, L, 4, 0, u"Yellow ON", kRcYellowOn, u"ppm");
  Field(c, L, 5, 0, u"Red OFF", kRcRedOff, u"ppm");
  Field(c, L, 6, 0, u"Red ON", kRcRedOn, u"ppm");

  AddDeviceButtons(c, kRcGroupButtons, At(2, 0, 1, 3));
  return c;
}

}  // namespace

const DialogTemplate& RoomUnitTemplate() {
  static const DialogTemplate t{.title = u"Configuration", .controls = RoomUnitControls()};
  return t;
}

const DialogTemplate& RoomUnitCTemplate() {
  static const DialogTemplate t{.title = u"Configuration", .controls = RoomUnitCControls()};
  return t;
}

}  // namespace corvane::ui

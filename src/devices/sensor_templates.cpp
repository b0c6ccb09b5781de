#include "devices/sensor_templates.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "devices/device_template_parts.h"

namespace corvane::ui {
namespace {

using namespace corvane::devices;

constexpr int kValueWidth = 70;

enum class Kind : uint8_t { kShown, kEntered };

// One line of a group: caption, value (a read-only text or an edit) and its unit.
void AddLine(std::vector<ControlSpec>& c, int group, int row, std::u16string_view caption, int id,
             Kind kind, std::u16string_view unit = {}, int caption_id = kNoId,
             int unit_id = kNoId) {
  c.push_back(Label(caption, In(group, row, 0), caption_id));
  const Cell cell = In(group, row, 1);
  c.push_back(
      Sized(kind == Kind::kShown ? Label(u"", cell, id, kRightAlign) : Edit(id, cell, kRightAlign),
            kValueWidth));
  if (!unit.empty() || unit_id != kNoId) c.push_back(Label(unit, In(group, row, 2), unit_id));
}

// Lines keep their natural width and stand at the left: the spare width of a group goes to an
// empty column after the units.
void AddSpareColumn(std::vector<ControlSpec>& c, int group) {
  c.push_back(Label(u"", In(group, 0, 4)));
}

// The data-source indicator and the local time of the last reception head the state group.
void AddStateGroup(std::vector<ControlSpec>& c, int group, Cell cell) {
  c.push_back(GroupBox(group, u"State", cell));
  c.push_back(SourceIndicator(kDevSource, In(group, 0, 0, 1, 3)));
  AddLine(c, group, 1, u"Time", kDevTime, Kind::kShown);
}

constexpr std::u16string_view kDegrees = u"\u00B0C";

std::vector<ControlSpec> ThermoHygroControls() {
  std::vector<ControlSpec> c;
  AddDeviceGroup(c, kThGroupDevice, At(0, 0), u"Modbus id:", u"FW num");

  constexpr int S = kThGroupState;
  AddStateGroup(c, S, At(0, 1));
  AddLine(c, S, 2, u"Battery voltage", kThBatteryVoltage, Kind::kShown);
  AddLine(c, S, 3, u"Battery state", kThBatteryState, Kind::kShown);
  AddLine(c, S, 4, u"Uptime", kThUptime, Kind::kShown, u"s");
  AddLine(c, S, 5, u"EEP writes", kThEepWrites, Kind::kShown);
  c.push_back(Label(u"", In(S, 6, 0), kThPrg));

  // What the sensor measures, read only.
  constexpr int M = kThGroupMeasured;
  c.push_back(GroupBox(M, u"Measured", At(0, 2)));
  AddLine(c, M, 0, u"Temperature", kThTemperature, Kind::kShown, kDegrees);
  AddLine(c, M, 1, u"Rel. Humidity", kThHumidity, Kind::kShown, u"%", kThHumidityLabel,
          kThHumidityUnit);
  AddLine(c, M, 2, u"Temperature CPU", kThCpuTemperature, Kind::kShown, kDegrees);
  AddLine(c, M, 3, u"VCpu", kThCpuVoltage, Kind::kShown, u"V");
  AddLine(c, M, 4, u"Heating Status", kThHeating, Kind::kShown);
  AddLine(c, M, 5, u"Temp Alarm", kThTempAlarm, Kind::kShown);
  AddLine(c, M, 6, u"rH Alarm", kThRhAlarm, Kind::kShown);

  AddSpareColumn(c, M);

  // Settings by what they concern; the heater serves the humidity sensor.
  constexpr int T = kThGroupTemperature;
  c.push_back(GroupBox(T, u"Temperature", At(1, 0)));
  AddLine(c, T, 0, u"Alarm Temp On", kThAlarmTempOn, Kind::kEntered, kDegrees);
  AddLine(c, T, 1, u"Alarm Temp Off", kThAlarmTempOff, Kind::kEntered, kDegrees);
  AddLine(c, T, 2, u"Change Temp Thresh", kThChangeTemp, Kind::kEntered, kDegrees);
  AddLine(c, T, 3, u"Correction Temp", kThCorrTemp, Kind::kEntered, kDegrees);
  AddLine(c, T, 4, u"Change Temp CPU", kThChangeCpu, Kind::kEntered, kDegrees);
  AddLine(c, T, 5, u"Corr Temp CPU", kThCorrCpu, Kind::kEntered, kDegrees);
  AddSpareColumn(c, T);

  constexpr int H = kThGroupHumidity;
  c.push_back(GroupBox(H, u"Humidity", At(1, 1)));
  AddLine(c, H, 0, u"Alarm rH On", kThAlarmRhOn, Kind::kEntered, u"%");
  AddLine(c, H, 1, u"Alarm rH Off", kThAlarmRhOff, Kind::kEntered, u"%");
  AddLine(c, H, 2, u"Change rH_Threshold", kThChangeRh, Kind::kEntered, u"%");
  AddLine(c, H, 3, u"Correction rH", kThCorrRh, Kind::kEntered, u"%");
  AddLine(c, H, 4, u"Heating time", kThHeatingTime, Kind::kEntered, u"s");
  AddLine(c, H, 5, u"Heating period", kThHeatingPeriod, Kind::kEntered, u"min");
  AddSpareColumn(c, H);

  constexpr int P = kThGroupPeriods;
  c.push_back(GroupBox(P, u"Periods", At(1, 2)));
  AddLine(c, P, 0, u"Measure Period", kThMeasurePeriod, Kind::kEntered, u"s");
  AddLine(c, P, 1, u"Transmit Period", kThTransmitPeriod, Kind::kEntered, u"min");
  c.push_back(CheckBox(kThLock, u"Lock", In(P, 2, 0)));
  c.push_back(CheckBox(kThService, u"Service", In(P, 3, 0)));
  AddSpareColumn(c, P);

  AddDeviceButtons(c, kThGroupButtons, At(2, 0, 1, 3));
  return c;
}

std::vector<ControlSpec> CounterControls() {
  std::vector<ControlSpec> c;
  AddDeviceGroup(c, kCoGroupDevice, At(0, 0), u"Modbus id:", u"FW num");

  constexpr int S = kCoGroupState;
  AddStateGroup(c, S, At(0, 1));
  AddLine(c, S, 2, u"Battery voltage", kCoBatteryVoltage, Kind::kShown, u"V");
  AddLine(c, S, 3, u"Battery state", kCoBatteryState, Kind::kShown, u"%");
  AddLine(c, S, 4, u"Uptime", kCoUptime, Kind::kShown, u"s");
  AddLine(c, S, 5, u"EEP writes", kCoEepWrites, Kind::kShown);
  AddLine(c, S, 6, u"Bk RSSI", kCoBkRssi, Kind::kShown, u"dBm");
  c.push_back(Label(u"", In(S, 7, 0), kCoPrg));

  // The counts are shown only, but they travel back to the device with every write.
  constexpr int N = kCoGroupCounts;
  c.push_back(GroupBox(N, u"Counter", At(1, 0)));
  AddLine(c, N, 0, u"Count", kCoCount, Kind::kShown);
  c.push_back(Button(kCoReset, u"Reset", In(N, 0, 2)));
  AddLine(c, N, 1, u"Count Last", kCoCountLast, Kind::kShown);
  AddLine(c, N, 2, u"Count Actual", kCoCountActual, Kind::kShown);
  AddLine(c, N, 3, u"Count Time", kCoCountTime, Kind::kShown, u"s");
  AddLine(c, N, 4, u"Transmit Period", kCoTransmitPeriod, Kind::kEntered, u"min");
  c.push_back(CheckBox(kCoLock, u"Lock", In(N, 5, 0)));
  c.push_back(CheckBox(kCoService, u"Service", In(N, 5, 1)));
  AddSpareColumn(c, N);

  constexpr int I = kCoGroupInput;
  c.push_back(GroupBox(I, u"Input and CPU", At(1, 1)));
  c.push_back(Label(u"Input resistor", In(I, 0, 0)));
  c.push_back(Sized(ComboList(kCoResistor, In(I, 0, 1, 1, 2),
                              {kCounterResistors.begin(), kCounterResistors.end()}),
                    130));
  c.push_back(Label(u"Input threshold", In(I, 1, 0)));
  c.push_back(Sized(ComboList(kCoThreshold, In(I, 1, 1, 1, 2),
                              {kCounterThresholds.begin(), kCounterThresholds.end()}),
                    130));
  AddLine(c, I, 2, u"Temperature CPU", kCoCpuTemperature, Kind::kShown, kDegrees);
  AddLine(c, I, 3, u"Change Temp CPU", kCoChangeCpu, Kind::kEntered, kDegrees);
  AddLine(c, I, 4, u"Correction Temp CPU", kCoCorrCpu, Kind::kEntered, kDegrees);
  AddSpareColumn(c, I);

  AddDeviceButtons(c, kCoGroupButtons, At(2, 0, 1, 2));
  return c;
}

std::vector<ControlSpec> WindowContactControls() {
  std::vector<ControlSpec> c;
  AddDeviceGroup(c, kWcGroupDevice, At(0, 0), u"Modbus ID", u"FW ID");

  constexpr int S = kWcGroupState;
  AddStateGroup(c, S, At(0, 1));
  AddLine(c, S, 2, u"Battery voltage", kWcBatteryVoltage, Kind::kShown);
  AddLine(c, S, 3, u"Battery state", kWcBatteryState, Kind::kShown);
  AddLine(c, S, 4, u"CPU voltage", kWcCpuVoltage, Kind::kShown);
  AddLine(c, S, 5, u"Uptime", kWcUptime, Kind::kShown, u"s");
  c.push_back(Label(u"", In(S, 6, 0), kWcPrg));
  c.push_back(Label(u"", In(S, 6, 1), kWcUni));

  constexpr int W = kWcGroupWindow;
  c.push_back(GroupBox(W, u"Window", At(1, 0)));
  AddLine(c, W, 0, u"Window state", kWcWindowState, Kind::kShown);
  c.push_back(CheckBox(kWcLock, u"Lock", In(W, 1, 0)));
  AddSpareColumn(c, W);

  constexpr int T = kWcGroupTemperature;
  c.push_back(GroupBox(T, u"Temperature", At(1, 1)));
  AddLine(c, T, 0, u"Temperature", kWcTemperature, Kind::kShown, kDegrees);
  AddLine(c, T, 1, u"Temperature corr", kWcTempCorr, Kind::kEntered, kDegrees);
  AddLine(c, T, 2, u"Temperature threshold", kWcTempThreshold, Kind::kEntered, kDegrees);
  AddSpareColumn(c, T);

  AddDeviceButtons(c, kWcGroupButtons, At(2, 0, 1, 2));
  return c;
}

}  // namespace

const DialogTemplate& ThermoHygroTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = ThermoHygroControls(), .stretch_columns = {0, 1, 2}};
  return t;
}

const DialogTemplate& CounterTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = CounterControls(), .stretch_columns = {0, 1}};
  return t;
}

const DialogTemplate& WindowContactTemplate() {
  static const DialogTemplate t{
      .title = u"Configuration", .controls = WindowContactControls(), .stretch_columns = {0, 1}};
  return t;
}

}  // namespace corvane::ui

#include "devices/sensor_dlgs.h"

#include <algorithm>
#include <string_view>

#include "devices/sensor_templates.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

constexpr int kWordModel = 0;
constexpr int kWordFirmware = 1;
constexpr int kWordDeviceId = 5;

FieldBinding Shown(FieldBinding field) {
  field.editable = false;
  return field;
}

bool CoversWord(int first, int count, int word) { return first <= word && word < first + count; }

// The header of a Default record: the identity words of `current` (a zero one replaced by its
// fallback, where the type has one), the name, the password of a new project, frequency index 0
// and the type's RF power code.
struct DefaultHeader {
  uint16_t model = 0;
  uint16_t firmware = 0;
  uint16_t device_id = 0;
  std::u16string_view name;
  uint8_t rf_power = 1;
};

std::vector<uint16_t> BuildDefault(std::span<const uint16_t> current, const DefaultHeader& header) {
  std::vector<uint16_t> d(current.size(), 0);
  auto keep = [&](int word, uint16_t fallback) {
    const uint16_t value = current[static_cast<size_t>(word)];
    d[static_cast<size_t>(word)] = value != 0 ? value : fallback;
  };
  keep(0, header.model);
  keep(1, header.firmware);
  keep(5, header.device_id);
  for (int word : {6, 16, 17}) d[static_cast<size_t>(word)] = current[static_cast<size_t>(word)];
  EncodeDeviceTextWords(header.name, std::span<uint16_t>(d).subspan(8).first<8>());
  ui::StoreLowBytes(kDefaultNetworkPassword, std::span<uint16_t>(d).subspan(18, 8));
  d[26] = static_cast<uint16_t>(header.rf_power << 8);  // frequency index 0
  return d;
}

// Old firmware of one hardware does not answer registers 53..62 (the input nodes share it): a
// read completes without them.
constexpr uint16_t kFirmwareQuirkDeviceId = 1170;
constexpr int kFirmwareQuirkFirst = 53;
constexpr int kFirmwareQuirkCount = 10;

constexpr std::u16string_view kPercent = u"%";

// --- Climate sensor ---------------------------------------------------------------------------

std::span<const FieldBinding> ThermoHygroFields() {
  using namespace climate_word;
  static const FieldBinding fields[] = {
      Unsigned(ui::kThEepWrites, kEepWrites),
      Signed32(ui::kThUptime, kUptime, false),
      Battery(ui::kThBatteryVoltage, kBattery, 0),
      Suffixed(NibbleTens(ui::kThBatteryState, kBattery, 1), kPercent),
      Hundredths(ui::kThTemperature, kTemperature, false),
      Hundredths(ui::kThCpuTemperature, kCpuTemperature, false),
      Shown(DecimalByte(ui::kThCpuVoltage, kCpuVoltageStatus, 0, 1)),
      Hundredths(ui::kThHumidity, kHumidity, false),
      Hundredths(ui::kThAlarmTempOn, kAlarmTempOn, true),
      Hundredths(ui::kThAlarmTempOff, kAlarmTempOff, true),
      Hundredths(ui::kThAlarmRhOn, kAlarmRhOn, true),
      Hundredths(ui::kThAlarmRhOff, kAlarmRhOff, true),
      ZeroWhenBad(UnsignedEdit(ui::kThMeasurePeriod, kMeasurePeriod)),
      ZeroWhenBad(UnsignedEdit(ui::kThTransmitPeriod, kTransmitPeriod)),
      Hundredths(ui::kThChangeTemp, kChangeTemp, true),
      Hundredths(ui::kThChangeRh, kChangeRh, true),
      Hundredths(ui::kThChangeCpu, kChangeCpu, true),
      Hundredths(ui::kThCorrTemp, kCorrTemp, true),
      Hundredths(ui::kThCorrRh, kCorrRh, true),
      Hundredths(ui::kThCorrCpu, kCorrCpu, true),
      FlagText(ui::kThPrg, kStatus, 0x0001, u"PRG"),
      CheckWord(ui::kThLock, kLock, 0x0001),
      ZeroWhenBad(UnsignedEdit(ui::kThHeatingTime, kHeatingTime)),
      ZeroWhenBad(UnsignedEdit(ui::kThHeatingPeriod, kHeatingPeriod)),
  };
  return fields;
}

// --- Pulse counter ----------------------------------------------------------------------------

std::span<const FieldBinding> CounterFields() {
  using namespace counter_word;
  static const FieldBinding fields[] = {
      Unsigned(ui::kCoEepWrites, kEepWrites),
      Signed32(ui::kCoUptime, kUptime, false),
      SignedByte(ui::kCoBkRssi, kBackgroundRssi, 0),
      // "%d.%01d" with the unit beside it.
      Shown(DecimalByte(ui::kCoBatteryVoltage, kBattery, 0, 1)),
      NibbleTens(ui::kCoBatteryState, kBattery, 1),
      // Shown only, yet written back with the record: what the user sees is what the device
      // gets, and a count that is no number goes back as 0.
      ZeroWhenBad(Signed32(ui::kCoCount, kCount, true)),
      ZeroWhenBad(Signed32(ui::kCoCountLast, kCountLast, true)),
      ZeroWhenBad(Signed32(ui::kCoCountActual, kCountActual, true)),
      ZeroWhenBad(UnsignedEdit(ui::kCoCountTime, kCountTime)),
      Hundredths(ui::kCoCpuTemperature, kCpuTemperature, false),
      ComboIndex(ui::kCoResistor, kInput, 0, 0),
      ComboIndex(ui::kCoThreshold, kInput, 1, 0),
      ZeroWhenBad(UnsignedEdit(ui::kCoTransmitPeriod, kTransmitPeriod)),
      Hundredths(ui::kCoChangeCpu, kChangeCpu, true),
      Hundredths(ui::kCoCorrCpu, kCorrCpu, true),
      FlagText(ui::kCoPrg, kStatus, 0x0001, u"PRG"),
      CheckWord(ui::kCoLock, kLock, 0x0001),
  };
  return fields;
}

// --- Window contact ---------------------------------------------------------------------------

std::span<const FieldBinding> WindowContactFields() {
  using namespace window_word;
  static const FieldBinding fields[] = {
      Battery(ui::kWcBatteryVoltage, kBattery, 0),
      Suffixed(NibbleTens(ui::kWcBatteryState, kBattery, 1), kPercent),
      Unsigned(ui::kWcWindowState, kWindowState, 0),
      Battery(ui::kWcCpuVoltage, kCpuVoltage, 1),
      Hundredths(ui::kWcTemperature, kTemperature, false),
      Hundredths(ui::kWcTempCorr, kTemperatureCorr, true),
      Hundredths(ui::kWcTempThreshold, kTemperatureThreshold, true),
      FlagText(ui::kWcPrg, kStatus, 0x0001, u"PRG"),
      FlagText(ui::kWcUni, kStatus, 0x0002, u"UNI"),
      CheckWord(ui::kWcLock, kLock, 0x0001),
  };
  return fields;
}

}  // namespace

// --- CThermoHygroDlg --------------------------------------------------------------------------

CThermoHygroDlg::CThermoHygroDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::ThermoHygroTemplate(), context, std::move(services), kThermoHygroLayout,
                   ThermoHygroFields()) {}

void CThermoHygroDlg::InitDevice() {
  // The Bossel measures no humidity.
  const bool humidity = TypeOf(address()) != 0x00D;
  for (int id : {ui::kThHumidity, ui::kThHumidityLabel, ui::kThHumidityUnit}) Show(id, humidity);
}

bool CThermoHygroDlg::old_firmware() const {
  return record()[kWordFirmware] < climate_word::kNewFirmware;
}

RecordLayout CThermoHygroDlg::CurrentLayout() const {
  RecordLayout layout = DeviceDialog::CurrentLayout();
  if (old_firmware()) {
    layout.ram_last = climate_word::kFirstOfNewFirmware - 1;
    layout.eeprom_last = climate_word::kFirstOfNewFirmware - 1;
  }
  return layout;
}

void CThermoHygroDlg::RefreshDevice(int first, int count) {
  using namespace climate_word;
  const auto record = this->record();
  if (CoversWord(first, count, kCpuVoltageStatus)) {
    const uint8_t status = RecordByte(record, kCpuVoltageStatus, 1);
    SetText(ui::kThHeating, (status & 0x01) != 0 ? u"1" : u"0");
    SetText(ui::kThTempAlarm, (status & 0x02) != 0 ? u"1" : u"0");
    SetText(ui::kThRhAlarm, (status & 0x04) != 0 ? u"1" : u"0");
  }
  // Firmware before 4.02 has no registers past word 93: reads and writes complete without them.
  if (CoversWord(first, count, kWordFirmware) && old_firmware()) {
    RemoveFromAllPending(kFirstOfNewFirmware, kThermoHygroLayout.words - kFirstOfNewFirmware);
  }
}

void CThermoHygroDlg::CollectDevice() {
  // The device acts on whichever of the two words was set; the other keeps its value.
  const int word = IsChecked(ui::kThService) ? climate_word::kServiceA : climate_word::kServiceB;
  mutable_record()[static_cast<size_t>(word)] = 1;
}

std::vector<uint16_t> CThermoHygroDlg::DefaultRecord() const {
  using namespace climate_word;
  const auto current = record();
  const bool humidity = current[kWordModel] == kHumidityModel;
  std::vector<uint16_t> d =
      BuildDefault(current, {.name = humidity ? u"t+rH meter 1" : u"thermometer 1", .rf_power = 1});
  d[kWordModel] = humidity ? kHumidityModel : kThermometerModel;
  d[kMeasurePeriod] = 8;
  d[kTransmitPeriod] = 5;
  d[kChangeTemp] = 50;
  d[kChangeRh] = 200;
  d[kChangeCpu] = 200;
  return d;
}

// --- CCounterDlg ------------------------------------------------------------------------------

CCounterDlg::CCounterDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::CounterTemplate(), context, std::move(services), kCounterLayout,
                   CounterFields()) {}

void CCounterDlg::OnCommand(int id) {
  if (id == ui::kCoReset) {
    Reset();
    return;
  }
  DeviceDialog::OnCommand(id);
}

void CCounterDlg::Reset() {
  const int answer =
      MessageBox(u"Reset counter?", u"Reset Counter", {ui::Buttons::kYesNo, ui::Icon::kWarning, 0});
  if (answer != ui::kIdYes) return;
  // Written at once and on its own: the record and the state of a read or write stay as they
  // are, and the next read shows the new count.
  const uint16_t words[] = {counter_word::kResetLow, counter_word::kResetHigh};
  services().queues.QueueWrite(route(), address(), counter_word::kCount, 2, words, 0, false);
}

void CCounterDlg::RefreshDevice(int first, int count) {
  using namespace counter_word;
  if (!CoversWord(first, count, kInput)) return;
  // A code beyond the lists is taken as the last entry, in the record too, so that what is
  // written back is what was shown.
  const auto record = mutable_record();
  const int resistor =
      std::min<int>(RecordByte(record, kInput, 0), ui::kCounterResistors.size() - 1);
  const int threshold =
      std::min<int>(RecordByte(record, kInput, 1), ui::kCounterThresholds.size() - 1);
  SetRecordByte(record, kInput, 0, static_cast<uint8_t>(resistor));
  SetRecordByte(record, kInput, 1, static_cast<uint8_t>(threshold));
  SetCurSel(ui::kCoResistor, resistor);
  SetCurSel(ui::kCoThreshold, threshold);
}

bool CCounterDlg::WrittenBack(int word) const {
  return word < counter_word::kCount || word > counter_word::kCountTime;
}

void CCounterDlg::CollectDevice() {
  const int word = IsChecked(ui::kCoService) ? counter_word::kServiceA : counter_word::kServiceB;
  mutable_record()[static_cast<size_t>(word)] = 1;
}

std::vector<uint16_t> CCounterDlg::DefaultRecord() const {
  std::vector<uint16_t> d = BuildDefault(
      record(),
      {.model = 0xF027, .firmware = 400, .device_id = 1188, .name = u"counter 1", .rf_power = 1});
  SetRecordByte(d, counter_word::kInput, 0, 2);  // "Pull Up 220k"
  d[counter_word::kTransmitPeriod] = 5;
  d[counter_word::kChangeCpu] = 200;
  return d;
}

// --- CWindowContactDlg ------------------------------------------------------------------------

CWindowContactDlg::CWindowContactDlg(const DeviceDialogContext& context, DeviceServices services)
    : DeviceDialog(ui::WindowContactTemplate(), context, std::move(services), kWindowContactLayout,
                   WindowContactFields()) {}

void CWindowContactDlg::RefreshDevice(int first, int count) {
  using namespace window_word;
  const auto record = this->record();
  // Half an uptime would show a value the device never had.
  if (first <= kUptime && kUptime + 1 < first + count) {
    const auto seconds =
        static_cast<int32_t>(record[kUptime] | (static_cast<uint32_t>(record[kUptime + 1]) << 16));
    SetText(ui::kWcUptime, ui::Format("%d", seconds));
  }
  if (CoversWord(first, count, kWordFirmware) && record[kWordFirmware] < 100 &&
      record[kWordDeviceId] == kFirmwareQuirkDeviceId) {
    mutable_cycle().DropReads(kFirmwareQuirkFirst, kFirmwareQuirkCount);
  }
}

std::vector<uint16_t> CWindowContactDlg::DefaultRecord() const {
  std::vector<uint16_t> d = BuildDefault(
      record(),
      {.model = 1297, .firmware = 400, .device_id = 1216, .name = u"WIN 1", .rf_power = 2});
  d[window_word::kTemperatureThreshold] = 200;
  return d;
}

}  // namespace corvane::devices

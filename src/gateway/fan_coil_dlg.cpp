#include "gateway/fan_coil_dlg.h"

#include <algorithm>

#include "gateway/fc_devices.h"
#include "gateway/gateway_report.h"
#include "gateway/gw_window_parts.h"
#include "gateway/image_text.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane {

using ui::Format;
using ui::SourceState;
using namespace corvane::ui;  // template ids
using F = FanCoilImage;

namespace {

// A number typed into a field of `max` at most; nullopt keeps the register as it is.
std::optional<int> ScanInRange(std::u16string_view text, int max) {
  const std::optional<int> n = ScanInt(text);
  if (!n || *n < 0 || *n > max) return std::nullopt;
  return n;
}

}  // namespace

std::array<std::u16string, kFcDeviceColumns> FcDeviceRow(const FanCoilImage& image, int i) {
  const GwDeviceEntry e = image.Device(i);
  const GwDeviceStatus s = image.DeviceStatus(i);
  std::array<std::u16string, kFcDeviceColumns> row;
  row[kFcColPos] = Format("%03d", i + 1);
  row[kFcColAddress] = Format("0x%08X %d", e.address, static_cast<int>(e.address));
  row[kFcColCache] = e.Cached() ? u"o" : u"";
  row[kFcColMbStart] = Format("%d", e.mb_start);
  row[kFcColMbCount] = Format("%d", e.MbCount());
  row[kFcColInputNumber] = Format("%d", image.InputNumber(i));
  row[kFcColRssiDevToGw] = Format("%d dBm", s.rssi_dev_to_gw);
  row[kFcColRssiGwToDev] = Format("%d dBm", s.rssi_gw_to_dev);
  row[kFcColAction] = e.Cached() ? u"read cache" : u"go to dev.";
  row[kFcColModbus] = Format("%d", image.ModbusAddress(i));
  row[kFcColHub] = Format("0x%08X", s.hub);
  row[kFcColTimestamp] = TimeOfDayText(s.last_comm, u"--:--:--");
  row[kFcColReadWrite] = Format("%d %d", s.ReadBit() ? 0 : 1, s.WriteBit() ? 0 : 1);
  return row;
}

std::u16string FanCoilReportText(const FanCoilImage& image) {
  std::vector<ReportDevice> devices;
  for (int i = 0; i < F::kDevices; ++i) {
    const GwDeviceEntry e = image.Device(i);
    devices.push_back({e.address, image.ModbusAddress(i), e.Cached(), e.mb_start});
  }
  return BidirectionalReportText(devices, /*uncached_blank=*/true);
}

CFanCoilDlg::CFanCoilDlg(const DeviceDialogContext& context, devices::DeviceServices services,
                         DeviceOpener& opener)
    : Dialog(FanCoilTemplate(), context.host),
      services_(std::move(services)),
      opener_(opener),
      project_(context.project),
      entry_(context.entry),
      address_(context.address),
      route_(context.route),
      cycle_(*this, CycleTarget(services_.queues, context), [this] { return image_.words(); }),
      wmbus_reader_(F::kRegWmbusHead, F::kRegWmbusStatus,
                    [this](int first, int count, bool flush) { QueueRead(first, count, flush); }) {}

RegisterCycle::Target CFanCoilDlg::CycleTarget(RequestQueues& queues,
                                               const DeviceDialogContext& context) {
  RegisterCycle::Target target =
      RegisterCycle::TargetFor(queues, context.address, context.route, kFcSource);
  target.confirm_timer = kConfirmPollTimer;
  target.eeprom = EepromStep::kAfterRam;
  // A read that times out is asked once more; one limit holds for the whole EEPROM sequence.
  target.read_retries = 1;
  target.store_timeout_ms = 0;
  return target;
}

// The view goes with the window; its timer is the dialog's and dies with it.
CFanCoilDlg::~CFanCoilDlg() = default;

std::span<uint16_t> CFanCoilDlg::ProjectBlob() {
  std::span<uint16_t> blob = project_.Record(entry_);
  if (blob.size() < static_cast<size_t>(F::kWords)) {
    // A record shorter than the image (an old or damaged project) grows to hold it all.
    std::vector<uint16_t> grown(blob.begin(), blob.end());
    grown.resize(F::kWords, 0);
    project_.SetRecord(entry_, std::move(grown));
    blob = project_.Record(entry_);
  }
  return blob;
}

void CFanCoilDlg::OnInit() {
  SetTitle(u"Configuration " + DisplayName(address_));
  ResetContent(kFcFrequency);
  for (std::u16string_view name : kFrequencyNames) AddString(kFcFrequency, name);
  SetRowCount(kFcDevices, F::kDevices);

  // The project's copy is what the controller's cache would hold: no version check for it.
  ApplyWhole(FanCoilImage(project_.Record(entry_)), true);

  SetSource(kFcSource, SourceState::kProject);
  ApplyButtonVisibility();
  if (route_ != 0) {
    Show(kFcRssiLabel, false);
    Show(kFcRssi, false);
  }
  // The clock and the levels as they stand, before their timers first tick.
  ShowClock();
  ShowRadioLevels();
  SetTimer(kClockTimer, kClockMs);
  SetTimer(kRssiTimer, kRssiMs);
}

// ---------------------------------------------------------------------------------------------
// Register data

void CFanCoilDlg::OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                                 bool from_cache) {
  if (source != address_ || count <= 0 || closed_for_version_) return;
  Apply(first, count, words, from_cache, false);
}

void CFanCoilDlg::ApplyWhole(const FanCoilImage& image, bool from_cache) {
  Apply(0, F::kWords, image.words().data(), from_cache, true);
}

void CFanCoilDlg::Apply(int s, int count, const uint16_t* words, bool from_cache, bool local) {
  const int e = s + count;
  // A block reaching past the map is not stored; the rest runs on the image as it is.
  if (e <= F::kWords) std::copy_n(words, count, image_.words().begin() + s);

  RefreshFields(s, e);
  // Only what the controller itself reports (or "Default" keeps) is checked: a copy from a
  // cache, the project or a file may be older than the firmware now running.
  if (Covers(s, e, F::kRegVersion) && !from_cache && image_.Version() < kMinimalVersion) {
    CloseForOldFirmware();
    return;
  }
  if (Overlaps(s, e, F::kRegInputNumbers, F::kRegDeviceStatus + 6 * F::kDevices)) RefreshRows();
  ApplyEnableRules();
  if (!local) cycle_.OnData(s, count, from_cache);
  SetText(kFcOwnAddress, Format("0x%08X", image_.OwnAddress()));
  if (!local) ServeWmbusFifo(s, e);
}

void CFanCoilDlg::CloseForOldFirmware() {
  cycle_.Abandon();
  closed_for_version_ = true;
  MessageBox(Format("Ventora Update necessary, expected version %d, device version %d",
                    kMinimalVersion, image_.Version()));
  EndDialog(kIdCancel);
}

void CFanCoilDlg::RefreshFields(int s, int e) {
  const FanCoilImage& g = image_;
  auto covers = [&](int reg) { return Covers(s, e, reg); };
  if (covers(F::kRegVersion)) SetText(kFcFwNum, Format("%u", g.Version()));
  if (covers(F::kRegModbusLine)) {
    SetText(kFcModbusAddress, Format("%u", g.Low(F::kRegModbusLine)));
    const int code = g.High(F::kRegModbusLine);
    SetCurSel(kFcBaudrate, code < 10 || code > 17 ? 3 : code - 10);
  }
  if (covers(F::kRegSerialFormat)) {
    SetCurSel(kFcParity, g.Low(F::kRegSerialFormat) & 0x03);
    SetCurSel(kFcStopBits, (g.Low(F::kRegSerialFormat) >> 2) & 0x01);
  }
  if (covers(F::kRegDeviceId)) SetText(kFcDeviceId, Format("%u", g.Word(F::kRegDeviceId)));
  if (covers(F::kRegHardware)) SetText(kFcHwNum, Format("%u", g.Word(F::kRegHardware)));
  if (Overlaps(s, e, F::kRegName, F::kRegName + 7)) {
    SetText(kFcName, DecodeDeviceTextWords(g.words().subspan(F::kRegName, 8)));
  }
  if (Overlaps(s, e, F::kRegPassword, F::kRegPassword + 7)) {
    SetText(kFcPassword, LoadLowBytes(g.words().subspan(F::kRegPassword, 8)));
  }
  if (covers(F::kRegRadio)) {
    const int frequency = g.Low(F::kRegRadio);
    SetCurSel(kFcFrequency, frequency < Count(kFcFrequency) ? frequency : -1);
    const int power = g.High(F::kRegRadio);
    SetCurSel(kFcRfPower, power < Count(kFcRfPower) ? power : -1);
  }
  if (covers(F::kRegEepromWrites)) {
    SetText(kFcEepromWrites, Format("%u", g.Word(F::kRegEepromWrites)));
  }
  if (covers(F::kRegUptime) || covers(F::kRegUptime + 1)) {
    SetText(kFcUptime, Format("%u", g.U32(F::kRegUptime)));
  }
  if (covers(F::kRegBackgroundRssi)) {
    SetText(kFcBackgroundRssi, Format("%d dBm", static_cast<int8_t>(g.Low(F::kRegBackgroundRssi))));
  }
  if (covers(F::kRegIndicators)) {
    SetText(kFcPrg, (g.High(F::kRegIndicators) & 0x01) != 0 ? u"PRG" : u"");
  }
  if (covers(F::kRegOptions)) {
    SetCheck(kFcSystemMode, g.Low(F::kRegOptions) != 0);
    SetCheck(kFcBeacon, g.High(F::kRegOptions) != 0);
  }
  if (covers(F::kRegUnixTime) || covers(F::kRegUnixTime + 1)) {
    SetText(kFcUnixTime, Format("%d", static_cast<int32_t>(g.UnixTime())));
  }
  if (covers(F::kRegRegulator)) {
    const uint16_t reg = g.Word(F::kRegRegulator);
    for (const BitBox& box : kFcRegulatorBoxes) SetCheck(box.id, (reg & box.bit) != 0);
    const int type = g.FanType();
    SetCurSel(kFcFanType, type < Count(kFcFanType) ? type : -1);
  }
  if (covers(F::kRegPBand)) SetText(kFcPBand, Format("%u", g.Word(F::kRegPBand)));
  if (covers(F::kRegIConst)) SetText(kFcIConst, Format("%u", g.Word(F::kRegIConst)));
  if (covers(F::kRegDConst)) SetText(kFcDConst, Format("%u", g.Word(F::kRegDConst)));
  if (covers(F::kRegFanMode)) SetCurSel(kFcFanMode, g.FanMode().value_or(-1));
  if (covers(F::kRegDiOptions)) {
    for (size_t bit = 0; bit < kFcDiBoxes.size(); ++bit) {
      SetCheck(kFcDiBoxes[bit], (g.Word(F::kRegDiOptions) >> bit & 1) != 0);
    }
  }
  if (covers(F::kRegChangeOver)) {
    SetText(kFcChangeOver, Format("%u", g.Word(F::kRegChangeOver)));
  }
  if (covers(F::kRegManual)) {
    for (size_t bit = 0; bit < kFcEnableBoxes.size(); ++bit) {
      SetCheck(kFcEnableBoxes[bit], (g.Low(F::kRegManual) >> bit & 1) != 0);
    }
    const int stage = g.ManualFan();
    SetCurSel(kFcManualFan, stage < Count(kFcManualFan) ? stage : -1);
  }
  if (covers(F::kRegManualOutputs)) {
    SetText(kFcHeatOut, Format("%u", g.Low(F::kRegManualOutputs)));
    SetText(kFcCoolOut, Format("%u", g.High(F::kRegManualOutputs)));
  }
  if (covers(F::kRegManualInputs)) {
    SetCheck(kFcPresenceOn, (g.Low(F::kRegManualInputs) & 0x01) != 0);
    SetCheck(kFcWindowOn, (g.Low(F::kRegManualInputs) & 0x02) != 0);
  }
  if (covers(F::kRegActualTemp)) SetText(kFcActualTemp, Hundredths(g.ActualTemp()));
  if (covers(F::kRegSetpointHeat)) SetText(kFcSetpointHeat, Hundredths(g.SetpointHeat()));
  if (covers(F::kRegSetpointCool)) SetText(kFcSetpointCool, Hundredths(g.SetpointCool()));
  if (covers(F::kRegRfInputs)) SetText(kFcRfInputs, Format("%u", g.Word(F::kRegRfInputs)));
  if (covers(F::kRegRoomInputs)) {
    for (size_t bit = 0; bit < kFcRoomInputBoxes.size(); ++bit) {
      SetCheck(kFcRoomInputBoxes[bit], (g.Word(F::kRegRoomInputs) >> bit & 1) != 0);
    }
  }
  if (covers(F::kRegOutputPins)) {
    for (size_t bit = 0; bit < kFcPinBoxes.size(); ++bit) {
      SetCheck(kFcPinBoxes[bit], (g.Word(F::kRegOutputPins) >> bit & 1) != 0);
    }
  }
  if (covers(F::kRegPidOutputs)) {
    SetText(kFcPidHeat, Format("%u", g.Low(F::kRegPidOutputs)));
    SetText(kFcPidCool, Format("%u", g.High(F::kRegPidOutputs)));
  }
  if (covers(F::kRegPidFan)) SetText(kFcPidFan, Format("%u", g.Low(F::kRegPidFan)));
  if (covers(F::kRegCpuTemperature)) {
    SetText(kFcCpuTemperature,
            Hundredths(static_cast<int16_t>(g.Word(F::kRegCpuTemperature))) + u" \u00B0C");
  }
  if (covers(F::kRegPwmHeat)) SetText(kFcPwmHeat, Format("%u", g.Word(F::kRegPwmHeat)));
  if (covers(F::kRegPwmCool)) SetText(kFcPwmCool, Format("%u", g.Word(F::kRegPwmCool)));
}

void CFanCoilDlg::RefreshRows() {
  for (int i = 0; i < F::kDevices; ++i) {
    const auto row = FcDeviceRow(image_, i);
    for (int c = 0; c < kFcDeviceColumns; ++c) SetCell(kFcDevices, i, c, row[c]);
  }
}

void CFanCoilDlg::ApplyEnableRules() {
  // The regulator takes these values from the tool only while they are under manual control.
  const bool setpoints = IsChecked(kFcEnableSetpoints);
  Enable(kFcSetpointHeat, setpoints);
  Enable(kFcSetpointCool, setpoints);
  Enable(kFcFanMode, setpoints);
  Enable(kFcActualTemp, IsChecked(kFcEnableTemperature));
}

// The FIFO head is served only for a view that is open, and only with data the controller sent:
// a stale length in a stored or imported image must not drain the controller's FIFO.
void CFanCoilDlg::ServeWmbusFifo(int s, int e) {
  if (wmbus_fifo_ && wmbus_fifo_->is_open()) {
    wmbus_reader_.OnBlock(s, e, image_.WmbusHead(), *wmbus_fifo_);
  }
}

// ---------------------------------------------------------------------------------------------
// Read and write

void CFanCoilDlg::QueueRead(int first, int count, bool flush) {
  services_.queues.QueueRead(route_, address_, static_cast<uint16_t>(first), count, 0, flush);
}

void CFanCoilDlg::QueueWrite(int first, int count, bool flush) {
  services_.queues.QueueWrite(route_, address_, static_cast<uint16_t>(first), count,
                              image_.words().data() + first, 0, flush);
}

void CFanCoilDlg::Read() {
  if (cycle_.Busy()) return;
  KillTimer(kKeepAliveTimer);
  const RegisterRange config[] = {{0, F::kConfigWords}};
  cycle_.StartRead(config, true, kReadMs);
}

void CFanCoilDlg::Write(bool eeprom) {
  if (cycle_.Busy()) return;
  if (source() != SourceState::kDevice) {
    const int answer = MessageBox(
        u"Data are from project, write can replace data in device.\nStill want to write?",
        u"Possible overwrite", {ui::Buttons::kYesNoCancel, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) return;
  }
  Gather();
  const RegisterRange config[] = {{kWriteFirst, kWriteCount}};
  cycle_.StartWrite(eeprom, config, eeprom ? kEepromMs : kRamMs);
}

void CFanCoilDlg::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  if (source != address_ || closed_for_version_) return;
  cycle_.OnAck(first, count, from_cache);
}

void CFanCoilDlg::SendWord(int reg) { QueueWrite(reg, 1, false); }

void CFanCoilDlg::SendOutput(int edit, bool high) {
  // A value that is not a byte is not sent: the controller would get a cut-off one.
  const std::optional<int> value = ScanInRange(Text(edit), 0xFF);
  if (!value) return;
  // The byte is taken out of the optional once, before the branch: GCC 12 at -O3 otherwise
  // reports a dangling pointer to the optional in each branch (a false positive of
  // -Wdangling-pointer, an error in this build).
  const auto byte = static_cast<uint8_t>(value.value_or(0));
  if (high) {
    image_.SetHigh(F::kRegManualOutputs, byte);
  } else {
    image_.SetLow(F::kRegManualOutputs, byte);
  }
  SendWord(F::kRegManualOutputs);
}

// ---------------------------------------------------------------------------------------------
// Controls into the image

void CFanCoilDlg::Gather() {
  FanCoilImage& g = image_;
  std::array<uint16_t, 8> text{};
  StoreLowBytes(Text(kFcPassword), text);
  std::copy(text.begin(), text.end(), g.words().begin() + F::kRegPassword);
  text.fill(0);
  StoreLowBytes(Text(kFcName), text);
  std::copy(text.begin(), text.end(), g.words().begin() + F::kRegName);

  // A list that shows no entry keeps the register's field: nobody chose entry 0.
  const uint16_t radio = g.Word(F::kRegRadio);
  g.SetWord(F::kRegRadio, static_cast<uint16_t>(CurSelOr(kFcFrequency, radio & 0xFF) |
                                                CurSelOr(kFcRfPower, radio >> 8) << 8));
  g.SetWord(F::kRegOptions, static_cast<uint16_t>((IsChecked(kFcSystemMode) ? 1 : 0) |
                                                  (IsChecked(kFcBeacon) ? 0x100 : 0)));

  uint16_t regulator = static_cast<uint16_t>(CurSelOr(kFcFanType, g.FanType()) << F::kFanTypeShift);
  for (const BitBox& box : kFcRegulatorBoxes) {
    if (IsChecked(box.id)) regulator |= box.bit;
  }
  g.SetWord(F::kRegRegulator, regulator);

  uint8_t enables = 0;
  for (size_t bit = 0; bit < kFcEnableBoxes.size(); ++bit) {
    if (IsChecked(kFcEnableBoxes[bit])) enables |= static_cast<uint8_t>(1u << bit);
  }
  g.SetLow(F::kRegManual, enables);
  g.SetHigh(F::kRegManual, static_cast<uint8_t>(CurSelOr(kFcManualFan, g.High(F::kRegManual))));

  // A number that does not fit its register keeps the image's value rather than a cut one.
  for (const auto& [id, reg] :
       {std::pair{kFcPBand, F::kRegPBand}, std::pair{kFcIConst, F::kRegIConst},
        std::pair{kFcDConst, F::kRegDConst}, std::pair{kFcChangeOver, F::kRegChangeOver}}) {
    if (const auto n = ScanInRange(Text(id), 0xFFFF)) g.SetWord(reg, static_cast<uint16_t>(*n));
  }
  for (const auto& [id, reg] : {std::pair{kFcActualTemp, F::kRegActualTemp},
                                std::pair{kFcSetpointHeat, F::kRegSetpointHeat},
                                std::pair{kFcSetpointCool, F::kRegSetpointCool}}) {
    const std::optional<int64_t> value = ScanScaledDecimal(Text(id), 2);
    if (value && *value >= INT16_MIN && *value <= INT16_MAX) {
      g.SetWord(reg, static_cast<uint16_t>(static_cast<int16_t>(*value)));
    }
  }

  uint16_t di = g.Word(F::kRegDiOptions) & 0xFFF0;
  for (size_t bit = 0; bit < kFcDiBoxes.size(); ++bit) {
    if (IsChecked(kFcDiBoxes[bit])) di |= static_cast<uint16_t>(1u << bit);
  }
  g.SetWord(F::kRegDiOptions, di);
  g.SetLow(F::kRegManualInputs, static_cast<uint8_t>((IsChecked(kFcPresenceOn) ? 1 : 0) +
                                                     2 * (IsChecked(kFcWindowOn) ? 1 : 0)));
  if (const auto heat = ScanInRange(Text(kFcHeatOut), 0xFF)) {
    g.SetLow(F::kRegManualOutputs, static_cast<uint8_t>(*heat));
  }
  if (const auto cool = ScanInRange(Text(kFcCoolOut), 0xFF)) {
    g.SetHigh(F::kRegManualOutputs, static_cast<uint8_t>(*cool));
  }

  if (const auto mb = ScanInRange(Text(kFcModbusAddress), 0xFF)) {
    g.SetLow(F::kRegModbusLine, static_cast<uint8_t>(*mb));
  }
  const int baud_sel = CurSel(kFcBaudrate);
  if (baud_sel >= 0) g.SetHigh(F::kRegModbusLine, static_cast<uint8_t>(baud_sel + 10));
  const uint8_t format = g.Low(F::kRegSerialFormat);
  g.SetLow(F::kRegSerialFormat,
           static_cast<uint8_t>(CurSelOr(kFcParity, format & 0x03) +
                                4 * CurSelOr(kFcStopBits, (format >> 2) & 0x01)));
  // A register 72 that selects no entry (a bit above the list's) stays as the controller has it.
  if (const int fan = CurSel(kFcFanMode); fan >= 0) g.SetFanMode(fan);
}

void CFanCoilDlg::StoreIntoProject() {
  std::span<uint16_t> blob = ProjectBlob();
  std::copy(image_.words().begin(), image_.words().end(), blob.begin());
}

bool CFanCoilDlg::SameAsProject() const {
  const std::span<const uint16_t> blob = project_.Record(entry_);
  const std::span<const uint16_t> words = image_.words();
  if (blob.size() < words.size()) return false;
  // What the controller measures and reports, the clock that ticks in the window and the copies
  // of its paired devices follow the controller: they alone are no change of the user's.
  static constexpr RegisterRange kLive[] = {
      {F::kRegCommand, 1},
      {F::kRegEepromWrites, F::kRegIndicators + 1 - F::kRegEepromWrites},
      {F::kRegClock, F::kRegUnixTime + 2 - F::kRegClock},
      {F::kRegRfInputs, F::kRegCpuTemperature + 1 - F::kRegRfInputs},
      {F::kRegDeviceStatus, 6 * F::kDevices},
      {F::kRegCacheFirst, F::kRegCacheLast + 1 - F::kRegCacheFirst},
      {F::kRegWmbusHead, F::kRegWmbusStatus + 1 - F::kRegWmbusHead}};
  auto live = [](int r) {
    return std::any_of(std::begin(kLive), std::end(kLive), [r](const RegisterRange& range) {
      return r >= range.first && r < range.first + range.count;
    });
  };
  for (int r = 0; r < F::kWords; ++r) {
    if (!live(r) && words[static_cast<size_t>(r)] != blob[static_cast<size_t>(r)]) return false;
  }
  return true;
}

void CFanCoilDlg::OnCancel() {
  Gather();
  if (!SameAsProject()) {
    const int answer = MessageBox(u"Save changes?", u"Unsaved changes",
                                  {ui::Buttons::kYesNoCancel, ui::Icon::kWarning, 0});
    if (answer == ui::kIdCancel) return;
    if (answer == ui::kIdYes) StoreIntoProject();
  }
  EndDialog(ui::kIdCancel);
}

// ---------------------------------------------------------------------------------------------
// Buttons and lists

void CFanCoilDlg::OnCommand(int id) {
  switch (id) {
    case kFcRead:
      Read();
      return;
    case kFcWriteRam:
      Write(false);
      return;
    case kFcWriteEeprom:
      Write(true);
      return;
    case kFcSave:
      Gather();
      StoreIntoProject();
      return;
    case kFcDefault:
      // As if the controller had sent it: the version it keeps is checked.
      ApplyWhole(DefaultFanCoilImage(image_), false);
      return;
    case kFcExport:
      if (services_.export_words) {
        services_.export_words(*this, image_.words(), u"Export_" + DisplayName(address_));
      }
      return;
    case kFcImport:
      Import();
      return;
    case kFcFwUpdate:
      FirmwareUpdate();
      return;
    case kFcReadLog:
      services_.log.Request(route_, address_);
      return;
    case kFcSynchronize:
      Synchronize();
      return;
    case kFcCompressCache:
      PlaceCacheAndCheck(true);
      return;
    case kFcCreateReport:
      // From the working image as it stands: the controls are not gathered first.
      WriteReport(*this, FanCoilReportText(image_));
      return;
    case kFcWmbusFifo:
      OpenWmbusFifo();
      return;
    case kFcHeatOutSend:
      SendOutput(kFcHeatOut, false);
      return;
    case kFcCoolOutSend:
      SendOutput(kFcCoolOut, true);
      return;
    default:
      return;
  }
}

void CFanCoilDlg::OnCheck(int id) {
  if (id == kFcEnableSetpoints || id == kFcEnableTemperature) {
    ApplyEnableRules();
    return;
  }
  if (id == kFcPresenceOn || id == kFcWindowOn) {
    const uint8_t bit = id == kFcPresenceOn ? 0x01 : 0x02;
    const uint8_t inputs = image_.Low(F::kRegManualInputs);
    if (IsChecked(id) == ((inputs & bit) != 0)) return;
    image_.SetLow(F::kRegManualInputs,
                  static_cast<uint8_t>(IsChecked(id) ? inputs | bit : inputs & ~bit));
    SendWord(F::kRegManualInputs);
  }
}

void CFanCoilDlg::OnSelChange(int id) {
  if (id == kFcFanMode) {
    const int fan = CurSel(kFcFanMode);
    if (fan < 0) return;
    image_.SetFanMode(fan);
    SendWord(F::kRegFanMode);
  } else if (id == kFcManualFan) {
    const int stage = CurSel(kFcManualFan);
    if (stage < 0) return;
    image_.SetHigh(F::kRegManual, static_cast<uint8_t>(stage));
    SendWord(F::kRegManual);
  }
}

void CFanCoilDlg::OnDoubleClick(int id, int row, int column) {
  if (id != kFcDevices || row < 0 || row >= F::kDevices) return;
  if (column == kFcColAction) {
    const RfAddress device = image_.Device(row).address;
    // The device's registers are reached through this controller (or its own route).
    if (device != 0) opener_.OpenDialogFor(*this, device, route_ != 0 ? route_ : address_);
  } else {
    EditDevice(row);
  }
  RefreshRows();
}

void CFanCoilDlg::EditDevice(int row) {
  GwDeviceEntry entry = image_.Device(row);
  uint8_t modbus = image_.ModbusAddress(row);
  uint8_t input = image_.InputNumber(row);
  CFcDevices editor(host(), entry, modbus, input, address_, project_, HeardList());
  if (RunModal(editor) != ui::kIdOk) return;
  image_.SetDevice(row, entry);
  image_.SetModbusAddress(row, modbus);
  image_.SetInputNumber(row, input);
  PlaceCacheAndCheck(false);
}

void CFanCoilDlg::PlaceCacheAndCheck(bool compress) {
  const std::vector<int> left_out =
      compress ? CompressFanCoilCache(image_) : PlaceFanCoilCache(image_);
  RefreshRows();
  gw_window::ReportCacheFull(*this, left_out, [this](int i) { return image_.Device(i); });
  if (compress) return;
  if (auto collision = FindModbusCollision(image_)) MessageBox(CollisionMessage(*collision));
}

void CFanCoilDlg::Import() {
  if (!services_.import_words) return;
  FanCoilImage copy = image_;
  if (services_.import_words(*this, copy.words()) <= 0) return;
  ApplyWhole(copy, true);
}

void CFanCoilDlg::FirmwareUpdate() {
  gw_window::FirmwareUpdate(*this, services_, address_, route_, kKeepAliveTimer, kKeepAliveMs);
}

std::vector<HeardEntry> CFanCoilDlg::HeardList() const { return HeardListOf(services_.dongle); }

void CFanCoilDlg::ApplyButtonVisibility() {
  gw_window::ApplyHeardList(*this, services_.dongle, address_,
                            {kFcFwUpdate, kFcRead, kFcReadLog, kFcWriteRam, kFcWriteEeprom},
                            kKeepAliveTimer, kKeepAliveMs);
}

// ---------------------------------------------------------------------------------------------
// Timers

void CFanCoilDlg::OnTimer(int id) {
  if (cycle_.OnTimer(id)) return;
  switch (id) {
    case kKeepAliveTimer:
      QueueRead(F::kRegBackgroundRssi, 1, false);
      QueueRead(F::kRegRoomInputs, F::kRegPidFan + 1 - F::kRegRoomInputs, false);
      return;
    case kRssiTimer:
      ShowRadioLevels();
      return;
    case kWmbusFifoTimer:
      if (wmbus_fifo_ && wmbus_fifo_->is_open()) {
        wmbus_reader_.Poll();
      } else {
        KillTimer(kWmbusFifoTimer);
      }
      return;
    case kClockTimer:
      ClockTick();
      return;
    default:
      return;
  }
}

GwClock CFanCoilDlg::ShowClock() {
  return gw_window::ShowClock(*this, kFcDate, kFcTime, image_.Clock());
}

void CFanCoilDlg::ShowRadioLevels() {
  SetText(kFcRssi, Format("%d dBm", services_.heard.RssiOf(address_)));
  SetText(kFcRxRssi, Format("%d dBm", services_.heard.device_rssi()));
}

void CFanCoilDlg::ClockTick() {
  image_.SetClock(gw_window::NextSecond(ShowClock()));
  image_.SetUnixTime(image_.UnixTime() + 1);
  SetText(kFcUnixTime, Format("%d", static_cast<int32_t>(image_.UnixTime())));
}

void CFanCoilDlg::Synchronize() {
  image_.SetClock(gw_window::ClockOf(host().Now(), image_.Clock()));
  QueueWrite(F::kRegClock, 4, false);
}

void CFanCoilDlg::OpenWmbusFifo() {
  if (!wmbus_fifo_) wmbus_fifo_ = std::make_unique<CWmbusFifo>(host());
  // Flushed only when no Read or Write runs: a flush would drop the operation's requests.
  wmbus_reader_.Start(cycle_.Idle());
  wmbus_fifo_->ShowFor(*this);
  SetTimer(kWmbusFifoTimer, kFifoPollMs);
}

}  // namespace corvane

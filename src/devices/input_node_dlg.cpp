#include "devices/input_node_dlg.h"

#include "devices/input_node_template.h"
#include "model/device_text.h"
#include "model/radio_settings.h"
#include "ui/text.h"

namespace corvane::devices {
namespace {

using namespace input_word;
using ui::InOneButton;
using ui::InSquare;
using ui::InSwitch;

// The record table of both dialogs; the background RSSI only in the one that shows it.
const std::vector<FieldBinding>& InputNodeFields(bool b_node) {
  static const std::vector<FieldBinding> common = {
      Seconds32(ui::kInUptime, kUptime),
      Battery(ui::kInBatteryVoltage, kBattery, 0),
      NibbleTens(ui::kInBatteryState, kBattery, 1),
      ScaledByte(ui::kInLongpress, kLongpress, 0, 250, 0, 0, 255 * 250),
      ScaledByte(ui::kInLongpressRepeat, kLongpress, 1, 250, 0, 0, 255 * 250),
      ScaledByte(ui::kInMinPress, kButtons, 1, 2, 2, 2, 512),
      Hundredths(ui::kInTemperature, kTemperature, false),
      Hundredths(ui::kInTempCorr, kTemperatureCorr, true),
      Hundredths(ui::kInTempThreshold, kTemperatureThreshold, true),
      FlagText(ui::kInPrg, kStatus, 0x0001, u"PRG"),
      FlagText(ui::kInUni, kStatus, 0x0002, u"UNI"),
      CheckWord(ui::kInLock, kLock, 0x0001),
  };
  static const std::vector<FieldBinding> with_rssi = [] {
    std::vector<FieldBinding> fields = common;
    fields.push_back(SignedByte(ui::kInBkRssi, kBackgroundRssi, 0));
    return fields;
  }();
  return b_node ? with_rssi : common;
}

constexpr uint16_t kFirmwareQuirkDeviceId = 1170;

}  // namespace

uint8_t AssembleButtonByte(uint16_t type, const std::array<bool, 6>& one_button,
                           const std::array<bool, 4>& switch_mode) {
  int byte = 0;
  for (int i = 0; i < 4; ++i) byte |= one_button[static_cast<size_t>(i)] ? 1 << i : 0;
  switch (type) {
    case 0x00B:
      byte |= (one_button[4] ? 0x10 : 0) | (one_button[5] ? 0x20 : 0);
      break;
    case 0x00E:
      break;
    default:  // 0x003 and 0x014
      for (int i = 0; i < 4; ++i) byte |= switch_mode[static_cast<size_t>(i)] ? 0x10 << i : 0;
      break;
  }
  return static_cast<uint8_t>(byte);
}

InputNodeBase::InputNodeBase(const ui::DialogTemplate& tpl, const DeviceDialogContext& context,
                             DeviceServices services, std::span<const FieldBinding> fields,
                             int inputs)
    : DeviceDialog(tpl, context, std::move(services), kInputNodeLayout, fields), inputs_(inputs) {}

void InputNodeBase::RefreshDevice(int first, int count) {
  const auto record = this->record();
  auto covers = [&](int word) { return first <= word && word < first + count; };
  if (covers(kButtons)) {
    // Bits 4 and 5 stand for the switch mode of inputs 1 and 2 and for the one-button control
    // of inputs 5 and 6; both sets of boxes follow them, and the type shows one.
    const uint8_t byte = RecordByte(record, kButtons, 0);
    for (int i = 1; i <= inputs_; ++i) SetCheck(InOneButton(i), (byte >> (i - 1)) & 1);
    for (int i = 1; i <= 4; ++i) SetCheck(InSwitch(i), (byte >> (i + 3)) & 1);
  }
  // The squares show what the device reports now; indications kept in the project or a file
  // are old news.
  if (covers(kIndicationCD) && !local_block()) ApplyIndications();
  // Old firmware of one hardware does not answer registers 53..62: a read completes without.
  if (covers(1) && record[1] < 100 && record[5] == kFirmwareQuirkDeviceId) {
    mutable_cycle().DropReads(53, 10);
  }
}

void InputNodeBase::ApplyIndications() {
  const auto record = this->record();
  const uint8_t a = RecordByte(record, kIndicationAB, 0);
  const uint8_t b = RecordByte(record, kIndicationAB, 1);
  const uint8_t c = RecordByte(record, kIndicationCD, 0);
  const uint8_t d = RecordByte(record, kIndicationCD, 1);
  for (int i = 1; i <= inputs_; ++i) {
    const int bit = 1 << (i - 1);
    if (d & bit) {
      Paint(i, kSquareYellow, true);
    } else if (a & bit) {
      Paint(i, kSquareGreen, false);
    } else if (c & bit) {
      Paint(i, kSquareRed, true);
    } else if (b & bit) {
      Paint(i, kSquareGreen, true);
    }
  }
}

void InputNodeBase::Paint(int input, uint32_t rgb, bool clear_later) {
  SetColor(InSquare(input), rgb);
  const int timer = kSquareTimerFirst + input - 1;
  if (clear_later) {
    SetTimer(timer, kSquareClearMs);
  } else {
    KillTimer(timer);
  }
}

void InputNodeBase::OnDeviceTimer(int id) {
  const int input = id - kSquareTimerFirst + 1;
  if (input < 1 || input > inputs_) return;
  KillTimer(id);
  SetColor(InSquare(input), kSquareWhite);
}

void InputNodeBase::CollectDevice() {
  std::array<bool, 6> one_button{};
  std::array<bool, 4> switch_mode{};
  for (int i = 1; i <= inputs_; ++i)
    one_button[static_cast<size_t>(i - 1)] = IsChecked(InOneButton(i));
  for (int i = 1; i <= 4; ++i) switch_mode[static_cast<size_t>(i - 1)] = IsChecked(InSwitch(i));
  SetRecordByte(mutable_record(), kButtons, 0,
                AssembleButtonByte(TypeOf(address()), one_button, switch_mode));
}

std::vector<uint16_t> InputNodeBase::BuildDefault(uint16_t model, uint16_t device_id,
                                                  std::u16string_view name) const {
  std::vector<uint16_t> d = DefaultRecordBase(record(), model, device_id, name);
  d[kLongpress] = 6 | (2 << 8);  // 1500 ms, repeat 500 ms
  d[kButtons] = 25 << 8;         // minimal press 52 ms
  d[kTemperatureThreshold] = 200;
  return d;
}

CInputNodeDlg::CInputNodeDlg(const DeviceDialogContext& context, DeviceServices services)
    : InputNodeBase(ui::InputNodeTemplate(), context, std::move(services), InputNodeFields(false),
                    6) {}

void CInputNodeDlg::InitDevice() {
  const uint16_t type = TypeOf(address());
  const bool six = type == 0x00B;
  const bool keypad = type == 0x00E;
  const bool switches = !six && !keypad;
  for (int i = 5; i <= 6; ++i) {
    Show(ui::InButtonLabel(i), six);
    Show(InOneButton(i), six);
    Show(InSquare(i), six);
  }
  Show(ui::kInSwitchCaption, switches);
  // A Quadrel-A offers the switch mode of inputs 3 and 4 only.
  for (int i = 1; i <= 4; ++i) Show(InSwitch(i), switches && i >= 3);
  for (int id :
       {ui::kInTempGroup, ui::kInTempLabel, ui::kInTempCorrLabel, ui::kInTempThresholdLabel,
        ui::kInTempUnit, ui::kInTempCorrUnit, ui::kInTempThresholdUnit, ui::kInTemperature,
        ui::kInTempCorr, ui::kInTempThreshold}) {
    Show(id, !keypad);
  }
}

std::vector<uint16_t> CInputNodeDlg::DefaultRecord() const {
  return BuildDefault(1295, 1115, u"IN4 1");
}

CInputNodeBDlg::CInputNodeBDlg(const DeviceDialogContext& context, DeviceServices services)
    : InputNodeBase(ui::InputNodeBTemplate(), context, std::move(services), InputNodeFields(true),
                    4) {}

void CInputNodeBDlg::StartDevice() {
  ShowRssi();
  SetTimer(kRssiTimer, kRssiMs);
}

void CInputNodeBDlg::OnDeviceTimer(int id) {
  if (id == kRssiTimer) {
    ShowRssi();
    return;
  }
  InputNodeBase::OnDeviceTimer(id);
}

void CInputNodeBDlg::ShowRssi() {
  SetText(ui::kInRssi, ui::Format("%d dBm", services().heard.RssiOf(address())));
  SetText(ui::kInRxRssi, ui::Format("%d dBm", services().heard.device_rssi()));
}

std::vector<uint16_t> CInputNodeBDlg::DefaultRecord() const {
  return BuildDefault(0xF047, 1268, u"IN4 51");
}

}  // namespace corvane::devices

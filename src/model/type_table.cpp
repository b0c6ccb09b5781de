#include "model/type_table.h"

#include <array>
#include <cstdio>

namespace corvane {
namespace {

struct TypeRow {
  uint16_t code;
  std::array<const char*, kOemModeCount> names;  // normal, Aldera line (mode 1), Omniplex line (2)
  DialogClass dialog;
  int size;
  bool listens;
  WakeHintId hint;
};

using enum DialogClass;
using enum WakeHintId;

// clang-format off
constexpr TypeRow kTypes[] = {
  {0x001, {"Ventora",   "Aldera Fancoil",  "Omniplex FC-10"}, kFanCoil,       33352, true,  kH0},
  {0x002, {"Calidor",   "Aldera Room",     "Omniplex RU-20"}, kRoomUnit,        380, false, kH1},
  {0x003, {"Quadrel-A", "Aldera Input 4",  "Omniplex IN-4"},  kInputNode,       118, false, kH1},
  {0x004, {"Luxbrig-B", "Aldera DALI B",   "Omniplex DL-2"},  kDaliBridge,      980, true,  kH0},
  {0x005, {"Duplon-B",  "Aldera Relay B",  "Omniplex RL-2B"}, kOutputNode,      316, true,  kH0},
  {0x006, {"Luxbrig-A", "Aldera DALI A",   "Omniplex DL-1"},  kDaliBridge,      980, true,  kH0},
  {0x007, {"Duplon-A",  "Aldera Relay A",  "Omniplex RL-2A"}, kOutputNode,      316, true,  kH0},
  {0x008, {"Gatrix-xx", "Aldera Gateway",  "Omniplex GW-MB"}, kGatewayV400,   39236, true,  kH0},
  {0x009, {"Stralux-C", "Aldera Street C", "Omniplex SL-C"},  kStreetLight,    1840, true,  kH0},
  {0x00A, {"Termolo",   "Aldera Climate",  "Omniplex TH-1"},  kThermoHygro,     196, false, kH1},
  {0x00B, {"Quadrel-X", "Aldera Input 6",  "Omniplex IN-6"},  kInputNode,       118, false, kH1},
  {0x00C, {"Stralux-A", "Aldera Street A", "Omniplex SL-A"},  kUnsupported,     250, false, kH0},
  {0x00D, {"Bossel",    "Aldera Climate S","Omniplex TH-2"},  kThermoHygro,     196, false, kH2},
  {0x00E, {"Klavet",    "Aldera Keypad",   "Omniplex KP-1"},  kInputNode,       118, false, kH3},
  {0x00F, {"Tallix",    "Aldera Counter",  "Omniplex PC-1"},  kCounter,         128, false, kH1},
  {0x011, {"Calidor-C", "Aldera Room C",   "Omniplex RU-30"}, kRoomUnitC,       156, false, kH4},
  {0x012, {"Fenstro",   "Aldera Window",   "Omniplex WC-1"},  kWindowContact,   118, false, kH5},
  {0x013, {"Calidor-D", "Aldera Room D",   "Omniplex RU-40"}, kNone,            250, false, kH0},
  {0x014, {"Quadrel-B", "Aldera Input 4B", "Omniplex IN-4B"}, kInputNodeB,      118, true,  kH0},
  {0x015, {"Lampiro",   "Aldera Gateway L","Omniplex GW-L"},  kGatewayV400,   39236, true,  kH0},
  {0x016, {"Ombrix",    "Aldera Gateway O","Omniplex GW-O"},  kGatewayV400,   39236, true,  kH0},
  {0x017, {"Portalis",  "Aldera Door",     "Omniplex DR-2"},  kOutputNode,      316, true,  kH0},
  {0x018, {"Sextan",    "Aldera Gateway S","Omniplex GW-S"},  kGatewayV400,   39236, true,  kH0},
  // The Modbus side of a gateway keeps its name in every OEM mode.
  {0xFFE, {"DEVICE ON MODBUS", "DEVICE ON MODBUS", "DEVICE ON MODBUS"}, kDaliBridge, 39236, true, kH0},
};
// clang-format on

constexpr TypeRow kUnlisted{0, {"", "", ""}, kNone, 250, false, kH0};
constexpr TypeRow kEmptyAddressType{0, {"", "", ""}, kNone, 0, true, kH0};

const TypeRow& Row(RfAddress address) {
  const uint16_t type = TypeOf(address);
  if (type == 0) return kEmptyAddressType;
  for (const TypeRow& row : kTypes) {
    if (row.code == type) return row;
  }
  return kUnlisted;
}

int g_oem_mode = 0;

std::u16string Widen(const char* s) {
  std::u16string out;
  while (*s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
  return out;
}

}  // namespace

void SetOemMode(int mode) { g_oem_mode = mode; }
int OemMode() { return g_oem_mode; }

std::u16string TypeName(RfAddress address, int oem_mode) {
  const int column = (oem_mode == 1 || oem_mode == 2) ? oem_mode : 0;
  return Widen(Row(address).names[column]);
}

std::u16string TypeName(RfAddress address) { return TypeName(address, g_oem_mode); }

std::u16string DisplayName(RfAddress address, int oem_mode) {
  char tail[32];
  std::snprintf(tail, sizeof tail, " 0x%08X %d ", static_cast<unsigned>(address),
                static_cast<int>(static_cast<int32_t>(address)));
  return TypeName(address, oem_mode) + Widen(tail);
}

std::u16string DisplayName(RfAddress address) { return DisplayName(address, g_oem_mode); }

int RecordSize(RfAddress address) { return Row(address).size; }
bool Listens(RfAddress address) { return Row(address).listens; }
WakeHintId WakeHintOf(RfAddress address) { return Row(address).hint; }

std::u16string WakeHintText(WakeHintId id) {
  switch (id) {
    case kH0:
      return u"\r\nThe device does not communicate";
    case kH1:
      return u"\r\nPress button, or wait up to 5 minutes";
    case kH2:
      return u"\r\nWait up to 5 minutes";
    case kH3:
      return u"\r\nPress button";
    case kH4:
      return u"\r\nSwitch off and then on switch UNI, or wait up to 2 minutes";
    case kH5:
      return u"\r\nManipulate with magnet, or wait up to 5 minutes";
  }
  return u"";
}

std::u16string WakeHint(RfAddress address) { return WakeHintText(WakeHintOf(address)); }

bool IsGatewayType(uint16_t type) {
  return type == 0x008 || type == 0x015 || type == 0x016 || type == 0x018;
}

DialogClass DialogFor(RfAddress address, std::span<const uint16_t> cached_record) {
  if (IsGatewayType(TypeOf(address))) {
    const uint16_t version = cached_record.size() > 1 ? cached_record[1] : 0;
    return (version >= 1 && version <= 398) ? kGateway : kGatewayV400;
  }
  return Row(address).dialog;
}

const char* DialogClassName(DialogClass dialog) {
  switch (dialog) {
    case kNone:
      return "";
    case kUnsupported:
      return "";
    case kFanCoil:
      return "CFanCoilDlg";
    case kRoomUnit:
      return "CRoomUnitDlg";
    case kRoomUnitC:
      return "CRoomUnitCDlg";
    case kInputNode:
      return "CInputNodeDlg";
    case kInputNodeB:
      return "CInputNodeBDlg";
    case kDaliBridge:
      return "CDaliBridgeDlg";
    case kOutputNode:
      return "COutputNodeDlg";
    case kGateway:
      return "CGatewayDlg";
    case kGatewayV400:
      return "CGatewayV400Dlg";
    case kStreetLight:
      return "CStreetLightDlg";
    case kThermoHygro:
      return "CThermoHygroDlg";
    case kCounter:
      return "CCounterDlg";
    case kWindowContact:
      return "CWindowContactDlg";
  }
  return "";
}

std::u16string FormatAddress(RfAddress address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(address));
  return Widen(text);
}

}  // namespace corvane

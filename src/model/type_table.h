// The per-type table: display names (per OEM mode), configuration record sizes, whether a device
// listens at any time or must be woken, the wake-up hint, and which dialog opens for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "model/rf_address.h"

namespace corvane {

// The configuration dialog class that opens for a device type.
enum class DialogClass {
  kNone,
  kUnsupported,    // shows "zatim nepodporuju" instead of a dialog
  kFanCoil,        // CFanCoilDlg
  kRoomUnit,       // CRoomUnitDlg
  kRoomUnitC,      // CRoomUnitCDlg
  kInputNode,      // CInputNodeDlg
  kInputNodeB,     // CInputNodeBDlg
  kDaliBridge,     // CDaliBridgeDlg
  kOutputNode,     // COutputNodeDlg
  kGateway,        // CGatewayDlg (gateway firmware before 3.99)
  kGatewayV400,    // CGatewayV400Dlg
  kStreetLight,    // CStreetLightDlg
  kThermoHygro,    // CThermoHygroDlg
  kCounter,        // CCounterDlg
  kWindowContact,  // CWindowContactDlg
};

enum class WakeHintId { kH0, kH1, kH2, kH3, kH4, kH5 };

inline constexpr int kOemModeCount = 3;

// OEM mode that TypeName/DisplayName use when none is passed. Set by the application shell from
// the profile; any value other than 1 and 2 means the normal names.
void SetOemMode(int mode);
int OemMode();

// The display name of the address's type, empty for unlisted codes.
std::u16string TypeName(RfAddress address, int oem_mode);
std::u16string TypeName(RfAddress address);

// TypeName followed by " 0x%08X %d " (the address in hex, then as a signed decimal).
std::u16string DisplayName(RfAddress address, int oem_mode);
std::u16string DisplayName(RfAddress address);

// Configuration record size in bytes.
int RecordSize(RfAddress address);
bool Listens(RfAddress address);
WakeHintId WakeHintOf(RfAddress address);
std::u16string WakeHint(RfAddress address);
std::u16string WakeHintText(WakeHintId id);

// True for the gateway family (0x008, 0x015, 0x016, 0x018), whose dialog depends on firmware.
bool IsGatewayType(uint16_t type);

// The dialog for the device; for gateway types, word 1 of the cached record (firmware version
// x 100) picks the class: 1..398 the old dialog, 0 or 399 and above the new one. A missing or
// empty record reads as version 0.
DialogClass DialogFor(RfAddress address, std::span<const uint16_t> cached_record);

// The class name, for log lines and diagnostics ("CInputNodeDlg", "" for kNone).
const char* DialogClassName(DialogClass dialog);

// Formats " 0x%08X" style hexadecimal for addresses; shared by every list that shows one.
std::u16string FormatAddress(RfAddress address);

}  // namespace corvane

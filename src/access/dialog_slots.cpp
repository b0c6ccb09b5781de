#include "access/dialog_slots.h"

namespace corvane {

int DialogSlots::Capacity(DialogClass cls) {
  switch (cls) {
    case DialogClass::kGateway:
    case DialogClass::kGatewayV400:
    case DialogClass::kFanCoil:
    case DialogClass::kStreetLight:
      return 4;
    case DialogClass::kNone:
    case DialogClass::kUnsupported:
      return 0;
    default:
      return 1;
  }
}

bool DialogSlots::Occupy(DialogClass cls, DeviceDialogPort* dialog) {
  if (InUse(cls) >= Capacity(cls)) return false;
  for (Slot& slot : slots_) {
    if (slot.dialog == nullptr) {
      // The version-message flag belongs to the slot and outlives the dialog in it.
      slot.cls = cls;
      slot.dialog = dialog;
      return true;
    }
  }
  return false;
}

void DialogSlots::Release(DeviceDialogPort* dialog) {
  for (Slot& slot : slots_) {
    if (slot.dialog == dialog) {
      slot.dialog = nullptr;
      slot.cls = DialogClass::kNone;
    }
  }
}

int DialogSlots::InUse(DialogClass cls) const {
  int n = 0;
  for (const Slot& slot : slots_) n += slot.dialog != nullptr && slot.cls == cls;
  return n;
}

DeviceDialogPort* DialogSlots::First(DialogClass cls) const {
  for (const Slot& slot : slots_) {
    if (slot.dialog != nullptr && slot.cls == cls) return slot.dialog;
  }
  return nullptr;
}

void DialogSlots::NotifyInRange() {
  for (const Slot& slot : slots_) {
    if (slot.dialog != nullptr) slot.dialog->OnInRange();
  }
}

void DialogSlots::OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                                 bool from_cache) {
  for (Slot& slot : slots_) {
    if (slot.dialog == nullptr) continue;
    slot.dialog->OnRegisterData(source, first, count, words, from_cache);
    if (slot.dialog != nullptr &&
        (slot.cls == DialogClass::kGateway || slot.cls == DialogClass::kGatewayV400)) {
      CheckGatewayVersion(slot);
    }
  }
}

void DialogSlots::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  for (const Slot& slot : slots_) {
    if (slot.dialog != nullptr) slot.dialog->OnWriteAck(source, first, count, from_cache);
  }
}

void DialogSlots::CheckGatewayVersion(Slot& slot) {
  const int version = slot.dialog->RecordVersion();
  if (version < 0) return;
  const bool newer_needed = slot.cls == DialogClass::kGatewayV400 && version < 399;
  const bool older_needed = slot.cls == DialogClass::kGateway && version >= 399;
  if (!newer_needed && !older_needed) {
    slot.warned = false;  // a fitting version re-arms the message
    return;
  }
  DeviceDialogPort* dialog = slot.dialog;
  const bool show = !slot.warned;
  slot.warned = true;
  dialog->CloseForVersion(newer_needed ? static_cast<uint16_t>(version) : uint16_t{399});
  // The older firmware runs under the new dialog: say the gateway's version is older.
  if (show && warning_ != nullptr) warning_->WarnIncompatibleVersion(older_needed);
}

}  // namespace corvane

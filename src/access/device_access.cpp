#include "access/device_access.h"

#include <algorithm>

#include "access/access_dialogs.h"
#include "model/le.h"
#include "ui/host.h"

namespace corvane {

void SendThrough(MessageLayer& layer, RfAddress route, RfAddress device,
                 std::span<const uint8_t> message) {
  const int length = static_cast<int>(message.size());
  if (route == 0) {
    layer.SendMsg(device, message.data(), length, false);
    return;
  }
  uint8_t wrapped[kMaxMessage];
  const int inner = std::min(length, int{kMaxMessage} - 6);
  wrapped[0] = MSG_RF_SEND;
  wrapped[1] = static_cast<uint8_t>(std::min(inner + 4, int{kLengthToEnd}));
  PutU32(wrapped + 2, device);
  std::copy_n(message.begin(), inner, wrapped + 6);
  layer.SendMsg(route, wrapped, inner + 6, false);
}

void DeviceLog::Request(RfAddress route, RfAddress device) {
  const uint8_t request[3] = {MSG_LOG, 1, 0};
  SendThrough(layer_, route, device, request);
  requested_ = true;
  owner_.SetTimer(kTimer, kTimeoutMs);
}

void DeviceLog::OnTimeout() {
  owner_.KillTimer(kTimer);
  requested_ = false;
  owner_.MessageBox(u"Read Log unsuccessfull");
}

void DeviceLog::OnDeviceLog(RfAddress, std::span<const uint8_t> records) {
  // Shown even when it comes after "Read Log unsuccessfull": a slow radio path must not hide
  // the log the user asked for.
  owner_.KillTimer(kTimer);
  requested_ = false;
  owner_.MessageBox(FormatDeviceLog(records));
}

bool DeviceOpener::OpenDialogFor(ui::Dialog& parent, RfAddress address, RfAddress route) {
  const int entry = project_.Find(address);
  if (entry < 0) return false;
  const DialogClass cls = DialogFor(address, project_.Record(entry));
  if (cls == DialogClass::kUnsupported) {
    parent.MessageBox(u"zatim nepodporuju");
    return false;
  }
  auto factory = factories_.find(cls);
  if (factory == factories_.end()) {
    if (log_) {
      std::u16string line = u"No dialog for ";
      line += FormatAddress(address);
      for (const char* p = DialogClassName(cls); *p; ++p) {
        if (p == DialogClassName(cls)) line += u' ';
        line += static_cast<char16_t>(*p);
      }
      log_(line);
    }
    return false;
  }
  OpenedDialog opened = factory->second({owner_.host(), address, route, project_, entry});
  if (!opened.dialog || !slots_.Occupy(cls, opened.port)) return false;
  parent.RunModal(*opened.dialog);
  slots_.Release(opened.port);
  return true;
}

DeviceDialogPort* ActivationWait::FirstPatternDialog() const {
  for (DialogClass cls : {DialogClass::kInputNode, DialogClass::kWindowContact,
                          DialogClass::kThermoHygro, DialogClass::kCounter, DialogClass::kRoomUnit,
                          DialogClass::kRoomUnitC, DialogClass::kInputNodeB}) {
    if (DeviceDialogPort* d = p_.dialog_slots.First(cls)) return d;
  }
  return nullptr;
}

void ActivationWait::OnActivationState(uint8_t state) {
  const bool silent = state & 1;
  if (p_.queues.write_in_flight()) {
    if (silent) {
      p_.owner.KillTimer(RequestQueues::kWriteTimer);
    } else {
      p_.owner.SetTimer(RequestQueues::kWriteTimer, 1500);
    }
  }
  if (!silent) {
    if (wait_ != nullptr) {
      wait_->EndDialog(ui::kIdOk);
      p_.queues.set_wait_cancelled(false);
    }
    return;
  }
  if (wait_ != nullptr) return;

  const bool firmware = p_.firmware_open && p_.firmware_open();
  if (p_.queues.write_in_flight()) p_.owner.KillTimer(RequestQueues::kWriteTimer);
  if (p_.log.requested()) p_.owner.KillTimer(DeviceLog::kTimer);
  if (!firmware) {
    if (DeviceDialogPort* d = FirstPatternDialog()) d->StopOperationTimer();
  }
  if (!p_.queues.wait_cancelled()) {
    CWaitForAct wait(p_.owner.host(), WakeHint(p_.selected_address()));
    wait_ = &wait;
    const int result = p_.owner.RunModal(wait);
    wait_ = nullptr;
    if (result == ui::kIdCancel) p_.queues.set_wait_cancelled(true);
  }
  if (p_.queues.write_in_flight()) p_.owner.SetTimer(RequestQueues::kWriteTimer, 1500);
  if (p_.log.requested()) p_.owner.SetTimer(DeviceLog::kTimer, DeviceLog::kTimeoutMs);
  if (!firmware) {
    if (DeviceDialogPort* d = FirstPatternDialog()) d->RestartOperationTimer();
  }
}

}  // namespace corvane

#include "devices/register_dialogs.h"

#include <memory>

#include "devices/input_node_dlg.h"

namespace corvane::devices {
namespace {

template <class D>
DeviceDialogFactory FactoryOf(const DeviceServices& services) {
  return [services](const DeviceDialogContext& context) {
    auto dialog = std::make_unique<D>(context, services);
    DeviceDialogPort* port = dialog.get();
    return OpenedDialog{std::move(dialog), port};
  };
}

}  // namespace

void RegisterDeviceDialogs(DeviceOpener& opener, DeviceServices services) {
  opener.Register(DialogClass::kInputNode, FactoryOf<CInputNodeDlg>(services));
  opener.Register(DialogClass::kInputNodeB, FactoryOf<CInputNodeBDlg>(services));
}

}  // namespace corvane::devices

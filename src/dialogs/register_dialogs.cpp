#include "dialogs/register_dialogs.h"

#include <memory>

#include "devices/input_node_dlg.h"
#include "devices/output_node_dlg.h"
#include "devices/room_unit_dlg.h"
#include "devices/sensor_dlgs.h"
#include "gateway/fan_coil_dlg.h"
#include "gateway/gateway_dlg.h"
#include "access/register_text.h"
#include "lighting/dali_bridge_dlg.h"
#include "lighting/street_light_dlg.h"

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

// Dialogs that open their paired devices' dialogs through the same opener.
template <class D>
DeviceDialogFactory GatewayFactoryOf(const DeviceServices& services, DeviceOpener& opener) {
  return [services, &opener](const DeviceDialogContext& context) {
    auto dialog = std::make_unique<D>(context, services, opener);
    DeviceDialogPort* port = dialog.get();
    return OpenedDialog{std::move(dialog), port};
  };
}

}  // namespace

void RegisterDeviceDialogs(DeviceOpener& opener, DeviceServices services) {
  opener.Register(DialogClass::kInputNode, FactoryOf<CInputNodeDlg>(services));
  opener.Register(DialogClass::kInputNodeB, FactoryOf<CInputNodeBDlg>(services));
  opener.Register(DialogClass::kOutputNode, FactoryOf<COutputNodeDlg>(services));
  opener.Register(DialogClass::kRoomUnit, FactoryOf<CRoomUnitDlg>(services));
  opener.Register(DialogClass::kRoomUnitC, FactoryOf<CRoomUnitCDlg>(services));
  opener.Register(DialogClass::kThermoHygro, FactoryOf<CThermoHygroDlg>(services));
  opener.Register(DialogClass::kCounter, FactoryOf<CCounterDlg>(services));
  opener.Register(DialogClass::kWindowContact, FactoryOf<CWindowContactDlg>(services));
  opener.Register(DialogClass::kDaliBridge, FactoryOf<lighting::CDaliBridgeDlg>(services));
  // The gateway opens its paired devices' dialogs through the same opener.
  opener.Register(DialogClass::kGatewayV400, GatewayFactoryOf<CGatewayV400Dlg>(services, opener));
  opener.Register(DialogClass::kGateway, GatewayFactoryOf<CGatewayDlg>(services, opener));
  // The fan-coil controller opens its paired devices' dialogs through the same opener.
  opener.Register(DialogClass::kFanCoil, GatewayFactoryOf<CFanCoilDlg>(services, opener));
  // The street light opens its routed devices' dialogs through the same opener.
  opener.Register(DialogClass::kStreetLight,
                  GatewayFactoryOf<lighting::CStreetLightDlg>(services, opener));
}

void RegisterDeviceDialogs(CCorvaneDlg& main) {
  RegisterDeviceDialogs(
      main.opener(),
      DeviceServices{main.queues(), main.device_log(), main.heard_frames(), main.dongle(),
                     [&main](ui::Dialog& owner, RfAddress address, RfAddress route) {
                       main.RunFirmwareUpdate(owner, address, route);
                     },
                     [](ui::Dialog& owner, std::span<const uint16_t> words,
                        std::u16string_view name) { Export(owner, words, name); },
                     [](ui::Dialog& owner, std::span<uint16_t> words) {
                       return Import(owner, words, static_cast<int>(words.size()));
                     },
                     [&main](RfAddress route, RfAddress address, std::span<const uint8_t> message) {
                       SendThrough(main.layer(), route, address, message);
                     }});
}

}  // namespace corvane::devices

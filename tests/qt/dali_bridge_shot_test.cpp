// The lighting-bus bridge dialog and its control-device sub-dialog as an office bridge shows
// them after a read: every control clear of its neighbours, and screenshots in the build tree.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "device_shot.h"
#include "lighting/dali_bridge_dlg.h"
#include "lighting/dali_bridge_template.h"
#include "lighting/dali_edit.h"
#include "lighting/light_control_dev_dlg.h"
#include "lighting/light_control_dev_template.h"

namespace corvane::ui {
namespace {

using namespace corvane::lighting;
using namespace corvane::lighting::dali_word;

constexpr RfAddress kBridge = 0x00400401;
constexpr RfAddress kKeypad = 0x00E00602;
constexpr RfAddress kInputX = 0x00B00601;

class DaliBridgeShot : public DeviceShot {
 protected:
  // The office bridge of a site: the keypad switches and dims the room's group, the hall input
  // switches everything.
  static std::vector<uint16_t> OfficeRecord() {
    std::vector<uint16_t> r =
        SiteRecord(kDaliBridgeWords, 1296, 1128, u"Office DALI", 104, 2 << 8, 0);
    r[1] = 400;
    r[kModbusId] = 31;
    r[31] = 0;
    r[kInfo] = 0x0201;
    r[kInfo + 1] = 0x0004;
    r[kSystem] = 1 | static_cast<uint8_t>(-2) << 8;
    r[kActualValue] = 254;
    SetRecordWord32(r, kResponse, 0x000001FE);
    SetRecordWord32(r, kCommand, 0x000101A0);
    SetRecordWord32(r, kTrigger, 0x00010100);
    SetRecordWord32(r, kGetActual, 0x000101A0);
    r[kRssiFirst] = static_cast<uint8_t>(-61) | static_cast<uint8_t>(-74) << 8;
    SetRecordWord32(r, ControlDeviceWord(0), kKeypad);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kOn, 0), 0x10018105);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kOff, 0), 0x00018100);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kLongPress, 0), 0x00018101);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kOn, 1), 0x00018102);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kOff, 1), 0x00018101);
    SetRecordWord32(r, ButtonCommandWord(0, ButtonCommand::kOn, 3), 0x2001FF00);
    SetRecordWord32(r, ControlDeviceWord(1), kInputX);
    r[kRisingEdge] = 38;
    r[kFallingEdge] = 14;
    return r;
  }

  DaliBridgeShot() {
    AddHeardDevice(kBridge, OfficeRecord());
    main_->project().SetEntry(1, kKeypad, std::vector<uint16_t>(59, 0));
    main_->project().SetEntry(2, kInputX, std::vector<uint16_t>(59, 0));
  }
};

TEST_F(DaliBridgeShot, BridgeIsTidyAndSaved) {
  CDaliBridgeDlg dlg(DeviceDialogContext{host_, kBridge, 0, main_->project(), 0}, Services());
  const QString path = ShowCheckAndGrab(host_, dlg, "dali-bridge-dialog");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(dlg.unknown_id_uses(), 0);
  EXPECT_EQ(dlg.Text(kDaliResponse), u"0x000001FE");
  const QImage image(path);
  EXPECT_LE(image.width(), 1366);
  EXPECT_LE(image.height(), 768);
  host_.HideModeless(dlg);
}

TEST_F(DaliBridgeShot, ControlDeviceAndEditorAreTidyAndSaved) {
  std::vector<uint16_t> record = OfficeRecord();
  CLightControlDevDlg device(host_, record, 0, main_->project(), kBridge, {});
  EXPECT_FALSE(ShowCheckAndGrab(host_, device, "dali-control-device").isEmpty());
  EXPECT_TRUE(device.IsChecked(LcdId(kLcdPushPull0, 0)));
  host_.HideModeless(device);
  CDaliEdit editor(host_, 0x91A0);
  EXPECT_FALSE(ShowCheckAndGrab(host_, editor, "dali-command-editor").isEmpty());
  host_.HideModeless(editor);
}

}  // namespace
}  // namespace corvane::ui

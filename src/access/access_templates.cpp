#include "access/access_templates.h"

#include "ui/host.h"

namespace corvane::ui {
namespace {

// The hint is two or three lines: without a height the editor takes its large default.
ControlSpec Tall(ControlSpec spec, int height) {
  spec.min_height = height;
  return spec;
}

}  // namespace

const DialogTemplate& ChoiseDeviceTemplate() {
  static const DialogTemplate t{
      .id = 156,
      .title = u"Select Device",
      .controls =
          {
              ComboList(kChoiseDeviceCombo, At(0, 0, 1, 3)),
              Button(kIdOk, u"OK", At(1, 1), kDefault),
              Button(kIdCancel, u"Cancel", At(1, 2)),
          },
  };
  return t;
}

const DialogTemplate& WaitForActTemplate() {
  static const DialogTemplate t{
      .id = 140,
      .title = u"Wait for activation",
      .controls =
          {
              Tall(Edit(kWaitHint, At(0, 0, 1, 2), kReadOnly | kMultiLine), 64),
              Progress(kWaitBar, At(1, 0, 1, 2)),
              Button(kIdCancel, u"Cancel", At(2, 1)),
          },
  };
  return t;
}

}  // namespace corvane::ui

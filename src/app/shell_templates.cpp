#include "app/shell_templates.h"

#include "ui/host.h"

namespace corvane::ui {

const DialogTemplate& ServiceCodeTemplate() {
  static const DialogTemplate t{
      .id = 163,
      .title = u"Enter Service Code",
      .controls =
          {
              Label(u"Service code", At(0, 0)),
              Edit(kServiceCodeEdit, At(0, 1, 1, 2), kPassword),
              Button(kIdOk, u"OK", At(1, 2), kDefault),
          },
      .stretch_columns = {1},
  };
  return t;
}

const DialogTemplate& PassChangeTemplate() {
  static const DialogTemplate t{
      .id = 177,
      .title = u"Password change",
      .controls =
          {
              Label(u"Old Password", At(0, 0)),
              Edit(kPassOld, At(0, 1)),
              Label(u"New Password", At(1, 0)),
              Edit(kPassNew, At(1, 1)),
              Button(kPassChange, u"Change", At(2, 1)),
          },
      .stretch_columns = {1},
  };
  return t;
}

}  // namespace corvane::ui

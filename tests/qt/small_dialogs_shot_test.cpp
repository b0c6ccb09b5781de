// The small dialogs of the program: each tidy, with a screenshot, and wide enough that the
// window manager can show the whole title beside its buttons.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include "access/access_templates.h"
#include "app/shell_templates.h"
#include "qt/qt_app.h"
#include "qt/qt_shot.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

struct Small {
  const DialogTemplate& (*tpl)();
  const char* shot;
};

TEST(QtScreenshot, SmallDialogsAreWideEnoughForTheirTitles) {
  TestApp();
  for (const Small& small :
       {Small{ChoiseDeviceTemplate, "select-device"},
        Small{WaitForActTemplate, "wait-for-activation"},
        Small{ServiceCodeTemplate, "service-code"}, Small{PassChangeTemplate, "password-change"}}) {
    QtHost host;
    Dialog dialog(small.tpl(), host);
    const QString path = ShowCheckAndGrab(host, dialog, small.shot);
    ASSERT_FALSE(path.isEmpty()) << small.shot;
    DialogWindow* window = host.WindowOf(dialog);
    const QFontMetrics metrics(window->font());
    const int title = metrics.horizontalAdvance(window->windowTitle());
    // Title bars often use a bolder, larger font than the window, and beside the text sit the
    // window icon and three buttons of nearly two lines' height each.
    EXPECT_GE(window->width(), title * 6 / 5 + 4 * metrics.height() * 7 / 4) << small.shot;
    EXPECT_GE(window->minimumWidth(), title) << small.shot;
    EXPECT_EQ(QImage(path).width(), window->width()) << small.shot;
  }
}

// A title set at run time counts too, within reason: a long project path in the title must not
// make a window wider than a screen.
TEST(QtScreenshot, TitleWidthFollowsTheTitleUpToALimit) {
  TestApp();
  QtHost host;
  Dialog dialog(ChoiseDeviceTemplate(), host);
  host.ShowModeless(nullptr, dialog);
  DialogWindow* window = host.WindowOf(dialog);
  const int before = window->minimumSizeHint().width();
  dialog.SetTitle(u"Firmware Update Quadrel-B 0x01400603 20972035 ");
  const int longer = window->minimumSizeHint().width();
  EXPECT_GT(longer, before);
  dialog.SetTitle(u"Pellmar 4.61 " + std::u16string(300, u'x') + u".cvp");
  EXPECT_LE(window->minimumSizeHint().width(), 800);
  host.Forget(dialog);
}

}  // namespace
}  // namespace corvane::ui

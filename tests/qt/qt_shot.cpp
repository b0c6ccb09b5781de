#include "qt/qt_shot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <vector>

#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace corvane::ui {
namespace {

std::string Name(const QWidget* w) {
  if (!w->objectName().isEmpty()) return w->objectName().toStdString();
  return std::string(w->metaObject()->className()) + " at " + std::to_string(w->x()) + "," +
         std::to_string(w->y());
}

}  // namespace

void ExpectTidyLayout(QWidget* root) {
  std::vector<QWidget*> shown;
  for (QWidget* w : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    // Qt's own parts (scroll bars, viewports) are laid out by their owners.
    if (!w->isVisible() || w->isWindow() || w->objectName().startsWith("qt_")) continue;
    shown.push_back(w);
  }
  for (size_t i = 0; i < shown.size(); ++i) {
    QWidget* w = shown[i];
    // What the layout honours: an explicit minimum size, else the widget's own hint.
    QSize least = w->minimumSizeHint();
    if (w->minimumWidth() > 0) least.setWidth(w->minimumWidth());
    if (w->minimumHeight() > 0) least.setHeight(w->minimumHeight());
    EXPECT_GE(w->width(), least.width()) << Name(w) << " is clipped";
    EXPECT_GE(w->height(), least.height()) << Name(w) << " is clipped";
    for (size_t j = i + 1; j < shown.size(); ++j) {
      EXPECT_FALSE(w->geometry().intersects(shown[j]->geometry()))
          << Name(w) << " overlaps " << Name(shown[j]);
    }
  }
  for (QWidget* w : shown) {
    if (w->objectName().startsWith("ctl") && w->layout() != nullptr) ExpectTidyLayout(w);
  }
}

QString ShowCheckAndGrab(QtHost& host, Dialog& dialog, const QString& name) {
  host.ShowModeless(nullptr, dialog);
  DialogWindow* window = host.WindowOf(dialog);
  if (window == nullptr || !QTest::qWaitForWindowExposed(window)) {
    ADD_FAILURE() << "window not shown";
    return {};
  }
  QApplication::processEvents();
  ExpectTidyLayout(window);
  const QPixmap shot = window->grab();
  const QString path = QDir(QStringLiteral(CORVANE_SHOT_DIR)).filePath(name + ".png");
  if (shot.isNull() || !shot.save(path, "PNG")) {
    ADD_FAILURE() << "could not save " << path.toStdString();
    return {};
  }
  return path;
}

}  // namespace corvane::ui

// For the Qt smoke test every dialog gets: show it offscreen, check the layout, save a picture.
#pragma once

#include <QString>

class QWidget;

namespace corvane::ui {

class Dialog;
class QtHost;

// Every visible control of the window and its groups is at least its minimum size and clear of
// its neighbours; reports each clipped or overlapping control as a test failure.
void ExpectTidyLayout(QWidget* root);

// Shows `dialog` as a window through `host`, checks the layout and saves "<name>.png" into the
// test build folder. Returns the file's path, empty when the window could not be shown or saved.
QString ShowCheckAndGrab(QtHost& host, Dialog& dialog, const QString& name);

}  // namespace corvane::ui

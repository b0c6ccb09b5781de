// The one QApplication of the Qt test program, on the offscreen platform unless told otherwise.
#pragma once

#include <QApplication>

namespace corvane::ui {

QApplication& TestApp();

}  // namespace corvane::ui

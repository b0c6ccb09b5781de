#include "ui/qt/key_map.h"

#include <QKeyEvent>

#include "ui/dialog.h"

namespace corvane::ui {

int VirtualKey(const QKeyEvent& event) {
  const int key = event.key();
  if ((event.modifiers() & Qt::KeypadModifier) && key >= Qt::Key_0 && key <= Qt::Key_9) {
    return vk::kNumpad0 + (key - Qt::Key_0);
  }
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return key;  // the same ASCII codes
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::kF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::kReturn;
    case Qt::Key_Escape:
      return vk::kEscape;
    case Qt::Key_Delete:
      return vk::kDelete;
    case Qt::Key_Backspace:
      return vk::kBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::kTab;
    case Qt::Key_Space:
      return vk::kSpace;
    case Qt::Key_Control:
      return vk::kControl;
    case Qt::Key_Shift:
      return vk::kShift;
    case Qt::Key_Alt:
      return vk::kMenu;
    case Qt::Key_Left:
      return vk::kLeft;
    case Qt::Key_Up:
      return vk::kUp;
    case Qt::Key_Right:
      return vk::kRight;
    case Qt::Key_Down:
      return vk::kDown;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Insert:
      return 0x2D;
    default:
      return 0;
  }
}

}  // namespace corvane::ui

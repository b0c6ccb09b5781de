// Qt key events as the virtual-key codes the dialog logic knows.
#pragma once

class QKeyEvent;

namespace corvane::ui {

// 0 for keys the dialogs have no code for.
int VirtualKey(const QKeyEvent& event);

}  // namespace corvane::ui

// Dialog: the base of every dialog of the program. A dialog is logic and state only; it never
// touches a widget. It reads and writes its controls by id in the control store it inherits,
// receives events as virtual calls, and reaches timers, message boxes, modal runs, files, the
// clipboard and the clock through its Host.
//
// Writing a dialog takes three pieces:
//
//  1. A template beside the dialog class, in its folder and library: a function returning a
//     static DialogTemplate with the given control ids (an enum in the header for ids that have
//     no given number), captions, items, flags and grid cells. Put labels in the grid like any
//     other control.
//
//       const DialogTemplate& WaitTemplate() {
//         static const DialogTemplate t{.id = 140, .title = u"Wait", .controls = {
//             Edit(1260, At(0, 0), kReadOnly | kMultiLine),
//             Progress(1196, At(1, 0)),
//             Button(kIdCancel, u"Cancel", At(2, 0))}};
//         return t;
//       }
//
//  2. A logic class derived from Dialog: construct it with the template and the host, fill the
//     controls in OnInit, react in OnCommand/OnTimer/..., call EndDialog to close.
//
//       class CWait : public Dialog {
//        public:
//         explicit CWait(Host& host) : Dialog(WaitTemplate(), host) {}
//        protected:
//         void OnInit() override { SetRange(1196, 0, 3100); SetTimer(1, 100); }
//         void OnTimer(int id) override { ... if (left == 0) EndDialog(kIdCancel); }
//       };
//
//     The Qt binding then shows it with no further code: QtHost builds the widgets from the
//     template (tests/qt builds each template once and grabs a screenshot of it).
//
//  3. A test through TestHost: open the dialog (host.Open or host.RunModal with an OnModal hook),
//     act as the user with the Click/Type/Select helpers of ui/headless/test_host.h, move the
//     virtual clock with Advance, and check the store, the message-box log and the results.
//
// tests/ui/example_dialog.{h,cpp} and tests/ui/example_dialog_test.cpp are a complete, small
// dialog written this way; copy them to start a new one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control_store.h"
#include "ui/host.h"
#include "ui/template.h"

namespace corvane::ui {

// Virtual-key codes used by OnKey; letters and digits are their upper-case ASCII codes.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kDelete = 0x2E;
inline constexpr int kNumpad0 = 0x60;
inline constexpr int kF1 = 0x70;
}  // namespace vk

// One piece of user input, after the store already holds what the user changed.
struct Event {
  enum class Kind : uint8_t {
    kCommand,      // button clicked
    kCheck,        // check box toggled
    kSelChange,    // selection of a combo box, list box or list view changed
    kEditChange,   // text of an edit or editable combo, or a date/time picker's value, changed
    kKillFocus,    // control lost the keyboard focus
    kDoubleClick,  // list box line or list view cell double-clicked
    kKey,          // key down or up, before the dialog handles it
    kClose,        // close box
  };
  Kind kind = Kind::kCommand;
  int id = 0;      // control; for kKey the control that has the focus (0 = none)
  int row = -1;    // kDoubleClick
  int column = 0;  // kDoubleClick on a list view
  int key = 0;     // kKey: virtual-key code
  bool down = true;
};

class Dialog : public ControlStore {
 public:
  Dialog(const DialogTemplate& tpl, Host& host);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  Host& host() const { return *host_; }

  // Called by the host when the dialog's window (real or not) comes up: at every modal run, at
  // the first show of a modeless window.
  void Init();
  bool initialized() const { return initialized_; }

  // Routes one piece of user input to the matching virtual call. Keys not swallowed by OnKey
  // are handled as the dialog would: Enter -> OnOk, Escape -> OnCancel, Delete in a list ->
  // OnDelete, F1 and Ctrl+H (Ctrl+numeric-pad 8) -> the program's help (Host::RequestHelp), so
  // help comes up from whichever window has the focus. Returns true when the input was consumed
  // (a key swallowed or handled).
  bool Deliver(const Event& event);
  void DeliverTimer(int id) { OnTimer(id); }

  // Local files dropped on the window. Only the program's main window takes drops (the host
  // refuses them elsewhere); the default ignores them.
  virtual void OnDropFiles(const std::vector<std::u16string>& /*names*/) {}

  // Ends a modal run (or hides a modeless window) with `result`.
  void EndDialog(int result);
  bool ended() const { return ended_; }
  int result() const { return result_; }
  // Lets a dialog object be run again after it ended.
  void ResetEnded() { ended_ = false; }

  // Services, for the dialog's own code and for helpers that act on it.
  void SetTimer(int id, int ms) { host_->SetTimer(*this, id, ms); }
  void KillTimer(int id) { host_->KillTimer(*this, id); }
  int MessageBox(std::u16string_view text, std::u16string_view caption = u"", BoxStyle style = {}) {
    return host_->MessageBox(this, text, caption, style);
  }
  int RunModal(Dialog& child) { return host_->RunModal(this, child); }
  void ShowModeless(Dialog& child) { host_->ShowModeless(this, child); }
  void Hide() { host_->HideModeless(*this); }

 protected:
  virtual void OnInit() {}
  virtual void OnCommand(int /*id*/) {}
  virtual void OnCheck(int /*id*/) {}
  virtual void OnSelChange(int /*id*/) {}
  virtual void OnEditChange(int /*id*/) {}
  virtual void OnKillFocus(int /*id*/) {}
  virtual void OnDoubleClick(int /*id*/, int /*row*/, int /*column*/) {}
  // Seen before the dialog handles the key; return true to swallow it.
  virtual bool OnKey(int /*key*/, bool /*down*/) { return false; }
  virtual void OnDelete(int /*list_id*/) {}
  virtual void OnTimer(int /*id*/) {}
  // Enter. The default ends the dialog with kIdOk.
  virtual void OnOk() { EndDialog(kIdOk); }
  // Escape and the close box. The default ends the dialog with kIdCancel.
  virtual void OnCancel() { EndDialog(kIdCancel); }

 private:
  Host* host_;
  bool ctrl_down_ = false;  // Ctrl is held, as far as this dialog's keys tell
  bool initialized_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace corvane::ui

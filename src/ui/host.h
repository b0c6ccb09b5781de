// The window-system services a dialog uses. Two implementations: QtHost (the program) and
// TestHost (tests and scripted runs, with a virtual clock). Everything is called on the UI
// thread except Post, which is how another thread hands work to it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ui {

class Dialog;

// Dialog results and message-box answers keep the native numbers, so logic that compares them
// reads as the dialogs are described.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

enum class Buttons : uint8_t { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class Icon : uint8_t { kNone, kError, kQuestion, kWarning, kInformation };

struct BoxStyle {
  Buttons buttons = Buttons::kOk;
  Icon icon = Icon::kNone;
  int default_button = 0;  // 0 = first button, 1 = second, 2 = third
  // The text in a fixed-width font, for reports whose columns line up.
  bool fixed_pitch = false;
};

struct FileFilter {
  std::u16string name;     // "Project files (*.cvp)"
  std::u16string pattern;  // "*.cvp"; several patterns separated by ';'
};

struct FileDialogSpec {
  std::u16string title;
  std::vector<FileFilter> filters;
  std::u16string default_extension;  // without the dot; added when the typed name has none
  std::u16string initial_name;       // proposed file name, may include a folder
  bool overwrite_prompt = true;      // save: ask before replacing an existing file
  bool must_exist = true;            // open: only existing files are accepted
};

struct LocalTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// What a host tells the user when ShellOpen fails: the file is not there, or the system has no
// program for it (no viewer installed, no desktop to ask).
inline std::u16string ShellOpenFailureText(std::u16string_view target, bool missing) {
  return u"Could not open " + std::u16string(target) +
         (missing ? u": the file does not exist." : u": no program is set up to show it.");
}

class Host {
 public:
  virtual ~Host() = default;

  // Window timers, per dialog and id. Setting a running timer restarts it with the new period.
  virtual void SetTimer(Dialog& dialog, int id, int ms) = 0;
  virtual void KillTimer(Dialog& dialog, int id) = 0;

  // Modal message box owned by `owner` (may be null). Returns kIdOk, kIdCancel, kIdYes or kIdNo.
  virtual int MessageBox(Dialog* owner, std::u16string_view text, std::u16string_view caption,
                         BoxStyle style) = 0;

  // Runs `child` modally above `parent` (null for the top-level dialog) and returns the value
  // given to EndDialog. Timers of every open dialog and posted work keep running meanwhile.
  virtual int RunModal(Dialog* parent, Dialog& child) = 0;
  virtual void EndDialog(Dialog& dialog, int result) = 0;

  // Modeless windows: created on the first show, closing hides them.
  virtual void ShowModeless(Dialog* parent, Dialog& dialog) = 0;
  virtual void HideModeless(Dialog& dialog) = 0;

  // File dialogs; nullopt when the user cancels.
  virtual std::optional<std::u16string> SaveFileName(Dialog* owner, const FileDialogSpec& spec) = 0;
  virtual std::optional<std::u16string> OpenFileName(Dialog* owner, const FileDialogSpec& spec) = 0;

  // Opens a file or URL with the program the system associates with it. When that fails the
  // host tells the user in a message box (callers need not) and returns false.
  virtual bool ShellOpen(std::u16string_view target) = 0;

  // Help for the whole program: the main window registers what opens it (empty: none), and
  // every dialog asks for it through RequestHelp (F1, Ctrl+H), so help is one key away from
  // any window, modal ones included.
  virtual void SetHelpHandler(std::function<void()> handler) = 0;
  virtual void RequestHelp() = 0;

  virtual void SetClipboardText(std::u16string_view text) = 0;
  virtual std::u16string ClipboardText() = 0;

  virtual LocalTime Now() = 0;

  // Queues `work` to run on the UI thread; safe from any thread.
  virtual void Post(std::function<void()> work) = 0;

  // The dialog is being destroyed: forget its timers and any window built for it.
  virtual void Forget(Dialog& dialog) = 0;
};

}  // namespace corvane::ui

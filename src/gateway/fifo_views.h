// The FIFO views: small modeless windows in which a gateway (or fan-coil) dialog shows the
// entries it polls from the device's FIFOs. The owning dialog builds the lines and adds them;
// a view only lists them, scrolls along when asked to, logs them and tells its owner when the
// user closes it, so the owner stops polling.
//
// How an owner uses a view:
//   - keeps it in a std::unique_ptr, created on the first press of its button, destroyed with
//     the owner (the view goes with its window and releases its log);
//   - on every press of the button calls ShowFor(*this), then starts its poll timer;
//   - in the timer polls while is_open() holds, and stops the timer when it no longer does
//     (SetClosedHandler tells it at once, for an owner that wants to stop without waiting for
//     its next tick);
//   - hands each entry it receives to AddLine while the view is open (a closed view lists what
//     it is given, and shows it when it is opened again).
//
// Cfifo and CWmbusFifo log to SNIFF/sniff.txt. The first logged view created in a run of the
// program starts the file afresh; every later one appends to it, and views that are logging at
// the same time write through one handle, so their lines interleave in arrival order and none
// overwrites another's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "ui/dialog.h"
#include "ui/text.h"

namespace corvane {

class FifoView : public ui::Dialog {
 public:
  // Days of polling must not make the window sluggish: at this many lines the older half goes
  // (the log keeps every line).
  static constexpr int kMaxLines = 100'000;

  ~FifoView() override;

  // The owner's button: creates the window above `owner` on the first call (opening the log of
  // a logged view), marks the view open and shows it.
  void ShowFor(ui::Dialog& owner);
  // Set from ShowFor until the user closes the view: the owner polls while it holds.
  bool is_open() const { return open_; }
  // Called when the user closes the view, after is_open() has turned false.
  void SetClosedHandler(std::function<void()> handler) { on_closed_ = std::move(handler); }

  // Appends a line; with "Autoscroll" set it becomes the caret line; an open log gets the line
  // and CR LF.
  void AddLine(std::u16string_view line);
  bool log_open() const { return log_ != nullptr; }

  // Logged views created from now on start SNIFF/sniff.txt afresh, as the first one of a run
  // of the program does. For tests that play several runs in one process.
  static void StartNewLogRun();

 protected:
  FifoView(const ui::DialogTemplate& tpl, ui::Host& host, bool logged);

  void OnCommand(int id) override;
  // Enter closes the view as the close box does, so it cannot leave a hidden window behind
  // that the owner still polls for.
  void OnOk() override { OnCancel(); }
  void OnCancel() override;
  // Called when the view closes, after the list is emptied.
  virtual void OnViewClosed() {}

 private:
  void OpenLog();

  bool logged_;
  bool created_ = false;
  bool open_ = false;
  std::shared_ptr<ui::Utf16File> log_;  // shared by every logging view; null when not logging
  std::function<void()> on_closed_;
};

// "UNI FIFO": the unidirectional devices' write log, logged.
class Cfifo : public FifoView {
 public:
  explicit Cfifo(ui::Host& host);
};

// "UNI FIFO2": the second unidirectional FIFO, not logged.
class Cfifo2 : public FifoView {
 public:
  explicit Cfifo2(ui::Host& host);
};

// "wMBus FIFO": received wireless M-Bus telegrams, logged, with the link-layer header of the
// selected one decoded into a second list that can be copied to the clipboard.
class CWmbusFifo : public FifoView {
 public:
  explicit CWmbusFifo(ui::Host& host);

 protected:
  void OnCommand(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnViewClosed() override;

 private:
  void ParseSelected();
  void CopyFields();
};

// The lines the owners add.
// "a=0x%08X,reg=%d,v:" of the device address and register number + 1, then "%04X " for each
// of the first four values at most.
std::u16string UniFifoLine(uint32_t address, uint16_t register_number,
                           std::span<const uint16_t> values);
// "index=%d,reg=%d 0x%04X tdif=%d": entry index, register in decimal and hexadecimal, time
// difference.
std::u16string UniFifo2Line(int index, uint16_t register_number, int tdif);

}  // namespace corvane

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

#include "model/gateway_image.h"
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

// The owner's request for a FIFO's head entry (the whole entry, after a poll saw one waiting).
// The read queue answers in order: the polls queued before the request are answered before it,
// so a poll answered after those while the request is still outstanding means the queue gave
// the request up, and the next entry may be asked for (the view stayed silent otherwise).
class FifoHeadRequest {
 public:
  bool outstanding() const { return outstanding_; }
  // The owner queued a poll (the count or status register alone).
  void PollQueued() { ++polls_unanswered_; }
  void Ask() {
    outstanding_ = true;
    polls_ahead_ = polls_unanswered_;
  }
  // The head entry arrived.
  void Clear() { outstanding_ = false; }
  // The view opens afresh: nothing is asked for or awaited.
  void Restart() { *this = FifoHeadRequest(); }
  // A poll arrived: true when no request is outstanding now, so a waiting entry may be asked
  // for.
  bool PollAnswered() {
    if (polls_unanswered_ > 0) --polls_unanswered_;
    if (outstanding_) {
      if (polls_ahead_ > 0) {
        --polls_ahead_;
      } else {
        outstanding_ = false;
      }
    }
    return !outstanding_;
  }

 private:
  bool outstanding_ = false;
  int polls_unanswered_ = 0;  // polls queued and not answered yet
  int polls_ahead_ = 0;       // of those, queued before the outstanding request
};

// The wM-Bus FIFO of a gateway or fan-coil controller, polled into its view: the status
// register tells the length of the frame at the head, the head is read as far as the frame
// reaches, and reading the status again after a frame moves to the next. `head` and `status`
// are the owner's register numbers; `queue_read` queues a read of the owner's device.
class WmbusFifoReader {
 public:
  using QueueRead = std::function<void(int first, int count, bool flush)>;
  WmbusFifoReader(int head, int status, QueueRead queue_read)
      : head_(head), status_(status), queue_read_(std::move(queue_read)) {}
  // The view opens: nothing is asked for yet; the first poll goes (flushing the queue when no
  // operation of the owner's runs).
  void Start(bool flush);
  // The poll timer fired.
  void Poll();
  // Block [s, e) of the owner's image arrived; `head` is the image's head as it holds it now.
  void OnBlock(int s, int e, const GwWmbusHead& head, CWmbusFifo& view);

 private:
  int head_;
  int status_;
  QueueRead queue_read_;
  FifoHeadRequest frame_;
};

// The lines the owners add.
// "%02d.%02d.%04d %02d:%02d:%02d, rssi=%d dBm Data: " of the reception time (UTC) and the
// RSSI, then "%02X " for each frame byte.
std::u16string WmbusFifoLine(uint32_t unix_time, int rssi, std::span<const uint8_t> frame);
// "a=0x%08X,reg=%d,v:" of the device address and register number + 1, then "%04X " for each
// of the first four values at most.
std::u16string UniFifoLine(uint32_t address, uint16_t register_number,
                           std::span<const uint16_t> values);
// "index=%d,reg=%d 0x%04X tdif=%d": entry index, register in decimal and hexadecimal, time
// difference.
std::u16string UniFifo2Line(int index, uint16_t register_number, int tdif);

}  // namespace corvane

// The RF monitor: one line per frame the dongle hears, in a window that is created once and then
// only hidden, and in the log SNIFF/sniff_monitor.txt, appended across runs.
#pragma once

#include <string>

#include "ui/dialog.h"
#include "ui/text.h"

namespace corvane {

class CMonitor : public ui::Dialog {
 public:
  // Hours of traffic must not make the window sluggish: it keeps at most this many lines (the
  // log keeps every line). When the list reaches it, the older half goes at once.
  static constexpr int kMaxLines = 200'000;

  explicit CMonitor(ui::Host& host);
  ~CMonitor() override;

  // Creates the SNIFF folder and opens the log with this run's header. Called once, when the
  // window is first created.
  void OpenLog();
  bool log_open() const { return log_.is_open(); }

  void AddLine(const std::u16string& line);

 protected:
  void OnCommand(int id) override;
  // Enter closes the window as the close box does: empty list, window hidden.
  void OnOk() override { OnCancel(); }
  void OnCancel() override;

 private:
  ui::Utf16File log_;
};

}  // namespace corvane

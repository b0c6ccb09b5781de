#include "monitor/monitor.h"

#include <filesystem>

#include "model/user_file.h"
#include "monitor/monitor_template.h"

namespace corvane {

CMonitor::CMonitor(ui::Host& host) : Dialog(ui::MonitorTemplate(), host) {}

CMonitor::~CMonitor() { log_.Close(); }

void CMonitor::OpenLog() {
  if (!CreateOutputFolder("SNIFF")) MessageBox(u"Not possible to create folder \\SNIFF");
  // Without a log file the window still works.
  if (log_.Open(std::filesystem::path("SNIFF") / "sniff_monitor.txt",
                ui::Utf16File::Mode::kAppend) != 0) {
    return;
  }
  const ui::LocalTime t = host().Now();
  log_.Write(ui::Format("\r\n%02d.%02d %04d %02d:%02d:%02d\r\n", t.day, t.month, t.year, t.hour,
                        t.minute, t.second));
  log_.Flush();
}

void CMonitor::AddLine(const std::u16string& line) {
  if (Count(ui::kMonitorList) >= kMaxLines) {
    // Keep the newer half: one rebuild per 100,000 lines instead of a shift per line.
    std::vector<std::u16string> keep;
    keep.reserve(kMaxLines / 2);
    for (int i = kMaxLines / 2; i < Count(ui::kMonitorList); ++i) {
      keep.push_back(Item(ui::kMonitorList, i));
    }
    ResetContent(ui::kMonitorList);
    for (const auto& kept : keep) AddString(ui::kMonitorList, kept);
  }
  const int index = AddString(ui::kMonitorList, line);
  if (IsChecked(ui::kMonitorAutoscroll)) SetCaret(ui::kMonitorList, index);
  if (log_.is_open()) {
    log_.WriteLine(line);
    log_.Flush();  // a crash or power cut must not take the last lines with it
  }
}

void CMonitor::OnCommand(int id) {
  if (id == ui::kMonitorClear) ResetContent(ui::kMonitorList);
}

void CMonitor::OnCancel() {
  ResetContent(ui::kMonitorList);
  Hide();
}

}  // namespace corvane

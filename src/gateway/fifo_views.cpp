#include "gateway/fifo_views.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "gateway/fifo_templates.h"
#include "gateway/image_text.h"
#include "gateway/wmbus_telegram.h"
#include "model/user_file.h"

namespace corvane {
namespace {

// The log every logged view of the run writes to. One handle while any view logs: two handles
// on the file would each write at their own position, over each other's lines.
struct SniffLog {
  std::weak_ptr<ui::Utf16File> open;
  bool started_this_run = false;  // the file was started afresh in this run
};

SniffLog& Log() {
  static SniffLog log;
  return log;
}

}  // namespace

FifoView::FifoView(const ui::DialogTemplate& tpl, ui::Host& host, bool logged)
    : Dialog(tpl, host), logged_(logged) {}

FifoView::~FifoView() = default;

void FifoView::StartNewLogRun() { Log().started_this_run = false; }

void FifoView::OpenLog() {
  if (!CreateOutputFolder("SNIFF")) MessageBox(u"Not possible to create folder \\SNIFF");
  SniffLog& shared = Log();
  log_ = shared.open.lock();
  if (log_) return;
  auto file = std::make_shared<ui::Utf16File>();
  const auto mode =
      shared.started_this_run ? ui::Utf16File::Mode::kAppend : ui::Utf16File::Mode::kReplace;
  // Without a log file the view still works, and nobody is told.
  if (file->Open(std::filesystem::path("SNIFF") / "sniff.txt", mode) != 0) return;
  shared.started_this_run = true;
  shared.open = file;
  log_ = std::move(file);
}

void FifoView::ShowFor(ui::Dialog& owner) {
  if (!created_) {
    created_ = true;
    if (logged_) OpenLog();
  }
  open_ = true;
  owner.ShowModeless(*this);
}

void FifoView::AddLine(std::u16string_view line) {
  if (Count(ui::kFifoList) >= kMaxLines) {
    // Keep the newer half: one rebuild per 50,000 lines instead of a shift per line.
    std::vector<std::u16string> keep;
    keep.reserve(kMaxLines / 2);
    for (int i = kMaxLines / 2; i < Count(ui::kFifoList); ++i) {
      keep.push_back(Item(ui::kFifoList, i));
    }
    ResetContent(ui::kFifoList);
    for (const auto& kept : keep) AddString(ui::kFifoList, kept);
  }
  const int index = AddString(ui::kFifoList, line);
  if (IsChecked(ui::kFifoAutoscroll)) SetCaret(ui::kFifoList, index);
  if (log_) {
    log_->WriteLine(line);
    log_->Flush();  // a crash or power cut must not take the last lines with it
  }
}

void FifoView::OnCommand(int id) {
  if (id == ui::kFifoClear) ResetContent(ui::kFifoList);
}

void FifoView::OnCancel() {
  // The log covers the first opening only; a view shown again lists without logging. The file
  // itself closes when no other view still writes to it.
  if (log_) log_->Flush();
  log_.reset();
  ResetContent(ui::kFifoList);
  OnViewClosed();
  open_ = false;
  Hide();
  if (on_closed_) on_closed_();
}

Cfifo::Cfifo(ui::Host& host) : FifoView(ui::UniFifoTemplate(), host, true) {}

Cfifo2::Cfifo2(ui::Host& host) : FifoView(ui::UniFifo2Template(), host, false) {}

CWmbusFifo::CWmbusFifo(ui::Host& host) : FifoView(ui::WmbusFifoTemplate(), host, true) {}

void CWmbusFifo::OnCommand(int id) {
  switch (id) {
    case ui::kWmbusParse:
      ParseSelected();
      break;
    case ui::kWmbusCopy:
      CopyFields();
      break;
    default:
      FifoView::OnCommand(id);
  }
}

void CWmbusFifo::OnDoubleClick(int id, int /*row*/, int /*column*/) {
  if (id == ui::kFifoList) ParseSelected();
}

void CWmbusFifo::OnViewClosed() {
  // Fields of a telegram no longer listed would be orphaned.
  ResetContent(ui::kWmbusFields);
}

void CWmbusFifo::ParseSelected() {
  const int selected = CurSel(ui::kFifoList);
  if (selected < 0) {
    MessageBox(u"No selected item");
    return;
  }
  ResetContent(ui::kWmbusFields);
  for (const auto& entry : ParseTelegramLine(Item(ui::kFifoList, selected))) {
    AddString(ui::kWmbusFields, entry);
  }
}

void CWmbusFifo::CopyFields() {
  std::u16string text;
  for (int i = 0; i < Count(ui::kWmbusFields); ++i) {
    text += Item(ui::kWmbusFields, i);
    text += u"\r\n";
  }
  // The entries are plain ASCII, so the clipboard's 8-bit text holds them unchanged. The host
  // reports no failure of its own: a clipboard that does not hold the text afterwards did not
  // take it.
  host().SetClipboardText(text);
  if (host().ClipboardText() != text) {
    MessageBox(u"Unable to set Clipboard data, error: 0");
    return;
  }
  MessageBox(u"Successfully copied selected laps to clipboard");
}

std::u16string UniFifoLine(uint32_t address, uint16_t register_number,
                           std::span<const uint16_t> values) {
  std::u16string line = ui::Format("a=0x%08X,reg=%d,v:", address, register_number + 1);
  for (uint16_t v : values.first(std::min<size_t>(values.size(), 4))) {
    ui::AppendFormat(line, "%04X ", v);
  }
  return line;
}

std::u16string UniFifo2Line(int index, uint16_t register_number, int tdif) {
  return ui::Format("index=%d,reg=%d 0x%04X tdif=%d", index, register_number, register_number,
                    tdif);
}

std::u16string WmbusFifoLine(uint32_t unix_time, int rssi, std::span<const uint8_t> frame) {
  const UtcTime t = ToUtc(unix_time);
  std::u16string line = ui::Format("%02d.%02d.%04d %02d:%02d:%02d, rssi=%d dBm Data: ", t.day,
                                   t.month, t.year, t.hour, t.minute, t.second, rssi);
  for (uint8_t b : frame) ui::AppendFormat(line, "%02X ", b);
  return line;
}

void WmbusFifoReader::Start(bool flush) {
  frame_.Restart();
  queue_read_(status_, 1, flush);
  frame_.PollQueued();
}

void WmbusFifoReader::Poll() {
  queue_read_(status_, 1, false);
  frame_.PollQueued();
}

void WmbusFifoReader::OnBlock(int s, int e, const GwWmbusHead& head, CWmbusFifo& view) {
  if (!Overlaps(s, e, head_, status_ + 1)) return;
  if (s <= head_) {
    // The frame asked for (a late one that was given up is left to the next poll).
    if (!frame_.outstanding()) return;
    frame_.Clear();
    Poll();
    view.AddLine(WmbusFifoLine(head.time, head.rssi, head.frame));
  } else if (frame_.PollAnswered() && head.length != 0) {
    // The frame as far as the head holds it: a length byte beyond it reads no further than the
    // status register.
    queue_read_(head_, std::min((head.length + 5) / 2, status_ + 1 - head_), false);
    frame_.Ask();
  }
}

}  // namespace corvane

#include "gateway/uni_monitor.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

#include "gateway/uni_monitor_template.h"
#include "model/type_table.h"
#include "model/user_file.h"

namespace corvane {
namespace {

using ui::kUniMonList;

// The longest period whose milliseconds still fit a timer's period.
constexpr int kMaxPeriod = INT_MAX / 1000;

bool Overlaps(int s, int e, int first, int end) { return e > first && s < end; }

// Time of day of a reception time, which the gateway keeps in UTC.
std::u16string TimeOfDay(uint32_t seconds) {
  return ui::Format("%02u:%02u:%02u", (seconds / 3600) % 24, (seconds / 60) % 60, seconds % 60);
}

std::u16string ValueText(uint16_t value) {
  return ui::Format("0x%04X = %d", value, static_cast<int16_t>(value));
}

}  // namespace

CGWUniMonitor::CGWUniMonitor(ui::Host& host, RequestQueues& queues, RfAddress gateway,
                             RfAddress route, const GatewayImage& image)
    : Dialog(ui::UniMonitorTemplate(), host),
      queues_(queues),
      gateway_(gateway),
      route_(route),
      image_(image) {
  SetRowCount(kUniMonList, GatewayImage::kUniDevices);
}

CGWUniMonitor::~CGWUniMonitor() = default;

void CGWUniMonitor::OnInit() {
  if (opened_) return;
  opened_ = true;
  if (!CreateOutputFolder("SNIFF")) MessageBox(u"Not possible to create folder \\SNIFF");
  const int cause =
      log_.Open(std::filesystem::path("SNIFF") / "sniff_unidir.txt", ui::Utf16File::Mode::kReplace);
  // Without a log the monitor still shows and reads everything.
  if (cause != 0) MessageBox(ui::Format("File could not be opened %d", cause));

  SetTitle(DisplayName(gateway_) + u" Unidirectional device monitor ");
  SetText(ui::kUniMonPeriod, ui::Format("%d", kDefaultPeriod));
  // What the gateway dialog holds is shown (and logged) as if it had just been read.
  const GatewayImage start = image_;
  OnBlock(0, map().words, start.words().data());
}

void CGWUniMonitor::OnBlock(int first, int count, const uint16_t* words) {
  if (first < 0 || count <= 0 || words == nullptr) return;
  const int s = first;
  const int e = first + count;
  if (e <= map().words) std::copy(words, words + count, image_.words().begin() + s);

  const int uni_first = map().reg_uni_devices;
  if (Overlaps(s, e, uni_first, uni_first + GwUniEntry::kWords * GatewayImage::kUniDevices)) {
    RefillRows();
  }
  if (Overlaps(s, e, map().reg_uni_status, StatusEnd())) RefreshStatus();
  if (Overlaps(s, e, map().reg_captured, CapturedEnd())) {
    LogValues();
    RefreshValues();
  }

  // The chain asks for its next block once the one it waits for has arrived.
  if (chain_end_ == 0 || e != chain_end_) return;
  if (chain_remaining_ > 0) {
    const int n = std::min(chain_remaining_, kChainBlock);
    ChainRequest(chain_end_, n);
    chain_end_ += n;
    chain_remaining_ -= n;
  } else if (chain_end_ == StatusEnd()) {
    KillTimer(kChainTimer);
    chain_end_ = 0;
  } else {
    // The captured values are in: now every status record.
    const int status = map().reg_uni_status;
    ChainRequest(status, kChainBlock);
    chain_end_ = status + kChainBlock;
    chain_remaining_ = StatusEnd() - chain_end_;
  }
}

void CGWUniMonitor::ChainRequest(int first, int count) {
  // Routed like every other read of the gateway: a gateway behind another one is reached only
  // through it. The timer watches for this block, however many came before it.
  queues_.QueueRead(route_, gateway_, static_cast<uint16_t>(first), count, 0, false);
  SetTimer(kChainTimer, kChainTimeoutMs);
}

void CGWUniMonitor::StartChain() {
  const int first = map().reg_captured;
  ChainRequest(first, kChainBlock);
  chain_end_ = first + kChainBlock;
  chain_remaining_ = CapturedEnd() - chain_end_;
}

void CGWUniMonitor::ReadAll() {
  struct Run {
    int first;
    int count;
  };
  std::vector<Run> runs;
  bool long_run = false;
  int start = -1;
  for (int i = 0; i <= GatewayImage::kUniDevices; ++i) {
    const bool used = i < GatewayImage::kUniDevices && image_.UniDevice(i).address != 0;
    if (used) {
      if (start < 0) start = i;
      continue;
    }
    if (start < 0) continue;
    const int count = 2 * (i - start);
    if (count > kMaxRunRegisters) {
      long_run = true;
      break;
    }
    runs.push_back({map().reg_captured + 2 * start, count});
    start = -1;
  }

  // Reads that do not fit the queue would be dropped without a word: the chain needs one
  // entry at a time and covers every entry.
  const int free_entries = RequestQueues::kEntries - queues_.pending_reads();
  const int needed = static_cast<int>(runs.size()) + 1;
  if (long_run || needed > free_entries) {
    if (long_run && needed <= free_entries) {
      for (const Run& r : runs) {
        queues_.QueueRead(route_, gateway_, static_cast<uint16_t>(r.first), r.count, 0, false);
      }
    }
    StartChain();
    return;
  }
  for (const Run& r : runs) {
    queues_.QueueRead(route_, gateway_, static_cast<uint16_t>(r.first), r.count, 0, false);
  }
  queues_.QueueRead(route_, gateway_, static_cast<uint16_t>(map().reg_uni_status),
                    GwUniStatus::kWords * kLoggedStatus, 0, false);
}

void CGWUniMonitor::RefillRows() {
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    const GwUniEntry u = image_.UniDevice(i);
    SetCell(kUniMonList, i, ui::kUniMonColPos, ui::Format("%03d", i + 1));
    SetCell(kUniMonList, i, ui::kUniMonColAddress,
            ui::Format("0x%08X %d", u.address, static_cast<int32_t>(u.address)));
    SetCell(kUniMonList, i, ui::kUniMonColReg1, ui::Format("%d", u.Register(0) + 1));
    SetCell(kUniMonList, i, ui::kUniMonColReg2, ui::Format("%d", u.Register(1) + 1));
  }
}

void CGWUniMonitor::RefreshStatus() {
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    const GwUniStatus t = image_.UniStatus(i);
    SetCell(kUniMonList, i, ui::kUniMonColRssi, ui::Format("%d dBm", t.rssi));
    SetCell(kUniMonList, i, ui::kUniMonColTime,
            t.last_reception != 0 ? TimeOfDay(t.last_reception) : u"");
  }
}

void CGWUniMonitor::RefreshValues() {
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    SetCell(kUniMonList, i, ui::kUniMonColValue1, ValueText(image_.CapturedValue(i, 0)));
    SetCell(kUniMonList, i, ui::kUniMonColValue2, ValueText(image_.CapturedValue(i, 1)));
  }
}

void CGWUniMonitor::LogValues() {
  if (!log_.is_open()) return;
  const ui::LocalTime now = host().Now();
  std::u16string line = ui::Format("\r\n%02d:%02d:%02d ", now.hour, now.minute, now.second);
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    if (image_.UniDevice(i).address == 0) continue;
    if (i < kLoggedStatus) {
      const GwUniStatus t = image_.UniStatus(i);
      ui::AppendFormat(line, "%d dBm ", t.rssi);
      if (t.last_reception != 0) line += TimeOfDay(t.last_reception);
    }
    ui::AppendFormat(line, "%05d %05d  ", static_cast<int16_t>(image_.CapturedValue(i, 0)),
                     static_cast<int16_t>(image_.CapturedValue(i, 1)));
  }
  log_.Write(line);
}

void CGWUniMonitor::OnCommand(int id) {
  if (id == ui::kUniMonReadAll) ReadAll();
}

void CGWUniMonitor::OnCheck(int id) {
  if (id != ui::kUniMonPeriodic) return;
  if (!IsChecked(ui::kUniMonPeriodic)) {
    KillTimer(kPeriodTimer);
    return;
  }
  const int typed = ui::ScanInt(Text(ui::kUniMonPeriod)).value_or(0);
  const int period = std::clamp(typed, kMinPeriod, kMaxPeriod);
  if (period != typed) SetText(ui::kUniMonPeriod, ui::Format("%d", period));
  ReadAll();
  SetTimer(kPeriodTimer, period * 1000);
}

void CGWUniMonitor::OnDoubleClick(int id, int row, int /*column*/) {
  if (id != kUniMonList || row < 0 || row >= GatewayImage::kUniDevices) return;
  queues_.QueueRead(route_, gateway_, static_cast<uint16_t>(map().reg_captured + 2 * row), 2, 0,
                    false);
}

void CGWUniMonitor::OnTimer(int id) {
  if (id == kPeriodTimer) {
    ReadAll();
  } else if (id == kChainTimer) {
    // The chain stays where it is: a late block still moves it on.
    KillTimer(kChainTimer);
    MessageBox(u"Read unsuccessfull");
  }
}

void CGWUniMonitor::OnCancel() {
  KillTimer(kChainTimer);
  KillTimer(kPeriodTimer);
  log_.Close();
  EndDialog(ui::kIdCancel);
}

}  // namespace corvane

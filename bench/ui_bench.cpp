// Costs of the Qt binding's big lists, offscreen: a full refresh of a gateway-sized table and
// long bursts of lines appended to a list box (the RF monitor's case).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <string>

#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/list_models.h"
#include "ui/qt/qt_host.h"
#include "ui/sample_template.h"
#include "ui/text.h"

namespace corvane::ui {
namespace {

constexpr int kRows = 200;

class BenchDlg : public Dialog {
 public:
  explicit BenchDlg(Host& host) : Dialog(SampleDialogTemplate(), host) {}
};

// Shown once per benchmark, so painting is part of what is measured.
struct ShownDialog {
  ShownDialog() : dlg(host) {
    host.ShowModeless(nullptr, dlg);
    QWidget* window = host.WindowOf(dlg);
    QElapsedTimer waited;
    waited.start();
    while (!window->windowHandle()->isExposed() && waited.elapsed() < 5000) {
      QApplication::processEvents();
    }
    QApplication::processEvents();
  }
  QtHost host;
  BenchDlg dlg;
};

// Every cell of a 200 x 8 table gets a new text (as a gateway read refills its list), then the
// event loop turns once: the model reports the change and the visible rows are repainted.
void BM_TableFullRefresh(benchmark::State& state) {
  ShownDialog shown;
  Dialog& dlg = shown.dlg;
  dlg.SetRowCount(kSampleTable, kRows);
  QApplication::processEvents();
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int r = 0; r < kRows; ++r) {
      dlg.SetCell(kSampleTable, r, 0, Format("%03d", r + 1));
      dlg.SetCell(kSampleTable, r, 1, Format("0x%08X %d", 0x00300000 + r + round, r + round));
      dlg.SetCell(kSampleTable, r, 2, (r + round) % 2 ? u"o" : u"");
      dlg.SetCell(kSampleTable, r, 3, Format("%d", r * 10 + round));
      dlg.SetCell(kSampleTable, r, 4, Format("%d", round % 100));
      dlg.SetCell(kSampleTable, r, 5, Format("%d dBm", -(round % 90)));
      dlg.SetCell(kSampleTable, r, 6, (r + round) % 2 ? u"read cache" : u"go to dev.");
      dlg.SetCell(kSampleTable, r, 7, Format("%02d:%02d:%02d", round % 24, r % 60, round % 60));
    }
    QApplication::processEvents();
  }
  state.counters["cells"] = kRows * kSampleTableColumns;
}
BENCHMARK(BM_TableFullRefresh)->Unit(benchmark::kMillisecond);

// 10,000 lines appended in one burst, then one event-loop turn that shows them all.
void BM_ListBoxAppend10k(benchmark::State& state) {
  ListBoxModel::SetFrameMs(0);
  ShownDialog shown;
  Dialog& dlg = shown.dlg;
  const std::u16string line =
      u"\n06:42 -075dBm 0x00300012 -> 0xFFFE0001 id:0x1234 04 00 3C 11 22 33 44 55";
  for (auto _ : state) {
    state.PauseTiming();
    dlg.ResetContent(kSampleLog);
    QApplication::processEvents();
    state.ResumeTiming();
    for (int i = 0; i < 10000; ++i) {
      dlg.AddString(kSampleLog, line);
      dlg.SetCaret(kSampleLog, i);  // autoscroll on
    }
    QApplication::processEvents();
  }
  ListBoxModel::SetFrameMs(ListBoxModel::kFrameMs);
}
BENCHMARK(BM_ListBoxAppend10k)->Unit(benchmark::kMillisecond);

// One line appended to a list that already holds 100,000, with autoscroll, then one event-loop
// turn. With `frame_ms` 16 (the program's pace) lines that come faster than one a frame are
// shown together at the frame's end: the time is the cost per line of a steady stream. With 0
// every line is inserted, scrolled to and painted on its own turn: the cost of a line that
// comes alone.
void BM_AppendToLongList(benchmark::State& state) {
  ListBoxModel::SetFrameMs(static_cast<int>(state.range(0)));
  ShownDialog shown;
  Dialog& dlg = shown.dlg;
  for (int i = 0; i < 100000; ++i) dlg.AddString(kSampleLog, u"index=1,reg=1000 0x03E8 tdif=5");
  QApplication::processEvents();
  for (auto _ : state) {
    const int index = dlg.AddString(kSampleLog, u"index=2,reg=1001 0x03E9 tdif=6");
    dlg.SetCaret(kSampleLog, index);
    QApplication::processEvents();
  }
  ListBoxModel::SetFrameMs(ListBoxModel::kFrameMs);
}
BENCHMARK(BM_AppendToLongList)
    ->ArgName("frame_ms")
    ->Arg(ListBoxModel::kFrameMs)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane::ui

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

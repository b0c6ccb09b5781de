// The gateway configuration window in the Qt host, offscreen and shown: one 250-register block
// of a read handed to the open window as the fan-out hands it, then one event-loop turn, so the
// refresh of its fields and of the rows of both device lists the block holds, the models' change
// reports and the repaint of the visible rows are all measured. Every round changes the block's
// words, so every row it touches gets new texts. Arguments: the block's first register (the
// read's blocks start at multiples of 250):
//     250   paired entries 49..77 and unidirectional entries 0..33 (both lists)
//    1000   unidirectional entries 159..199 and paired statuses 0..14 (both lists)
//    1250   paired statuses 14..55 (one list)
// Target: under 2 ms for a block that refreshes both lists.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/corvane_dlg.h"
#include "app/profile.h"
#include "gateway/gateway_dlg.h"
#include "gateway/gateway_template.h"
#include "link/transport.h"
#include "model/gateway_image.h"
#include "model/type_table.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace corvane {
namespace {

constexpr RfAddress kGatewayAddress = 0x00800101;
constexpr int kBlock = 250;

// No dongle: the main window (never shown) only owns the project, the queues and the services.
class NoDongle : public Transport {
 public:
  bool Discover(std::u16string&) override { return false; }
  bool Open(ReportSink*) override { return false; }
  bool Close() override { return false; }
  bool IsOpen() const override { return false; }
  void Enqueue(const uint8_t*, size_t) override {}
};

// A gateway's words as a read would bring them for round `round`: every paired and
// unidirectional entry in use with an address, a count and a status that change each round.
std::vector<uint16_t> GatewayWords(int round) {
  GatewayImage g;
  g.SetWord(GatewayImage::kRegVersion, 424);
  for (int i = 0; i < GatewayImage::kDevices; ++i) {
    GwDeviceEntry e{.address = static_cast<RfAddress>(0x00300100 + i + round)};
    e.SetPriority(i % 4);
    e.SetMbCount(static_cast<uint16_t>(20 + (i + round) % 100));
    e.SetCached((i + round) % 2 == 0);
    e.mb_start = static_cast<uint16_t>(GatewayImage::kRegCacheFirst + 100 * i);
    g.SetDevice(i, e);
    g.SetModbusAddress(i, static_cast<uint8_t>(1 + (i + round) % 200));
    const int status = GatewayImage::kRegDeviceStatus + GwDeviceStatus::kWords * i;
    g.SetU32(status, 1796644800u + static_cast<uint32_t>(97 * i + round));
    g.SetU32(status + 2, 0);
    g.SetWord(status + 4, static_cast<uint16_t>(static_cast<uint8_t>(-50 - (i + round) % 40) << 8));
    g.SetWord(status + 5, static_cast<uint8_t>(-60 - (i + round) % 30));
  }
  for (int i = 0; i < GatewayImage::kUniDevices; ++i) {
    GwUniEntry u{.address = static_cast<RfAddress>(0x00C00100 + i + round)};
    u.reg = {static_cast<uint16_t>((i + round) % 2 ? 0x8000 : 0), static_cast<uint16_t>(2 + i % 8)};
    g.SetUniDevice(i, u);
    const int status = GatewayImage::kRegUniStatus + GwUniStatus::kWords * i;
    g.SetU32(status, 1796644800u + static_cast<uint32_t>(311 * i + round));
    g.SetWord(status + 2, static_cast<uint8_t>(-70 - (i + round) % 30));
  }
  return {g.words().begin(), g.words().end()};
}

struct OpenGateway {
  OpenGateway() {
    env.profile = &profile;
    env.exit = [](int) {};
    main = std::make_unique<CCorvaneDlg>(host, transport, env);
    std::vector<uint16_t> record(static_cast<size_t>(RecordSize(kGatewayAddress) / 2), 0);
    main->project().SetEntry(0, kGatewayAddress, record);
    // Heard, so the window shows all of its buttons.
    DongleLink& dongle = main->dongle();
    dongle.SetMirror(DongleLink::kRegHeardList, 1);
    dongle.SetMirror(DongleLink::kRegHeardList + 1, static_cast<uint16_t>(kGatewayAddress));
    dongle.SetMirror(DongleLink::kRegHeardList + 2, static_cast<uint16_t>(kGatewayAddress >> 16));
    gateway = std::make_unique<CGatewayV400Dlg>(
        DeviceDialogContext{host, kGatewayAddress, 0, main->project(), 0},
        devices::DeviceServices{.queues = main->queues(),
                                .log = main->device_log(),
                                .heard = main->heard_frames(),
                                .dongle = main->dongle(),
                                .firmware_update = {},
                                .export_words = {},
                                .import_words = {},
                                .send_message = {}},
        main->opener());
    host.ShowModeless(nullptr, *gateway);
    QWidget* window = host.WindowOf(*gateway);
    QElapsedTimer waited;
    waited.start();
    while (window != nullptr && !window->windowHandle()->isExposed() && waited.elapsed() < 5000) {
      QApplication::processEvents();
    }
    QApplication::processEvents();
  }
  ~OpenGateway() {
    host.HideModeless(*gateway);
    host.Forget(*gateway);
    gateway.reset();
    main.reset();
  }

  ui::QtHost host;
  NoDongle transport;
  MemoryProfile profile;
  CCorvaneDlg::Environment env;
  std::unique_ptr<CCorvaneDlg> main;
  std::unique_ptr<CGatewayV400Dlg> gateway;
};

void BM_GatewayApplyBlock(benchmark::State& state) {
  const int first = static_cast<int>(state.range(0));
  OpenGateway open;
  CGatewayV400Dlg& d = *open.gateway;
  // Rounds alternate between two prepared images, so no round repeats the texts before it.
  const std::vector<uint16_t> images[2] = {GatewayWords(0), GatewayWords(1)};
  // The whole image once, as the first blocks of a read would have left it.
  for (int at = 0; at < GatewayImage::kWords; at += kBlock) {
    d.OnRegisterData(kGatewayAddress, static_cast<uint16_t>(at),
                     std::min(kBlock, GatewayImage::kWords - at), images[0].data() + at, false);
  }
  QApplication::processEvents();
  // The rows a round changes, counted once: the texts of both lists before and after it.
  const auto texts = [&d] {
    std::vector<std::u16string> all;
    for (int r = 0; r < GatewayImage::kDevices; ++r) {
      for (int c = 0; c < ui::kGwDeviceColumns; ++c) all.push_back(d.Cell(ui::kGwDevices, r, c));
    }
    for (int r = 0; r < GatewayImage::kUniDevices; ++r) {
      for (int c = 0; c < ui::kGwUniColumns; ++c) all.push_back(d.Cell(ui::kGwUniDevices, r, c));
    }
    return all;
  };
  const std::vector<std::u16string> before = texts();
  d.OnRegisterData(kGatewayAddress, static_cast<uint16_t>(first), kBlock, images[1].data() + first,
                   false);
  const std::vector<std::u16string> after = texts();
  int paired_rows = 0;
  int uni_rows = 0;
  for (int r = 0; r < GatewayImage::kDevices + GatewayImage::kUniDevices; ++r) {
    const bool paired = r < GatewayImage::kDevices;
    const int columns = paired ? int{ui::kGwDeviceColumns} : int{ui::kGwUniColumns};
    const size_t at = paired
                          ? static_cast<size_t>(r * ui::kGwDeviceColumns)
                          : static_cast<size_t>(GatewayImage::kDevices * ui::kGwDeviceColumns +
                                                (r - GatewayImage::kDevices) * ui::kGwUniColumns);
    if (!std::equal(before.begin() + static_cast<std::ptrdiff_t>(at),
                    before.begin() + static_cast<std::ptrdiff_t>(at) + columns,
                    after.begin() + static_cast<std::ptrdiff_t>(at))) {
      ++(paired ? paired_rows : uni_rows);
    }
  }
  QApplication::processEvents();
  int round = 1;
  for (auto _ : state) {
    ++round;
    d.OnRegisterData(kGatewayAddress, static_cast<uint16_t>(first), kBlock,
                     images[round % 2].data() + first, false);
    QApplication::processEvents();
  }
  state.counters["paired_rows"] = paired_rows;
  state.counters["uni_rows"] = uni_rows;
}
BENCHMARK(BM_GatewayApplyBlock)->Arg(250)->Arg(1000)->Arg(1250)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

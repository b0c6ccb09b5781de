#include "cli/session.h"

#include <climits>

#include "cli/exit_codes.h"
#include "link/hid/system_hid_api.h"
#include "sim/demo_network.h"
#include "sim/sim_transport.h"
#include "ui/text.h"

namespace corvane::cli {

void CliWindow::OnHeardListBlock(bool complete) {
  CCorvaneDlg::OnHeardListBlock(complete);
  if (complete) ++heard_list_reads_;
}

void CliWindow::AskSharedDongle() {
  if (take_over_note_ == nullptr) {
    CCorvaneDlg::AskSharedDongle();
    return;
  }
  // The main window's claim, without its question: the flag is set for this run.
  *take_over_note_ << "The USB dongle's in-use flag was set; taken over (--take-over).\n";
  dongle().SetMirror(DongleLink::kRegInUse, 1);
  dongle().WriteRegister(DongleLink::kRegInUse, 1);
}

void RegisterTap::OnRegisterData(RfAddress source, uint16_t first, int count, const uint16_t* words,
                                 bool from_cache) {
  inner_.OnRegisterData(source, first, count, words, from_cache);
  if (on_data) on_data(source, first, count, words, from_cache);
}

void RegisterTap::OnWriteAck(RfAddress source, uint16_t first, int count, bool from_cache) {
  inner_.OnWriteAck(source, first, count, from_cache);
  if (on_ack) on_ack(source, first, count, from_cache);
}

void RegisterTap::OnWriteRefused(RfAddress source, uint16_t first, int count, uint8_t status,
                                 bool from_cache) {
  inner_.OnWriteRefused(source, first, count, status, from_cache);
  if (on_refused) on_refused(source, first, count, status, from_cache);
}

void FrameTap::OnTraffic(RfAddress reporter, const TrafficFrame& frame) {
  inner_.OnTraffic(reporter, frame);
  if (on_frame) on_frame(frame);
}

Session::Session(ConsoleHost& host, std::ostream& err, const TransportOptions& options,
                 const CliEnvironment& env)
    : host_(host), err_(err) {
  // A mode was chosen: no service-code prompt, which nobody could answer here.
  profile_.values[u"OEM"] = u"0";
  if (options.simulate) {
    sim_ = std::make_unique<sim::Simulator>();
    sim::demo::Build(*sim_);
    for (int i = 0; i < options.sim_batch; ++i) {
      sim_->AddNode(kSimBatchFirst + static_cast<RfAddress>(i));
    }
    if (env.prepare_simulation) env.prepare_simulation(*sim_);
    env_finish_ = env.finish_simulation;
    sim_->AdvanceTo(kSimWarmUpMs);
    sim::Simulator* sim = sim_.get();
    // The network runs on the loop's clock, shifted by the time it ran before the command.
    host_.AttachClock(
        [sim] {
          const int64_t next = sim->NextEventTime();
          return next >= INT64_MAX - kSimWarmUpMs ? INT64_MAX : next - kSimWarmUpMs;
        },
        [sim](int64_t now) { sim->AdvanceTo(now + kSimWarmUpMs); });
    transport_ = std::make_unique<sim::SimTransport>(*sim_);
  } else {
    hid::HidApi* api = env.hid_api;
    if (api == nullptr) {
      system_hid_ = std::make_unique<hid::SystemHidApi>();
      api = system_hid_.get();
    }
    auto hid = std::make_unique<hid::HidTransport>(*api, env.hid_options);
    hid_ = hid.get();
    transport_ = std::move(hid);
  }

  CCorvaneDlg::Environment main;
  main.profile = &profile_;
  // The command names its files itself; the main window neither opens nor creates a project.
  main.open_start_project = false;
  main.exit = [this](int code) { host_.Stop(code); };
  main.log = [this](const std::u16string& line) { err_ << ui::Utf16ToUtf8(line) << '\n'; };
  if (options.simulate) main.title_suffix = u" [simulated network]";
  window_ = std::make_unique<CliWindow>(host_, *transport_, std::move(main));
  if (options.take_over) window_->set_take_over(&err_);
  registers_ = std::make_unique<RegisterTap>(window_->dialog_slots());
  frames_ = std::make_unique<FrameTap>(window_->heard_frames());
  window_->layer().SetRegisterFanOut(registers_.get());
  window_->layer().SetHeardFrameHandler(frames_.get());
}

Session::~Session() {
  Leave();
  if (sim_ && env_finish_) env_finish_(*sim_);
  if (window_) host_.Forget(*window_);
  window_.reset();
}

int Session::Connect() {
  host_.Open(*window_);
  if (!transport_->IsOpen()) {
    if (hid_ != nullptr && hid_->problem() == hid::Problem::kPermission) {
      err_ << ui::Utf16ToUtf8(hid_->last_error()) << '\n';
      return kExitPermission;
    }
    if (hid_ != nullptr && hid_->problem() == hid::Problem::kOpenFailed) {
      err_ << ui::Utf16ToUtf8(hid_->last_error()) << '\n';
      return kExitNoDongle;
    }
    err_ << "No USB dongle found (USB ID 0483:a283). Plug it in, or try the simulated network "
            "with --simulate.\n";
    return kExitNoDongle;
  }
  // Registers 0..30 come first, then the in-use check: with the version there and the check
  // over, the dongle takes requests.
  DongleLink& dongle = window_->dongle();
  const bool ready = host_.RunUntil(
      [&] { return dongle.Register(DongleLink::kRegVersion) != 0 && !dongle.in_use_wait(); }, 5000);
  if (host_.stopped()) {
    err_ << "Another program holds the USB dongle; close it and try again.\n";
    return host_.stop_code() == kExitDongleInUse ? kExitDongleInUse : host_.stop_code();
  }
  if (!ready) {
    err_ << "The USB dongle does not answer (time-out). Replug it and try again.\n";
    return kExitTimeout;
  }
  return kExitOk;
}

void Session::Leave() {
  if (left_ || !window_ || !host_.IsOpen(*window_)) return;
  left_ = true;
  if (!transport_->IsOpen()) return;
  // The close box: the in-use flag is released and the window ends 100 ms later, also when
  // the program is stopping (a signal, an error): the next run must find the dongle free.
  window_->Deliver(ui::Event{.kind = ui::Event::Kind::kClose});
  host_.RunUntil([this] { return !host_.IsOpen(*window_); }, 1000, true);
}

}  // namespace corvane::cli

#include "sim/simulator.h"

#include <algorithm>

#include "model/type_table.h"
#include "sim/node_families.h"

namespace corvane::sim {
namespace {

DongleIdentity FirstDongle() {
  return {u"USB\\VID_0483&PID_A283&REV_0100\\CVSIM0001", 0xFFFE0001, 410};
}

DongleIdentity SecondDongle() {
  return {u"USB\\VID_0483&PID_A283&REV_0100\\CVSIM0002", 0xFFFE0002, 410};
}

}  // namespace

Simulator::Simulator(const SimOptions& options) : options_(options), random_(options.seed) {
  dongles_[0] = std::make_unique<SimDongle>(FirstDongle(), *this, *this);
  dongles_[1] = std::make_unique<SimDongle>(SecondDongle(), *this, *this);
  for (auto& d : dongles_) d->options() = options_.dongle;
  ScheduleSecondTick();
}

Simulator::~Simulator() = default;

void Simulator::AdvanceTo(SimTime now) { queue_.AdvanceTo(now); }

void Simulator::At(SimTime when, std::function<void()> action) {
  queue_.At(when, std::move(action));
}

void Simulator::ScheduleSecondTick() {
  At(Now() + 1000, [this] {
    if (SimDongle* d = plugged()) d->SecondTick();
    ScheduleSecondTick();
  });
}

void Simulator::Violation(RfAddress where, const std::string& text) {
  checker_.Report(Now(), where, text);
}

// ---------------------------------------------------------------------------------------------
// Network

NodeSettings Simulator::DefaultSettings(RfAddress address) {
  NodeSettings settings;
  settings.seed = options_.seed;
  settings.rssi_at_dongle = static_cast<int8_t>(-45 - static_cast<int>(random_.Below(45)));
  settings.status_period_ms = Listens(address) ? 30000 : 120000;
  return settings;
}

SimNode& Simulator::AddNode(RfAddress address) {
  return AddNode(address, DefaultSettings(address));
}

SimNode& Simulator::AddNode(RfAddress address, const NodeSettings& settings) {
  if (SimNode* existing = FindNode(address)) return *existing;
  return AddNode(MakeNode(address, settings));
}

SimNode& Simulator::AddNode(std::unique_ptr<SimNode> node) {
  const RfAddress address = node->address();
  if (SimNode* existing = FindNode(address)) return *existing;
  SimNode* raw = node.get();
  nodes_.push_back(std::move(node));
  by_address_[address] = raw;
  if (dynamic_cast<RoutingNode*>(raw) != nullptr || raw->overhears()) routers_.push_back(raw);
  raw->Start(*this);
  return *raw;
}

SimNode* Simulator::FindNode(RfAddress address) {
  const auto it = by_address_.find(address);
  return it == by_address_.end() ? nullptr : it->second;
}

void Simulator::SetInDongleRange(RfAddress address, bool in_range) {
  if (in_range) {
    out_of_range_.erase(address);
  } else {
    out_of_range_[address] = true;
  }
}

bool Simulator::InRange(RfAddress address) const { return out_of_range_.count(address) == 0; }

bool Simulator::PressButton(RfAddress address) {
  SimNode* node = FindNode(address);
  if (node == nullptr) return false;
  node->PressButton();
  return true;
}

void Simulator::SetMute(RfAddress address, bool mute) {
  if (SimNode* node = FindNode(address)) node->set_mute(mute);
}

void Simulator::RefuseTransfers(int count) {
  if (SimDongle* d = plugged()) d->RefuseTransfers(count);
}

// ---------------------------------------------------------------------------------------------
// Air

void Simulator::Transmit(const AirFrame& frame) {
  ++frames_on_air_;
  SimDongle* d = plugged();
  const int air =
      options_.air_time ? AirTimeMs(frame.length, d != nullptr ? d->frequency_index() : 0) : 0;
  if (d != nullptr) d->AddAirTime(air);
  if (random_.Chance(faults_.radio_loss)) return;
  const SimTime due = Now() + air + options_.radio_latency_ms + faults_.extra_radio_latency_ms;
  At(due, [this, frame] { Deliver(frame); });
}

void Simulator::Deliver(const AirFrame& sent) {
  if (IsDongleLocal(sent.source)) {
    SimNode* node = FindNode(sent.destination);
    if (node != nullptr && InRange(sent.destination)) node->Receive(sent);
    return;
  }
  SimNode* source = FindNode(sent.source);
  AirFrame frame = sent;
  const int8_t rssi = source != nullptr ? source->rssi_at_dongle() : int8_t{-90};
  // Status frames carry no measured RSSI of their own; receivers note the one they measure.
  if (frame.kind != FrameKind::kAnswer) frame.link_rssi = rssi;
  SimNode* destination = frame.destination != 0 ? FindNode(frame.destination) : nullptr;
  if (destination != nullptr && destination != source) destination->Receive(frame);
  for (SimNode* router : routers_) {
    if (router != source && router->OverhearsFrom(frame.source)) {
      router->Overhear(frame);
    }
  }
  SimDongle* d = plugged();
  if (d != nullptr && InRange(frame.source)) d->Hear(frame, rssi);
}

// ---------------------------------------------------------------------------------------------
// USB

SimDongle* Simulator::plugged() {
  return plugged_ < 0 ? nullptr : dongles_[static_cast<size_t>(plugged_)].get();
}

void Simulator::Unplug() {
  plugged_ = -1;
  ++usb_generation_;
}

void Simulator::Plug(int which) {
  plugged_ = std::clamp(which, 0, kDongles - 1);
  dongles_[static_cast<size_t>(plugged_)]->PowerOn();
  ++usb_generation_;
}

bool Simulator::UsbDiscover(std::u16string& identity) const {
  if (plugged_ < 0) return false;
  identity = dongles_[static_cast<size_t>(plugged_)]->identity().hardware_id;
  return true;
}

bool Simulator::UsbOpen(ReportSink* sink) {
  if (sink == nullptr || sink_ != nullptr || plugged_ < 0) return false;
  sink_ = sink;
  ++usb_generation_;
  return true;
}

bool Simulator::UsbClose() {
  if (sink_ == nullptr) return false;
  sink_ = nullptr;
  ++usb_generation_;
  return true;
}

void Simulator::UsbWrite(const uint8_t* bytes, size_t length) {
  if (sink_ == nullptr || plugged_ < 0 || bytes == nullptr) return;
  ++reports_from_host_;
  const SimTime due = std::max(Now() + options_.usb_latency_ms + faults_.extra_usb_latency_ms,
                               usb_to_dongle_free_ + options_.usb_interval_ms);
  usb_to_dongle_free_ = due;
  const uint64_t generation = usb_generation_;
  const int which = plugged_;
  bool lost = false;
  if (faults_.drop_next_to_dongle > 0) {
    --faults_.drop_next_to_dongle;
    lost = true;
  } else if (faults_.drop_to_dongle_if &&
             faults_.drop_to_dongle_if(bytes, static_cast<int>(length))) {
    lost = true;
  } else {
    lost = random_.Chance(faults_.loss_to_dongle);
  }
  if (lost) {
    At(due, [this, generation, which] {
      if (generation == usb_generation_) dongles_[static_cast<size_t>(which)]->HostReportLost();
    });
    return;
  }
  Report report{};
  const int n = static_cast<int>(std::min(length, report.size()));
  std::copy_n(bytes, n, report.begin());
  const int reported = length > report.size() ? static_cast<int>(length) : n;
  At(due, [this, generation, which, report, n, reported] {
    if (generation != usb_generation_) return;
    SimDongle& d = *dongles_[static_cast<size_t>(which)];
    if (reported != n) {
      d.FromHost(report.data(), reported);  // logged as an oversized report
      return;
    }
    d.FromHost(report.data(), n);
  });
}

bool Simulator::LoseToHost(const uint8_t* bytes, int length) {
  if (faults_.drop_next_to_host > 0) {
    --faults_.drop_next_to_host;
    return true;
  }
  if (faults_.drop_to_host_if && faults_.drop_to_host_if(bytes, length)) return true;
  return random_.Chance(faults_.loss_to_host);
}

void Simulator::ToHost(const uint8_t* bytes, int length) {
  if (sink_ == nullptr || plugged_ < 0 || length <= 0) return;
  length = std::min<int>(length, static_cast<int>(Report{}.size()));
  // A length byte of 250 means "the rest of the report": nothing may follow such a message.
  // A heard-frame report travels alone, one report per frame.
  const bool alone = (length >= 2 && bytes[1] == 250) || bytes[0] == MSG_TRAFFIC;
  PendingReport* waiting = pending_to_host_.get();
  if (options_.pack_to_host && waiting != nullptr && !waiting->closed && !alone &&
      waiting->used + length <= static_cast<int>(waiting->bytes.size())) {
    if (LoseToHost(bytes, length)) return;
    std::copy_n(bytes, length, waiting->bytes.begin() + waiting->used);
    waiting->used += length;
    return;
  }
  ++reports_to_host_;
  const SimTime due = std::max(Now() + options_.usb_latency_ms + faults_.extra_usb_latency_ms,
                               usb_to_host_free_ + options_.usb_interval_ms);
  usb_to_host_free_ = due;
  if (LoseToHost(bytes, length)) return;
  auto report = std::make_shared<PendingReport>();
  std::copy_n(bytes, length, report->bytes.begin());
  report->used = length;
  report->closed = alone;
  pending_to_host_ = report;
  const uint64_t generation = usb_generation_;
  At(due, [this, generation, report] {
    if (pending_to_host_ == report) pending_to_host_.reset();
    if (generation != usb_generation_ || sink_ == nullptr) return;
    sink_->OnReport(report->bytes);
  });
}

}  // namespace corvane::sim

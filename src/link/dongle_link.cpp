#include "link/dongle_link.h"

#include <cstdio>

#include "model/le.h"
#include "model/radio_settings.h"

namespace corvane {
namespace {

std::u16string Format(const char* format, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

}  // namespace

DongleLink::DongleLink(Transport& transport, MessageLayer& layer, ReportSink& sink,
                       DongleLinkClient& client, Scheduler& scheduler)
    : transport_(transport), layer_(layer), sink_(sink), client_(client), scheduler_(scheduler) {}

bool DongleLink::ConnectCheck(std::function<void()> after_open) {
  std::u16string identity;
  if (!transport_.Discover(identity)) {
    if (transport_.IsOpen()) {
      transport_.Close();
      client_.ShowConnection(u"USB Dongle Not Found");
      client_.ShowDongleAddress(u"--");
      client_.SetStatisticsPolling(false);
    }
    return false;
  }
  bool settle = false;
  if (identity != identity_) {
    if (transport_.IsOpen()) {
      transport_.Close();
      client_.ShowDongleAddress(u"--");
      client_.SetStatisticsPolling(false);
      settle = true;
    }
    identity_ = identity;
  }
  client_.ShowConnection(u"USB Dongle Connected");
  if (settle) {
    // Give the old dongle's handles 300 ms to go before the new one is opened.
    scheduler_.After(300, [this, after_open] { OpenNow(after_open); });
  } else {
    OpenNow(std::move(after_open));
  }
  return true;
}

void DongleLink::OpenNow(std::function<void()> after_open) {
  if (!transport_.Open(&sink_)) {
    if (after_open) after_open();
    return;
  }
  // The dongle needs 600 ms after opening before it takes requests.
  scheduler_.After(600, [this, after_open] {
    if (!transport_.IsOpen()) return;  // unplugged meanwhile
    ApplyDongleSettings();
    client_.ShowDongleAddress(u"--");
    ReadRegisters(0, 31);
    if (after_open) after_open();
  });
}

void DongleLink::StartInUseCheck() {
  in_use_wait_ = true;
  ReadRegisters(kRegInUse, 1);
}

void DongleLink::ApplyDongleSettings() {
  const DongleSettings settings = client_.CurrentSettings();
  uint8_t password[16] = {};
  for (size_t i = 0; i < settings.password.size() && i < 16; ++i) {
    password[i] = static_cast<uint8_t>(settings.password[i]);
  }
  for (int i = 0; i < 8; ++i) mirror_[kRegPassword + i] = GetU16(password + 2 * i);

  uint8_t frequency = 0;  // a name that matches none is sent as index 0
  for (size_t i = 0; i < kFrequencyNames.size(); ++i) {
    if (settings.frequency == kFrequencyNames[i]) {
      frequency = static_cast<uint8_t>(i);
      break;
    }
  }
  const uint8_t power = static_cast<uint8_t>(settings.rf_power_position + 1);
  mirror_[kRegRadio] = static_cast<uint16_t>(frequency | (power << 8));

  uint8_t message[5 + 18] = {MSG_REG_BLOCK, 21, kRegPassword, 0, 9};
  for (int i = 0; i < 9; ++i) PutU16(message + 5 + 2 * i, mirror_[kRegPassword + i]);
  Send(message, sizeof message);
}

void DongleLink::WriteRegister(uint16_t reg, uint16_t value) {
  uint8_t message[6] = {MSG_REG_WORD, 4};
  PutU16(message + 2, reg);
  PutU16(message + 4, value);
  Send(message, sizeof message);
}

void DongleLink::ReadRegisters(uint16_t first, uint8_t count) {
  uint8_t message[5] = {MSG_REG_READ, 3, 0, 0, count};
  PutU16(message + 2, first);
  Send(message, sizeof message);
}

void DongleLink::PollStatistics() {
  ReadRegisters(kRegRssi, 1);
  ReadRegisters(kRegBandwidth, 1);
  ReadRegisters(kRegUptime, 1);
}

void DongleLink::Tick() {
  layer_.LongTransferTick();
  if (++ticks_ >= 20) {
    ticks_ = 0;
    const uint8_t poll[2] = {MSG_POLL, 0};
    Send(poll, sizeof poll);
  }
}

void DongleLink::Release() {
  WriteRegister(kRegInUse, 0);
  mirror_[kRegInUse] = 0;
}

void DongleLink::OnDongleRegisters(RfAddress address, uint16_t first, int count,
                                   const uint16_t* words) {
  if (!IsDongleLocal(address) || count < 0) return;
  const int end = first + count;
  if (2 * end > 2 * kRegisters) return;  // would not fit the mirror
  for (int i = 0; i < count; ++i) mirror_[static_cast<size_t>(first + i)] = words[i];

  if (in_use_wait_ && first <= kRegInUse && kRegInUse < end) {
    in_use_wait_ = false;
    if (mirror_[kRegInUse] != 0) {
      client_.AskSharedDongle();
    } else {
      mirror_[kRegInUse] = 1;
      WriteRegister(kRegInUse, 1);
    }
  }

  if (first <= kRegVersion && kRegVersion < end && mirror_[kRegVersion] < kMinimumVersion &&
      !update_showing_) {
    update_showing_ = true;
    client_.DongleUpdateNecessary();
    update_showing_ = false;
  }

  if (first <= 20 && end >= 16) {
    const uint32_t address_value = WordsToU32(mirror_[kRegAddress], mirror_[kRegAddress + 1]);
    client_.ShowDongleAddress(Format("0x%08llX", address_value));
  }
  if (first <= kRegUptime && end > kRegUptime) {
    const int32_t uptime =
        static_cast<int32_t>(WordsToU32(mirror_[kRegUptime], mirror_[kRegUptime + 1]));
    client_.ShowUptime(Format("%lld", uptime));
  }
  if (first <= 31 && end >= kRegRssi) {
    client_.ShowBackgroundRssi(Format("%lld", static_cast<int8_t>(LowByte(mirror_[kRegRssi]))));
  }
  if (first <= 53 && end >= kRegBandwidth) {
    const unsigned value = mirror_[kRegBandwidth];
    std::u16string text = Format("%lld", value / 10);
    text += u',';
    text += Format("%01lld", value % 10);
    client_.ShowBandwidth(text);
  }
  if (first <= kRegPassword && end >= 26) {
    std::u16string password;
    for (int i = 0; i < 16; ++i) {
      const uint16_t word = mirror_[kRegPassword + i / 2];
      const uint8_t byte = (i % 2) ? HighByte(word) : LowByte(word);
      if (byte == 0) break;
      password.push_back(byte);
    }
    client_.ShowPassword(password);
  }
  if (first <= kRegRadio && end >= 27) {
    const uint8_t frequency = LowByte(mirror_[kRegRadio]);
    const uint8_t power = HighByte(mirror_[kRegRadio]);
    // An index without a name leaves the field as it is.
    if (frequency < kFrequencyNames.size()) client_.ShowFrequency(kFrequencyNames[frequency]);
    // So does a power code beyond the list.
    if (power <= kRfPowerNames.size()) client_.SelectRfPower(power == 0 ? 0 : power - 1);
  }

  if (first <= kRegActivation && kRegActivation < end) {
    const uint8_t state = HighByte(mirror_[kRegActivation]);
    if (state & 0x80) client_.OnActivationState(state);
  }
  if (first < 458 && end > kRegHeardList) client_.OnHeardListBlock(end >= 457);
  if (first <= kRegStatistics && kRegStatistics < end) {
    client_.SetStatisticsPolling(mirror_[kRegStatistics] == 0);
  }
}

}  // namespace corvane

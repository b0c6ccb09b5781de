#include "sim/street_light_node.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "link/messages.h"
#include "model/le.h"

namespace corvane::sim {
namespace {

// Record words of the node that only it changes.
constexpr int kWordSystemMode = 50;
constexpr int kWordCpuTemp = 51;
constexpr int kWordRefFirst = 56;
constexpr int kWordActFirst = 59;
constexpr int kWordAngle = 62;
constexpr int kWordStep = 72;
constexpr int kWordDaliStatus = 78;
constexpr int kWordControlFirst = 80;
constexpr int kWordDaliAddrOffset = 121;
constexpr int kWordRisingEdge = 332;
constexpr int kWordFallingEdge = 333;
constexpr int kWordControlStatus = 334;
constexpr int kWordGwSignal = 656;
constexpr int kWordPcSignal = 662;
constexpr int kWordFreeField = 856;
constexpr int kWordPirUse = 904;
constexpr int kWordPirLevels = 905;
constexpr int kWordPirDelay = 906;
constexpr int kWordPirFades = 907;
constexpr int kWordExternalPir = 908;
constexpr int kWordPirStates = 910;
constexpr int kWordPirState2 = 911;
constexpr int kWordPirActOrange = 912;
constexpr int kWordAmbientLight = 914;
constexpr int kWordPirTimeout = 915;
constexpr int kWordClean = 916;
constexpr int kWordBankError = 918;
constexpr int kWordBankOk = 919;

constexpr uint16_t kBallastDataReady = 0x0400;
constexpr uint16_t kShortAddressOk = 0x0100;

// DALI: special commands carry their code in the address byte; READ MEMORY LOCATION and the
// queries are ordinary commands (S bit set) with a backward frame.
constexpr uint8_t kDaliDtr0 = 0xA3;
constexpr uint8_t kDaliDtr1 = 0xC3;
constexpr uint8_t kDaliOff = 0x00;
constexpr uint8_t kDaliUp = 0x01;
constexpr uint8_t kDaliDown = 0x02;
constexpr uint8_t kDaliRecallMax = 0x05;
constexpr uint8_t kDaliQueryActual = 0xA0;
constexpr uint8_t kDaliReadMemory = 0xC5;

// The schedule of a fresh node (the dialog's default record has the same).
constexpr uint16_t kDefaultSchedule[14] = {
    5 * 60 | 0xC000,         254 << 8, 5 * 60 + 30, 178,     10 * 60, 0, 16 * 60, 178, 21 * 60, 254,
    (22 * 60 + 30) | 0xC000, 254,      23 * 60,     254 << 8};

// Days since 1970-01-01 to a calendar date (the proleptic Gregorian calendar).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int DayOfYear(int year, int month, int day) {
  static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kBefore[month - 1] + day + (leap && month > 2 ? 1 : 0);
}

float FloatAt(std::span<const uint16_t> r, int w) {
  return std::bit_cast<float>(static_cast<uint32_t>(r[static_cast<size_t>(w)]) |
                              static_cast<uint32_t>(r[static_cast<size_t>(w + 1)]) << 16);
}

void PutFloat(std::span<uint16_t> r, int w, float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v);
  r[static_cast<size_t>(w)] = static_cast<uint16_t>(bits);
  r[static_cast<size_t>(w + 1)] = static_cast<uint16_t>(bits >> 16);
}

void PutU32Words(std::span<uint16_t> r, int w, uint32_t v) {
  r[static_cast<size_t>(w)] = static_cast<uint16_t>(v);
  r[static_cast<size_t>(w + 1)] = static_cast<uint16_t>(v >> 16);
}

uint32_t U32Words(std::span<const uint16_t> r, int w) {
  return static_cast<uint32_t>(r[static_cast<size_t>(w)]) |
         static_cast<uint32_t>(r[static_cast<size_t>(w + 1)]) << 16;
}

uint8_t ByteOf(std::span<const uint16_t> r, int w, int which) {
  return static_cast<uint8_t>(r[static_cast<size_t>(w)] >> (8 * which));
}

void SetByte(std::span<uint16_t> r, int w, int which, uint8_t v) {
  uint16_t& word = r[static_cast<size_t>(w)];
  word = which == 0 ? static_cast<uint16_t>((word & 0xFF00) | v)
                    : static_cast<uint16_t>((word & 0x00FF) | v << 8);
}

// Bytes of a ballast data block (60 bytes; the producer and identification big-endian).
void PutBlockBytes(std::span<uint16_t> r, int first, const std::array<uint8_t, 60>& b) {
  for (int w = 0; w < 30; ++w) {
    r[static_cast<size_t>(first + w)] = static_cast<uint16_t>(b[2 * w] | b[2 * w + 1] << 8);
  }
}

}  // namespace

StreetLightNode::StreetLightNode(RfAddress address, const NodeSettings& settings)
    : RoutingNode(address, settings) {
  // Each ballast's memory: bank 0 the identification a DALI driver keeps, banks 1 and 2 the
  // luminaire maker's data; deterministic per node and ballast.
  for (int b = 0; b < 2; ++b) {
    for (int bank = 0; bank < kMemoryBanks; ++bank) {
      auto& bytes = memory_[static_cast<size_t>(b)][static_cast<size_t>(bank)];
      bytes[0] = kBankBytes - 1;  // last accessible location
      for (int i = 1; i < kBankBytes; ++i) {
        bytes[static_cast<size_t>(i)] =
            static_cast<uint8_t>((address >> (8 * (i % 4))) ^ (0x35 * (bank + 1)) ^ (i * 7) ^ b);
      }
    }
  }
}

uint8_t StreetLightNode::Memory(int ballast, int bank, int location) const {
  if (ballast < 0 || ballast > 1 || bank < 0 || bank >= kMemoryBanks || location < 0 ||
      location >= kBankBytes) {
    return 0xFF;
  }
  return memory_[static_cast<size_t>(ballast)][static_cast<size_t>(bank)]
                [static_cast<size_t>(location)];
}

void StreetLightNode::InitRegisters() {
  RoutingNode::InitRegisters();
  auto r = registers();
  word(kWordFirmware) = 402;
  SetName("Street Light " + std::to_string(address() & 0xFF));
  word(kWordSystemMode) = 1;
  word(kWordReadPeriod) = 15 | 1 << 8;  // every 15 minutes, two ballasts
  word(kWordRefFirst + 2) = 1000;
  word(kWordStep) = 5 | 160 << 8;
  PutFloat(r, kWordLongitude, 14.433271f);
  PutFloat(r, kWordLatitude, 50.069817f);
  word(kWordTimeShift) = 1;
  std::copy(std::begin(kDefaultSchedule), std::end(kDefaultSchedule), r.begin() + kWordSchedule);
  word(kWordRisingEdge) = 38;
  word(kWordFallingEdge) = 21;
  word(kWordPirUse) = 0;
  word(kWordPirLevels) = 254;
  word(kWordPirDelay) = 20;
  word(kWordPirFades) = 5 | 5 << 8;
  word(kWordPirTimeout) = 20 * 4;
  const char free_text[] = "Mast 12, cabinet B";
  for (size_t i = 0; i + 1 < sizeof free_text; ++i) {
    SetByte(r, kWordFreeField + static_cast<int>(i / 2), static_cast<int>(i % 2),
            static_cast<uint8_t>(free_text[i]));
  }
  word(kWordBankOk) = 0x0101;
  if (!clock_started_) {
    clock_started_ = true;
    clock_set_at_ = 0;
    clock_base_ms_ = static_cast<int64_t>(UnixNow()) * 1000;
    PutU32Words(r, kWordClockReference, 0);
    PutU32Words(r, kWordClockReference + 2, UnixNow());
  }
  for (int i = 0; i < route_count(); ++i) OnRouteChanged(i);
  UpdateLive();
}

void StreetLightNode::Place(float latitude, float longitude, int time_shift) {
  auto r = registers();
  PutFloat(r, kWordLatitude, latitude);
  PutFloat(r, kWordLongitude, longitude);
  word(kWordTimeShift) = static_cast<uint8_t>(static_cast<int8_t>(time_shift));
  UpdateLive();
}

void StreetLightNode::SetTwoBallasts(bool two) {
  SetByte(registers(), kWordReadPeriod, 1, two ? 1 : 0);
  UpdateBallasts();
}

void StreetLightNode::SetControlDevice(int k, RfAddress device) {
  auto r = registers();
  PutU32Words(r, kWordControlFirst + 8 * k, device);
  // Button 1 switches ballast 1 on, button 2 off; buttons 3 and 4 dim it up and down.
  SetByte(r, kWordControlFirst + 8 * k + 2, 0, 1);
  SetByte(r, kWordControlFirst + 8 * k + 2, 1, 2);
  SetByte(r, kWordControlFirst + 8 * k + 3, 0, 3);
  SetByte(r, kWordControlFirst + 8 * k + 3, 1, 4);
}

// --- Clock --------------------------------------------------------------------------------------

int64_t StreetLightNode::ClockMs() {
  // Crystal drift less what the tool's calibration takes off, both in ppm.
  const int64_t ppm = kDriftPpm - static_cast<int16_t>(registers()[kWordCalibration]);
  const int64_t elapsed = context().Now() - clock_set_at_;
  return clock_base_ms_ + elapsed + elapsed * ppm / 1000000;
}

uint32_t StreetLightNode::ClockSeconds() { return static_cast<uint32_t>(ClockMs() / 1000); }

void StreetLightNode::SetClock(uint32_t seconds) {
  clock_base_ms_ = static_cast<int64_t>(seconds) * 1000;
  clock_set_at_ = context().Now();
  // The new reference the drift is measured from; 852..853 count the settings.
  auto r = registers();
  PutU32Words(r, kWordClockReference, U32Words(r, kWordClockReference) + 1);
  PutU32Words(r, kWordClockReference + 2, seconds);
}

void StreetLightNode::ShowClock() {
  auto r = registers();
  const uint32_t now = ClockSeconds();
  PutU32Words(r, kWordUnixTime, now);
  const int shift = static_cast<int8_t>(ByteOf(r, kWordTimeShift, 0)) +
                    (ByteOf(r, kWordTimeShift, 1) != 0 ? 1 : 0);
  const int64_t local = static_cast<int64_t>(now) + shift * 3600;
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(local / 86400, year, month, day);
  const int64_t of_day = local % 86400;
  SetByte(r, kWordClock, 0, static_cast<uint8_t>(year - 2000));
  SetByte(r, kWordClock, 1, static_cast<uint8_t>(month));
  SetByte(r, kWordClock + 1, 0, static_cast<uint8_t>(day));
  SetByte(r, kWordClock + 1, 1, static_cast<uint8_t>(of_day / 3600));
  SetByte(r, kWordClock + 2, 0, static_cast<uint8_t>(of_day / 60 % 60));
  SetByte(r, kWordClock + 2, 1, static_cast<uint8_t>(of_day % 60));
  // The crystal restarts now and then: a few seconds on the software clock, then the internal
  // RC oscillator, then the crystal again.
  const int64_t minute = context().Now() / 60000;
  switch (minute % 10) {
    case 7:
      word(kWordClockSource) = 2;  // SW
      break;
    case 8:
      word(kWordClockSource) = 3;  // LSI
      break;
    default:
      word(kWordClockSource) = 0;  // LSE
      break;
  }
}

// --- Sun, schedule, light -------------------------------------------------------------------

std::array<int, 2> StreetLightNode::SunTimes(double latitude, double longitude, int day_of_year,
                                             double hours_ahead) {
  constexpr double kPi = std::numbers::pi;
  const double gamma = 2 * kPi / 365 * (day_of_year - 1);
  const double equation =
      229.18 * (0.000075 + 0.001868 * std::cos(gamma) - 0.032077 * std::sin(gamma) -
                0.014615 * std::cos(2 * gamma) - 0.040849 * std::sin(2 * gamma));
  const double declination = 0.006918 - 0.399912 * std::cos(gamma) + 0.070257 * std::sin(gamma) -
                             0.006758 * std::cos(2 * gamma) + 0.000907 * std::sin(2 * gamma) -
                             0.002697 * std::cos(3 * gamma) + 0.00148 * std::sin(3 * gamma);
  const double phi = latitude * kPi / 180;
  const double cos_h = std::cos(90.833 * kPi / 180) / (std::cos(phi) * std::cos(declination)) -
                       std::tan(phi) * std::tan(declination);
  if (cos_h < -1 || cos_h > 1) return {-1, -1};
  const double hour_angle = std::acos(cos_h) * 180 / kPi;
  const double noon = 720 - 4 * longitude - equation + hours_ahead * 60;
  auto wrap = [](double m) { return static_cast<int>(std::lround(std::fmod(m + 2880, 1440))); };
  return {wrap(noon - 4 * hour_angle), wrap(noon + 4 * hour_angle)};
}

int StreetLightNode::ScheduleLevel(std::span<const uint16_t> schedule, int output, int minute) {
  struct Point {
    int time;
    bool fade;
    int level;
  };
  std::array<Point, 7> points{};
  int n = 0;
  for (int p = 0; p < 7 && 2 * p + 1 < static_cast<int>(schedule.size()); ++p) {
    const uint16_t first = schedule[static_cast<size_t>(2 * p)];
    const uint16_t second = schedule[static_cast<size_t>(2 * p + 1)];
    const int time = first & 0x0FFF;
    if (time >= 1440) continue;  // not a valid point
    const bool fade = (first & (output == 0 ? 0x4000 : 0x8000)) != 0;
    points[static_cast<size_t>(n++)] = {time, fade, output == 0 ? second & 0xFF : second >> 8};
  }
  if (n == 0) return 0;
  // At most seven points: a plain insertion sort. GCC 12 at -O2/-O3 inlines std::sort over this
  // small array and then warns about an out-of-bounds subscript (array-bounds) on a branch of the
  // introsort that can never run for seven elements; the warning is an error in this build.
  for (int i = 1; i < n; ++i) {
    const Point moving = points[static_cast<size_t>(i)];
    int j = i;
    for (; j > 0 && points[static_cast<size_t>(j - 1)].time > moving.time; --j) {
      points[static_cast<size_t>(j)] = points[static_cast<size_t>(j - 1)];
    }
    points[static_cast<size_t>(j)] = moving;
  }
  // The last point passed, across midnight when none is passed yet today.
  int last = n - 1;
  for (int i = 0; i < n; ++i) {
    if (points[static_cast<size_t>(i)].time <= minute) last = i;
  }
  const Point& from = points[static_cast<size_t>(last)];
  if (!from.fade || n == 1) return from.level;
  const Point& to = points[static_cast<size_t>((last + 1) % n)];
  const int span = (to.time - from.time + 1440) % 1440;
  const int done = (minute - from.time + 1440) % 1440;
  if (span == 0) return from.level;
  return from.level + (to.level - from.level) * done / span;
}

void StreetLightNode::UpdateSun() {
  auto r = registers();
  const float latitude = FloatAt(r, kWordLatitude);
  if (!(latitude <= 90.0f)) {
    // Astronomical dimming off.
    word(kWordSunrise) = 0;
    word(kWordSunset) = 0;
    return;
  }
  const int shift = static_cast<int8_t>(ByteOf(r, kWordTimeShift, 0)) +
                    (ByteOf(r, kWordTimeShift, 1) != 0 ? 1 : 0);
  const int year = 2000 + ByteOf(r, kWordClock, 0);
  const int month = std::clamp<int>(ByteOf(r, kWordClock, 1), 1, 12);
  const int day = std::clamp<int>(ByteOf(r, kWordClock + 1, 0), 1, 31);
  const auto sun =
      SunTimes(latitude, FloatAt(r, kWordLongitude), DayOfYear(year, month, day), shift);
  word(kWordSunrise) = static_cast<uint16_t>(std::max(sun[0], 0));
  word(kWordSunset) = static_cast<uint16_t>(std::max(sun[1], 0));
}

void StreetLightNode::UpdateLights() {
  auto r = registers();
  const int minute = ByteOf(r, kWordClock + 1, 1) * 60 + ByteOf(r, kWordClock + 2, 0);
  const bool astro = FloatAt(r, kWordLatitude) <= 90.0f;
  const int sunrise = r[kWordSunrise] & 0x07FF;
  const int sunset = r[kWordSunset] & 0x07FF;
  const bool day = astro && sunrise < sunset && minute >= sunrise && minute < sunset;
  word(kWordAmbientLight) = static_cast<uint16_t>(day ? 900 + random().Below(200) : 2);
  const bool occupied = (pir_state_ & 2) != 0;
  for (int output = 0; output < 2; ++output) {
    if (manual_until_[static_cast<size_t>(output)] > context().Now()) continue;
    int level = day ? 0 : ScheduleLevel(r.subspan(kWordSchedule, 14), output, minute);
    // Presence lights the street to the PIR level at night.
    if (!day && occupied) {
      level = std::max<int>(level, ByteOf(r, kWordPirLevels, output));
    }
    SetByte(r, kWordLevel1 + output, 0, static_cast<uint8_t>(level));
  }
  SetByte(r, kWordPirState2, 1, ByteOf(r, kWordLevel1, 0));
  SetByte(r, kWordPirActOrange, 0, ByteOf(r, kWordLevel1 + 1, 0));
}

void StreetLightNode::UpdatePir() {
  // Someone passes now and then; the state moves through the occupancy states.
  const SimTime now = context().Now();
  if (now - last_pir_change_ >= 20000) {
    last_pir_change_ = now;
    static constexpr int kNext[8] = {1, 3, 6, 7, 0, 1, 4, 6};
    pir_state_ = random().Below(4) == 0 ? kNext[pir_state_ & 7] : (pir_state_ & 4 ? 0 : pir_state_);
  }
  auto r = registers();
  const int external = r[kWordExternalPir] & 7;
  SetByte(r, kWordPirStates, 0, static_cast<uint8_t>(pir_state_ | (external & 2)));
  SetByte(r, kWordPirStates, 1, static_cast<uint8_t>(pir_state_));
  SetByte(r, kWordPirState2, 0, static_cast<uint8_t>(pir_state_ & 4));
}

void StreetLightNode::UpdateBallasts() {
  auto r = registers();
  const bool two = ByteOf(r, kWordReadPeriod, 1) != 0;
  const uint32_t hours = uptime_seconds() / 3600 + 8760;
  for (int b = 0; b < 2; ++b) {
    const int first = b == 0 ? kWordBallast1 : kWordBallast2;
    std::array<uint8_t, 60> bytes{};
    if (b == 0 || two) {
      const int level = ByteOf(r, kWordLevel1 + b, 0);
      const uint64_t producer = 0x00000001F4A2ull + static_cast<uint64_t>(b);
      const uint64_t id =
          0x0004012345670000ull | (address() & 0xFFFF) << 1 | static_cast<uint64_t>(b);
      for (int i = 0; i < 6; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(producer >> (8 * (5 - i)));
      for (int i = 0; i < 8; ++i)
        bytes[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(id >> (8 * (7 - i)));
      auto put = [&](int at, int n, uint32_t v) {
        for (int i = 0; i < n; ++i)
          bytes[static_cast<size_t>(at + i)] = static_cast<uint8_t>(v >> (8 * i));
      };
      const uint32_t nominal = b == 0 ? 95 : 40;
      put(16, 4, b == 0 ? 12350 : 4100);
      put(20, 2, nominal);
      put(22, 2, 198);
      put(24, 2, 264);
      put(26, 2, b == 0 ? 4000 : 1800);
      bytes[28] = 70;
      bytes[29] = 3;
      bytes[30] = static_cast<uint8_t>(b == 0 ? 1 : 4);
      const float power = level == 0 ? 0.4f : 0.4f + static_cast<float>(nominal) * level / 254.0f;
      put(32, 4, std::bit_cast<uint32_t>(power));
      put(36, 4, std::bit_cast<uint32_t>(power / 0.95f));
      put(40, 4, hours);
      put(44, 4, hours * 2 / 5);
      put(48, 2, static_cast<uint32_t>(2298 + random().Below(15)));
      bytes[50] = 50;
      bytes[51] = 95;
      bytes[56] = static_cast<uint8_t>(level);
    }
    PutBlockBytes(r, first, bytes);
  }
}

void StreetLightNode::UpdateLive() {
  RoutingNode::UpdateLive();
  auto r = registers();
  ShowClock();
  UpdateSun();
  UpdatePir();
  UpdateLights();
  word(kWordCpuTemp) = static_cast<uint16_t>(3650 + random().Below(120));
  // The mast leans a little in the wind.
  const int ax = 12 + static_cast<int>(random().Below(7)) - 3;
  const int ay = -8 + static_cast<int>(random().Below(7)) - 3;
  const int az = 995 + static_cast<int>(random().Below(5));
  word(kWordActFirst) = static_cast<uint16_t>(ax);
  word(kWordActFirst + 1) = static_cast<uint16_t>(ay);
  word(kWordActFirst + 2) = static_cast<uint16_t>(az);
  const double tilt =
      std::acos(az / std::sqrt(double(ax) * ax + double(ay) * ay + double(az) * az));
  word(kWordAngle) = static_cast<uint16_t>(std::lround(tilt * 180 / std::numbers::pi));
  SetByte(r, kWordPcSignal, 0, static_cast<uint8_t>(settings_.rssi_at_dongle));
  SetByte(r, kWordPcSignal, 1, static_cast<uint8_t>(settings_.rssi_at_dongle - 3));
  SetByte(r, kWordGwSignal, 0, static_cast<uint8_t>(-71));
  SetByte(r, kWordGwSignal, 1, static_cast<uint8_t>(-74));
}

bool StreetLightNode::Writable(int w) const {
  // What the node measures or computes itself: the tool's copy would only put it back.
  if ((w >= kWordActFirst && w <= kWordAngle) || w == kWordResponse || w == kWordResponse + 1 ||
      w == kWordDaliStatus || (w >= kWordSunrise && w <= kWordUnixTime + 1) ||
      (w >= kWordRoutedStatus && w < kWordRoutedStatus + 6 * kRoutedEntries)) {
    return false;
  }
  return RoutingNode::Writable(w);
}

// --- The tool's writes --------------------------------------------------------------------------

bool StreetLightNode::Intercept(const AirFrame& frame) {
  if (frame.kind == FrameKind::kRequest || frame.kind == FrameKind::kForward) {
    last_requester_ = frame.source;
  }
  return RoutingNode::Intercept(frame);
}

void StreetLightNode::Report(int first, int count, SimTime delay_ms) {
  if (last_requester_ == 0) return;
  const RfAddress to = last_requester_;
  // The values as they are now: the next command must not overtake this one's answer.
  std::array<uint16_t, 4> values{};
  count = std::min(count, static_cast<int>(values.size()));
  std::copy_n(registers().begin() + first, count, values.begin());
  context().At(context().Now() + delay_ms, [this, to, first, count, values] {
    MessageBuilder news;
    news.AddRegisters(MSG_REG_BLOCK_86, MSG_REG_WORD_87, static_cast<uint16_t>(first),
                      values.data(), count);
    Transmit(to, FrameKind::kAnswer, news, settings_.rssi_at_dongle);
  });
}

void StreetLightNode::OnWritten(uint16_t first, int count) {
  RoutingNode::OnWritten(first, count);
  auto covers = [&](int w) { return first <= w && w < first + count; };
  auto r = registers();
  if (covers(kWordCommand)) {
    const uint16_t command = r[kWordCommand];
    if (command == 1) {
      // Read the ballasts, then tell the tool the data are there.
      context().At(context().Now() + 300, [this] {
        UpdateBallasts();
        word(kWordCommand) = kBallastDataReady;
        Report(kWordCommand, 1, 20);
      });
    } else if (command == 2) {
      ++short_address_runs_;
      context().At(context().Now() + 300, [this] {
        word(kWordCommand) = kShortAddressOk;
        Report(kWordCommand, 1, 20);
      });
    }
  }
  // A command written on its own is executed; the copy a whole-record write carries is not.
  if (first == kWordDaliCommand && count >= 2) ExecuteDali(U32Words(r, kWordDaliCommand));
  if (covers(kWordClock + 3) && ByteOf(r, kWordClock + 3, 0) != 0) {
    // The tool set the clock (local time): back to seconds since 1970 as the node counts them.
    const int year = 2000 + ByteOf(r, kWordClock, 0);
    const int month = std::clamp<int>(ByteOf(r, kWordClock, 1), 1, 12);
    const int day = std::clamp<int>(ByteOf(r, kWordClock + 1, 0), 1, 31);
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    const int shift = static_cast<int8_t>(ByteOf(r, kWordTimeShift, 0)) +
                      (ByteOf(r, kWordTimeShift, 1) != 0 ? 1 : 0);
    const int64_t local = days * 86400 + ByteOf(r, kWordClock + 1, 1) * 3600 +
                          ByteOf(r, kWordClock + 2, 0) * 60 + ByteOf(r, kWordClock + 2, 1);
    SetClock(static_cast<uint32_t>(local - shift * 3600));
    SetByte(r, kWordClock + 3, 0, 0);
  }
  for (int output = 0; output < 2; ++output) {
    if (covers(kWordLevel1 + output) && count <= 2) {
      manual_until_[static_cast<size_t>(output)] = context().Now() + kManualHoldMs;
    }
  }
  if (covers(kWordClean) && r[kWordClean] == 1) {
    word(kWordBankError) = 0;
    word(kWordBankOk) = 0;
    word(kWordClean) = 0;
  }
  if (covers(kWordExternalPir)) word(kWordExternalPir) &= 7;
  // Devices the tool put into the routing table are routed from now on (without a cached copy).
  for (int i = 0; i < kRoutedEntries; ++i) {
    const int w = kWordRoutedFirst + 4 * i;
    if (w + 1 < first || w >= first + count) continue;
    const RfAddress device = U32Words(r, w);
    if (device != 0 && device != address() && !OverhearsFrom(device)) AddRoute(device, 0, {});
  }
  ShowClock();
  UpdateSun();
}

void StreetLightNode::SetOutput(int output, int level) {
  SetByte(registers(), kWordLevel1 + output, 0, static_cast<uint8_t>(std::clamp(level, 0, 254)));
  manual_until_[static_cast<size_t>(output)] = context().Now() + kManualHoldMs;
}

void StreetLightNode::ExecuteDali(uint32_t word_value) {
  ++dali_commands_;
  auto r = registers();
  const uint32_t frame = word_value & 0x0FFFFFFF;
  // The frame's length is the position of its marker bit.
  int length = 0;
  for (int bit = 27; bit >= 0; --bit) {
    if (frame & (1u << bit)) {
      length = bit;
      break;
    }
  }
  word(kWordDaliStatus) = 0;
  if (length != 16) return;
  const uint8_t address_byte = static_cast<uint8_t>(frame >> 8);
  const uint8_t data = static_cast<uint8_t>(frame);
  if (address_byte == kDaliDtr0) {
    dtr0_ = data;
    return;
  }
  if (address_byte == kDaliDtr1) {
    dtr1_ = data;
    return;
  }
  // Which ballast answers: broadcast and groups reach both, a short address the ballast at
  // that address less the node's offset.
  const int offset = r[kWordDaliAddrOffset];
  int ballast = -1;  // both
  if ((address_byte & 0x80) == 0) ballast = std::clamp((address_byte >> 1) - offset, 0, 1);
  const bool command = (address_byte & 1) != 0;
  auto each = [&](auto fn) {
    for (int b = 0; b < 2; ++b) {
      if (ballast < 0 || ballast == b) fn(b);
    }
  };
  if (!command) {
    each([&](int b) { SetOutput(b, data == 0xFF ? ByteOf(r, kWordLevel1 + b, 0) : data); });
    return;
  }
  const int step = ByteOf(r, kWordStep, 0);
  uint32_t response = 0;
  bool answered = false;
  switch (data) {
    case kDaliOff:
      each([&](int b) { SetOutput(b, 0); });
      break;
    case kDaliRecallMax:
      each([&](int b) { SetOutput(b, 254); });
      break;
    case kDaliUp:
      each([&](int b) { SetOutput(b, ByteOf(r, kWordLevel1 + b, 0) + step); });
      break;
    case kDaliDown:
      each([&](int b) { SetOutput(b, ByteOf(r, kWordLevel1 + b, 0) - step); });
      break;
    case kDaliQueryActual:
      response = ByteOf(r, kWordLevel1 + std::max(ballast, 0), 0);
      answered = true;
      break;
    case kDaliReadMemory:
      response = Memory(std::max(ballast, 0), dtr1_, dtr0_);
      ++dtr0_;
      answered = true;
      break;
    default:
      break;
  }
  if (!answered) return;
  PutU32Words(r, kWordResponse, response);
  SetByte(r, kWordBankOk, 0, static_cast<uint8_t>(ByteOf(r, kWordBankOk, 0) + 1));
  // The backward frame goes to the tool as soon as the ballast has answered.
  Report(kWordResponse, 2, 30);
}

// --- Control devices and routing ------------------------------------------------------------

void StreetLightNode::Press(RfAddress device, uint16_t buttons) {
  auto r = registers();
  for (int k = 0; k < 2; ++k) {
    const int w = kWordControlFirst + 8 * k;
    if (device == 0 || U32Words(r, w) != device) continue;
    for (int button = 0; button < 4; ++button) {
      if ((buttons & (0x0100u << button)) == 0) continue;
      const uint8_t on = ByteOf(r, w + 2 + button / 2, button % 2);
      const int output = (on & 0x08) != 0 ? 1 : 0;
      const int step = ByteOf(r, kWordStep, 0);
      const int level = ByteOf(r, kWordLevel1 + output, 0);
      switch (on & 7) {
        case 1:
          SetOutput(output, 254);
          break;
        case 2:
          SetOutput(output, 0);
          break;
        case 3:
          SetOutput(output, level + step);
          break;
        case 4:
          SetOutput(output, level - step);
          break;
        default:
          break;
      }
    }
    // What the node heard of the control device.
    const int s = kWordControlStatus + 6 * k;
    PutU32Words(r, s, UnixNow());
    SetByte(r, s + 4, 0, static_cast<uint8_t>(-62));
    SetByte(r, s + 4, 1, static_cast<uint8_t>(-65));
  }
}

bool StreetLightNode::HandleOther(const AirFrame& frame, uint8_t type, int length,
                                  const uint8_t* payload, MessageBuilder& answer) {
  if (type == MSG_RF_FRAME) {
    // A control device's frame passed on by the tool: [source][sequence][messages].
    if (length >= 5) {
      const RfAddress device = GetU32(payload);
      ForEachMessage(payload + 5, length - 5, [&](uint8_t inner, int size, const uint8_t* p) {
        if (!IsRegisterBlockType(inner) || size < 7) return;
        const int first = GetU16(p);
        if (first == 9 && p[2] >= 2) Press(device, GetU16(p + 5));
      });
    }
    return true;
  }
  return RoutingNode::HandleOther(frame, type, length, payload, answer);
}

void StreetLightNode::OnRouteChanged(int index) {
  if (index < 0 || index >= kRoutedEntries) return;
  auto r = registers();
  const auto& entry = route(index);
  const int w = kWordRoutedFirst + 4 * index;
  PutU32Words(r, w, entry.address);
  // Connection priority High, unless the tool chose another.
  if ((r[static_cast<size_t>(w + 2)] & 3) == 0) r[static_cast<size_t>(w + 2)] |= 3;
  const int s = kWordRoutedStatus + 6 * index;
  PutU32Words(r, s, entry.last_heard);
  PutU32Words(r, s + 2, 0);
  SetByte(r, s + 4, 0, static_cast<uint8_t>(entry.rssi));
  SetByte(r, s + 4, 1, static_cast<uint8_t>(entry.rssi - 2));
}

}  // namespace corvane::sim

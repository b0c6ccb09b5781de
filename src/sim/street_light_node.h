// The simulated street-light node (0x009). It routes for devices beyond the dongle's reach like
// every routing node, and lights its two outputs by its astronomical schedule: off between
// sunrise and sunset (computed from its coordinates and date), at night the level of the last
// schedule point passed, faded towards the next one where the point says so. Presence on its
// PIR sensors raises the light; the tool's level and DALI commands override the schedule for a
// while. It keeps a clock that drifts against real time and runs on clock sources that switch,
// and it talks DALI to one or two ballasts: their telemetry blocks, their memory banks read
// through DTR1/DTR0 and READ MEMORY LOCATION, and short-address assignment.
#pragma once

#include <array>
#include <cstdint>

#include "sim/routing_node.h"

namespace corvane::sim {

class StreetLightNode : public RoutingNode {
 public:
  static constexpr int kWords = 920;
  static constexpr int kWordReadPeriod = 54;
  static constexpr int kWordCommand = 55;
  static constexpr int kWordClock = 64;
  static constexpr int kWordCalibration = 69;
  static constexpr int kWordLevel1 = 70;
  static constexpr int kWordResponse = 74;
  static constexpr int kWordDaliCommand = 76;
  static constexpr int kWordLongitude = 96;
  static constexpr int kWordLatitude = 98;
  static constexpr int kWordTimeShift = 100;
  static constexpr int kWordClockSource = 101;
  static constexpr int kWordSchedule = 102;
  static constexpr int kWordSunrise = 116;
  static constexpr int kWordSunset = 117;
  static constexpr int kWordUnixTime = 118;
  static constexpr int kWordRoutedFirst = 132;
  static constexpr int kWordRoutedStatus = 346;
  static constexpr int kWordBallast1 = 664;
  static constexpr int kWordBallast2 = 694;
  static constexpr int kWordClockReference = 852;
  static constexpr int kRoutedEntries = 50;
  static constexpr int kMemoryBanks = 3;
  static constexpr int kBankBytes = 32;
  // The clock runs this much fast until the tool calibrates it.
  static constexpr int kDriftPpm = 35;
  // How long a level set by the tool holds before the schedule takes over again.
  static constexpr SimTime kManualHoldMs = 15 * 60 * 1000;

  StreetLightNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "street light"; }

  // Where the node stands: latitude (above 90 switches the astronomical dimming off),
  // longitude, hours ahead of UTC.
  void Place(float latitude, float longitude, int time_shift);
  void SetTwoBallasts(bool two);
  void SetControlDevice(int k, RfAddress address);

  int level(int output) const {
    return registers()[static_cast<size_t>(kWordLevel1 + output)] & 0xFF;
  }
  // The node's clock, seconds since 1970 as it counts them.
  uint32_t ClockSeconds();
  // Byte `location` of memory bank `bank` of ballast 0 or 1.
  uint8_t Memory(int ballast, int bank, int location) const;
  int short_addresses_assigned() const { return short_address_runs_; }
  int dali_commands() const { return dali_commands_; }

  // Sunrise and sunset in minutes after local midnight for a day of the year (1..366), from the
  // standard solar-position approximation; both -1 when the sun does not rise or set that day.
  static std::array<int, 2> SunTimes(double latitude, double longitude, int day_of_year,
                                     double hours_ahead_of_utc);
  // The schedule's level of one output (0 white, 1 red) at a minute of the night.
  static int ScheduleLevel(std::span<const uint16_t> schedule, int output, int minute);

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  bool Writable(int word) const override;
  void OnWritten(uint16_t first, int count) override;
  bool Intercept(const AirFrame& frame) override;
  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
  void OnRouteChanged(int index) override;

 private:
  int64_t ClockMs();
  void SetClock(uint32_t seconds);
  void ShowClock();
  void UpdateSun();
  void UpdateLights();
  void UpdatePir();
  void UpdateBallasts();
  void ExecuteDali(uint32_t word);
  // Sends registers [first, first + count) to whoever last asked, as the node reports news.
  void Report(int first, int count, SimTime delay_ms);
  void Press(RfAddress device, uint16_t buttons);
  void SetOutput(int output, int level);

  RfAddress last_requester_ = 0;
  // The clock: node milliseconds at sim time clock_set_at_.
  int64_t clock_base_ms_ = 0;
  SimTime clock_set_at_ = 0;
  std::array<std::array<std::array<uint8_t, kBankBytes>, kMemoryBanks>, 2> memory_{};
  uint8_t dtr0_ = 0;
  uint8_t dtr1_ = 0;
  std::array<SimTime, 2> manual_until_{-1, -1};
  SimTime last_pir_change_ = 0;
  int pir_state_ = 0;
  int short_address_runs_ = 0;
  int dali_commands_ = 0;
  bool clock_started_ = false;
};

}  // namespace corvane::sim

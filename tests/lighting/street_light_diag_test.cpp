// The street light's diagnostics as plain functions: the ballast report of a simulated block,
// the clock arithmetic at its extremes, and the node's sun and schedule computations.
#include <gtest/gtest.h>

#include <vector>

#include "lighting/ballast_report.h"
#include "lighting/street_light_clock.h"
#include "sim/street_light_node.h"

namespace corvane::lighting {
namespace {

TEST(BallastReportTest, ReportOfABlockShowsEveryFieldInItsFormat) {
  BallastData d;
  d.producer = 256;  // bytes 00 00 00 00 01 00
  d.identification = 0x0102030405060708;
  d.lumen = 12350;
  d.nominal_power = 95;
  d.min_voltage = 198;
  d.max_voltage = 264;
  d.cct = 4000;
  d.cri = 70;
  d.optics = 3;
  d.colour = 1;
  d.input_power = 47.5f;
  d.apparent_power = 50.0f;
  d.driver_time = 9000;
  d.lamp_time = 3600;
  d.voltage_tenths = 2305;
  d.frequency = 50;
  d.power_factor = 95;
  d.overheated = 1;
  d.dim_level = 128;
  std::vector<uint16_t> block(kBallastBlockWords);
  EncodeBallast(d, block);
  // The producer is big-endian from byte 0: 00 00 00 00 01 00.
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(block[2], 0x0001);
  EXPECT_EQ(block[24], 2305);  // offset 48, little-endian
  EXPECT_EQ(DecodeBallast(block).identification, d.identification);

  EXPECT_EQ(BallastReport(DecodeBallast(block)),
            u"producer             : 256\r\n"
            u"Identification number: 72623859790382856\r\n"
            u"Nominal input power  : 95 W\r\n"
            u"Nominal min. voltage : 198 V\r\n"
            u"Nominal max. voltage : 264 V\r\n"
            u"Nominal lumen output : 12350 lm\r\n"
            u"CRI                  : 70\r\n"
            u"CCT                  : 4000\r\n"
            u"Optics               : 3\r\n"
            u"Color                : 1\r\n"
            u"Input power(actual)  : 47.500 W\r\n"
            u"ApparentPower       : 50.000 W\r\n"
            u"Driver operating time: 9000\r\n"
            u"Input voltage(actual): 230.5 V\r\n"
            u"Input frequency(actual): 50 Hz\r\n"
            u"Power factor(actual) : 0.95\r\n"
            u"Driver failure       : 0\r\n"
            u"Undervoltage(actual) : 0\r\n"
            u"Overvoltage(actual)   : 0\r\n"
            u"Driver overheated(actual): 1\r\n"
            u"Actual Dim level     : 128\r\n"
            u"Lamp operating time  : 3600\r\n"
            u"Lamp failure         : 0\r\n");
  EXPECT_EQ(BallastCaption(1), u"Ballast recalculated data 1");
}

TEST(ClockDriftTest, PpmAtTheExtremes) {
  // 3000 s over a day.
  EXPECT_EQ(DriftPpm(3000, 86400), 34722);
  // A clock behind the PC shows a negative drift, truncated toward zero.
  EXPECT_EQ(DriftPpm(-3000, 86400), -34722);
  EXPECT_EQ(DriftPpm(1, 3), 333333);
  EXPECT_EQ(DriftPpm(5, 0), std::nullopt);
  // The largest spans 32-bit clocks give: the product needs 64 bits and gets them.
  EXPECT_EQ(DriftPpm(4294967295LL, 1), 4294967295000000LL);
  EXPECT_EQ(DriftPpm(-4294967295LL, -4294967295LL), 1000000);

  ui::LocalTime pc{2026, 3, 1, 12, 0, 0, 0};
  const uint32_t pc_seconds = static_cast<uint32_t>(LocalSeconds(pc));
  const RtcDrift same = ComputeDrift(pc_seconds, pc_seconds, pc);
  EXPECT_EQ(same.lse_seconds, 0);
  EXPECT_EQ(same.ppm, std::nullopt);
  // A reference later than the node's time (the clock was set back): no wrap to 4 billion.
  const RtcDrift back = ComputeDrift(pc_seconds - 10, pc_seconds + 86390, pc);
  EXPECT_EQ(back.lse_seconds, -86400);
  EXPECT_EQ(back.difference, -10);
  EXPECT_EQ(back.ppm, 115);
  // No figure before the clock has a reference, nor over less than a minute since it.
  EXPECT_EQ(ComputeDrift(pc_seconds, 0, pc).ppm, std::nullopt);
  EXPECT_EQ(ComputeDrift(pc_seconds + 59, pc_seconds, pc).ppm, std::nullopt);
  EXPECT_EQ(ComputeDrift(pc_seconds + 60, pc_seconds, pc).ppm, 1000000);
}

TEST(ClockDriftTest, LocalSecondsCountFrom1970LikeTheNode) {
  EXPECT_EQ(LocalSeconds({1970, 1, 1, 0, 0, 0, 0}), 0);
  EXPECT_EQ(LocalSeconds({2026, 1, 1, 0, 0, 0, 0}), 1767225600);
  // The leap day and the turn of the century rules.
  EXPECT_EQ(LocalSeconds({2000, 3, 1, 0, 0, 0, 0}) - LocalSeconds({2000, 2, 28, 0, 0, 0, 0}),
            2 * 86400);
  EXPECT_EQ(LocalSeconds({2100, 3, 1, 0, 0, 0, 0}) - LocalSeconds({2100, 2, 28, 0, 0, 0, 0}),
            86400);
  const ui::LocalTime t = CalendarOf(LocalSeconds({2026, 12, 31, 23, 59, 58, 0}));
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.second, 58);
  EXPECT_EQ(ClockLogLine({2026, 3, 9, 7, 5, 4, 0}, u"LSE"), u"\r\n09.03 2026 07:05:04 LSE");
  EXPECT_EQ(ClockSourceText(7), u"--");
}

TEST(StreetLightSimTest, SunTimesAndScheduleLevels) {
  // Prague at midsummer, in CET: the sun rises about 03:52 and sets about 20:14.
  const auto summer = sim::StreetLightNode::SunTimes(50.069817, 14.433271, 172, 1);
  EXPECT_NEAR(summer[0], 3 * 60 + 52, 6);
  EXPECT_NEAR(summer[1], 20 * 60 + 14, 6);
  // Far north in December the sun does not rise.
  EXPECT_EQ(sim::StreetLightNode::SunTimes(78.2, 15.6, 355, 1)[0], -1);

  // 21:00 white 254, 22:30 white 200 fading to 23:00 white 0; the last three points have no
  // valid time.
  const uint16_t schedule[14] = {5 * 60 | 0xC000,
                                 254 << 8,
                                 21 * 60,
                                 254,
                                 (22 * 60 + 30) | 0x4000,
                                 200,
                                 23 * 60,
                                 0,
                                 4000,
                                 77,
                                 1440,
                                 66,
                                 1500,
                                 55};
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 0, 21 * 60 + 10), 254);
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 0, 22 * 60 + 45), 100);
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 0, 23 * 60 + 30), 0);
  // Past midnight the last point of the evening still holds; points at 1440 and later count
  // for nothing.
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 0, 2 * 60), 0);
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 1, 4 * 60), 0);
  EXPECT_EQ(sim::StreetLightNode::ScheduleLevel(schedule, 1, 5 * 60 + 1), 254);
}

}  // namespace
}  // namespace corvane::lighting

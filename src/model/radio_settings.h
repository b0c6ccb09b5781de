// Names of the radio settings shared by the dongle and the project: frequency channels (index
// 0..5) and RF power codes (1..7 = list position + 1).
#pragma once

#include <array>
#include <string_view>

namespace corvane {

inline constexpr std::array<std::u16string_view, 6> kFrequencyNames = {
    u"868.95MHz 100kBps",  u"868.3MHz 32.8kBps", u"868.1MHz 100kBps",
    u"869.525MHz 100kBps", u"868.3MHz 38.4kBps", u"915.3MHz 100kBps",
};

inline constexpr std::array<std::u16string_view, 7> kRfPowerNames = {
    u"+13 dBm", u"+10 dBm", u"+5dBm", u"0 dBm", u"-5dBm", u"-10dBm", u"-20dBm",
};

// The network password every new project and new device record starts with.
inline constexpr std::u16string_view kDefaultNetworkPassword = u"TARVELONIX4817QD";

}  // namespace corvane

// Device addresses typed by the user or taken from a list line.
#pragma once

#include <string_view>

#include "model/rf_address.h"

namespace corvane {

// A text holding "0x" or "0X" gives the hexadecimal digits after it (other characters are
// skipped) until eight are taken or the text ends; any other text is read as a decimal number.
// Both list lines ("0x0030ABCD Quadrel-A ...") and display names ("Quadrel-A 0x0030ABCD ...")
// parse to their address. 0 when nothing can be read.
RfAddress ParseAddressText(std::u16string_view text);

}  // namespace corvane

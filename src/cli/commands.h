// The subcommands of corvane-cli and the small pieces of argument handling they share.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/session.h"
#include "model/rf_address.h"

namespace corvane::cli {

// A subcommand's arguments: positionals in order, flags, and options with a value. Every
// subcommand takes --simulate, --sim-batch N and --help besides its own options.
class Args {
 public:
  // False with `error` set for an unknown option or an option without its value.
  bool Parse(std::span<const std::string> args, std::span<const std::string_view> flags,
             std::span<const std::string_view> valued, std::string& error);
  bool Has(std::string_view flag) const { return flags_.count(std::string(flag)) != 0; }
  std::optional<std::string> Value(std::string_view name) const;
  const std::vector<std::string>& positional() const { return positional_; }

 private:
  std::vector<std::string> positional_;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
};

struct Context {
  std::ostream& out;
  std::ostream& err;
  const CliEnvironment& env;
  bool out_is_terminal = false;
};

// "0x01400603" or a decimal number; 0 is no device.
std::optional<RfAddress> ParseAddress(std::string_view text);
// A decimal number (may be negative) or "0x" hexadecimal, within [min, max].
std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max);
// Text for a JSON string, quotes included.
std::string JsonString(std::string_view text);
// --simulate and --sim-batch; false after saying what is wrong.
bool TransportFrom(const Args& args, Context& context, TransportOptions& options);

int RunScan(const Args& args, Context& context);
int RunRead(const Args& args, Context& context);
int RunWrite(const Args& args, Context& context);
int RunProject(const Args& args, Context& context);
int RunFwUpdate(const Args& args, Context& context);
int RunMonitor(const Args& args, Context& context);

}  // namespace corvane::cli

#include "cli/cli_main.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/exit_codes.h"

namespace corvane::cli {
namespace {

constexpr std::string_view kCommonOptions =
    "  --simulate      use the built-in simulated dongle and demo network instead of USB\n"
    "  --sim-batch N   with --simulate: N more Quadrel-B input nodes from 0x01400700 on\n"
    "                  (try a batch update with examples/firmware/quadrel-b_4.10.bin)\n"
    "  --take-over     use a dongle whose in-use flag is set (another program holds it, or\n"
    "                  an earlier run was killed before it could release it)\n"
    "  --help          this text\n";

constexpr std::string_view kOverview =
    "usage: corvane-cli COMMAND [ARGS] [--simulate]\n"
    "\n"
    "Commands:\n"
    "  scan        the devices the dongle hears\n"
    "  read        read registers of a device\n"
    "  write       write registers of a device\n"
    "  project     show a project file, export or import a device's stored configuration\n"
    "  fw-update   update the firmware of devices or of the dongle\n"
    "  monitor     the heard radio frames, optionally into a capture file\n"
    "\n"
    "corvane-cli COMMAND --help tells more. Exit codes: 0 done, 1 failed, 2 usage, 3 no dongle,\n"
    "4 dongle not permitted, 5 dongle in use (--take-over uses it anyway), 6 time-out, 7 not in\n"
    "the project, 8 bad file, 128 + N ended by signal N (the dongle is released first).\n";

struct Command {
  std::string_view name;
  int (*run)(const Args&, Context&);
  std::vector<std::string_view> flags;
  std::vector<std::string_view> valued;
  std::string_view help;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"scan",
       RunScan,
       {"--json"},
       {"--seconds"},
       "usage: corvane-cli scan [--json] [--seconds N]\n"
       "\n"
       "Lists the devices the dongle hears: address, type name, display name, RSSI and the\n"
       "seconds since each was last heard (\"D\": it sleeps and must be woken to answer).\n"
       "\n"
       "  --seconds N     listen N seconds before reading the list (default 2)\n"
       "  --json          a JSON array instead of the table\n"},
      {"read",
       RunRead,
       {"--cache"},
       {"--via"},
       "usage: corvane-cli read ADDR REG [COUNT] [--via ROUTE]\n"
       "\n"
       "Reads COUNT (default 1) registers from REG on, with the request queues' retries, and\n"
       "prints them as register text lines \"N 0xVALUE\", N counted from 1 (register REG is\n"
       "line REG + 1), as project export writes and project import reads them. ADDR and ROUTE\n"
       "are 0x-prefixed hexadecimal addresses; REG and COUNT decimal or 0x-prefixed\n"
       "hexadecimal.\n"
       "\n"
       "  --via ROUTE     through the routing node ROUTE (a gateway, a fan-coil controller)\n"
       "  --cache         with --via: the routing node's cached copy of the device's registers,\n"
       "                  which it answers at once for a device that sleeps\n"},
      {"write",
       RunWrite,
       {"--eeprom", "--cache"},
       {"--via"},
       "usage: corvane-cli write ADDR REG VALUE... [--via ROUTE] [--eeprom]\n"
       "\n"
       "Writes the values to REG, REG+1, ... with the request queues' retries. A value is\n"
       "0..65535, -32768..-1 (its 16-bit pattern) or 0x0000..0xFFFF.\n"
       "\n"
       "  --via ROUTE     through the routing node ROUTE\n"
       "  --cache         with --via: into the routing node's cached copy, which it passes on\n"
       "                  when the device wakes\n"
       "  --eeprom        then have the device store its configuration in its EEPROM\n"},
      {"project",
       RunProject,
       {"--json", "--yes"},
       {},
       "usage: corvane-cli project show FILE [--json]\n"
       "       corvane-cli project export FILE ADDR OUT.txt\n"
       "       corvane-cli project import FILE ADDR IN.txt [--yes]\n"
       "\n"
       "show: the project's name, notes, network settings and devices.\n"
       "export: the device's stored configuration as a register text file.\n"
       "import: a register text file into the device's stored configuration; the project is\n"
       "saved (through a temporary file, so a failed save keeps the old one). The device's\n"
       "identity registers stay its own; a file of another model is taken only with --yes.\n"},
      {"fw-update",
       RunFwUpdate,
       {"--yes"},
       {"--via"},
       "usage: corvane-cli fw-update FILE ADDR... [--via ROUTE] [--yes]\n"
       "\n"
       "Updates each target in turn with the container FILE, with the firmware window's checks\n"
       "(device, hardware version, image). ADDR \"dongle\" is the USB dongle itself. A summary\n"
       "table follows; the exit code is 1 when any target failed.\n"
       "\n"
       "  --via ROUTE     the devices are reached through the routing node ROUTE\n"
       "  --yes           allow downgrades (older firmware than the target runs)\n"},
      {"monitor",
       RunMonitor,
       {},
       {"--seconds", "--pcap"},
       "usage: corvane-cli monitor [--seconds N] [--pcap OUT]\n"
       "\n"
       "Prints every frame the dongle hears, in the RF monitor's line format, until Ctrl+C or\n"
       "N seconds have passed.\n"
       "\n"
       "  --seconds N     stop after N seconds\n"
       "  --pcap OUT      also write the frames to the capture file OUT (pcap, link type USER0,\n"
       "                  read by Wireshark with the corvane.lua dissector)\n"},
  };
  return commands;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared argument handling

bool Args::Parse(std::span<const std::string> args, std::span<const std::string_view> flags,
                 std::span<const std::string_view> valued, std::string& error) {
  auto in = [](std::span<const std::string_view> list, std::string_view name) {
    for (std::string_view n : list) {
      if (n == name) return true;
    }
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      positional_.push_back(arg);
      continue;
    }
    std::optional<std::string> inline_value;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      inline_value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (in(valued, arg) || arg == "--sim-batch") {
      if (inline_value) {
        values_[arg] = *inline_value;
      } else if (i + 1 < args.size()) {
        values_[arg] = args[++i];
      } else {
        error = arg + " needs a value";
        return false;
      }
    } else if ((in(flags, arg) || arg == "--simulate" || arg == "--take-over" || arg == "--help") &&
               !inline_value) {
      flags_.insert(arg);
    } else {
      error = "unknown option " + args[i];
      return false;
    }
  }
  return true;
}

std::optional<std::string> Args::Value(std::string_view name) const {
  const auto it = values_.find(std::string(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max) {
  bool negative = false;
  int base = 10;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 12) return std::nullopt;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  const int64_t signed_value =
      negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  if (signed_value < min || signed_value > max) return std::nullopt;
  return signed_value;
}

std::optional<RfAddress> ParseAddress(std::string_view text) {
  if (!text.empty() && text[0] == '-') return std::nullopt;
  const auto value = ParseNumber(text, 1, 0xFFFFFFFFLL);
  if (!value) return std::nullopt;
  return static_cast<RfAddress>(*value);
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

bool TransportFrom(const Args& args, Context& context, TransportOptions& options) {
  options.simulate = args.Has("--simulate");
  options.take_over = args.Has("--take-over");
  if (const auto batch = args.Value("--sim-batch")) {
    const auto n = ParseNumber(*batch, 0, 200);
    if (!n || !options.simulate) {
      context.err << "--sim-batch takes 0..200 and needs --simulate\n";
      return false;
    }
    options.sim_batch = static_cast<int>(*n);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Entry point

namespace {

extern "C" void OnStopSignal(int signal) { ConsoleHost::StopFromSignal(signal); }

// While a command runs, Ctrl+C, SIGTERM and SIGHUP end it through its loop, so the session still
// releases the dongle's in-use flag on the way out; a closed pipe is an error of the write, not a
// death. The handlers that were there before come back afterwards.
class SignalGuard {
 public:
  SignalGuard() {
    ConsoleHost::ClearSignal();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kStopSignals.size(); ++i) {
      sigaction(kStopSignals[i], &action, &previous_[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous_pipe_);
  }
  ~SignalGuard() {
    for (size_t i = 0; i < kStopSignals.size(); ++i) {
      sigaction(kStopSignals[i], &previous_[i], nullptr);
    }
    sigaction(SIGPIPE, &previous_pipe_, nullptr);
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  static constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
  std::array<struct sigaction, 3> previous_{};
  struct sigaction previous_pipe_ {};
};

}  // namespace

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliEnvironment& env, bool out_is_terminal) {
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    (args.empty() ? err : out) << kOverview;
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const Command& command : Commands()) {
    if (command.name != args[0]) continue;
    Args parsed;
    std::string error;
    if (!parsed.Parse(args.subspan(1), command.flags, command.valued, error)) {
      err << "corvane-cli " << command.name << ": " << error << "\n\n" << command.help;
      return kExitUsage;
    }
    if (parsed.Has("--help")) {
      out << command.help << "\nEvery command takes:\n" << kCommonOptions;
      return kExitOk;
    }
    Context context{out, err, env, out_is_terminal};
    const SignalGuard signals;
    const int code = command.run(parsed, context);
    if (const int signal = ConsoleHost::received_signal(); signal != 0) {
      // A reader that went away is no news for the terminal; every other signal is told.
      if (signal != SIGPIPE) err << "corvane-cli: ended by signal " << signal << '\n';
      return 128 + signal;
    }
    return code;
  }
  err << "corvane-cli: unknown command " << args[0] << "\n\n" << kOverview;
  return kExitUsage;
}

int CliMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // The progress bar redraws its line, which only makes sense on a terminal.
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) == 1;
  return RunCli(args, out, err, CliEnvironment{}, terminal);
}

}  // namespace corvane::cli

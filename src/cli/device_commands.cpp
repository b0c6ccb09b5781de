// scan, read, write and monitor: the commands that talk to the network through the dongle.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/heard_frames.h"
#include "app/project_devices.h"
#include "capture/capture_file.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "link/messages.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::cli {
namespace {

using ui::Utf16ToUtf8;

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

std::string Line(const char* format, unsigned reg, unsigned value) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, format, reg, value);
  return buffer;
}

// One register as a line of a register text file: its number counted from 1 (register 0 is
// line "1 ..."), a blank, "0x%04X". What read prints is therefore a file project import takes.
std::string RegisterLine(unsigned reg, uint16_t value) { return Line("%u 0x%04X", reg + 1, value); }

std::string AddressText(RfAddress address) { return Utf16ToUtf8(FormatAddress(address)); }

// A text of the type table on one line, without the blanks around it.
std::string OneLine(const std::u16string& text) {
  std::string s = Utf16ToUtf8(text);
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Tells why a device did not answer; sleeping devices need waking first.
void NoAnswer(Context& context, RfAddress address, std::string_view what) {
  // Stopped by a signal, not by the device: the caller's exit code tells that.
  if (ConsoleHost::received_signal() != 0) return;
  context.err << "No answer from " << AddressText(address) << " " << what << " (time-out).";
  if (!Listens(address)) {
    context.err << " The device sleeps (" << OneLine(WakeHint(address))
                << "); through its routing node, --via ROUTE --cache reads its cached copy.";
  }
  context.err << '\n';
}

// The route of --via, 0 for none; false after saying what is wrong.
bool RouteFrom(const Args& args, Context& context, RfAddress& route) {
  route = 0;
  if (const auto via = args.Value("--via")) {
    const auto parsed = ParseAddress(*via);
    if (!parsed) {
      context.err << "--via: not a device address: " << *via << '\n';
      return false;
    }
    route = *parsed;
  }
  if (args.Has("--cache") && route == 0) {
    context.err << "--cache needs --via: the cached copy is kept by the routing node\n";
    return false;
  }
  return true;
}

// Reads `count` registers from `reg` on through the request queues; the values, or nullopt when
// some never came after the queues' retries.
// With `cached` the routing node's copy is read (registers 4000 + n), which it answers for a
// device that sleeps; the message layer hands that data on under the device's own numbers.
std::optional<std::vector<uint16_t>> ReadRegisters(Session& session, RfAddress route,
                                                   RfAddress address, uint16_t reg, int count,
                                                   bool cached = false) {
  std::vector<std::optional<uint16_t>> got(static_cast<size_t>(count));
  int missing = count;
  session.registers().on_data = [&](RfAddress source, uint16_t first, int n, const uint16_t* words,
                                    bool from_cache) {
    if (source != address || from_cache != cached) return;
    for (int i = 0; i < n; ++i) {
      const int at = first + i - reg;
      if (at < 0 || at >= count || got[static_cast<size_t>(at)]) continue;
      got[static_cast<size_t>(at)] = words[i];
      --missing;
    }
  };
  RequestQueues& queues = session.window().queues();
  const uint16_t raw = static_cast<uint16_t>(reg + (cached ? kCacheRegisterBase : 0));
  queues.QueueRead(route, address, raw, count, 0, true);
  session.host().RunUntil(
      [&] { return missing == 0 || (!queues.read_in_flight() && queues.pending_reads() == 0); },
      60'000);
  session.registers().on_data = nullptr;
  if (missing != 0) return std::nullopt;
  std::vector<uint16_t> values;
  for (const auto& v : got) values.push_back(*v);
  return values;
}

// Writes through the request queues; true when every register was acknowledged.
// How a write ended: every register acknowledged, refused by the device (with its status), or
// no answer.
struct WriteOutcome {
  bool written = false;
  std::optional<uint8_t> refused;
};

WriteOutcome WriteRegisters(Session& session, RfAddress route, RfAddress address, uint16_t reg,
                            const std::vector<uint16_t>& values, bool cached = false) {
  const int count = static_cast<int>(values.size());
  std::vector<bool> acked(values.size(), false);
  int missing = count;
  WriteOutcome outcome;
  auto ours = [&](RfAddress source, uint16_t first, int n, bool from_cache) {
    return source == address && from_cache == cached && first < reg + count && first + n > reg;
  };
  session.registers().on_ack = [&](RfAddress source, uint16_t first, int n, bool from_cache) {
    if (!ours(source, first, n, from_cache)) return;
    for (int i = 0; i < n; ++i) {
      const int at = first + i - reg;
      if (at < 0 || at >= count || acked[static_cast<size_t>(at)]) continue;
      acked[static_cast<size_t>(at)] = true;
      --missing;
    }
  };
  session.registers().on_refused = [&](RfAddress source, uint16_t first, int n, uint8_t status,
                                       bool from_cache) {
    if (ours(source, first, n, from_cache)) outcome.refused = status;
  };
  RequestQueues& queues = session.window().queues();
  const uint16_t raw = static_cast<uint16_t>(reg + (cached ? kCacheRegisterBase : 0));
  queues.QueueWrite(route, address, raw, count, values.data(), 0, true);
  session.host().RunUntil(
      [&] {
        return missing == 0 || outcome.refused ||
               (!queues.write_in_flight() && queues.pending_writes() == 0);
      },
      60'000);
  session.registers().on_ack = nullptr;
  session.registers().on_refused = nullptr;
  outcome.written = missing == 0;
  return outcome;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// scan

int RunScan(const Args& args, Context& context) {
  TransportOptions transport;
  if (!TransportFrom(args, context, transport)) return kExitUsage;
  int64_t seconds = 2;
  if (const auto text = args.Value("--seconds")) {
    const auto parsed = ParseNumber(*text, 0, 3600);
    if (!parsed) {
      context.err << "--seconds: a number of seconds 0..3600, not " << *text << '\n';
      return kExitUsage;
    }
    seconds = *parsed;
  }
  if (!args.positional().empty()) {
    context.err << "scan takes no arguments (see corvane-cli scan --help)\n";
    return kExitUsage;
  }
  ConsoleHost host(context.err);
  Session session(host, context.err, transport, context.env);
  if (const int code = session.Connect(); code != kExitOk) return code;
  // The dongle keeps the list while it listens: the devices that report meanwhile come in.
  host.RunFor(seconds * 1000);
  CliWindow& window = session.window();
  const int before = window.heard_list_reads();
  window.Scan();
  if (!host.RunUntil([&] { return window.heard_list_reads() > before; }, 5000)) {
    context.err << "The USB dongle did not send its list of heard devices (time-out).\n";
    return kExitTimeout;
  }
  const std::vector<HeardEntry> heard = SortInRange(window.HeardList(), InRangeSort::kAddress);
  std::ostream& out = context.out;
  if (args.Has("--json")) {
    out << "[";
    for (size_t i = 0; i < heard.size(); ++i) {
      const HeardEntry& e = heard[i];
      out << (i == 0 ? "\n" : ",\n") << "  {\"address\": " << JsonString(AddressText(e.address))
          << ", \"type\": " << JsonString(Utf16ToUtf8(TypeName(e.address)))
          << ", \"display_name\": " << JsonString(OneLine(DisplayName(e.address)))
          << ", \"rssi_dbm\": " << int{e.rssi} << ", \"seconds\": " << e.seconds
          << ", \"sleeps\": " << (e.flag != 0 ? "true" : "false") << "}";
    }
    out << (heard.empty() ? "]\n" : "\n]\n");
    return kExitOk;
  }
  char row[160];
  std::snprintf(row, sizeof row, "%-10s  %-12s  %-34s  %8s  %6s\n", "ADDRESS", "TYPE",
                "DISPLAY NAME", "RSSI", "LAST");
  out << row;
  for (const HeardEntry& e : heard) {
    std::snprintf(row, sizeof row, "%-10s  %-12s  %-34s  %4d dBm  %4u s%s\n",
                  AddressText(e.address).c_str(), Utf16ToUtf8(TypeName(e.address)).c_str(),
                  OneLine(DisplayName(e.address)).c_str(), e.rssi, unsigned{e.seconds},
                  e.flag != 0 ? "  D" : "");
    out << row;
  }
  out << heard.size() << (heard.size() == 1 ? " device" : " devices") << " heard\n";
  return kExitOk;
}

// ---------------------------------------------------------------------------------------------
// read and write

int RunRead(const Args& args, Context& context) {
  TransportOptions transport;
  if (!TransportFrom(args, context, transport)) return kExitUsage;
  const auto& p = args.positional();
  if (p.size() < 2 || p.size() > 3) {
    context.err << "usage: corvane-cli read ADDR REG [COUNT] [--via ROUTE]\n";
    return kExitUsage;
  }
  const auto address = ParseAddress(p[0]);
  const auto reg = ParseNumber(p[1], 0, 0xFFFF);
  const auto count = p.size() == 3 ? ParseNumber(p[2], 1, 2000) : std::optional<int64_t>(1);
  if (!address || !reg || !count || *reg + *count > 0x10000) {
    context.err << (!address ? "not a device address: " + p[0]
                    : !reg   ? "not a register number 0..65535: " + p[1]
                             : "COUNT must be 1..2000 and stay within the registers: " +
                                 (p.size() == 3 ? p[2] : std::string()))
                << '\n';
    return kExitUsage;
  }
  RfAddress route = 0;
  if (!RouteFrom(args, context, route)) return kExitUsage;

  ConsoleHost host(context.err);
  Session session(host, context.err, transport, context.env);
  if (const int code = session.Connect(); code != kExitOk) return code;
  const auto values = ReadRegisters(session, route, *address, static_cast<uint16_t>(*reg),
                                    static_cast<int>(*count), args.Has("--cache"));
  if (!values) {
    NoAnswer(context, *address, "to the read");
    return kExitTimeout;
  }
  for (size_t i = 0; i < values->size(); ++i) {
    context.out << RegisterLine(static_cast<unsigned>(*reg + static_cast<int64_t>(i)), (*values)[i])
                << '\n';
  }
  return kExitOk;
}

int RunWrite(const Args& args, Context& context) {
  TransportOptions transport;
  if (!TransportFrom(args, context, transport)) return kExitUsage;
  const auto& p = args.positional();
  if (p.size() < 3) {
    context.err << "usage: corvane-cli write ADDR REG VALUE... [--via ROUTE] [--eeprom]\n";
    return kExitUsage;
  }
  const auto address = ParseAddress(p[0]);
  const auto reg = ParseNumber(p[1], 0, 0xFFFF);
  if (!address || !reg) {
    context.err << (!address ? "not a device address: " + p[0]
                             : "not a register number 0..65535: " + p[1])
                << '\n';
    return kExitUsage;
  }
  std::vector<uint16_t> values;
  for (size_t i = 2; i < p.size(); ++i) {
    // As the register text reader takes values: a negative decimal is its 16-bit pattern.
    const auto value = ParseNumber(p[i], -32768, 0xFFFF);
    if (!value) {
      context.err << "not a register value (0..65535, -32768..-1 or 0x0000..0xFFFF): " << p[i]
                  << '\n';
      return kExitUsage;
    }
    values.push_back(static_cast<uint16_t>(*value));
  }
  if (*reg + static_cast<int64_t>(values.size()) > 0x10000 || values.size() > 2000) {
    context.err << "too many values for the registers from " << *reg << " on\n";
    return kExitUsage;
  }
  if (args.Has("--eeprom") && args.Has("--cache")) {
    // Told before anything is written, not after the values went out.
    context.err << "--eeprom stores the device's own registers; it does not go with --cache\n";
    return kExitUsage;
  }
  RfAddress route = 0;
  if (!RouteFrom(args, context, route)) return kExitUsage;

  ConsoleHost host(context.err);
  Session session(host, context.err, transport, context.env);
  if (const int code = session.Connect(); code != kExitOk) return code;
  const WriteOutcome written = WriteRegisters(session, route, *address, static_cast<uint16_t>(*reg),
                                              values, args.Has("--cache"));
  if (written.refused && !written.written) {
    context.err << AddressText(*address) << " refused the write of registers " << *reg << ".."
                << *reg + static_cast<int64_t>(values.size()) - 1 << " (status "
                << static_cast<int>(*written.refused) << ")\n";
    return kExitFailed;
  }
  if (!written.written) {
    NoAnswer(context, *address, "to the write");
    return kExitTimeout;
  }
  for (size_t i = 0; i < values.size(); ++i) {
    context.out << RegisterLine(static_cast<unsigned>(*reg + static_cast<int64_t>(i)), values[i])
                << '\n';
  }
  if (!args.Has("--eeprom")) return kExitOk;

  // The EEPROM store: the store request in the high byte of the control word (register 2), which
  // the device answers by setting the stored flag once the copy is written.
  constexpr uint16_t kControl = 2;
  constexpr uint16_t kStoreRequest = 0x0100;
  constexpr uint16_t kStored = 0x0200;
  const auto control = ReadRegisters(session, route, *address, kControl, 1);
  if (!control) {
    NoAnswer(context, *address, "to the read of its EEPROM control word");
    return kExitTimeout;
  }
  const uint16_t request = static_cast<uint16_t>(((*control)[0] & 0x00FF) | kStoreRequest);
  const WriteOutcome stored = WriteRegisters(session, route, *address, kControl, {request});
  if (stored.refused && !stored.written) {
    context.err << AddressText(*address) << " refused the EEPROM store request (status "
                << static_cast<int>(*stored.refused) << ")\n";
    return kExitFailed;
  }
  if (!stored.written) {
    NoAnswer(context, *address, "to the EEPROM store request");
    return kExitTimeout;
  }
  const int64_t deadline = host.now_ms() + 5000;
  while (host.now_ms() < deadline && !host.stopped()) {
    const auto now = ReadRegisters(session, route, *address, kControl, 1);
    if (now && ((*now)[0] & kStored) != 0) {
      context.out << "Write to EEPROM successfull\n";
      return kExitOk;
    }
    host.RunFor(200);
  }
  context.err << "Write to EEPROM unsuccessfull\n";
  return kExitFailed;
}

// ---------------------------------------------------------------------------------------------
// monitor

int RunMonitor(const Args& args, Context& context) {
  TransportOptions transport;
  if (!TransportFrom(args, context, transport)) return kExitUsage;
  int64_t seconds = 0;  // until interrupted
  if (const auto text = args.Value("--seconds")) {
    const auto parsed = ParseNumber(*text, 1, 365LL * 86400);
    if (!parsed) {
      context.err << "--seconds: a number of seconds from 1 on, not " << *text << '\n';
      return kExitUsage;
    }
    seconds = *parsed;
  }
  if (!args.positional().empty()) {
    context.err << "monitor takes no arguments (see corvane-cli monitor --help)\n";
    return kExitUsage;
  }
  capture::CaptureFile capture;
  const auto pcap = args.Value("--pcap");
  if (pcap) {
    std::string error;
    if (!capture.Open(*pcap, error)) {
      context.err << "Capture file " << *pcap << " could not be created: " << error << '\n';
      return kExitBadFile;
    }
  }

  ConsoleHost host(context.err);
  Session session(host, context.err, transport, context.env);
  if (const int code = session.Connect(); code != kExitOk) return code;
  bool capture_failed = false;
  long frames = 0;
  session.frames().on_frame = [&](const TrafficFrame& frame) {
    ++frames;
    std::string line = Utf16ToUtf8(HeardFrames::MonitorLineFor(frame, host.Now()));
    // The monitor's lines start with their line break; here each line ends with it.
    if (!line.empty() && line.front() == '\n') line.erase(0, 1);
    context.out << line << '\n';
    context.out.flush();
    // The reader went away (a closed pipe): the monitor ends as by a signal.
    if (!context.out) ConsoleHost::StopFromSignal(SIGPIPE);
    if (!pcap || capture_failed) return;
    const int64_t unix_us = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    if (!capture.Write(
            {unix_us, frame.source, frame.destination, frame.frame_id, frame.rssi, frame.bytes})) {
      capture_failed = true;
      context.err << "Writing the capture file " << *pcap << " failed; the lines go on.\n";
    }
  };

  g_interrupted = false;
  auto previous = std::signal(SIGINT, OnInterrupt);
  const int64_t end = seconds > 0 ? host.now_ms() + seconds * 1000 : INT64_MAX;
  // Short slices, so Ctrl+C ends the monitor at once even while nothing is heard.
  while (!g_interrupted && !host.stopped() && host.now_ms() < end) {
    host.RunUntil([] { return g_interrupted.load(); }, std::min<int64_t>(200, end - host.now_ms()));
  }
  std::signal(SIGINT, previous);
  session.frames().on_frame = nullptr;
  capture.Close();
  context.err << frames << (frames == 1 ? " frame" : " frames") << " heard"
              << (pcap ? ", written to " + *pcap : std::string()) << '\n';
  return capture_failed ? kExitBadFile : kExitOk;
}

}  // namespace corvane::cli

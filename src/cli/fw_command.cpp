// fw-update: one container to one target after another, each through the firmware update
// window on the console host, which answers its file dialog with the container and its
// downgrade question with --yes.
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "firmware/fw_update_template.h"
#include "model/user_file.h"
#include "ui/text.h"

namespace corvane::cli {
namespace {

using ui::Utf16ToUtf8;

struct TargetResult {
  RfAddress target = 0;
  bool ok = false;
  uint16_t from = 0;  // application version before, x 100; 0 = not known
  uint16_t to = 0;
  double seconds = 0;
  std::string reason;
};

std::string Version(uint16_t v) {
  if (v == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02u", v / 100u, v % 100u);
  return text;
}

std::string TargetName(RfAddress target) {
  return target == ADDR_DONGLE ? std::string("dongle") : Utf16ToUtf8(FormatAddress(target));
}

// Progress: a bar redrawn in place on a terminal, a line per tenth elsewhere.
class Progress {
 public:
  Progress(std::ostream& out, bool terminal, std::string name)
      : out_(out), terminal_(terminal), name_(std::move(name)) {}
  void Show(int percent) {
    if (terminal_) {
      if (percent == shown_) return;
      constexpr int kWidth = 40;
      const int filled = percent * kWidth / 100;
      out_ << '\r' << name_ << " [" << std::string(static_cast<size_t>(filled), '#')
           << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << percent << "%"
           << std::flush;
      open_ = true;
    } else {
      if (percent / 10 == shown_ / 10 && shown_ >= 0) return;
      out_ << name_ << " " << percent / 10 * 10 << "%\n" << std::flush;
    }
    shown_ = percent;
  }
  // Ends the bar's line, before a box's text or the next target.
  void EndLine() {
    if (open_) out_ << '\n' << std::flush;
    open_ = false;
  }

 private:
  std::ostream& out_;
  const bool terminal_;
  const std::string name_;
  int shown_ = -1;
  bool open_ = false;
};

std::string Plain(const std::u16string& text) {
  std::string s = Utf16ToUtf8(text);
  std::erase(s, '\r');
  for (char& c : s) {
    if (c == '\n') c = ' ';
  }
  return s;
}

// Drives one update window as a user would: waits for the target's information, presses
// Start, and follows the transfer until "Update Complete" or a box that ends it.
void Drive(CFwUpdate& update, ConsoleHost& host, const std::u16string& file, bool yes,
           uint32_t container_version, Progress& progress, TargetResult& result) {
  std::vector<std::u16string> boxes;
  bool refused_downgrade = false;
  host.SetBeforeBox([&] {
    // The last acknowledgement brings "Update Complete" before the loop draws 100%.
    if (update.image_loaded()) {
      progress.Show(ProgressPercent(update.total_bytes(), update.remaining_bytes()));
    }
    progress.EndLine();
  });
  host.SetBoxPolicy([&](const ConsoleHost::Box& box) {
    boxes.push_back(box.text);
    if (box.caption == u"Downgrade?") {
      refused_downgrade = !yes;
      return yes ? ui::kIdYes : ui::kIdNo;
    }
    return ConsoleHost::DefaultAnswer(box.style);
  });
  host.SetFilePolicy([&](bool, const ui::FileDialogSpec&) { return file; });

  // Start is enabled once device ID, hardware and bootloader number are known.
  if (!host.RunUntil([&] { return update.IsEnabled(ui::kFwUpdateStart); }, 20'000)) {
    result.reason = "no answer from the target (time-out)";
    return;
  }
  result.from = update.app_version();
  update.Deliver(ui::Event{.kind = ui::Event::Kind::kCommand, .id = ui::kFwUpdateStart});
  if (!update.image_loaded()) {
    result.reason = refused_downgrade ? "downgrade refused (--yes allows it)"
                    : boxes.empty()   ? "the container was not taken"
                                      : Plain(boxes.back());
    return;
  }
  const size_t boxes_before = boxes.size();
  auto complete = [&] {
    for (size_t i = boxes_before; i < boxes.size(); ++i) {
      if (boxes[i] == u"Update Complete") return true;
    }
    return false;
  };
  auto failed = [&] {
    for (size_t i = boxes_before; i < boxes.size(); ++i) {
      if (boxes[i] != u"Update Complete") return true;
    }
    return false;
  };
  // The window retries every block itself and says when it gives up; this only guards against
  // a target that went silent without the window noticing.
  uint32_t last_block = update.block_counter();
  int64_t last_progress = host.now_ms();
  const bool ended = host.RunUntil(
      [&] {
        if (update.block_counter() != last_block) {
          last_block = update.block_counter();
          last_progress = host.now_ms();
        }
        progress.Show(ProgressPercent(update.total_bytes(), update.remaining_bytes()));
        return complete() || failed() || host.now_ms() - last_progress > 60'000;
      },
      INT64_MAX / 4);
  progress.EndLine();
  if (!ended || !complete()) {
    result.reason = failed() ? Plain(boxes[boxes.size() - 1]) : "the target stopped answering";
    return;
  }
  // The target restarts into the new application and reports its version: only that version
  // read back makes the update a success (an image that does not start leaves the target in its
  // bootloader, or in the old application).
  host.RunUntil([&] { return update.app_version() == container_version; }, 8000);
  result.to = update.app_version();
  result.ok = container_version != 0 && update.app_version() == container_version;
  if (!result.ok) {
    result.reason = "written, but the target did not report version " +
                    Version(static_cast<uint16_t>(container_version)) + " after the restart";
  }
}

}  // namespace

int RunFwUpdate(const Args& args, Context& context) {
  TransportOptions transport;
  if (!TransportFrom(args, context, transport)) return kExitUsage;
  const auto& p = args.positional();
  if (p.size() < 2) {
    context.err << "usage: corvane-cli fw-update FILE ADDR... [--via ROUTE] [--yes]\n";
    return kExitUsage;
  }
  std::vector<RfAddress> targets;
  for (size_t i = 1; i < p.size(); ++i) {
    const auto address =
        p[i] == "dongle" ? std::optional<RfAddress>(ADDR_DONGLE) : ParseAddress(p[i]);
    if (!address) {
      context.err << "not a device address (or \"dongle\"): " << p[i] << '\n';
      return kExitUsage;
    }
    targets.push_back(*address);
  }
  RfAddress route = 0;
  if (const auto via = args.Value("--via")) {
    const auto parsed = ParseAddress(*via);
    if (!parsed) {
      context.err << "--via: not a device address: " << *via << '\n';
      return kExitUsage;
    }
    route = *parsed;
  }
  // A file that cannot be read fails every target alike: said once, before the dongle is
  // touched. Whether it is a container for each target the update window checks.
  FileError error;
  UserFile container = UserFile::Open(p[0], error);
  if (!container.is_open()) {
    context.err << ChosenFileMessage(error, p[0]) << '\n';
    return kExitBadFile;
  }
  // The version the targets report after the update, when the header is sound.
  std::array<uint8_t, kContainerHeaderBytes> header{};
  uint32_t container_version = 0;
  if (container.Read(header.data(), header.size()) == kContainerHeaderBytes &&
      CheckHeader(header) == ContainerError::kNone) {
    container_version = ParseHeader(header).version;
  }
  container.Close();

  ConsoleHost host(context.err);
  Session session(host, context.err, transport, context.env);
  if (const int code = session.Connect(); code != kExitOk) return code;

  const std::u16string file = ui::Utf8ToUtf16(p[0]);
  std::vector<TargetResult> results;
  for (RfAddress target : targets) {
    TargetResult result;
    result.target = target;
    Progress progress(context.out, context.out_is_terminal, TargetName(target));
    const auto start = std::chrono::steady_clock::now();
    host.OnModal<CFwUpdate>([&](CFwUpdate& update) {
      Drive(update, host, file, args.Has("--yes"), container_version, progress, result);
    });
    // Through a gateway the dongle itself is reached directly.
    session.window().RunFirmwareUpdate(session.window(), target, target == ADDR_DONGLE ? 0 : route);
    // The driver holds this target's locals.
    host.ClearModal<CFwUpdate>();
    host.SetBoxPolicy(nullptr);
    host.SetBeforeBox(nullptr);
    host.SetFilePolicy(nullptr);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok) context.err << TargetName(target) << ": " << result.reason << '\n';
    results.push_back(result);
    if (host.stopped()) break;
  }

  char row[200];
  std::snprintf(row, sizeof row, "\n%-10s  %-6s  %-5s  %-5s  %7s  %s\n", "TARGET", "RESULT", "FROM",
                "TO", "TIME", "REASON");
  context.out << row;
  int failed = 0;
  for (const TargetResult& r : results) {
    failed += r.ok ? 0 : 1;
    std::snprintf(row, sizeof row, "%-10s  %-6s  %-5s  %-5s  %5.1f s  %s\n",
                  TargetName(r.target).c_str(), r.ok ? "ok" : "failed", Version(r.from).c_str(),
                  Version(r.to).c_str(), r.seconds, r.reason.c_str());
    context.out << row;
  }
  const size_t skipped = targets.size() - results.size();
  context.out << results.size() - static_cast<size_t>(failed) << " of " << targets.size()
              << " updated" << (skipped != 0 ? " (the rest not tried)" : "") << '\n';
  return failed == 0 && skipped == 0 ? kExitOk : kExitFailed;
}

}  // namespace corvane::cli

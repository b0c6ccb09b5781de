// project show, export and import: the project file and the register text files of its devices.
#include <cstdio>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "devices/device_dialog.h"
#include "access/register_text.h"
#include "model/project.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "ui/text.h"

namespace corvane::cli {
namespace {

using ui::Utf16ToUtf8;
using ui::Utf8ToUtf16;

// The window the register text helpers hang their file dialogs and boxes on.
class FileOwner : public ui::Dialog {
 public:
  explicit FileOwner(ui::Host& host) : Dialog(Template(), host) {}

 private:
  static const ui::DialogTemplate& Template() {
    static const ui::DialogTemplate t{.id = 0, .title = u"corvane-cli"};
    return t;
  }
};

// Loads the project as the main window does, with its messages; kExitOk or kExitBadFile.
int Load(const std::string& name, Project& project, Context& context) {
  const ProjectLoadResult result = LoadProjectFile(name, project);
  switch (result.status) {
    case ProjectLoadResult::Status::kOk:
      return kExitOk;
    case ProjectLoadResult::Status::kCannotOpen:
      context.err << Utf16ToUtf8(
                         ui::Format("File %s could not be opened %d", name.c_str(), result.error))
                  << '\n';
      return kExitBadFile;
    case ProjectLoadResult::Status::kTooShort:
    case ProjectLoadResult::Status::kInvalidFile:
      break;
  }
  context.err << "Invalid file: " << name << '\n';
  return kExitBadFile;
}

// The entry of ADDR in the project; -1 after saying why not.
int EntryOf(const Project& project, const std::string& file, const std::string& text,
            Context& context) {
  const auto address = ParseAddress(text);
  if (!address) {
    context.err << "not a device address: " << text << '\n';
    return -1;
  }
  const int entry = project.Find(*address);
  if (entry < 0) {
    context.err << "Device " << Utf16ToUtf8(FormatAddress(*address)) << " is not in the project "
                << file << '\n';
  }
  return entry;
}

std::string DeviceName(const Project& project, int entry) {
  const auto record = project.Record(entry);
  if (record.size() < 16) return {};
  return Utf16ToUtf8(ui::LoadLowBytes(record.subspan(8, 8)));
}

std::string FrequencyName(const Project& project) {
  const uint32_t index = project.FrequencyIndex();
  if (index < kFrequencyNames.size()) return Utf16ToUtf8(kFrequencyNames[index]);
  return "index " + std::to_string(index);
}

int Show(const Args& args, Context& context) {
  const auto& p = args.positional();
  if (p.size() != 2) {
    context.err << "usage: corvane-cli project show FILE [--json]\n";
    return kExitUsage;
  }
  Project project;
  if (const int code = Load(p[1], project, context); code != kExitOk) return code;
  std::ostream& out = context.out;
  std::vector<int> entries;
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project.Address(i) != 0) entries.push_back(i);
  }
  if (args.Has("--json")) {
    out << "{\"name\": " << JsonString(Utf16ToUtf8(project.Name()))
        << ", \"notes\": " << JsonString(Utf16ToUtf8(project.Notes()))
        << ", \"password\": " << JsonString(Utf16ToUtf8(project.Password()))
        << ", \"frequency\": " << JsonString(FrequencyName(project)) << ", \"devices\": [";
    for (size_t n = 0; n < entries.size(); ++n) {
      const int i = entries[n];
      out << (n == 0 ? "\n" : ",\n")
          << "  {\"address\": " << JsonString(Utf16ToUtf8(FormatAddress(project.Address(i))))
          << ", \"type\": " << JsonString(Utf16ToUtf8(TypeName(project.Address(i))))
          << ", \"name\": " << JsonString(DeviceName(project, i))
          << ", \"record_words\": " << project.Record(i).size() << "}";
    }
    out << (entries.empty() ? "]}\n" : "\n]}\n");
    return kExitOk;
  }
  out << "Project:   " << Utf16ToUtf8(project.Name()) << '\n';
  if (!project.Notes().empty()) out << "Notes:     " << Utf16ToUtf8(project.Notes()) << '\n';
  out << "Password:  " << Utf16ToUtf8(project.Password()) << '\n';
  out << "Frequency: " << FrequencyName(project) << '\n';
  out << entries.size() << (entries.size() == 1 ? " device" : " devices") << '\n';
  char row[160];
  std::snprintf(row, sizeof row, "%-10s  %-12s  %-16s  %s\n", "ADDRESS", "TYPE", "NAME", "RECORD");
  out << row;
  for (int i : entries) {
    std::snprintf(row, sizeof row, "%-10s  %-12s  %-16s  %zu words\n",
                  Utf16ToUtf8(FormatAddress(project.Address(i))).c_str(),
                  Utf16ToUtf8(TypeName(project.Address(i))).c_str(), DeviceName(project, i).c_str(),
                  project.Record(i).size());
    out << row;
  }
  return kExitOk;
}

int ExportRecord(const Args& args, Context& context) {
  const auto& p = args.positional();
  if (p.size() != 4) {
    context.err << "usage: corvane-cli project export FILE ADDR OUT.txt\n";
    return kExitUsage;
  }
  Project project;
  if (const int code = Load(p[1], project, context); code != kExitOk) return code;
  const int entry = EntryOf(project, p[1], p[2], context);
  if (entry < 0) return ParseAddress(p[2]) ? kExitNotInProject : kExitUsage;
  if (!project.HasRecord(entry)) {
    context.err << "The project holds no configuration of " << p[2] << '\n';
    return kExitFailed;
  }
  ConsoleHost host(context.err);
  // The save dialog is answered with the name on the command line, which may replace a file.
  host.SetFilePolicy([&](bool, const ui::FileDialogSpec&) { return Utf8ToUtf16(p[3]); });
  FileOwner owner(host);
  const int written =
      Export(owner, project.Record(entry), u"Export_" + DisplayName(project.Address(entry)));
  if (written < 0) return kExitBadFile;
  context.out << written << " registers of " << Utf16ToUtf8(FormatAddress(project.Address(entry)))
              << " written to " << p[3] << '\n';
  return kExitOk;
}

int ImportRecord(const Args& args, Context& context) {
  const auto& p = args.positional();
  if (p.size() != 4) {
    context.err << "usage: corvane-cli project import FILE ADDR IN.txt [--yes]\n";
    return kExitUsage;
  }
  Project project;
  if (const int code = Load(p[1], project, context); code != kExitOk) return code;
  const int entry = EntryOf(project, p[1], p[2], context);
  if (entry < 0) return ParseAddress(p[2]) ? kExitNotInProject : kExitUsage;
  const std::span<const uint16_t> record = project.Record(entry);
  if (record.empty()) {
    context.err << "The project holds no configuration of " << p[2] << '\n';
    return kExitFailed;
  }

  ConsoleHost host(context.err);
  host.SetFilePolicy([&](bool, const ui::FileDialogSpec&) { return Utf8ToUtf16(p[3]); });
  FileOwner owner(host);
  std::vector<uint16_t> copy(record.begin(), record.end());
  const int stored = Import(owner, copy, static_cast<int>(copy.size()));
  if (stored == kTextCancelled) {
    context.err << p[3] << ": a line is longer than " << kRegisterTextMaxLine << " characters\n";
  }
  if (stored < 0) return kExitBadFile;
  if (stored == 0) {
    context.err << p[3] << " holds no registers; the project is unchanged\n";
    return kExitBadFile;
  }
  // The same rules as a device window's Import: a file of another model is taken only when the
  // user says so, and the identity of this device stays its own.
  if (copy[0] != record[0]) {
    const bool yes = args.Has("--yes");
    host.SetBoxPolicy([yes](const ConsoleHost::Box&) { return yes ? ui::kIdYes : ui::kIdNo; });
    const int answer = owner.MessageBox(
        ui::Format("The file holds a device with model code 0x%04X, this device has 0x%04X.\n"
                   "Import the settings anyway?",
                   copy[0], record[0]),
        u"Import", {ui::Buttons::kYesNo, ui::Icon::kQuestion, 0});
    if (answer != ui::kIdYes) {
      context.err << "Not imported (--yes imports it anyway); the project is unchanged\n";
      return kExitFailed;
    }
  }
  for (int word : devices::DeviceDialog::kIdentityWords) {
    if (static_cast<size_t>(word) < copy.size()) {
      copy[static_cast<size_t>(word)] = record[static_cast<size_t>(word)];
    }
  }
  project.SetRecord(entry, std::move(copy));
  const ProjectSaveResult saved = SaveProjectFile(p[1], project);
  if (!saved.ok) {
    context.err << Utf16ToUtf8(
                       ui::Format("File %s could not be opened %d", p[1].c_str(), saved.error))
                << '\n';
    return kExitBadFile;
  }
  context.out << stored << " registers imported into "
              << Utf16ToUtf8(FormatAddress(project.Address(entry))) << ", project " << p[1]
              << " saved\n";
  return kExitOk;
}

}  // namespace

int RunProject(const Args& args, Context& context) {
  const auto& p = args.positional();
  const std::string action = p.empty() ? std::string() : p[0];
  if (action == "show") return Show(args, context);
  if (action == "export") return ExportRecord(args, context);
  if (action == "import") return ImportRecord(args, context);
  context.err << "usage: corvane-cli project show|export|import ... (see corvane-cli project "
                 "--help)\n";
  return kExitUsage;
}

}  // namespace corvane::cli

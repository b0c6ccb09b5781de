// corvane [--simulate] [project.cvp]
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/corvane_dlg.h"
#include "dialogs/register_dialogs.h"
#include "link/hid/hid_transport.h"
#include "link/hid/system_hid_api.h"
#include "shell/hotplug.h"
#include "shell/settings_profile.h"
#include "sim/demo_network.h"
#include "sim/sim_transport.h"
#include "sim/simulator.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/qt_host.h"

namespace {

// A dongle that is plugged in but cannot be opened would otherwise read as "USB Dongle Not
// Found": say why on stderr whenever the reason changes, and show a permission problem, which
// the user can fix, once in a box.
void TellDongleProblems(corvane::hid::HidTransport& dongle, corvane::ui::Host& host) {
  dongle.SetProblemListener([&dongle, &host, printed = std::u16string(),
                             shown = false](const std::u16string& text) mutable {
    if (text != printed) {
      std::fprintf(stderr, "%s\n", QString::fromStdU16String(text).toUtf8().constData());
      printed = text;
    }
    if (shown || dongle.problem() != corvane::hid::Problem::kPermission) return;
    shown = true;
    host.Post([&host, text] {
      corvane::ui::BoxStyle style;
      style.icon = corvane::ui::Icon::kWarning;
      host.MessageBox(nullptr, text, u"USB dongle", style);
    });
  });
}

struct Options {
  bool simulate = false;
  std::u16string project;
  QString screenshot;  // save a picture of the main window a few seconds in, then quit
};

// Parsed before any window exists, so --help and --version work without a display.
Options ParseCommandLine(int argc, char** argv) {
  QCoreApplication parsing(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("corvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral("4.61"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Configuration and diagnostics for the 868 MHz building-automation network."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Use the built-in simulated dongle and demo network instead of USB."));
  parser.addOption(simulate);
  const QCommandLineOption screenshot(
      QStringLiteral("screenshot"),
      QStringLiteral("Scan 30 s after start-up, save a PNG of the main window 2 s later, quit."),
      QStringLiteral("file"));
  parser.addOption(screenshot);
  parser.addPositionalArgument(QStringLiteral("project"),
                               QStringLiteral("Project file (*.cvp) to open."), "[project.cvp]");
  parser.process(parsing);  // answers --help and --version and exits
  Options options;
  options.simulate = parser.isSet(simulate);
  options.screenshot = parser.value(screenshot);
  const QStringList positional = parser.positionalArguments();
  if (!positional.isEmpty()) {
    // The file name arrives with any double quotes removed.
    options.project = positional.join(QLatin1Char(' ')).remove(QLatin1Char('"')).toStdU16String();
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseCommandLine(argc, argv);

  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
  QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
  QCoreApplication::setApplicationVersion(QStringLiteral("4.61"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/162.svg")));

  corvane::ui::QtHost host;
  corvane::SettingsProfile profile;
  corvane::sim::Simulator simulator;
  std::unique_ptr<corvane::hid::SystemHidApi> hid_api;
  corvane::hid::HidTransport* dongle = nullptr;  // the USB dongle unless simulated
  std::unique_ptr<corvane::Transport> transport;
  if (options.simulate) {
    corvane::sim::demo::Build(simulator);
    transport = std::make_unique<corvane::sim::SimTransport>(simulator);
  } else {
    hid_api = std::make_unique<corvane::hid::SystemHidApi>();
    auto hid = std::make_unique<corvane::hid::HidTransport>(*hid_api);
    dongle = hid.get();
    TellDongleProblems(*dongle, host);
    transport = std::move(hid);
  }

  corvane::CCorvaneDlg::Environment env;
  env.profile = &profile;
  env.command_line_file = options.project;
  env.exit = [](int code) { std::exit(code); };
  env.log = [](const std::u16string& line) {
    std::fprintf(stderr, "%s\n", QString::fromStdU16String(line).toUtf8().constData());
  };
  if (options.simulate) env.title_suffix = u" [simulated network]";
  // Help: a help file beside the program wins; otherwise the guide, installed or in the sources.
  const QString dir = QCoreApplication::applicationDirPath();
  env.help_file = (dir + QStringLiteral("/Pellmar.chm")).toStdU16String();
  for (const QString& guide : {dir + QStringLiteral("/../share/corvane/user-guide.html"),
                               dir + QStringLiteral("/../../../docs/user-guide.html"),
                               dir + QStringLiteral("/../../docs/user-guide.html")}) {
    if (QFileInfo::exists(guide)) {
      env.user_guide = QFileInfo(guide).canonicalFilePath().toStdU16String();
      break;
    }
  }

  corvane::CCorvaneDlg dialog(host, *transport, env);
  corvane::devices::RegisterDeviceDialogs(dialog);
  corvane::HotplugMonitor hotplug([dongle] { return dongle->DonglePaths(); },
                                  [&dialog] { dialog.OnDeviceChange(); });
  if (dongle != nullptr) hotplug.Start();
  QElapsedTimer clock;
  clock.start();
  if (options.simulate) {
    // The simulated network runs on the program's own clock, driven from the window's timer.
    dialog.SetPump(5, [&] { simulator.AdvanceTo(clock.elapsed()); });
  }
  if (!options.screenshot.isEmpty()) {
    // The demo network's mains-powered devices report every 30 s: by then the scan finds them.
    QTimer::singleShot(30000, [&] { dialog.Scan(); });
    QTimer::singleShot(32000, [&] {
      if (auto* window = host.WindowOf(dialog)) window->grab().save(options.screenshot);
      // A modal dialog may be up above the main window (the service-code prompt of a first
      // start, a message box): ending the main window alone would wait for it for ever, so
      // every running modal loop ends here.
      host.EndDialog(dialog, corvane::ui::kIdCancel);
      QCoreApplication::exit(0);
    });
  }
  host.RunModal(nullptr, dialog);
  return 0;
}

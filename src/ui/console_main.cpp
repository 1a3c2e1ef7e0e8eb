// SPDX-License-Identifier: Apache-2.0
// tagline-console: the desktop program. One main window on the controller; with
// --simulate it talks to a simulated reader instead of the configured port.
#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "app/settings_file.h"
#include "app/settings_path.h"
#include "platform/keyboard.h"
#include "platform/pseudo_terminals.h"
#if TAGLINE_HAS_PSEUDO_TERMINALS
#include "sim/demo_reader.h"
#endif
#include "ui/accessibility_guard.h"
#include "ui/first_paint_report.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "ui/screenshot_tour.h"
#include "ui/translation.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitSimulator = 3;
constexpr int kExitNoDisplay = 4;

constexpr const char* kUsage =
    "usage: tagline-console [--ini PATH] [--simulate [--version TEXT]] [--keyboard KIND]\n"
    "  --ini PATH       settings file (default: Tagline_Console.ini in the current directory)\n"
    "  --simulate       talk to a simulated reader instead of the configured port\n"
    "  --version TEXT   the simulated reader's software version\n"
    "  --keyboard KIND  how ONLINE codes are typed: auto (default), x11, uinput or none\n"
    "environment: TAGLINE_SCREENSHOT_DIR=DIR shows each area in turn, saves a picture of\n"
    "  each into DIR and ends. TAGLINE_REPORT_FIRST_PAINT=1 writes \"first paint\" on\n"
    "  standard error once the window has painted (for start-up timing).\n";

struct Options {
  std::string iniPath;
  bool simulate = false;
  std::optional<std::string> version;
  tagline::platform::KeyboardKind keyboard = tagline::platform::KeyboardKind::Automatic;
};

// Empty result and a message on a usage error.
std::optional<Options> ParseArguments(int argc, char** argv, std::string& error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--ini" && hasValue) {
      options.iniPath = argv[++i];
    } else if (arg == "--version" && hasValue) {
      options.version = argv[++i];
    } else if (arg == "--keyboard" && hasValue) {
      const auto kind = tagline::platform::ParseKeyboardKind(argv[++i]);
      if (!kind || *kind == tagline::platform::KeyboardKind::Stdout) {
        error = "--keyboard takes auto, x11, uinput or none";
        return std::nullopt;
      }
      options.keyboard = *kind;
    } else if (arg == "--simulate") {
      options.simulate = true;
    } else {
      error = (arg == "--ini" || arg == "--version" || arg == "--keyboard")
                  ? std::string(arg) + " needs a value"
                  : "unknown argument: " + std::string(arg);
      return std::nullopt;
    }
  }
  if (options.version && !options.simulate) {
    error = "--version applies to the simulated reader only (--simulate)";
    return std::nullopt;
  }
  return options;
}

// The settings the window will read; nothing when their path cannot be built (the window
// reports that itself).
std::optional<tagline::app::AppSettings> StartSettings(const std::string& iniPath) {
  std::string path = iniPath;
  if (path.empty()) {
    const auto built = tagline::app::BuildSettingsPath();
    if (!built.ok()) return std::nullopt;
    path = *built.value;
  }
  return tagline::app::LoadSettings(path);
}

// Whether the settings file the window reads names a port.
bool ReaderConfigured(const std::string& iniPath) {
  const auto settings = StartSettings(iniPath);
  return !settings || !settings->port.empty();
}

bool HasEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The desktop's session bus library keeps a buffer for the whole process and never frees it;
// the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
  }
  std::string error;
  const std::optional<Options> options = ParseArguments(argc, argv, error);
  if (!options) {
    std::cerr << "tagline-console: " << error << '\n' << kUsage;
    return kExitUsage;
  }
  // Qt aborts the process when it finds no display; say so plainly instead.
  if (!HasEnv("DISPLAY") && !HasEnv("WAYLAND_DISPLAY") && !HasEnv("QT_QPA_PLATFORM")) {
    std::cerr << "tagline-console: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
                 "set).\nRun it in a desktop session, under xvfb-run, or with QT_QPA_PLATFORM "
                 "set (e.g. QT_QPA_PLATFORM=offscreen).\n";
    return kExitNoDisplay;
  }

  // Qt's own command-line options are not taken; it sees the program name only.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  tagline::ui::GuardAccessibilityBus(&app);
  {
    // The language of the settings file, else the system's.
    const auto settings = StartSettings(options->iniPath);
    const QString language = tagline::ui::LanguageOf(settings ? settings->language : "");
    if (!tagline::ui::InstallTranslations(language)) {
      std::cerr << "tagline-console: no texts for the language " << language.toStdString()
                << "; the window speaks English\n";
    }
  }

  tagline::app::MainDialogOptions dialogOptions;
  dialogOptions.iniPath = options->iniPath;
  // Without a configured reader the window starts on the simulated one, and says so.
  const bool simulate = options->simulate || !ReaderConfigured(options->iniPath);
#if TAGLINE_HAS_PSEUDO_TERMINALS
  std::unique_ptr<tagline::sim::DemoReader> demo;
  if (simulate) {
    demo = tagline::sim::DemoReader::Start(options->version, error);
    if (!demo) {
      std::cerr << "tagline-console: the simulated reader did not start: " << error << '\n';
      return kExitSimulator;
    }
    dialogOptions.portOverride = demo->DevicePath();
  }
#else
  if (options->simulate) {
    std::cerr << "tagline-console: the simulated reader runs on pseudo-terminals, which this "
                 "system lacks\n";
    return kExitSimulator;
  }
#endif

  tagline::ui::QtHost host;
  tagline::app::MainDialog dialog(host, dialogOptions);
  if (options->keyboard != tagline::platform::KeyboardKind::None) {
    const auto settings = StartSettings(options->iniPath);
    auto keyboard = tagline::platform::CreateKeyboard(options->keyboard, error,
                                                      settings ? settings->keyboard_layout : "");
    if (keyboard) {
      dialog.SetKeyboard(std::move(keyboard));
    } else {
      std::cerr << "tagline-console: ONLINE codes will not be typed: " << error << '\n';
    }
  }
  tagline::ui::MainWindow window(dialog);
  if (demo) window.SetTitle("Tagline Console \x96 simulated reader");
  host.Attach(&dialog, &window);

  std::unique_ptr<tagline::ui::ScreenshotTour> tour;
  if (HasEnv("TAGLINE_SCREENSHOT_DIR")) {
    tour = std::make_unique<tagline::ui::ScreenshotTour>(
        dialog, window, host, QString::fromLocal8Bit(std::getenv("TAGLINE_SCREENSHOT_DIR")));
  }

  std::unique_ptr<tagline::ui::FirstPaintReport> paintReport;
  if (HasEnv("TAGLINE_REPORT_FIRST_PAINT")) {
    paintReport = std::make_unique<tagline::ui::FirstPaintReport>(window);
  }

  dialog.OnInitDialog();
  window.FitToContents();
  window.show();
  if (tour) tour->Start();
  const int status = QApplication::exec();
  if (tour && !tour->ok()) return 1;
  return status;
}

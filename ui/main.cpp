// tarrow: the window program.  "tarrow FILE.pbn" loads that set each time the
// window becomes active.
#include <QApplication>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/app.h"
#include "core/banner.h"
#include "core/deal_number.h"
#include "ui/main_window.h"
#include "ui/qt_owner_executor.h"
#include "ui/qt_user_settings.h"

namespace {

void PrintUsage() {
  std::cout << "Usage: tarrow [FILE.pbn]\n\nOpens the Tarrow window; a PBN set named here is "
               "loaded each time the window\nbecomes active.  tarrow-cli is the command-line "
               "program.\n";
}

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Whether Qt has somewhere to show the window: an X or Wayland display, or
// a platform chosen by the caller (QT_QPA_PLATFORM, -platform).  Without one
// Qt aborts with a message about plugins and a core dump, which tells a
// user nothing.
bool HasDisplay(int argc, char** argv) {
  if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // The plain answers need no display.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage();
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << tarrow::kProgramBanner << "\n";
    return 0;
  }
  if (!HasDisplay(argc, argv)) {
    std::cerr << "tarrow: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "tarrow-cli (or ./run.sh COMMAND) works without one\n";
    return 1;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tarrow");
  QGuiApplication::setDesktopFileName("tarrow");
  tarrow::KeepQtUserSettingsInConfigDir();
  const QStringList args = QApplication::arguments();  // Qt's own options taken out
  if (args.size() > 1 && (args[1] == "--help" || args[1] == "-h")) {
    PrintUsage();
    return 0;
  }
  if (args.size() > 1 && args[1] == "--version") {
    std::cout << tarrow::kProgramBanner << "\n";
    return 0;
  }
  if (args.size() > 2 || (args.size() == 2 && args[1].startsWith('-'))) {
    std::cerr << "tarrow: expected at most one argument, a PBN set file; see tarrow --help\n";
    return 2;
  }
  tarrow::BuildNumberingTables();
  tarrow::QtOwnerExecutor executor;
  tarrow::App app(executor);
  tarrow::WindowOptions options;
  if (args.size() == 2) {
    options.commandLineFile = QFileInfo(args[1]).absoluteFilePath().toStdString();
    if (!QFileInfo::exists(args[1])) {
      std::cerr << "tarrow: " << args[1].toStdString() << " does not exist; starting without it\n";
    }
  }
  tarrow::MainWindow window(app, std::move(options));
  window.show();
  return application.exec();
}

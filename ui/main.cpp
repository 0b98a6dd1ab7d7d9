// tarrow: the window program.  "tarrow FILE.pbn" loads that set each time the
// window becomes active.
#include <QApplication>
#include <QFileInfo>
#include <iostream>

#include "app/app.h"
#include "core/banner.h"
#include "core/deal_number.h"
#include "ui/main_window.h"
#include "ui/qt_owner_executor.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tarrow");
  QGuiApplication::setDesktopFileName("tarrow");
  const QStringList args = QApplication::arguments();  // Qt's own options taken out
  if (args.size() > 1 && (args[1] == "--help" || args[1] == "-h")) {
    std::cout << "Usage: tarrow [FILE.pbn]\n\nOpens the Tarrow window; a PBN set named here is "
                 "loaded each time the window\nbecomes active.  tarrow-cli is the command-line "
                 "program.\n";
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
  tarrow::TForm1 window(app, std::move(options));
  window.show();
  return application.exec();
}

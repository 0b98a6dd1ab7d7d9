// tarrow: the window program.  "tarrow FILE.pbn" loads that set each time the
// window becomes active.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "app/app.h"
#include "core/atomic_file.h"
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

// The X display Qt would open, when no X server answers there (else
// empty): Qt itself would abort with a core dump.  Only a plain X setup is
// looked at (DISPLAY alone, no platform chosen); a server reached any other
// way is left to Qt.
std::string UnreachableXDisplay(int argc, char** argv) {
  if (IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM") || !IsSet("DISPLAY")) return {};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0 ||
        std::strcmp(argv[i], "-display") == 0) {
      return {};
    }
  }
  const std::string display = std::getenv("DISPLAY");
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return {};
  const std::string host = display.substr(0, colon);
  const std::string rest = display.substr(colon + 1);
  const std::string number = rest.substr(0, rest.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
      number.size() > 5) {
    return {};
  }
  if (!host.empty() && host != "unix") {
    // A server over the network: a plain TCP connect, given two seconds.
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(6000 + std::stoi(number));
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return display;
    bool answered = false;
    for (addrinfo* at = found; at != nullptr && !answered; at = at->ai_next) {
      const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK, at->ai_protocol);
      if (fd < 0) continue;
      if (::connect(fd, at->ai_addr, at->ai_addrlen) == 0) {
        answered = true;
      } else if (errno == EINPROGRESS) {
        pollfd wait{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        answered = ::poll(&wait, 1, 2000) == 1 &&
                   ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
      }
      ::close(fd);
    }
    ::freeaddrinfo(found);
    return answered ? std::string() : display;
  }
  // A local server listens on /tmp/.X11-unix/XN, and on Linux also on the
  // abstract name of that path.
  const std::string path = "/tmp/.X11-unix/X" + number;
  for (const bool abstract : {true, false}) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t length = 0;
    if (abstract) {
      address.sun_path[0] = '\0';
      std::memcpy(address.sun_path + 1, path.data(), path.size());
      length = offsetof(sockaddr_un, sun_path) + 1 + path.size();
    } else {
      std::memcpy(address.sun_path, path.data(), path.size());
      length = offsetof(sockaddr_un, sun_path) + path.size() + 1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return {};
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), socklen_t(length)) == 0;
    ::close(fd);
    if (connected) return {};
  }
  return display;
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
  if (const std::string unreachable = UnreachableXDisplay(argc, argv); !unreachable.empty()) {
    std::cerr << "tarrow: cannot open the display " << unreachable
              << " (no X server answers there); tarrow-cli (or ./run.sh COMMAND) works "
                 "without one\n";
    return 1;
  }
  tarrow::RemoveScratchFilesOnSignals();
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

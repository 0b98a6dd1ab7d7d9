// The window program's start: without a display it says so and points to
// tarrow-cli instead of aborting in Qt; a damaged settings file is named in
// the window's status bar, with the place it was kept; the file dialogs keep
// their history in the program's configuration folder when it is given.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/app.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/settings.h"
#include "ui/main_window.h"
#include "ui/qt_owner_executor.h"
#include "ui/qt_user_settings.h"

extern char** environ;

namespace tarrow {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int exitCode = -1;  // 128 + the signal when one ended it
  std::string out;
  std::string err;
};

// Runs the window program with args, without DISPLAY, WAYLAND_DISPLAY and
// QT_QPA_PLATFORM (unless `extra` sets one), its settings in config.
ProgramRun RunWithoutDisplay(const std::vector<std::string>& args, const fs::path& config,
                             const std::vector<std::string>& extra = {}) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" ||
        name == "TARROW_CONFIG_DIR") {
      continue;
    }
    environment.emplace_back(text);
  }
  environment.push_back("TARROW_CONFIG_DIR=" + config.string());
  environment.insert(environment.end(), extra.begin(), extra.end());
  const fs::path outFile = config.parent_path() / "stdout.txt";
  const fs::path errFile = config.parent_path() / "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    std::FILE* out = std::freopen(outFile.c_str(), "w", stdout);
    std::FILE* err = std::freopen(errFile.c_str(), "w", stderr);
    if (out == nullptr || err == nullptr) _exit(126);
    std::vector<std::string> argv = {TARROW_GUI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPointers, envPointers;
    for (std::string& a : argv) argvPointers.push_back(a.data());
    argvPointers.push_back(nullptr);
    for (std::string& e : environment) envPointers.push_back(e.data());
    envPointers.push_back(nullptr);
    execve(argvPointers[0], argvPointers.data(), envPointers.data());
    _exit(127);
  }
  ProgramRun run;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const Result<std::string> out = ReadWholeFile(outFile);
  const Result<std::string> err = ReadWholeFile(errFile);
  run.out = out.ok() ? *out : "";
  run.err = err.ok() ? *err : "";
  return run;
}

using WindowProgramTest = testing::TempFolderTest;

TEST_F(WindowProgramTest, WithoutADisplayItSaysSoAndPointsToTheCommandLine) {
  const fs::path config = folder_ / "config";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {(folder_ / "club.pbn").string()}}) {
    SCOPED_TRACE(args.size());
    const ProgramRun run = RunWithoutDisplay(args, config);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err,
              "tarrow: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
              "tarrow-cli (or ./run.sh COMMAND) works without one\n");
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(fs::exists(config)) << "nothing is read or written before the window";

  // A display that nothing answers on (a number with no X server's socket)
  // is named, at once, rather than left to Qt's abort.
  int unused = 90;
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(unused))) ++unused;
  const std::string display = ":" + std::to_string(unused);
  const ProgramRun nobody = RunWithoutDisplay({}, config, {"DISPLAY=" + display});
  EXPECT_EQ(nobody.exitCode, 1) << nobody.err;
  EXPECT_EQ(nobody.err, "tarrow: cannot open the display " + display +
                            " (no X server answers there); tarrow-cli (or ./run.sh COMMAND) "
                            "works without one\n");
  EXPECT_FALSE(fs::exists(config));

  // Help and the version need no display; a platform named on the command
  // line is the caller's choice and is used.
  const ProgramRun help = RunWithoutDisplay({"--help"}, config);
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: tarrow [FILE.pbn]", 0), 0u) << help.out;
  const ProgramRun chosen = RunWithoutDisplay({"-platform", "offscreen", "--version"}, config);
  EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
  EXPECT_EQ(chosen.out.rfind("Tarrow ", 0), 0u) << chosen.out;
}

TEST_F(WindowProgramTest, ADamagedSettingsFileIsNamedInTheStatusBarAndKept) {
  const fs::path config = folder_ / "config";
  fs::create_directories(config);
  SettingsRecord settings = SettingsRecord::Defaults((folder_ / "out").string());
  settings.SetClubList({"Hilltop BC"}, "Hilltop BC");
  settings.StoreDigest();
  std::string bytes(reinterpret_cast<const char*>(settings.Bytes().data()), SettingsRecord::kSize);
  bytes[1000] ^= 1;  // one byte changed: the digest no longer matches
  std::ofstream(config / "Tarrow.ini", std::ios::binary) << bytes;
  const fs::path file = config / "Tarrow.ini";
  const fs::path kept = config / "Tarrow.ini.bad";

  qputenv("TARROW_CONFIG_DIR", QByteArray::fromStdString(config.string()));
  {
    QtOwnerExecutor executor;
    App app(executor);
    WindowOptions options;
    options.workingDirectory = folder_;
    MainWindow window(app, std::move(options));
    window.show();
    const std::string shown = window.statusBar()->currentMessage().toStdString();
    EXPECT_NE(shown.find("the settings " + file.string() + " were damaged"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("the old file is now " + kept.string() + " and the defaults are used"),
              std::string::npos)
        << shown;
  }
  qunsetenv("TARROW_CONFIG_DIR");
  const Result<std::string> keptBytes = ReadWholeFile(kept);
  ASSERT_TRUE(keptBytes.ok()) << keptBytes.message();
  EXPECT_EQ(*keptBytes, bytes);
  // The file in its place now holds a valid record.
  const Result<std::string> written = ReadWholeFile(file);
  ASSERT_TRUE(written.ok());
  EXPECT_TRUE(SettingsRecord::FromBytes(*written).has_value());
}

TEST_F(WindowProgramTest, FileDialogsKeepTheirHistoryInTheConfigFolder) {
  const fs::path config = folder_ / "config";
  fs::create_directories(config);
  const auto qtSettingsFile = [](QSettings::Format format) {
    return QSettings(format, QSettings::UserScope, "QtProject").fileName().toStdString();
  };
  const std::string usersOwn = qtSettingsFile(QSettings::NativeFormat);
  const Result<std::string> usersBytes = ReadWholeFile(usersOwn);

  // Without the variable Qt's own place stays.
  qunsetenv("TARROW_CONFIG_DIR");
  KeepQtUserSettingsInConfigDir();
  EXPECT_EQ(qtSettingsFile(QSettings::NativeFormat), usersOwn);

  qputenv("TARROW_CONFIG_DIR", QByteArray::fromStdString(config.string()));
  KeepQtUserSettingsInConfigDir();  // as the program does before its window
  const fs::path place = config / "QtProject.conf";
  EXPECT_EQ(qtSettingsFile(QSettings::NativeFormat), place.string());
  EXPECT_EQ(fs::path(qtSettingsFile(QSettings::IniFormat)).parent_path(), config);
  {
    QtOwnerExecutor executor;
    App app(executor);
    WindowOptions options;
    options.workingDirectory = folder_;
    MainWindow window(app, std::move(options));
    window.show();
    // "Load a Saved Set" opens the file dialog; it is closed unused, which
    // is enough for Qt to write the dialog's history.
    bool opened = false;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(top);
        if (dialog == nullptr || !dialog->isVisible()) continue;
        opened = true;
        closer.stop();
        dialog->reject();
      }
    });
    closer.start();
    window.findChild<QPushButton*>("BLoad")->click();
    EXPECT_TRUE(opened);
  }
  qunsetenv("TARROW_CONFIG_DIR");
  const Result<std::string> history = ReadWholeFile(place);
  ASSERT_TRUE(history.ok()) << history.message();
  EXPECT_NE(history->find("[FileDialog]"), std::string::npos) << *history;
  // The user's own file is as it was (or still absent).
  const Result<std::string> usersAfter = ReadWholeFile(usersOwn);
  EXPECT_EQ(usersAfter.ok(), usersBytes.ok()) << usersOwn;
  if (usersAfter.ok() && usersBytes.ok()) {
    EXPECT_EQ(*usersAfter, *usersBytes) << usersOwn;
  }

  // Back to Qt's place for whatever runs next in this program.
  const QString usersFolder = QFileInfo(QString::fromStdString(usersOwn)).absolutePath();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, usersFolder);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, usersFolder);
}

}  // namespace
}  // namespace tarrow

#include "ui/main_window.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <sstream>

#include "app/analysis_display.h"
#include "app/app.h"
#include "app/quick_analysis_host_for_test.h"
#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/generation.h"
#include "core/temp_folder_for_test.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "printing/cups_queue_for_test.h"
#include "ui/deal_viewer.h"
#include "ui/hand_editor.h"
#include "ui/qt_owner_executor.h"
#include "ui/setting_controls.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// Runs `act` on the next modal dialog of type D (file dialog, message box)
// as soon as it is open.  The dialog's exec() runs its own event loop, which
// drives this timer.
// The timers of the actions still waiting for their dialog; a test's end
// disarms them, so that an action armed for a question that never came
// cannot answer the next test's (nor write to a test's ended stack).
QObject* PendingDialogActions() {
  // Owned by the application, so that nothing is left when the program ends.
  static QObject* const pending = new QObject(QCoreApplication::instance());
  return pending;
}

template <typename D>
void OnNextDialog(std::function<void(D*)> act) {
  auto* timer = new QTimer(PendingDialogActions());
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

// Chooses `file` in the next file dialog, as typing its name and pressing
// Enter would.  (The dialog's own accept() may still be reading the folder
// and ask again; the window reads the selection only.)
void ChooseFileInNextDialog(const fs::path& file) {
  OnNextDialog<QFileDialog>([file](QFileDialog* dialog) {
    dialog->setDirectory(QString::fromStdString(file.parent_path().string()));
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(file.filename().string()));
    static_cast<QDialog*>(dialog)->done(QDialog::Accepted);  // public there
  });
}

// Closes the next message box, keeping its text in *text.
void CloseNextMessageBox(QString* text) {
  OnNextDialog<QMessageBox>([text](QMessageBox* box) {
    *text = box->text();
    box->accept();
  });
}

// Answers the next question box with `button`, keeping its text in *text.
void AnswerNextQuestion(QMessageBox::StandardButton button, QString* text) {
  OnNextDialog<QMessageBox>([button, text](QMessageBox* box) {
    *text = box->text();
    box->button(button)->click();
  });
}

// Boards 1..boards of a set as a dealing machine's .bri text: North's,
// East's and South's card numbers 01..52, two digits each.
std::string BriText(const DealSet& set, int boards) {
  std::string bri;
  for (int b = 1; b <= boards; ++b) {
    const Deal deal = DealFromNumber(set.Board(b).number);
    for (Seat seat : {kNorth, kEast, kSouth}) {
      for (int c = 0; c < kCards; ++c) {
        if (deal.seatOf[size_t(c)] != seat) continue;
        bri += char('0' + (c + 1) / 10);
        bri += char('0' + (c + 1) % 10);
      }
    }
  }
  return bri;
}

// Waits up to `seconds` for the condition, serving the event loop.
bool WaitFor(const std::function<bool()>& condition, int seconds = 20) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (condition()) return true;
    QTest::qWait(10);
  }
  return condition();
}

ino_t Inode(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  const Result<std::string> text = ReadWholeFile(file);
  if (!text.ok()) return lines;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

WindowOptions CommandLine(const fs::path& file) {
  WindowOptions options;
  options.commandLineFile = file;
  return options;
}

class MainWindowTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    output_ = folder_ / "out";
    fs::create_directories(output_);
    qputenv("TARROW_CONFIG_DIR", QByteArray::fromStdString((folder_ / "config").string()));
    SettingsRecord settings = SettingsRecord::Defaults(output_.string());
    settings.SetThreads(1);
    ASSERT_TRUE(SaveSettings(settings, testing::PermitFor(SettingsPath())).ok());
    // A dialog nobody answers would hang the test: one still open after two
    // looks is a failure, and is closed.
    watchdog_.setInterval(1500);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (modal != nullptr && modal == lastModal_) {
        const auto* box = qobject_cast<QMessageBox*>(modal);
        ADD_FAILURE() << "a dialog was left open: " << modal->windowTitle().toStdString() << ": "
                      << (box != nullptr ? box->text().toStdString() : std::string());
        modal->reject();
        modal = nullptr;
      }
      lastModal_ = modal;
    });
    watchdog_.start();
  }
  void TearDown() override {
    CloseWindow();
    qDeleteAll(PendingDialogActions()->children());
    TempFolderTest::TearDown();
  }

  void OpenWindow(WindowOptions options = {}) {
    if (options.workingDirectory == fs::current_path()) options.workingDirectory = folder_;
    app_ = std::make_unique<App>(executor_);
    window_ = std::make_unique<MainWindow>(*app_, std::move(options));
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  // Closes the window as the operator would, then ends the program's objects.
  void CloseWindow() {
    if (window_) window_->close();
    window_.reset();
    app_.reset();
  }

  template <typename W>
  W* Find(const char* name) {
    W* widget = window_->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget named " << name;
    return widget;
  }
  // A click where the operator would put the mouse: a check box or radio
  // button on its indicator, a push button in its middle.
  void Click(const char* name) {
    QAbstractButton* button = Find<QAbstractButton>(name);
    if (qobject_cast<QPushButton*>(button) != nullptr) {
      ClickOn(button);
    } else {
      ClickOn(button, QPoint(8, button->height() / 2));
    }
  }
  // Clicks through the window, so that the focus moves as with a real mouse;
  // first brings the widget's tab to the front, as the operator would.
  void ClickOn(QWidget* widget, QPoint at = {}) {
    auto* tabs = Find<QTabWidget>("PageControl1");
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->widget(i)->isAncestorOf(widget) && tabs->currentIndex() != i) {
        tabs->setCurrentIndex(i);
        QTest::qWait(50);  // the page is laid out when it is first shown
      }
    }
    ASSERT_TRUE(widget->isVisible()) << widget->objectName().toStdString() << " is hidden";
    if (at.isNull()) at = widget->rect().center();
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, at));
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  bool Shown(const char* name) { return Find<QWidget>(name)->isVisible(); }
  // Chooses the set's file with "Browse".
  void Browse(const fs::path& file) {
    ChooseFileInNextDialog(file);
    Click("BFNBrowse");
  }
  void TypeSeed(const QString& text) {
    QLineEdit* seed = Find<QLineEdit>("LESeed");
    seed->clear();
    QTest::keyClicks(seed, text);
  }

  // A PBN set of two boards the solver settles at once, the rest of the
  // seed's boards taking seconds each.
  fs::path WriteQuickStartSet(const fs::path& file) {
    DealSet set;
    GenerateSet(set, "slow rest", DateTimeFromCivil({2026, 1, 2, 3, 4, 5}));
    set.Board(1).number = MakeDealNumber(1000);
    set.Board(2).number = MakeDealNumber(1);
    set.RefreshDeals();
    set.header.event = "Quick";
    EXPECT_TRUE(WritePbnFile(set, testing::PermitFor(file), "test").ok());
    return file;
  }

  fs::path output_;
  QTimer watchdog_;
  QDialog* lastModal_ = nullptr;
  QtOwnerExecutor executor_;
  std::unique_ptr<App> app_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, OpensOnGeneralWithTheFiveTabsAndNoSet) {
  OpenWindow();
  EXPECT_EQ(window_->windowTitle(), "Tarrow");
  auto* tabs = Find<QTabWidget>("PageControl1");
  ASSERT_EQ(tabs->count(), 5);
  const QStringList names = {"General", "Hand Records", "Options", "Printing", "Multiple Sets"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(tabs->tabText(i), names[i]);
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_FALSE(Shown("BDeal"));
  EXPECT_FALSE(Shown("CBEvent"));
  EXPECT_FALSE(Shown("BDDAnalysis"));
  EXPECT_FALSE(Shown("BTest")) << "no Test.pbn in the working folder";
  EXPECT_FALSE(Find<QPushButton>("BSave")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("BPDF")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("BReDoDD")->isEnabled());
  EXPECT_EQ(Find<QSpinBox>("SEDeals")->minimum(), 2);
  EXPECT_EQ(Find<QSpinBox>("SEDeals")->maximum(), 100);
  EXPECT_EQ(Find<QSpinBox>("SpNCop")->maximum(), 200);
  EXPECT_EQ(Find<QSpinBox>("SELast")->maximum(), 36);
  EXPECT_EQ(Find<QSpinBox>("SENprocs")->maximum(), 32);
  EXPECT_EQ(Text("LDir"), "Save files in: " + QString::fromStdString(output_.string()));
  EXPECT_TRUE(Text("LNumProc").endsWith(" Processors Reported"));
  EXPECT_EQ(Text("LDispName"), "Default Monitor");
  EXPECT_EQ(Find<QComboBox>("CBClub")->count(), 0) << "no stored club names, an empty box";
  EXPECT_EQ(Find<QComboBox>("CBClub")->currentText(), "");
}

TEST_F(MainWindowTest, TheDealButtonNeedsASeedAndAFile) {
  OpenWindow();
  TypeSeed("a");
  EXPECT_FALSE(Shown("BDeal")) << "a seed without a file";
  Browse(output_ / "club");
  EXPECT_TRUE(Shown("BDeal"));
  EXPECT_TRUE(Find<QPushButton>("BDeal")->isEnabled());
  EXPECT_EQ(Text("LFn"), "File Name: club.pbn") << "the default extension is added";
  Click("BClearSeed");
  EXPECT_FALSE(Shown("BDeal")) << "a file without a seed";
  QTest::keyClicks(Find<QLineEdit>("LESeed"), "x");
  EXPECT_TRUE(Shown("BDeal"));
  Click("BAddDT");
  EXPECT_TRUE(Find<QLineEdit>("LESeed")->text().startsWith("x20"))
      << "the date and time follow the seed directly";
}

TEST_F(MainWindowTest, DealingShowsTheSetAndDealingAgainGivesTheSameBoards) {
  OpenWindow();
  const fs::path pbn = output_ / "night.pbn";
  Browse(pbn);
  TypeSeed("abc");
  Click("BDeal");
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_FALSE(Shown("BDeal"));
  for (const char* name : {"CBEvent", "LEDesc", "DTDate", "CBClub", "BDDAnalysis", "BView"}) {
    EXPECT_TRUE(Shown(name)) << name;
  }
  EXPECT_TRUE(Find<QPushButton>("BSave")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("BDDAnalysis")->text(), "Stop DD Analysis");
  EXPECT_TRUE(app_->AnalysisRunning());
  EXPECT_EQ(DealNumberHexText(app_->Set().Board(1).number), "48DB1DE1 5ED13920 FC4FE771");
  ASSERT_TRUE(fs::is_regular_file(pbn));
  EXPECT_TRUE(fs::is_regular_file(output_ / "night.pdf"));
  const auto firstBoards = app_->Set().boards;
  const ino_t firstWrite = Inode(pbn);

  // A click into the seed is no change: the set stays in hand.
  ClickOn(Find<QLineEdit>("LESeed"));
  EXPECT_TRUE(app_->HasReadySet());
  EXPECT_TRUE(Shown("CBEvent"));
  EXPECT_FALSE(Shown("BDeal"));
  // Typing sets it aside (stopped and saved) until it is dealt again.
  QTest::keyClick(Find<QLineEdit>("LESeed"), Qt::Key_End);
  QTest::keyClick(Find<QLineEdit>("LESeed"), Qt::Key_Backspace);
  EXPECT_FALSE(app_->HasReadySet());
  EXPECT_FALSE(app_->AnalysisRunning());
  EXPECT_FALSE(Shown("CBEvent"));
  QTest::keyClicks(Find<QLineEdit>("LESeed"), "c");
  EXPECT_TRUE(Shown("BDeal"));
  QTest::qWait(20);  // a later generation time
  // The file holds the results found so far, which the new deal lacks: the
  // window asks before it replaces them.
  QString question;
  AnswerNextQuestion(QMessageBox::Yes, &question);
  Click("BDeal");
  if (!question.isEmpty()) {
    EXPECT_TRUE(question.contains("night.pbn")) << question.toStdString();
  }
  for (int b = 1; b <= kBoardsPerSet; ++b) {
    EXPECT_EQ(app_->Set().Board(b).number, firstBoards[size_t(b - 1)].number) << b;
  }
  EXPECT_NE(Inode(pbn), firstWrite) << "the new generation time is written";
}

// The end of an analysis is shown and saved when the last worker ends, not
// at the next tick of the progress timer (held off here for an hour).
TEST_F(MainWindowTest, TheLastResultEndsTheAnalysisWithoutWaitingForTheTick) {
  const fs::path pbn = WriteQuickStartSet(output_ / "quick.pbn");
  OpenWindow(CommandLine(pbn));
  for (int b = 3; b <= kBoardsPerSet; ++b) {
    app_->MutableSetForTest().Board(b).doneMask = {kAllStrainsDone, kAllStrainsDone};
  }
  Find<QTimer>("Timer1")->setInterval(3'600'000);
  Click("BDDAnalysis");
  ASSERT_TRUE(app_->AnalysisRunning());
  ASSERT_TRUE(WaitFor([&] { return Text("LDDProg").startsWith("Done in"); }))
      << Text("LDDProg").toStdString();
  EXPECT_FALSE(app_->AnalysisRunning());
  const Result<DealSet> saved = ReadPbnFile(pbn);
  ASSERT_TRUE(saved.ok()) << saved.message();
  for (int board : {1, 2}) {
    EXPECT_EQ(saved->Board(board).doneMask[0], kAllStrainsDone) << board;
    EXPECT_EQ(saved->Board(board).doneMask[1], kAllStrainsDone) << board;
  }
}

TEST_F(MainWindowTest, AClickIntoTheSeedIsNoChangeAndClosingSavesTheResults) {
  const fs::path pbn = WriteQuickStartSet(output_ / "quick.pbn");
  OpenWindow(CommandLine(pbn));
  Click("BDDAnalysis");
  ASSERT_TRUE(app_->AnalysisRunning());
  const auto quickBoardsDone = [&] {
    return app_->Set().Board(1).doneMask[1] == kAllStrainsDone &&
           app_->Set().Board(2).doneMask[1] == kAllStrainsDone;
  };
  ASSERT_TRUE(WaitFor(quickBoardsDone));
  ClickOn(Find<QLineEdit>("LESeed"));
  EXPECT_TRUE(app_->HasReadySet()) << "a click is no change";
  CloseWindow();
  const Result<DealSet> saved = ReadPbnFile(pbn);
  ASSERT_TRUE(saved.ok()) << saved.message();
  for (int board : {1, 2}) {
    EXPECT_EQ(saved->Board(board).doneMask[0], kAllStrainsDone) << board;
    EXPECT_EQ(saved->Board(board).doneMask[1], kAllStrainsDone) << board;
  }
}

TEST_F(MainWindowTest, LoadingWhileAnalysingSavesFirstAndTheButtonSaysWhatItDoes) {
  const fs::path pbn = WriteQuickStartSet(output_ / "quick.pbn");
  OpenWindow(CommandLine(pbn));
  Click("BDDAnalysis");
  ASSERT_TRUE(WaitFor([&] { return app_->Set().Board(1).doneMask[1] == kAllStrainsDone; }));
  bool checked = false;
  OnNextDialog<QFileDialog>([&](QFileDialog* dialog) {
    // While the operator chooses, the results found so far are on disk and
    // the button offers to start, not to stop.
    const Result<DealSet> onDisk = ReadPbnFile(pbn);
    EXPECT_TRUE(onDisk.ok() && onDisk->Board(1).doneMask[1] == kAllStrainsDone);
    EXPECT_FALSE(app_->AnalysisRunning());
    EXPECT_EQ(Find<QPushButton>("BDDAnalysis")->text(), "Start DD Analysis");
    checked = true;
    dialog->reject();
  });
  Click("BLoad");
  ASSERT_TRUE(WaitFor([&] { return checked; }));
  EXPECT_TRUE(app_->AnalysisRunning()) << "nothing was loaded, so the analysis goes on";
  EXPECT_EQ(Find<QPushButton>("BDDAnalysis")->text(), "Stop DD Analysis");
}

TEST_F(MainWindowTest, ANewSeedOnTheSameFileAsksAndNoKeepsTheSetOnDisk) {
  OpenWindow();
  const fs::path pbn = output_ / "night.pbn";
  Browse(pbn);
  TypeSeed("abc");
  Click("BDeal");
  ASSERT_TRUE(fs::is_regular_file(pbn));
  QTest::keyClicks(Find<QLineEdit>("LESeed"), "d");
  EXPECT_FALSE(app_->AnalysisRunning()) << "a new seed finishes the set in hand";
  QString question;
  AnswerNextQuestion(QMessageBox::No, &question);
  Click("BDeal");
  EXPECT_TRUE(question.contains("another set")) << question.toStdString();
  EXPECT_EQ(ReadPbnFile(pbn)->header.seed.str(), "abc");
  EXPECT_FALSE(app_->HasReadySet());
}

TEST_F(MainWindowTest, ANewcomerIsToldThatDealWaitsForAFile) {
  OpenWindow();
  TypeSeed("Tuesday");
  EXPECT_FALSE(Shown("BDeal"));
  EXPECT_TRUE(Shown("LDealHint"));
  EXPECT_TRUE(Text("LDealHint").contains("Browse")) << Text("LDealHint").toStdString();
  Browse(output_ / "tuesday.pbn");
  EXPECT_TRUE(Shown("BDeal"));
  EXPECT_FALSE(Shown("LDealHint"));
}

TEST_F(MainWindowTest, ASetGoesToTheDealingMachineAndTheWebFromTheWindow) {
  const fs::path pbn = WriteQuickStartSet(output_ / "quick.pbn");
  OpenWindow(CommandLine(pbn));
  ASSERT_TRUE(Shown("BExport"));
  Find<QComboBox>("CBExportFormat")->setCurrentText("dup");
  Click("BExport");
  const Result<std::string> dup = ReadWholeFile(output_ / "quick.dup");
  ASSERT_TRUE(dup.ok()) << dup.message();
  EXPECT_EQ(dup->size(), size_t(kBoardsPerSet) * 156) << "156 bytes a board, boards 1-36";
  // The same again needs no word; other bytes in the way need a Yes.
  ASSERT_TRUE(testing::WriteTestFile(output_ / "quick.dup", "the machine's own notes").ok());
  QString question;
  AnswerNextQuestion(QMessageBox::No, &question);
  Click("BExport");
  EXPECT_FALSE(question.isEmpty());
  EXPECT_EQ(*ReadWholeFile(output_ / "quick.dup"), "the machine's own notes");

  Click("BHTML");
  const Result<std::string> page = ReadWholeFile(output_ / "quick.html");
  ASSERT_TRUE(page.ok()) << page.message();
  EXPECT_NE(page->find("data-deal=\"N:"), std::string::npos);
}

TEST_F(MainWindowTest, EverySwitchOfTheSettingsIsABoxThatChangesIt) {
  OpenWindow();
  for (const SwitchField& field : kSwitchFields) {
    const SwitchControl& control = ControlOf(field.which);
    SCOPED_TRACE(control.objectName);
    auto* box = Find<QCheckBox>(control.objectName);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), control.caption);
    const bool before = app_->Settings().Get(field.which);
    EXPECT_EQ(box->isChecked(), before);
    box->click();
    EXPECT_EQ(app_->Settings().Get(field.which), !before) << "a click is App's at once";
  }
}

TEST_F(MainWindowTest, LoadTestSetShowsOnlyWithTestPbnAndLoadsIt) {
  WriteQuickStartSet(folder_ / "Test.pbn");
  OpenWindow();  // the working folder is the test's folder
  ASSERT_TRUE(Shown("BTest"));
  Click("BTest");
  ASSERT_TRUE(app_->HasReadySet());
  EXPECT_EQ(Text("LFn"), "File Name: Test.pbn");
  EXPECT_EQ(Find<QLineEdit>("LESeed")->text(), "slow rest");
  EXPECT_EQ(Find<QComboBox>("CBEvent")->currentText(), "Quick");
  EXPECT_TRUE(Find<QPushButton>("BPDF")->isEnabled());
}

TEST_F(MainWindowTest, SpecialCommandsWriteAndAFailedWriteNamesTheFile) {
  const fs::path pbn = WriteQuickStartSet(output_ / "special.pbn");
  OpenWindow(CommandLine(pbn));
  const fs::path pdf = output_ / "special.pdf";
  Click("BPDF");
  EXPECT_TRUE(fs::is_regular_file(pdf));
  const ino_t before = Inode(pbn);
  Click("BSave");
  EXPECT_NE(Inode(pbn), before) << "Force PBN Write always writes";

  // Repeat Double Dummy asks first: No keeps every result.
  app_->MutableSetForTest().Board(1).doneMask = {kAllStrainsDone, 1};
  QString question;
  AnswerNextQuestion(QMessageBox::No, &question);
  Click("BReDoDD");
  EXPECT_TRUE(question.contains("double-dummy results")) << question.toStdString();
  EXPECT_EQ(app_->Set().Board(1).doneMask[0], kAllStrainsDone);
  AnswerNextQuestion(QMessageBox::Yes, &question);
  Click("BReDoDD");
  // Yes forgets the results and starts the analysis again at once (board 1,
  // settled at once, may already be found again).
  EXPECT_TRUE(app_->RepeatPending());
  EXPECT_TRUE(app_->AnalysisRunning());
  app_->StopAndWait();

  // A folder standing where the PDF goes: the write fails and says where.
  fs::remove(pdf);
  fs::create_directories(pdf / "blocked");
  QString message;
  CloseNextMessageBox(&message);
  Click("BPDF");
  ASSERT_TRUE(WaitFor([&] { return !message.isEmpty(); }));
  EXPECT_TRUE(message.contains("special.pdf")) << message.toStdString();
  EXPECT_TRUE(fs::is_directory(pdf / "blocked"));
}

TEST_F(MainWindowTest, ASeedTheSetCannotHoldIsRefusedWithAMessage) {
  OpenWindow();
  Browse(output_ / "night.pbn");
  TypeSeed("Club ");
  // A CJK letter, which Windows-1252 has not, typed as an input method would.
  QKeyEvent letter(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                   QString::fromUtf8("\xE6\x97\xA5"));
  QApplication::sendEvent(Find<QLineEdit>("LESeed"), &letter);
  ASSERT_TRUE(Find<QLineEdit>("LESeed")->text().endsWith(QString::fromUtf8("\xE6\x97\xA5")));
  QString message;
  CloseNextMessageBox(&message);
  Click("BDeal");
  ASSERT_TRUE(WaitFor([&] { return !message.isEmpty(); }));
  EXPECT_TRUE(message.contains("seed")) << message.toStdString();
  EXPECT_FALSE(app_->HasReadySet());
  EXPECT_FALSE(fs::exists(output_ / "night.pbn"));
}

TEST_F(MainWindowTest, ClosingSavesOnlyWhatChanged) {
  const fs::path pbn = WriteQuickStartSet(output_ / "saved.pbn");
  OpenWindow(CommandLine(pbn));
  ASSERT_TRUE(app_->HasReadySet());
  EXPECT_EQ(Find<QComboBox>("CBEvent")->currentText(), "Quick");
  // The computer name taken at activation is a change of its own; one save
  // takes it, after which nothing is left to write.
  Click("BSave");
  const ino_t saved = Inode(pbn);
  CloseWindow();
  EXPECT_EQ(Inode(pbn), saved) << "closing with nothing changed writes nothing";

  OpenWindow(CommandLine(pbn));
  Find<QLineEdit>("LEDesc")->setText("Second half");
  CloseWindow();
  const Result<DealSet> written = ReadPbnFile(pbn);
  ASSERT_TRUE(written.ok()) << written.message();
  EXPECT_EQ(written->header.description.str(), "Second half");
}

TEST_F(MainWindowTest, ActivationReloadsTheFileNamedOnTheCommandLine) {
  const fs::path pbn = WriteQuickStartSet(output_ / "cmd.pbn");
  OpenWindow(CommandLine(pbn));
  EXPECT_EQ(Find<QComboBox>("CBEvent")->currentText(), "Quick");
  EXPECT_EQ(Text("LFn"), "File Name: cmd.pbn");
  EXPECT_EQ(Find<QLineEdit>("LESeed")->text(), "slow rest");

  // Another program changes the file while the operator is in another window.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  Result<DealSet> changed = ReadPbnFile(pbn);
  ASSERT_TRUE(changed.ok());
  changed->header.event = "Changed outside";
  ASSERT_TRUE(WritePbnFile(*changed, testing::PermitFor(pbn), "other").ok());
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  EXPECT_TRUE(
      WaitFor([&] { return Find<QComboBox>("CBEvent")->currentText() == "Changed outside"; }));
}

// The window's own save is no change from outside: coming back to the
// window keeps what was typed since.
TEST_F(MainWindowTest, ActivationAfterASaveKeepsWhatWasTypedSince) {
  const fs::path pbn = WriteQuickStartSet(output_ / "cmd.pbn");
  OpenWindow(CommandLine(pbn));
  Find<QLineEdit>("LEDesc")->setText("First half");
  Click("BSave");
  fs::last_write_time(pbn, fs::last_write_time(pbn) + std::chrono::seconds(5));
  Find<QLineEdit>("LEDesc")->setText("Second half");

  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::qWait(50);
  EXPECT_EQ(Find<QLineEdit>("LEDesc")->text().toStdString(), "Second half");
}

TEST_F(MainWindowTest, ImportingABriFileGivesSeedNoneAndAPbnBesideIt) {
  DealSet source;
  GenerateSet(source, "import me", 0);
  const std::string bri = BriText(source, 3);
  const fs::path file = folder_ / "machine.bri";
  ASSERT_TRUE(testing::WriteTestFile(file, bri).ok());
  OpenWindow();
  Find<QCheckBox>("CBAuto")->setChecked(true);
  ChooseFileInNextDialog(file);
  // The window says that the file holds fewer boards than a set.
  QString told;
  QTimer::singleShot(0, [&] { CloseNextMessageBox(&told); });
  Click("BLoad");
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty(); }));
  EXPECT_TRUE(told.contains("3 of 36 boards")) << told.toStdString();
  ASSERT_TRUE(app_->HasReadySet());
  EXPECT_EQ(Find<QLineEdit>("LESeed")->text(), "None");
  EXPECT_EQ(Text("LFn"), "File Name: machine.bri");
  EXPECT_EQ(Text("LFN2"),
            "Saved in: " + QString::fromStdString((folder_ / "machine.pbn").string()));
  EXPECT_EQ(Find<QLineEdit>("LEDesc")->text(), "File: machine.bri");
  EXPECT_EQ(app_->Set().Board(3).number, source.Board(3).number);
  EXPECT_TRUE(Shown("CBEvent"));
}

// A file of two events from another program: Load asks which event, the
// set goes to that event's companion beside the file, and a companion
// already holding the same deals is used with its analysis.
TEST_F(MainWindowTest, LoadAsksForTheEventOfAFileOfSeveralAndUsesItsCompanion) {
  const fs::path file = folder_ / "week.pbn";
  const Result<std::string> corpus =
      ReadWholeFile(std::string(TARROW_FILES_TESTDATA) + "/foreign/two_events.pbn");
  ASSERT_TRUE(corpus.ok());
  ASSERT_TRUE(testing::WriteTestFile(file, *corpus).ok());
  const fs::path companion = folder_ / "week.event-2.tarrow.pbn";
  OpenWindow();
  const auto load = [&](QString* told) {
    ChooseFileInNextDialog(file);
    OnNextDialog<QInputDialog>([](QInputDialog* dialog) {
      EXPECT_EQ(dialog->objectName(), "EventChoice");
      ASSERT_EQ(dialog->comboBoxItems(), (QStringList{"1: Monday", "2: Tuesday"}));
      dialog->setTextValue("2: Tuesday");
      dialog->accept();
    });
    CloseNextMessageBox(told);
    Click("BLoad");
    ASSERT_TRUE(WaitFor([&] { return !told->isEmpty(); }));
  };
  QString told;
  load(&told);
  EXPECT_EQ(app_->Set().header.event.str(), "Tuesday");
  EXPECT_EQ(app_->PbnPath(), companion);
  EXPECT_TRUE(told.contains("holds 2 events")) << told.toStdString();

  // The analysis of board 1 kept in the companion is found again.
  DealSet analysed = app_->Set();
  analysed.Board(1).doneMask = {31, 31};
  analysed.Board(1).table.fill(6);
  ASSERT_TRUE(WritePbnFile(analysed, testing::PermitFor(companion), "").ok());
  const std::string before = *corpus;
  QString again;
  load(&again);
  EXPECT_TRUE(again.contains("is read with its analysed set")) << again.toStdString();
  EXPECT_EQ(app_->Set().Board(1).doneMask[0], 31);
  EXPECT_EQ(app_->PbnPath(), companion);
  EXPECT_EQ(*ReadWholeFile(file), before);
}

// A club machine's .dup file of boards 1-24 loads from the window as the
// other deal files do.
TEST_F(MainWindowTest, ImportingADupFileGivesItsBoardsAndAPbnBesideIt) {
  const fs::path file = folder_ / "machine.dup";
  const Result<std::string> corpus =
      ReadWholeFile(std::string(TARROW_FILES_TESTDATA) + "/foreign/run1-24.dup");
  ASSERT_TRUE(corpus.ok());
  ASSERT_TRUE(testing::WriteTestFile(file, *corpus).ok());
  OpenWindow();
  ChooseFileInNextDialog(file);
  QString told;
  CloseNextMessageBox(&told);
  Click("BLoad");
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty(); }));
  EXPECT_TRUE(told.contains("24 of 36 boards (1-24)")) << told.toStdString();
  ASSERT_TRUE(app_->HasReadySet());
  EXPECT_EQ(app_->Set().PresentBoards(), 24);
  EXPECT_EQ(Text("LFN2"),
            "Saved in: " + QString::fromStdString((folder_ / "machine.pbn").string()));
}

TEST_F(MainWindowTest, AFileThatCannotBeReadIsReportedAndTheSetStays) {
  OpenWindow();
  Browse(output_ / "kept.pbn");
  TypeSeed("kept");
  Click("BDeal");
  Click("BDDAnalysis");  // stop
  const DealNumber before = app_->Set().Board(5).number;
  const fs::path bad = folder_ / "bad.pbn";
  ASSERT_TRUE(testing::WriteTestFile(bad, "[Event \"x\"]\r\n[Date \"2013.13.45\"]\r\n").ok());
  QString message;
  CloseNextMessageBox(&message);
  ChooseFileInNextDialog(bad);
  Click("BLoad");
  ASSERT_TRUE(WaitFor([&] { return !message.isEmpty(); }));
  EXPECT_TRUE(message.contains("bad.pbn")) << message.toStdString();
  EXPECT_EQ(app_->Set().Board(5).number, before);
  EXPECT_EQ(app_->SetFilePath(), output_ / "kept.pbn");
  EXPECT_EQ(Text("LFn"), "File Name: kept.pbn");
}

TEST_F(MainWindowTest, ClubNamesAreAddedWhenLeftAndEmptyOnesAreNotKept) {
  OpenWindow(CommandLine(WriteQuickStartSet(output_ / "clubs.pbn")));
  QComboBox* club = Find<QComboBox>("CBClub");
  QLineEdit* text = club->lineEdit();
  ClickOn(text);
  ClickOn(Find<QLineEdit>("LEDesc"));  // left with an empty text
  EXPECT_EQ(club->count(), 1) << "an empty item";
  ClickOn(text);
  QTest::keyClicks(text, "Hilltop BC");
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClick(text, Qt::Key_Return);  // pressed again: not added twice
  ClickOn(Find<QLineEdit>("LEDesc"));
  EXPECT_EQ(club->count(), 2);
  EXPECT_EQ(club->itemText(1), "Hilltop BC");
  CloseWindow();

  OpenWindow(CommandLine(output_ / "clubs.pbn"));
  club = Find<QComboBox>("CBClub");
  ASSERT_EQ(club->count(), 1) << "the empty name is not stored";
  EXPECT_EQ(club->itemText(0), "Hilltop BC");
  EXPECT_EQ(club->currentText(), "Hilltop BC");
}

TEST_F(MainWindowTest, AllTricksAndAllContractsExcludeEachOtherAndAreSavedAtOnce) {
  OpenWindow();
  Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  QCheckBox* tricks = Find<QCheckBox>("CBAllTricks");
  QCheckBox* contracts = Find<QCheckBox>("CBContracts");
  EXPECT_TRUE(contracts->isChecked());
  Click("CBAllTricks");
  EXPECT_TRUE(tricks->isChecked());
  EXPECT_FALSE(contracts->isChecked());
  EXPECT_TRUE(LoadSettings().record.AllTricks()) << "written at once";
  Click("CBContracts");
  EXPECT_FALSE(tricks->isChecked());
  EXPECT_TRUE(contracts->isChecked());
  EXPECT_FALSE(LoadSettings().record.AllTricks());

  QCheckBox* ltc = Find<QCheckBox>("CBShowL");
  for (int i = 0; i < 2; ++i) {
    Click("CBShowL");
    EXPECT_EQ(Shown("RGLTC"), ltc->isChecked()) << "the queen adjustment goes with Show LTC";
  }
}

TEST_F(MainWindowTest, TheDealViewerShowsTheSetAndAnEditedBoardIsAnalysedAndSaved) {
  OpenWindow();
  const fs::path pbn = output_ / "viewer.pbn";
  Browse(pbn);
  TypeSeed("abc");
  Click("BDeal");
  Click("BView");
  DealViewer* viewer = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* v = qobject_cast<DealViewer*>(top)) viewer = v;
  }
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->windowTitle().endsWith("  [ viewer.pbn ]"));

  // Board 1 gets North's and South's hands swapped while the analysis runs.
  const DealNumber before = app_->Set().Board(1).number;
  QTimer::singleShot(0, viewer, [viewer] {
    HandEditor& editor = viewer->Editor();
    for (Suit s : kSuits) {
      const QString north = editor.Field(kNorth, s)->text();
      editor.Field(kNorth, s)->setText(editor.Field(kSouth, s)->text());
      editor.Field(kSouth, s)->setText(north);
    }
    editor.findChild<QPushButton*>("BApplyMod")->click();
  });
  viewer->findChild<QPushButton*>("BEdit")->click();
  const DealNumber after = app_->Set().Board(1).number;
  ASSERT_NE(after, before);
  EXPECT_TRUE(app_->AnalysisRunning());
  const std::string dealLine = "[Deal \"" + PbnDealText(DealFromNumber(after), kNorth) + "\"]";
  const auto lines = Lines(pbn);
  EXPECT_NE(std::find(lines.begin(), lines.end(), dealLine), lines.end()) << "saved at once";
  EXPECT_TRUE(WaitFor([&] { return app_->Set().Board(1).doneMask[0] == kAllStrainsDone; }, 120))
      << "the edited board is analysed again";

  // The viewer's display choice shows in the window's boxes; closing it
  // with No puts the choice back.
  viewer->findChild<QRadioButton*>("RGShowItem1")->click();
  EXPECT_TRUE(Find<QCheckBox>("CBAllTricks")->isChecked());
  bool asked = false;
  viewer->ask = [&asked](const QString&, const QString&) {
    asked = true;
    return false;
  };
  Click("BView");
  EXPECT_TRUE(asked);
  EXPECT_FALSE(viewer->isVisible());
  EXPECT_FALSE(Find<QCheckBox>("CBAllTricks")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CBContracts")->isChecked());
}

// Last Board is the boards in play: the hand-record PDF stops there, and a
// page with no board on it is left out.
TEST_F(MainWindowTest, LastBoardEndsTheHandRecordPdf) {
  const fs::path pbn = WriteQuickStartSet(output_ / "short.pbn");
  OpenWindow(CommandLine(pbn));
  ASSERT_EQ(Find<QSpinBox>("SELast")->value(), 36);
  const fs::path pdf = output_ / "short.pdf";
  const struct {
    int last;
    int pages;
  } rows[] = {{24, 2}, {18, 1}, {36, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.last);
    Find<QSpinBox>("SELast")->setValue(row.last);
    EXPECT_EQ(app_->BoardsInPlay(), row.last);
    fs::remove(pdf);
    Click("BPDF");
    ASSERT_TRUE(fs::is_regular_file(pdf));
    EXPECT_EQ(testing::PdfPages(pdf), row.pages);
    const std::string words = testing::PdfWords(pdf);
    EXPECT_NE(words.find("Board " + std::to_string(row.last)), std::string::npos);
    EXPECT_EQ(words.find("Board " + std::to_string(row.last + 1)), std::string::npos);
  }
}

// A set with fewer boards shows its own last board without changing the
// setting; the setting shows once it is the lower.
TEST_F(MainWindowTest, LastBoardShowsTheLowerOfTheSettingAndTheSetsLastBoard) {
  DealSet source;
  GenerateSet(source, "twenty boards", 0);
  const std::string bri = BriText(source, 20);
  const fs::path file = folder_ / "twenty.bri";
  ASSERT_TRUE(testing::WriteTestFile(file, bri).ok());
  SettingsRecord settings = SettingsRecord::Defaults(output_.string());
  settings.SetBoardsInPlay(30);
  ASSERT_TRUE(SaveSettings(settings, testing::PermitFor(SettingsPath())).ok());
  OpenWindow();
  EXPECT_EQ(Find<QSpinBox>("SELast")->value(), 30);
  ChooseFileInNextDialog(file);
  QString told;
  QTimer::singleShot(0, [&] { CloseNextMessageBox(&told); });
  Click("BLoad");
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty() && app_->HasReadySet(); }));
  EXPECT_EQ(Find<QSpinBox>("SELast")->value(), 20);
  EXPECT_EQ(app_->BoardsInPlay(), 30) << "showing the set's last board is no change of setting";

  Find<QSpinBox>("SELast")->setValue(12);
  EXPECT_EQ(app_->BoardsInPlay(), 12);
  CloseWindow();
  OpenWindow();
  EXPECT_EQ(Find<QSpinBox>("SELast")->value(), 12);
}

// Every field of the settings' tables has a control name (setting_controls.h)
// and that control is in the window, so a renamed control cannot leave a
// field without one.
TEST_F(MainWindowTest, EverySettingsFieldHasItsControl) {
  OpenWindow();
  std::vector<std::string_view> controls;
  for (const SwitchField& field : kSwitchFields) controls.push_back(ControlName(field.which));
  for (const NumberField& field : kNumberFields) controls.push_back(ControlName(field.which));
  for (const TextField& field : kTextFields) controls.push_back(ControlName(field.which));
  for (const ListField& field : kListFields) controls.push_back(ControlName(field.which));
  for (std::string_view control : controls) {
    EXPECT_NE(
        window_->findChild<QWidget*>(QString::fromLatin1(control.data(), int(control.size()))),
        nullptr)
        << control;
  }
}

TEST_F(MainWindowTest, EveryStoredControlComesBackAfterARestart) {
  OpenWindow();
  Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  QTest::qWait(50);
  Find<QCheckBox>("CBShowD")->setChecked(false);
  Find<QCheckBox>("CBShowN")->setChecked(true);
  Find<QCheckBox>("CBShowL")->setChecked(false);
  Find<QCheckBox>("CBShowDD")->setChecked(false);
  ASSERT_FALSE(Find<QCheckBox>("CBShowPar")->isChecked());  // off on a fresh start
  Find<QCheckBox>("CBShowPar")->setChecked(true);
  Click("CBAllTricks");
  ASSERT_TRUE(Find<QCheckBox>("CBAllTricks")->isChecked());
  Find<QCheckBox>("CBAuto")->setChecked(true);
  Find<QCheckBox>("CBFlip")->setChecked(false);
  Find<QRadioButton>("RGLTC2")->setChecked(true);
  Find<QSpinBox>("SENprocs")->setValue(6);
  Find<QSpinBox>("SELast")->setValue(27);
  Find<QLineEdit>("LESite")->setText("Town Hall");
  for (const char* name : {"CBClub", "CBEvent"}) {
    QComboBox* box = Find<QComboBox>(name);
    for (const QString& text : {QString("First ") + name, QString("Second ") + name}) {
      box->lineEdit()->clear();
      QTest::keyClicks(box->lineEdit(), text);
      QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    }
  }
  Find<QComboBox>("CBClub")->setCurrentIndex(0);
  CloseWindow();

  OpenWindow();
  EXPECT_FALSE(Find<QCheckBox>("CBShowD")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CBShowN")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CBShowL")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CBShowDD")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CBShowPar")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CBAllTricks")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CBContracts")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CBAuto")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CBFlip")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("RGLTC2")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("SENprocs")->value(), 6);
  EXPECT_EQ(Find<QSpinBox>("SELast")->value(), 27);
  EXPECT_EQ(Find<QLineEdit>("LESite")->text(), "Town Hall");
  EXPECT_EQ(Find<QComboBox>("CBClub")->count(), 2);
  EXPECT_EQ(Find<QComboBox>("CBClub")->currentText(), "First CBClub");
  EXPECT_EQ(Find<QComboBox>("CBEvent")->count(), 2);
  EXPECT_EQ(Find<QComboBox>("CBEvent")->currentText(), "Second CBEvent");
  EXPECT_EQ(Text("LDir"), "Save files in: " + QString::fromStdString(output_.string()));
}

TEST_F(MainWindowTest, ClosingDuringAnAnalysisStopsTheWorkersAndKeepsEveryResult) {
  const fs::path pbn = WriteQuickStartSet(output_ / "busy.pbn");
  OpenWindow(CommandLine(pbn));
  Click("BDDAnalysis");
  ASSERT_TRUE(app_->AnalysisRunning());
  // Boards 1 and 2 are settled at once; the seeded boards after them keep
  // the worker busy.
  ASSERT_TRUE(WaitFor([&] { return app_->Set().Board(2).doneMask[1] == kAllStrainsDone; }, 60));
  window_->close();
  EXPECT_FALSE(app_->AnalysisRunning());
  EXPECT_FALSE(app_->Runner().AnyWorkerAlive());
  const Result<DealSet> written = ReadPbnFile(pbn);
  ASSERT_TRUE(written.ok()) << written.message();
  for (int b = 1; b <= kBoardsPerSet; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(written->Board(b).doneMask, app_->Set().Board(b).doneMask);
    for (int side = 0; side < 2; ++side) {
      for (Strain s : kStrains) {
        if (!app_->Set().Board(b).Analysed(side, s)) continue;
        for (Seat seat : {Seat(side), PartnerOf(Seat(side))}) {
          EXPECT_EQ(written->Board(b).table[size_t(DDIndex(seat, s))],
                    app_->Set().Board(b).table[size_t(DDIndex(seat, s))]);
        }
      }
    }
  }
  EXPECT_EQ(written->Board(1).doneMask[0], kAllStrainsDone);
}

// The print buttons on a real print queue whose paper is PDF files.
TEST_F(MainWindowTest, ThePrintButtonsPrintOnTheStoredPrinterWithAPauseBetweenFlippedSides) {
  testing::CupsTestQueue cups;
  if (!cups.SkipReason().empty()) GTEST_SKIP() << cups.SkipReason();
  SettingsRecord settings = SettingsRecord::Defaults(output_.string());
  settings.SetPrinterName(cups.Queue());
  ASSERT_TRUE(SaveSettings(settings, testing::PermitFor(SettingsPath())).ok());
  cups.Clear();
  OpenWindow(CommandLine(WriteQuickStartSet(output_ / "print.pbn")));
  EXPECT_EQ(Text("LPrinter").toStdString(), cups.Queue());
  Find<QComboBox>("CBClub")->setEditText("Hilltop Bridge Club");

  Find<QSpinBox>("SELast")->setValue(3);
  Click("BTravelers");
  // Flipped hand records: two jobs, the operator told to turn the stack
  // between; the second side ends at Last Board.
  Find<QSpinBox>("SELast")->setValue(20);
  Find<QCheckBox>("CBFlip")->setChecked(true);
  QString pause;
  CloseNextMessageBox(&pause);
  Click("BPrint");
  EXPECT_TRUE(pause.startsWith("Wait for the first side to print")) << pause.toStdString();

  const std::vector<fs::path> files = cups.WaitForFiles(3);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_NE(testing::PdfWords(files[0]).find("Board 3"), std::string::npos);
  EXPECT_EQ(testing::PdfPages(files[1]), 1);
  EXPECT_NE(testing::PdfWords(files[1]).find("Hilltop Bridge Club"), std::string::npos);
  EXPECT_EQ(testing::PdfPages(files[2]), 1);
  const std::string secondSide = testing::PdfWords(files[2]);
  EXPECT_NE(secondSide.find("Board 20"), std::string::npos) << secondSide;
  EXPECT_EQ(secondSide.find("Board 21"), std::string::npos);
}

class MultipleSetsTest : public MainWindowTest {
 protected:
  void OpenWithQuickAnalysis() {
    app_ = std::make_unique<App>(executor_);
    auto quick = std::make_unique<testing::QuickAnalysisHost>(*app_);
    host_ = quick.get();
    app_->SetRunHostForTest(std::move(quick));
    WindowOptions options;
    options.workingDirectory = folder_;
    window_ = std::make_unique<MainWindow>(*app_, std::move(options));
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    Find<QTimer>("Timer1")->setInterval(10);  // the one tick, of analysis and run alike
    Find<QTabWidget>("PageControl1")->setCurrentIndex(4);
  }
  void StartRun(const QString& name, int sets) {
    QLineEdit* edit = Find<QLineEdit>("Ename");
    edit->clear();
    QTest::keyClicks(edit, name);
    Find<QSpinBox>("SEDeals")->setValue(sets);
    Click("BMulti");
  }
  bool RunEnded() {
    return WaitFor([&] { return Find<QPushButton>("BMulti")->text() == "Start"; });
  }

  testing::QuickAnalysisHost* host_ = nullptr;
};

TEST_F(MultipleSetsTest, TwoSetsNamedClubThenTheButtonReadsStartAgain) {
  OpenWithQuickAnalysis();
  QString message;
  CloseNextMessageBox(&message);
  Click("BViewLog");
  ASSERT_TRUE(WaitFor([&] { return !message.isEmpty(); }));
  EXPECT_TRUE(message.contains("no run log yet")) << message.toStdString();

  StartRun("Club", 2);
  EXPECT_EQ(Find<QPushButton>("BMulti")->text(), "Halt");
  EXPECT_FALSE(Find<QPushButton>("BLoad")->isEnabled()) << "the run's set is not to be replaced";
  const fs::path dir = output_ / "Club";
  EXPECT_EQ(Text("LSaveDir"), "Dir: " + QString::fromStdString(dir.string()));
  ASSERT_TRUE(RunEnded());
  EXPECT_TRUE(Find<QPushButton>("BLoad")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("BDDAnalysis")->isEnabled());
  EXPECT_TRUE(fs::is_regular_file(dir / "Club1.pbn"));
  EXPECT_TRUE(fs::is_regular_file(dir / "Club2.pbn"));
  EXPECT_FALSE(fs::exists(dir / "Club3.pbn"));
  EXPECT_EQ(Text("LMCnt"), "2");
  EXPECT_EQ(Text("LSetNum"), "2");
  EXPECT_EQ(Text("LCurrent"), "File: Club2.pbn");
  EXPECT_TRUE(Find<QLineEdit>("LESeed")->text().endsWith(" Club"));
  const std::vector<std::string> lines = Lines(dir / "Club.log");
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].rfind("Start: ", 0), 0u);
  EXPECT_EQ(lines[1], " Set:Club   2 Deal Sets Requested.");
  EXPECT_EQ(lines[3].rfind("Set #1 Started at: ", 0), 0u);
  EXPECT_EQ(lines[4].rfind("Club1.pbn ", 0), 0u);
  EXPECT_EQ(lines[5].rfind("Set #2 Started at: ", 0), 0u);
  EXPECT_EQ(lines[6].rfind("Club2.pbn ", 0), 0u);
  EXPECT_EQ(lines[7].rfind("Stop: ", 0), 0u);

  // A second run of the same name asks first; No leaves the first run be.
  const std::string firstSet = *ReadWholeFile(dir / "Club1.pbn");
  QString question;
  AnswerNextQuestion(QMessageBox::No, &question);
  Click("BMulti");
  EXPECT_TRUE(question.contains("earlier run")) << question.toStdString();
  EXPECT_EQ(Find<QPushButton>("BMulti")->text(), "Start");
  EXPECT_EQ(*ReadWholeFile(dir / "Club1.pbn"), firstSet);
  // Yes replaces it: the log starts afresh.
  AnswerNextQuestion(QMessageBox::Yes, &question);
  StartRun("Club", 3);
  ASSERT_TRUE(RunEnded());
  const std::vector<std::string> again = Lines(dir / "Club.log");
  ASSERT_EQ(again.size(), 10u);
  EXPECT_EQ(again[1], " Set:Club   3 Deal Sets Requested.");
}

TEST_F(MultipleSetsTest, AHaltedRunLogsStoppedByOperator) {
  OpenWithQuickAnalysis();
  host_->keepRunning = true;
  StartRun("Late", 5);
  ASSERT_TRUE(WaitFor([&] { return Text("LMCnt") == "1"; }));
  Click("BMulti");
  EXPECT_EQ(Text("LWorking"), "Stopped by Operator");
  ASSERT_TRUE(RunEnded());
  const std::vector<std::string> lines = Lines(output_ / "Late" / "Late.log");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "Stopped by Operator");
  EXPECT_EQ(lines[5].rfind("Stop: ", 0), 0u);
}

TEST_F(MultipleSetsTest, AnUnsafeRunNameIsRefusedWithAMessage) {
  OpenWithQuickAnalysis();
  for (const QString& name : {QString("../outside"), QString(""), QString("..")}) {
    QString message;
    CloseNextMessageBox(&message);
    StartRun(name, 2);
    ASSERT_TRUE(WaitFor([&] { return !message.isEmpty(); }));
    EXPECT_TRUE(message.contains("name")) << message.toStdString();
    EXPECT_EQ(Find<QPushButton>("BMulti")->text(), "Start");
  }
  EXPECT_TRUE(fs::is_empty(output_));
  EXPECT_FALSE(fs::exists(folder_ / "outside"));
}

// The gate in the window: what it did not write is replaced only on Yes,
// every such question defaults to No, and a set never becomes a PDF.
TEST_F(MainWindowTest, RewritingThePdfNeverLandsOnASet) {
  const fs::path s2 = WriteQuickStartSet(output_ / "s2.pbn");
  const std::string set2 = *ReadWholeFile(s2);
  const fs::path s1 = WriteQuickStartSet(output_ / "s1.pbn");
  fs::create_symlink(s2, output_ / "s1.pdf");
  // Every refusal is shown: the save after the analysis, and the button.
  QStringList messages;
  QTimer closer;
  closer.setInterval(10);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      messages << box->text();
      box->accept();
    }
  });
  closer.start();
  OpenWindow(CommandLine(s1));
  const qsizetype before = messages.size();
  Click("BPDF");
  ASSERT_TRUE(WaitFor([&] { return messages.size() > before; }));
  EXPECT_TRUE(messages.last().contains("s1.pdf")) << messages.last().toStdString();
  EXPECT_FALSE(window_->statusBar()->currentMessage().startsWith("Written"));
  CloseWindow();  // its save at closing is refused as well, and said
  closer.stop();
  EXPECT_EQ(*ReadWholeFile(s2), set2);
  EXPECT_TRUE(fs::is_symlink(output_ / "s1.pdf"));
  EXPECT_GE(messages.size(), 2);
}

TEST_F(MainWindowTest, TheWebPageAsksBeforeReplacingAPageItDidNotWrite) {
  const fs::path pbn = WriteQuickStartSet(output_ / "quick.pbn");
  const std::string page = "<html><body>the club's own page</body></html>\n";
  ASSERT_TRUE(testing::WriteTestFile(output_ / "quick.html", page).ok());
  OpenWindow(CommandLine(pbn));
  bool noIsDefault = false;
  QString question;
  OnNextDialog<QMessageBox>([&](QMessageBox* box) {
    question = box->text();
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);  // Return keeps the file
  });
  Click("BHTML");
  ASSERT_TRUE(WaitFor([&] { return !question.isEmpty(); }));
  EXPECT_TRUE(noIsDefault);
  EXPECT_TRUE(question.contains("quick.html")) << question.toStdString();
  EXPECT_EQ(*ReadWholeFile(output_ / "quick.html"), page);
  AnswerNextQuestion(QMessageBox::Yes, &question);
  Click("BHTML");
  EXPECT_NE(ReadWholeFile(output_ / "quick.html")->find("generator"), std::string::npos);
}

TEST_F(MainWindowTest, RepeatDoubleDummyStartsTheAnalysisAndTheFileKeepsItsResults) {
  // A set whose board 1 is analysed on disk.
  DealSet set;
  GenerateSet(set, "slow rest", DateTimeFromCivil({2026, 1, 2, 3, 4, 5}));
  set.Board(1).doneMask = {kAllStrainsDone, kAllStrainsDone};
  for (uint8_t& tricks : set.Board(1).table) tricks = 7;
  const fs::path pbn = output_ / "done.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(pbn), "test").ok());
  OpenWindow(CommandLine(pbn));
  bool noIsDefault = false;
  OnNextDialog<QMessageBox>([&](QMessageBox* box) {
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    box->button(QMessageBox::Yes)->click();
  });
  Click("BReDoDD");
  ASSERT_TRUE(WaitFor([&] { return noIsDefault || app_->AnalysisRunning(); }));
  EXPECT_TRUE(noIsDefault);
  EXPECT_TRUE(app_->AnalysisRunning()) << "Yes starts the analysis";
  EXPECT_TRUE(app_->SaveFile().ok());
  EXPECT_EQ(ReadPbnFile(pbn)->Board(1).doneMask[0], kAllStrainsDone) << "kept while it runs";
  CloseWindow();  // stops, and saves what is done
  const Result<DealSet> after = ReadPbnFile(pbn);
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(after->Board(1).doneMask[0], kAllStrainsDone) << "kept after closing";
}

TEST_F(MainWindowTest, ASecondWindowOnAHeldSetShowsItReadOnlyAndNeverSavesIt) {
  const fs::path pbn = WriteQuickStartSet(output_ / "s5.pbn");
  OpenWindow(CommandLine(pbn));  // started as "tarrow s5.pbn": it holds the set
  ASSERT_EQ(app_->PbnPath(), pbn);
  EXPECT_TRUE(fs::exists(output_ / ".s5.pbn.lock"));
  EXPECT_FALSE(app_->ReadOnly());

  // Window D loads the same set: read-only, told so.
  App other(executor_);
  ASSERT_TRUE(other.OpenFile(pbn).ok());
  EXPECT_TRUE(other.ReadOnly());
  bool told = false;
  for (const std::string& warning : other.LoadWarnings())
    told |= warning.find("read-only") != std::string::npos;
  EXPECT_TRUE(told);

  // C edits board 5 and closes; D's save is refused, and C's edit stays.
  const DealNumber edited = MakeDealNumber(77);
  ASSERT_TRUE(app_->ReplaceBoard(5, edited).ok());
  CloseWindow();
  other.MutableSetForTest().Board(2).doneMask = {1, 1};
  EXPECT_FALSE(other.ForcePbnWrite().ok());
  EXPECT_FALSE(other.SaveFile().ok());
  EXPECT_EQ(ReadPbnFile(pbn)->Board(5).number, edited);
}

TEST_F(MainWindowTest, AfterDealAReturnDoesNotStopTheAnalysisAndTheBoardsInPlayAreShown) {
  OpenWindow();
  Browse(output_ / "night.pbn");
  TypeSeed("abc");
  Click("BDeal");
  ASSERT_TRUE(app_->AnalysisRunning());
  QWidget* focus = window_->focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_NE(focus->objectName(), "BDDAnalysis");
  // Return on Browse opens the file dialog: nothing chosen there.
  OnNextDialog<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  QTest::keyClick(focus, Qt::Key_Return);
  QTest::qWait(50);
  EXPECT_FALSE(app_->Runner().StopRequested()) << "a second Return stopped the analysis";
  // A tick of an analysis by hand says nothing on the Multiple Sets tab.
  QTest::qWait(1300);
  EXPECT_TRUE(Text("LWorking").isEmpty()) << Text("LWorking").toStdString();
  app_->StopAndWait();
  EXPECT_FALSE(Shown("LBoardsInPlay"));
  app_->SetNumber(NumberSetting::kBoardsInPlay, 5);
  window_->RefreshAll();
  EXPECT_TRUE(Shown("LBoardsInPlay"));
  EXPECT_TRUE(Text("LBoardsInPlay").contains("1-5")) << Text("LBoardsInPlay").toStdString();
}

TEST_F(MainWindowTest, AbsentAndUnanalysedBoardsAreNotDrawnAsAnalysed) {
  // Boards 1 and 2 only, neither analysed.
  DealSet set;
  set.Board(1).number = MakeDealNumber(1000);
  set.Board(2).number = MakeDealNumber(1);
  set.RefreshDeals();
  const fs::path pbn = output_ / "two.pbn";
  ASSERT_TRUE(WritePbnFile(set, testing::PermitFor(pbn), "test").ok());
  OpenWindow();
  const auto colourOf = [&](int board) {
    const QImage image = Find<QLabel>("IPrg")->pixmap().toImage();
    const ProgressGrid::Rect cell = ProgressGrid::Cell(board);
    return image.pixel((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2) & 0xFFFFFF;
  };
  const QImage fresh = Find<QLabel>("IPrg")->pixmap().toImage();
  const QRgb ground = fresh.pixel(0, 0) & 0xFFFFFF;
  EXPECT_EQ(colourOf(5), ground) << "no set yet: every cell is the ground";
  ASSERT_TRUE(app_->OpenFile(pbn).ok());
  window_->RefreshAll();
  EXPECT_EQ(colourOf(1), 0x000000u) << "not analysed";
  EXPECT_EQ(colourOf(3), ground) << "absent";
  // The ground is not the analysed colour.
  app_->MutableSetForTest().Board(1).doneMask = {kAllStrainsDone, kAllStrainsDone};
  window_->RefreshAll();
  EXPECT_NE(colourOf(1), ground);
  EXPECT_NE(colourOf(1), colourOf(3));
}

}  // namespace
}  // namespace tarrow

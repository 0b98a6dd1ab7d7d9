// The deal viewer on real widgets: stepping through the set, the board
// buttons as drawn on screen, the close question, and editing a board
// through the hand editor down to the file on disk.
#include "ui/deal_viewer.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "app/app.h"
#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/temp_folder_for_test.h"
#include "picture/qt_application_for_test.h"
#include "ui/hand_editor.h"

TARROW_QT_TEST_APPLICATION(QApplication);

namespace tarrow {
namespace {

class DealViewerTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    // Settings in the test's folder; the close question's Yes writes them there.
    app_ = std::make_unique<App>(executor_, folder_ / "Tarrow.ini");
    viewer_ = std::make_unique<DealViewer>(*app_);
    app().SetWritePdf(false);
    app().NameSetFile(folder_ / "club.pbn");
    app().DealFromSeed("viewer test");
    ASSERT_TRUE(app().SaveFile().ok());
    viewer().resize(1280, 800);
  }

  QPushButton* Button(const char* name) { return viewer().findChild<QPushButton*>(name); }
  void Wheel(int delta) {
    QWheelEvent event(QPointF(600, 400), QPointF(600, 400), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&viewer(), &event);
  }
  // Runs `edit` on the hand editor once it is up, after editButton_ opened it.
  void EditWith(const std::function<void(HandEditor&)>& edit) {
    QTimer::singleShot(0, &viewer(), [this, edit] { edit(viewer().Editor()); });
    Button("BEdit")->click();
  }
  static void Swap(HandEditor& editor, Seat a, Seat b) {
    for (Suit s : kSuits) {
      const QString first = editor.Field(a, s)->text();
      editor.Field(a, s)->setText(editor.Field(b, s)->text());
      editor.Field(b, s)->setText(first);
    }
  }
  // Gives board `board` a finished analysis to be kept or cleared.
  void Analyse(int board) {
    BoardEntry& entry = app().MutableSetForTest().Board(board);
    entry.table.fill(7);
    entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
    entry.solveTime[0][0] = 0.001f;
    ASSERT_TRUE(app().SaveFile().ok());
  }

  App& app() { return *app_; }
  DealViewer& viewer() { return *viewer_; }

  QueueExecutor executor_;
  std::unique_ptr<App> app_;
  std::unique_ptr<DealViewer> viewer_;
};

TEST_F(DealViewerTest, PreviousAndNextStayWithinTheSet) {
  Button("BPrev")->click();
  EXPECT_EQ(viewer().CurrentBoard(), 1);
  Button("BNext")->click();
  EXPECT_EQ(viewer().CurrentBoard(), 2);
  viewer().SetCurrentBoard(36);
  Button("BNext")->click();
  EXPECT_EQ(viewer().CurrentBoard(), 36);
  Button("BPrev")->click();
  EXPECT_EQ(viewer().CurrentBoard(), 35);
}

TEST_F(DealViewerTest, TheWheelMovesOneBoardPerNotch) {
  viewer().SetCurrentBoard(10);
  Wheel(120);
  EXPECT_EQ(viewer().CurrentBoard(), 11);
  Wheel(-120);
  EXPECT_EQ(viewer().CurrentBoard(), 10);
  Wheel(60);  // less than a notch
  EXPECT_EQ(viewer().CurrentBoard(), 10);
  Wheel(-60);
  EXPECT_EQ(viewer().CurrentBoard(), 10);
  Wheel(64 * 40);
  EXPECT_EQ(viewer().CurrentBoard(), 36);
  Wheel(-64 * 100);
  EXPECT_EQ(viewer().CurrentBoard(), 1);
}

TEST_F(DealViewerTest, KeysStepThroughTheSet) {
  viewer().show();
  viewer().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer()));
  QTest::keyClick(&viewer(), Qt::Key_End);
  EXPECT_EQ(viewer().CurrentBoard(), 36);
  QTest::keyClick(&viewer(), Qt::Key_Left);
  QTest::keyClick(&viewer(), Qt::Key_PageUp);
  EXPECT_EQ(viewer().CurrentBoard(), 34);
  QTest::keyClick(&viewer(), Qt::Key_Home);
  QTest::keyClick(&viewer(), Qt::Key_Right);
  QTest::keyClick(&viewer(), Qt::Key_PageDown);
  EXPECT_EQ(viewer().CurrentBoard(), 3);
}

TEST_F(DealViewerTest, AClickedBoardButtonTurnsRedOnScreen) {
  // At 1280 x 800 the buttons are 15 pixels wide, 18 apart, with 6 more
  // after the fifth; rows 21 apart.  Board 17: column 7, row 2.
  const QPoint board17(4 + 6 * 18 + 6 + 7, 8 + 21 + 7);
  const QPoint board1(4 + 7, 8 + 7);
  app().MutableSetForTest().Board(20).number.valid = false;  // an empty slot
  QTest::mouseClick(&viewer(), Qt::LeftButton, {}, board17);
  EXPECT_EQ(viewer().CurrentBoard(), 17);
  const QImage screen = viewer().grab().toImage();
  EXPECT_EQ(screen.pixel(board17), qRgb(255, 0, 0));
  EXPECT_EQ(screen.pixel(board1), qRgb(0, 0, 255));
  EXPECT_EQ(screen.pixel(QPoint(4 + 9 * 18 + 6 + 7, 8 + 21 + 7)), qRgb(0, 0, 0));  // board 20
  // A click beside the buttons changes nothing.
  QTest::mouseClick(&viewer(), Qt::LeftButton, {}, QPoint(600, 400));
  EXPECT_EQ(viewer().CurrentBoard(), 17);
}

TEST_F(DealViewerTest, TheNumberButtonNamesItsNextStep) {
  QPushButton* button = Button("BShowN");
  EXPECT_EQ(button->text(), "Show Hex Deal #");
  button->click();
  EXPECT_EQ(viewer().CurrentNumberMode(), NumberMode::kHex);
  EXPECT_EQ(button->text(), "Show Dec. Deal #");
  button->click();
  EXPECT_EQ(button->text(), "Hide Deal #");
  button->click();
  EXPECT_EQ(viewer().CurrentNumberMode(), NumberMode::kHidden);
  EXPECT_EQ(button->text(), "Show Hex Deal #");
  EXPECT_TRUE(viewer().windowTitle().endsWith("  [ club.pbn ]"))
      << viewer().windowTitle().toStdString();
}

namespace fs = std::filesystem;

// The bytes of a file, or "" when it cannot be read.
std::string Bytes(const fs::path& path) {
  const Result<std::string> bytes = ReadWholeFile(path);
  return bytes.ok() ? *bytes : std::string();
}

// A PDF without the times it was made, which differ from write to write.
std::string WithoutDates(std::string pdf) {
  for (const std::string key : {"/CreationDate (", "/ModDate ("}) {
    const size_t at = pdf.find(key);
    if (at == std::string::npos) continue;
    pdf.erase(at, pdf.find(')', at) - at);
  }
  return pdf;
}

// A colour given as one number, red in the low byte, blue in the high one
// (14351561 is red 201, green 252, blue 218).
QColor ColourOfNumber(unsigned value) {
  return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TEST_F(DealViewerTest, ThePanelAndTheDisplayGroupShareThePanelColour) {
  const QColor panel = ColourOfNumber(14351561);
  ASSERT_EQ(panel, QColor(201, 252, 218));
  const QImage screen = viewer().grab().toImage();
  // Below the panel's last control, and left of the table.
  EXPECT_EQ(QColor(screen.pixel(QPoint(3, 790))), panel);
  EXPECT_EQ(QColor(screen.pixel(QPoint(190, 400))), panel);
  auto* group = viewer().findChild<QWidget*>("RGShow");
  EXPECT_EQ(group->palette().color(QPalette::Window), panel);
  EXPECT_TRUE(group->autoFillBackground());
  // The table is the colour 1064976.
  EXPECT_EQ(QColor(screen.pixel(QPoint(1270, 790))), ColourOfNumber(1064976));
}

TEST_F(DealViewerTest, TheWindowIsNamedAfterTheBoardShown) {
  EXPECT_EQ(viewer().windowIconText(), "DG Deal 1");
  Button("BNext")->click();
  EXPECT_EQ(viewer().windowIconText(), "DG Deal 2");
  Wheel(120);
  EXPECT_EQ(viewer().windowIconText(), "DG Deal 3");
  QTest::mouseClick(&viewer(), Qt::LeftButton, {}, QPoint(4 + 6 * 18 + 6 + 7, 8 + 21 + 7));
  EXPECT_EQ(viewer().windowIconText(), "DG Deal 17");
  viewer().SetCurrentBoard(36);
  EXPECT_EQ(viewer().windowIconText(), "DG Deal 36");
  // The caption stays the program's, with the set's file.
  EXPECT_TRUE(viewer().windowTitle().contains(" - Bridge Hand Viewer  [ club.pbn ]"))
      << viewer().windowTitle().toStdString();
}

TEST_F(DealViewerTest, ClosingAsksOnlyWhenTheDisplayOptionChanged) {
  QStringList asked;
  bool answer = false;
  viewer().ask = [&](const QString& title, const QString& text) {
    asked << title + "|" + text;
    return answer;
  };
  QSignalSpy confirmed(&viewer(), &DealViewer::DisplayOptionConfirmed);
  auto* contracts = viewer().findChild<QRadioButton*>("RGShowItem0");
  auto* tricks = viewer().findChild<QRadioButton*>("RGShowItem1");

  viewer().show();
  tricks->click();
  tricks->click();  // clicking the chosen item again changes nothing
  contracts->click();
  viewer().close();
  EXPECT_TRUE(asked.isEmpty());  // back where it was at activation

  viewer().show();
  tricks->click();
  EXPECT_TRUE(app().Settings().AllTricks());
  viewer().close();  // answered No: the option goes back
  ASSERT_EQ(asked.size(), 1);
  EXPECT_EQ(asked[0], "Double Dummy Display Option|Change hand records to display All Tricks?");
  EXPECT_FALSE(app().Settings().AllTricks());
  EXPECT_EQ(confirmed.count(), 0);

  answer = true;
  viewer().show();
  EXPECT_TRUE(contracts->isChecked());
  tricks->click();
  viewer().close();
  EXPECT_TRUE(app().Settings().AllTricks());
  ASSERT_EQ(confirmed.count(), 1);
  EXPECT_TRUE(confirmed[0][0].toBool());
  {  // and the settings file holds it for the hand records
    QueueExecutor otherExecutor;
    const App reread(otherExecutor, folder_ / "Tarrow.ini", SettingsFileUse::kReadOnly);
    EXPECT_TRUE(reread.Settings().AllTricks());
  }

  viewer().show();  // the confirmed option is the one remembered now
  EXPECT_TRUE(tricks->isChecked());
  contracts->click();
  viewer().close();
  EXPECT_EQ(asked.last(), "Double Dummy Display Option|Change hand records to display Contracts?");
}

TEST_F(DealViewerTest, ConfirmingTheDisplayOptionWritesTheHandRecordsAgain) {
  bool answer = false;
  viewer().ask = [&](const QString&, const QString&) { return answer; };
  QSignalSpy failed(&viewer(), &DealViewer::SaveFailed);
  for (int board = 1; board <= kBoardsPerSet; ++board) Analyse(board);
  HandRecordOptions options = app().HandRecordChoices();
  options.showAnalysis = true;
  app().SetHandRecordChoices(options);
  app().SetWritePdf(true);
  ASSERT_TRUE(app().WriteHandRecords().ok());
  const fs::path pdf = app().PdfPath();
  const Result<std::string> contracts = ReadWholeFile(pdf);
  ASSERT_TRUE(contracts.ok()) << contracts.message();
  auto* tricks = viewer().findChild<QRadioButton*>("RGShowItem1");

  // No: the hand records stay as they were.
  viewer().show();
  tricks->click();
  viewer().close();
  EXPECT_TRUE(Bytes(pdf) == *contracts);

  // Yes: the PDF beside the set now shows every trick count.
  answer = true;
  viewer().show();
  tricks->click();
  viewer().close();
  ASSERT_TRUE(app().Settings().AllTricks());
  const Result<std::string> allTricks = ReadWholeFile(pdf);
  ASSERT_TRUE(allTricks.ok()) << allTricks.message();
  EXPECT_FALSE(WithoutDates(*allTricks) == WithoutDates(*contracts));
  ASSERT_TRUE(app().WriteHandRecordsTo(folder_ / "expected.pdf").ok());
  EXPECT_TRUE(WithoutDates(*allTricks) == WithoutDates(Bytes(folder_ / "expected.pdf")));
  EXPECT_EQ(failed.count(), 0);

  // A PDF that cannot be written is reported, not passed over.
  fs::remove(pdf);
  fs::create_directory(pdf);  // a folder where the PDF goes
  viewer().show();
  viewer().findChild<QRadioButton*>("RGShowItem0")->click();
  viewer().close();
  ASSERT_EQ(failed.count(), 1);
  EXPECT_NE(failed[0][0].toString().toStdString().find(pdf.filename().string()), std::string::npos)
      << failed[0][0].toString().toStdString();
  EXPECT_FALSE(app().Settings().AllTricks());

  // Without PDF hand records, or with the set put aside, no PDF is made.
  fs::remove(pdf);
  for (const bool writePdf : {false, true}) {
    SCOPED_TRACE(writePdf);
    app().SetWritePdf(writePdf);
    if (writePdf) {
      ASSERT_TRUE(app().SetAside().ok());
    }
    viewer().show();
    tricks->click();
    viewer().close();
    EXPECT_FALSE(fs::exists(pdf));
    viewer().show();
    viewer().findChild<QRadioButton*>("RGShowItem0")->click();
    viewer().close();
  }
  EXPECT_EQ(failed.count(), 1);
}

TEST_F(DealViewerTest, AnAppliedEditRenumbersTheBoardClearsItsAnalysisAndSaves) {
  viewer().SetCurrentBoard(5);
  Analyse(5);
  Analyse(6);
  const DealNumber before = app().Set().Board(5).number;
  QSignalSpy edited(&viewer(), &DealViewer::BoardEdited);
  EditWith([](HandEditor& editor) {
    Swap(editor, kNorth, kSouth);
    editor.findChild<QPushButton*>("BApplyMod")->click();
  });
  const BoardEntry& entry = app().Set().Board(5);
  EXPECT_NE(entry.number, before);
  EXPECT_TRUE(entry.number.valid);
  const Deal shown = DealFromNumber(entry.number);
  const Deal old = DealFromNumber(before);
  for (int card = 0; card < kCards; ++card) {
    EXPECT_EQ(shown.seatOf[size_t(card)], old.seatOf[size_t(card)] % 2 == 0
                                              ? PartnerOf(old.seatOf[size_t(card)])
                                              : old.seatOf[size_t(card)]);
  }
  EXPECT_EQ(entry.doneMask[0] | entry.doneMask[1], 0);
  for (uint8_t tricks : entry.table) EXPECT_EQ(tricks, 0);
  EXPECT_EQ(entry.solveTime[0][0], 0.0f);
  EXPECT_EQ(app().Set().Board(6).doneMask[0], kAllStrainsDone);  // other boards keep theirs
  EXPECT_EQ(edited.count(), 1);
  // The file on disk follows the edit.
  QueueExecutor otherExecutor;
  App reread(otherExecutor);
  ASSERT_TRUE(reread.OpenFile(folder_ / "club.pbn").ok());
  EXPECT_EQ(reread.Set().Board(5).number, entry.number);
  EXPECT_EQ(reread.Set().Board(5).doneMask[0], 0);
}

TEST_F(DealViewerTest, ApplyingTheSameCardsChangesNothing) {
  viewer().SetCurrentBoard(8);
  Analyse(8);
  const BoardEntry before = app().Set().Board(8);
  QSignalSpy edited(&viewer(), &DealViewer::BoardEdited);
  EditWith([](HandEditor& editor) {
    // Move a card away and back: the same deal in the end.
    const QString spades = editor.Field(kWest, kSpades)->text();
    editor.Field(kWest, kSpades)->clear();
    editor.Field(kWest, kSpades)->setText(spades);
    editor.findChild<QPushButton*>("BApplyMod")->click();
  });
  EXPECT_EQ(app().Set().Board(8).number, before.number);
  EXPECT_EQ(app().Set().Board(8).table, before.table);
  EXPECT_EQ(app().Set().Board(8).doneMask, before.doneMask);
  EXPECT_EQ(edited.count(), 0);
}

TEST_F(DealViewerTest, ClearHandsThenCancelLeavesTheBoardAsItWas) {
  viewer().SetCurrentBoard(12);
  Analyse(12);
  const BoardEntry before = app().Set().Board(12);
  EditWith([](HandEditor& editor) {
    editor.findChild<QPushButton*>("BClear")->click();
    EXPECT_FALSE(editor.findChild<QPushButton*>("BApplyMod")->isEnabled());
    editor.findChild<QPushButton*>("BCanMod")->click();
  });
  EXPECT_EQ(app().Set().Board(12).number, before.number);
  EXPECT_EQ(app().Set().Board(12).table, before.table);
  EXPECT_EQ(app().Set().Board(12).doneMask, before.doneMask);
  // The next opening shows the board's cards again.
  EditWith([](HandEditor& editor) {
    EXPECT_EQ(editor.findChild<QLabel*>("LDealOK")->text(), "Valid Hand");
    EXPECT_EQ(editor.findChild<QLabel*>("LHNum")->text(), "Deal # 12");
    editor.reject();
  });
}

TEST_F(DealViewerTest, WorkerLinesNameTheJobsOnTheShownBoard) {
  app().MutableSettingsForTest().SetThreads(1);
  ASSERT_TRUE(app().StartAnalysis().ok());
  // The first jobs are board 1 in notrump, North-South and then East-West
  // on the same worker; a fast worker may be on the second already.
  std::vector<std::string> lines;
  for (int i = 0; i < 200 && lines.empty(); ++i) {
    executor_.DrainFor(std::chrono::milliseconds(10));
    lines = WorkerLines(app().Runner(), 1);
  }
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("T1 NT ", 0), 0u) << lines[0];
  EXPECT_TRUE(WorkerLines(app().Runner(), 2).empty());

  // Editing the board being analysed: the run goes on, and the board's
  // analysis starts afresh for its new cards.
  const DealNumber before = app().Set().Board(1).number;
  EditWith([](HandEditor& editor) {
    Swap(editor, kEast, kWest);
    editor.findChild<QPushButton*>("BApplyMod")->click();
  });
  EXPECT_NE(app().Set().Board(1).number, before);
  EXPECT_TRUE(app().AnalysisRunning());
  EXPECT_EQ(app().Set().Board(1).doneMask[0] | app().Set().Board(1).doneMask[1], 0);
  (void)app().StopAndWait();
}

}  // namespace
}  // namespace tarrow

// The window's annotate action on the real widgets: the button on the
// Multiple Sets tab opens the dialog, which annotates a file with its
// progress bar, stops and goes on, and asks before replacing a file.
#include "ui/annotate_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/annotate_corpus_for_test.h"
#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"
#include "files/settings.h"
#include "ui/main_window.h"
#include "ui/qt_owner_executor.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& condition, int seconds = 120) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (condition()) return true;
    QTest::qWait(10);
  }
  return condition();
}

std::string Read(const fs::path& path) {
  const Result<std::string> text = ReadWholeFile(path);
  return text.ok() ? *text : "(unreadable)";
}

class AnnotateDialogTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    qputenv("TARROW_CONFIG_DIR", QByteArray::fromStdString((folder_ / "config").string()));
    SettingsRecord settings = SettingsRecord::Defaults(folder_.string());
    settings.SetThreads(1);
    ASSERT_TRUE(SaveSettings(settings, testing::PermitFor(SettingsPath())).ok());
  }

  fs::path WriteCorpus(const std::string& name, int deals, int tables) {
    const fs::path path = folder_ / name;
    EXPECT_TRUE(
        testing::WriteTestFile(path, testing::ResultsCorpus("dialog", deals, tables, "\r\n")).ok());
    return path;
  }

  template <typename W>
  static W* Find(QWidget* parent, const char* name) {
    W* widget = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget named " << name;
    return widget;
  }
};

TEST_F(AnnotateDialogTest, TheMultipleSetsTabOpensItAndItAnnotatesAFileBesideItself) {
  QtOwnerExecutor executor;
  App app(executor);
  MainWindow window(app, {});
  window.show();
  auto* tabs = window.findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentIndex(tabs->count() - 1);
  QPushButton* open = Find<QPushButton>(&window, "BAnnotate");
  ASSERT_NE(open, nullptr);
  QTest::mouseClick(open, Qt::LeftButton);
  auto* dialog = window.findChild<AnnotateDialog*>("AnnotateDialog");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_EQ(Find<QSpinBox>(dialog, "SEAnnotateThreads")->value(), 1) << "the window's threads";

  const fs::path input = WriteCorpus("club.pbn", 3, 2);
  QTest::keyClicks(Find<QLineEdit>(dialog, "LEAnnotateInput"),
                   QString::fromStdString(input.string()));
  QTest::mouseClick(Find<QPushButton>(dialog, "BAnnotateStart"), Qt::LeftButton);
  EXPECT_TRUE(dialog->Running());
  EXPECT_EQ(Find<QPushButton>(dialog, "BAnnotateStart")->text(), "Stop");
  ASSERT_TRUE(WaitFor([&] { return !dialog->Running(); }));

  EXPECT_EQ(Find<QLineEdit>(dialog, "LEAnnotateOutput")->text().toStdString(),
            (folder_ / "club.dd.pbn").string());
  const std::string output = Read(folder_ / "club.dd.pbn");
  EXPECT_NE(output.find("[DoubleDummyTricks \""), std::string::npos);
  auto* bar = Find<QProgressBar>(dialog, "PBAnnotate");
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(Find<QLabel>(dialog, "LAnnotateStatus")
                  ->text()
                  .startsWith("Annotated 6 of 6 games into " +
                              QString::fromStdString((folder_ / "club.dd.pbn").string())))
      << Find<QLabel>(dialog, "LAnnotateStatus")->text().toStdString();
  EXPECT_EQ(Find<QPushButton>(dialog, "BAnnotateStart")->text(), "Start");
  window.close();
}

TEST_F(AnnotateDialogTest, StopSavesWhatIsDoneAndStartGoesOnToTheWholeFile) {
  const fs::path input = WriteCorpus("corpus.pbn", 8, 1);
  AnnotateRequest whole;
  whole.input = input;
  whole.output = folder_ / "whole.pbn";
  ASSERT_TRUE(Annotate(whole, {}).ok());

  AnnotateDialog dialog(1, [](const QString&) { return false; });
  dialog.show();
  Find<QLineEdit>(&dialog, "LEAnnotateInput")->setText(QString::fromStdString(input.string()));
  QPushButton* start = Find<QPushButton>(&dialog, "BAnnotateStart");
  QTest::mouseClick(start, Qt::LeftButton);
  auto* bar = Find<QProgressBar>(&dialog, "PBAnnotate");
  ASSERT_TRUE(WaitFor([&] { return bar->maximum() == 1000 && bar->value() > 0; }))
      << "the bar moves as games are done";
  QTest::mouseClick(start, Qt::LeftButton);  // Stop
  ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }));
  auto* status = Find<QLabel>(&dialog, "LAnnotateStatus");
  EXPECT_TRUE(status->text().startsWith("Stopped: ")) << status->text().toStdString();
  const fs::path output = folder_ / "corpus.dd.pbn";
  EXPECT_NE(Read(output), Read(whole.output)) << "stopped before the end";

  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }));
  EXPECT_TRUE(status->text().startsWith("Annotated 8 of 8 games")) << status->text().toStdString();
  EXPECT_EQ(Read(output), Read(whole.output));
}

TEST_F(AnnotateDialogTest, AnotherFileWhereTheOutputGoesIsReplacedOnlyOnYes) {
  const fs::path input = WriteCorpus("club.pbn", 1, 2);
  const fs::path other = folder_ / "notes.pbn";
  ASSERT_TRUE(testing::WriteTestFile(other, "the director's notes\n").ok());
  QString asked;
  bool answer = false;
  AnnotateDialog dialog(2, [&](const QString& question) {
    asked = question;
    return answer;
  });
  dialog.show();
  Find<QLineEdit>(&dialog, "LEAnnotateInput")->setText(QString::fromStdString(input.string()));
  Find<QLineEdit>(&dialog, "LEAnnotateOutput")->setText(QString::fromStdString(other.string()));
  QPushButton* start = Find<QPushButton>(&dialog, "BAnnotateStart");
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }));
  EXPECT_TRUE(asked.contains("notes.pbn")) << asked.toStdString();
  EXPECT_EQ(Read(other), "the director's notes\n");
  EXPECT_TRUE(Find<QLabel>(&dialog, "LAnnotateStatus")->text().contains("notes.pbn"));

  answer = true;
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }));
  EXPECT_NE(Read(other).find("[DoubleDummyTricks \""), std::string::npos);
}

}  // namespace
}  // namespace tarrow

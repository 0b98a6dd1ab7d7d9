// Deals a set in the window and saves a picture of each tab, of the deal
// viewer at two sizes and of the hand editor, for the README and for looking
// the window over.  Run by scripts/screenshots.sh under Xvfb.
//   tarrow-screenshots OUTDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <iostream>

#include "app/app.h"
#include "core/deal_number.h"
#include "files/settings.h"
#include "ui/deal_viewer.h"
#include "ui/hand_editor.h"
#include "ui/main_window.h"
#include "ui/qt_owner_executor.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: tarrow-screenshots OUTDIR\n";
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(outDir);
  // Settings and sets of its own, so that the operator's stay untouched.
  QTemporaryDir work;
  qputenv("TARROW_CONFIG_DIR", work.path().toLocal8Bit());
  tarrow::SettingsRecord settings = tarrow::SettingsRecord::Defaults(work.path().toStdString());
  settings.SetThreads(2);
  settings.SetShowLtc(true);
  settings.SetShowAnalysis(true);
  settings.SetShowDistributions(true);
  settings.SetFlipPages(true);
  settings.SetSite("Hilltop Bridge Club");
  settings.SetClubList({"Hilltop Bridge Club", "Riverside Duplicate"}, "Hilltop Bridge Club");
  settings.SetEventList({"Tuesday Pairs", "Club Championship"}, "Tuesday Pairs");

  // Never hang a script: give up after two minutes.
  QTimer::singleShot(120000, [] {
    std::cerr << "tarrow-screenshots: gave up after two minutes\n";
    std::exit(1);
  });
  tarrow::BuildNumberingTables();
  tarrow::QtOwnerExecutor executor;
  {
    // Written as the window writes them, so the window below starts from them.
    tarrow::App writer(executor);
    writer.MutableSettingsForTest() = settings;
    if (!writer.SaveSettings().ok()) return 1;
  }
  tarrow::App app(executor);
  tarrow::MainWindow window(app, {});
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  // "Browse": the set's file, chosen in the dialog as the operator would.
  QTimer chooser;
  chooser.setInterval(50);
  QObject::connect(&chooser, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(top);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (name == nullptr) continue;
      chooser.stop();
      dialog->setDirectory(work.path());
      name->setText("tuesday.pbn");  // as typed
      static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    }
  });
  chooser.start();
  window.findChild<QPushButton*>("BFNBrowse")->click();
  auto* seed = window.findChild<QLineEdit*>("LESeed");
  QTest::keyClicks(seed, "Tuesday 7 December");
  window.findChild<QPushButton*>("BDeal")->click();
  window.findChild<QLineEdit*>("LEDesc")->setText("Evening session, 36 boards");
  window.findChild<QLineEdit*>("Ename")->setText("Winter League");
  QTest::qWait(15000);  // some seconds of analysis colour the progress grid

  auto* tabs = window.findChild<QTabWidget*>("PageControl1");
  const char* const names[] = {"general", "hand-records", "options", "printing", "multiple-sets"};
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    QTest::qWait(200);
    const QString file = outDir + "/" + names[i] + ".png";
    if (!window.grab().save(file)) {
      std::cerr << "tarrow-screenshots: cannot write " << file.toStdString() << "\n";
      return 1;
    }
    std::cout << file.toStdString() << "\n";
  }

  // The deal viewer at two window sizes (board 5, its deal number shown),
  // and the hand editor on that board with West cleared.
  const auto save = [&outDir](QWidget& widget, const QString& name) {
    const QString file = outDir + "/" + name + ".png";
    if (!widget.grab().save(file)) {
      std::cerr << "tarrow-screenshots: cannot write " << file.toStdString() << "\n";
      return false;
    }
    std::cout << file.toStdString() << "\n";
    return true;
  };
  window.findChild<QPushButton*>("BView")->click();
  tarrow::DealViewer* viewer = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* v = qobject_cast<tarrow::DealViewer*>(top)) viewer = v;
  }
  if (viewer == nullptr) return 1;
  viewer->SetCurrentBoard(5);
  viewer->findChild<QPushButton*>("BShowN")->click();
  for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
    viewer->resize(size);
    QTest::qWait(200);
    if (!save(*viewer, QString("viewer-%1x%2").arg(size.width()).arg(size.height()))) return 1;
  }
  tarrow::HandEditor& editor = viewer->Editor();
  editor.Load(5, app.Set().Board(5).number);
  for (tarrow::Suit s : tarrow::kSuits) editor.Field(tarrow::kWest, s)->clear();
  if (!save(editor, "hand-editor")) return 1;
  viewer->ask = [](const QString&, const QString&) { return false; };
  viewer->close();
  window.close();
  return 0;
}

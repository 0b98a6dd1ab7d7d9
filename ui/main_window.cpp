#include "ui/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/analysis_display.h"
#include "ui/deal_viewer.h"
#include "ui/general_tab.h"
#include "ui/hand_records_tab.h"
#include "ui/multiple_sets_tab.h"
#include "ui/options_tab.h"
#include "ui/printing_tab.h"
#include "ui/qt_text.h"
#include "ui/widget_helpers.h"

namespace tarrow {

namespace {

constexpr int kTickMilliseconds = 1000;
// How often the window looks whether the analysis's last worker has ended.
constexpr int kEndWatchMilliseconds = 50;
constexpr int kStatusMilliseconds = 5000;

}  // namespace

MainWindow::MainWindow(App& app, WindowOptions options) : app_(app), options_(std::move(options)) {
  setObjectName("TForm1");
  setWindowTitle("Tarrow");
  setWindowIcon(QIcon(QPixmap::fromImage(ImageOf(app_.Logo()))));
  CreateViewer();

  tabs_ = Named(new QTabWidget, "PageControl1");
  general_ = new GeneralTab(app_, *this, options_.workingDirectory);
  handRecords_ = new HandRecordsTab(app_, *this);
  optionsTab_ = new OptionsTab(app_, *this);
  printing_ = new PrintingTab(app_, *this);
  multipleSets_ = new MultipleSetsTab(app_, *this);
  tabs_->addTab(general_, "General");
  tabs_->addTab(handRecords_, "Hand Records");
  tabs_->addTab(optionsTab_, "Options");
  tabs_->addTab(printing_, "Printing");
  tabs_->addTab(multipleSets_, "Multiple Sets");

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(tabs_, 1);
  layout->addWidget(BuildStrip());
  setCentralWidget(central);
  statusBar()->setSizeGripEnabled(true);

  tickTimer_ = Named(new QTimer(this), "Timer1");
  tickTimer_->setInterval(kTickMilliseconds);
  connect(tickTimer_, &QTimer::timeout, this, [this] { OnTick(); });
  // The last result ends the analysis at once: the tick that notices it
  // (saves, shows "Done", starts a run's next set) does not wait for its
  // second.
  endWatch_ = new QTimer(this);
  endWatch_->setInterval(kEndWatchMilliseconds);
  connect(endWatch_, &QTimer::timeout, this, [this] {
    if (app_.AnalysisRunning() && !app_.Runner().AnyWorkerAlive()) OnTick();
  });

  if (!app_.SettingsProblem().ok()) {
    statusBar()->showMessage(QString::fromStdString(app_.SettingsProblem().message()));
  }
  ApplySettings();
  tabs_->setCurrentIndex(0);
  RefreshAll();
  resize(820, 470);
  // Made small, the tabs would lay their controls over each other.
  setMinimumSize(minimumSizeHint());
  tabs_->setFocus();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::BuildStrip() {
  // Below the tabs: the set of a multiple-set run and the threads.
  auto* strip = new QWidget;
  auto* layout = new QHBoxLayout(strip);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(MakeLabel("Set #", "Label2"));
  setNumberLabel_ = MakeLabel("1", "LSetNum");
  layout->addWidget(setNumberLabel_);
  layout->addSpacing(12);
  currentFileLabel_ = MakeLabel("", "LCurrent");
  layout->addWidget(currentFileLabel_, 1);
  layout->addWidget(MakeLabel("Threads to Use", "Label11"));
  threadsShown_ = MakeLabel("", "LThreadsShown");
  layout->addWidget(threadsShown_);
  return strip;
}

void MainWindow::CreateViewer() {
  viewer_ = std::make_unique<DealViewer>(app_);
  connect(viewer_.get(), &DealViewer::DisplayOptionChanged, this,
          [this](bool allTricks) { handRecords_->ShowAllTricks(allTricks); });
  connect(viewer_.get(), &DealViewer::SaveFailed, this, [this](const QString& message) {
    ShowFailure("Save", Status::Error(message.toStdString()));
  });
  // An edited board has lost its analysis: analyse it again (a run that
  // was going on has been restarted by App already).
  connect(viewer_.get(), &DealViewer::BoardEdited, this, [this] {
    RefreshAll();
    if (app_.HasReadySet() && !app_.AnalysisRunning()) general_->OnAnalysisClicked();
  });
}

void MainWindow::ApplySettings() {
  general_->ShowSettings();
  handRecords_->ShowSettings();
  optionsTab_->ShowSettings();
  printing_->ShowSettings();
}

void MainWindow::RefreshAll() {
  general_->Refresh();
  optionsTab_->Refresh();
  printing_->Refresh();
  multipleSets_->Refresh();
  const MultiSetRun& run = app_.MultiRun();
  if (!run.CurrentFile().empty()) {
    setNumberLabel_->setText(QString::number(run.SetCounter()));
    currentFileLabel_->setText("File: " + FromPath(run.CurrentFile().filename()));
  }
  threadsShown_->setText(QString::number(app_.ThreadsSetting()));
}

// ---------------------------------------------------------------- services

void MainWindow::ShowFailure(const QString& title, const Status& status) {
  QString message = QString::fromStdString(status.message());
  if (!message.isEmpty()) message[0] = message[0].toUpper();
  statusBar()->showMessage(message);
  QMessageBox::warning(this, title, message);
}

bool MainWindow::Ask(const QString& title, const QString& question) {
  // Every question asked here replaces or forgets something: Return and
  // Escape both keep it.
  return QMessageBox::question(this, title, question, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::ShowStatus(const QString& text) {
  statusBar()->showMessage(text, kStatusMilliseconds);
}

void MainWindow::ShowNotes(const QString& title, const QStringList& notes) {
  statusBar()->showMessage(notes.join(" "));
  QMessageBox::information(this, title, notes.join("\n"));
}

void MainWindow::StartTicking() {
  if (!tickTimer_->isActive()) tickTimer_->start();
  if (!endWatch_->isActive()) endWatch_->start();
}

// ---------------------------------------------------------------- the tick

void MainWindow::OnTick() {
  if (!app_.AnalysisRunning() && !app_.MultiRun().Busy()) {
    tickTimer_->stop();
    endWatch_->stop();
    return;
  }
  const int setBefore = app_.MultiRun().SetCounter();
  const App::TickOutcome outcome = app_.Tick();
  if (outcome.analysed) {
    // An analysis that ended before every result was found was stopped.
    const bool stopped = outcome.tick.completed && !SetAnalysed(app_.Set());
    const QString progress =
        QString::fromStdString(stopped                  ? std::string("Stopped")
                               : outcome.tick.completed ? DoneText(outcome.tick.elapsedSeconds)
                                                        : ProgressText(outcome.tick));
    const QString counts = QString::fromStdString(app_.AnalysisSummary());
    general_->ShowProgress(progress, outcome.tick.completed ? QString() : counts);
    // The run's tab speaks of the run's sets only, not of a set analysed by hand.
    if (app_.MultiRun().Busy()) multipleSets_->ShowWorking(progress);
    if (viewer_->isVisible()) viewer_->ShowDD();
    if (outcome.tick.completed) {
      if (!outcome.save.ok()) ShowFailure("Save", outcome.save);
    } else if (!outcome.save.ok()) {
      // The next periodic save tries again; the final one reports.
      statusBar()->showMessage(QString::fromStdString(outcome.save.message()));
    }
  }
  if (outcome.stepped && app_.MultiRun().SetCounter() != setBefore) {
    // A new set: the window shows it as if it had been dealt here.
    general_->ShowSeed(app_.MultiRun().Seed());
  }
  RefreshAll();
  if (outcome.stepped && !outcome.run.ok()) ShowFailure("Multiple Sets", outcome.run);
}

// ---------------------------------------------------------------- activation

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

void MainWindow::OnActivated() {
  const Result<bool> reloaded = app_.ReloadIfChanged(options_.commandLineFile);
  if (!reloaded.ok()) {
    if (!reportedActivationFailure_) {
      // Once: the box's own closing activates the window again.
      reportedActivationFailure_ = true;
      ShowFailure("Load a Saved Set", reloaded.status());
    }
  } else if (*reloaded) {
    general_->ShowLoadedSet();
  }
  app_.StoreComputerName(ComputerNameText());
}

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    // The viewer's display question comes before the settings are collected.
    if (viewer_->isVisible()) viewer_->close();
    MultiSetRun& run = app_.MultiRun();
    if (run.Busy()) {
      (void)run.Halt();
      while (run.Busy()) (void)run.Step();
    }
    // The workers stop and hand back what they have; the set is saved whole
    // afterwards, never while a result is still on its way.
    if (app_.AnalysisRunning()) {
      const App::TickOutcome outcome = app_.StopAndWait();
      if (!outcome.save.ok()) ShowFailure("Save", outcome.save);
    }
    tickTimer_->stop();
    endWatch_->stop();
    // The settings file, then the set.
    const Status closed = app_.CloseSession();
    if (!closed.ok()) ShowFailure("Save", closed);
  }
  event->accept();
}

}  // namespace tarrow

#include "ui/multiple_sets_tab.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/annotate_dialog.h"
#include "ui/qt_text.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

namespace fs = std::filesystem;

namespace {

constexpr int kRunSeedShown = 85;  // characters of "Seed: " and the seed

QString StoppedText() {
  return QString::fromUtf8(MultiSetRun::kStoppedText.data(), int(MultiSetRun::kStoppedText.size()));
}

}  // namespace

MultipleSetsTab::MultipleSetsTab(App& app, WindowServices& window) : app_(app), window_(window) {
  auto* layout = new QVBoxLayout(this);

  QGroupBox* request = MakeGroup("Run");
  auto* requestForm = new QGridLayout(request);
  runNameEdit_ = Named(new QLineEdit, "Ename");
  runNameEdit_->setPlaceholderText("names the run's folder and files");
  setsSpin_ = MakeSpin(MultiSetRun::kFewestSets, MultiSetRun::kMostSets, MultiSetRun::kFewestSets,
                       "SEDeals");
  requestForm->addWidget(MakeLabel("Set Name", "EnameLabel"), 0, 0);
  requestForm->addWidget(runNameEdit_, 0, 1);
  requestForm->addWidget(MakeLabel("Number of Deals :", "LNDeals"), 1, 0);
  requestForm->addWidget(setsSpin_, 1, 1, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  runButton_ = MakeButton("Start", "BMulti");
  viewLogButton_ = MakeButton("View Log", "BViewLog");
  annotateButton_ = MakeButton("Annotate a PBN File...", "BAnnotate");
  annotateButton_->setToolTip(
      "Adds double-dummy tables and par to every game of any PBN file, "
      "keeping the rest of it as it is.");
  buttons->addWidget(runButton_);
  buttons->addWidget(viewLogButton_);
  buttons->addStretch(1);
  buttons->addWidget(annotateButton_);
  requestForm->addLayout(buttons, 2, 0, 1, 2);
  requestForm->setColumnStretch(1, 1);
  layout->addWidget(request);

  QGroupBox* progress = MakeGroup("Progress");
  auto* grid = new QGridLayout(progress);
  runFolderLabel_ = MakeLabel("Dir: ", "LSaveDir");
  runFolderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(runFolderLabel_, 0, 0, 1, 4);
  grid->addWidget(MakeLabel("Running Set #", "Label3"), 1, 0);
  runSetLabel_ = MakeLabel("", "LMCnt");
  grid->addWidget(runSetLabel_, 1, 1);
  runSeedLabel_ = MakeLabel("Seed: ", "Lseed");
  grid->addWidget(runSeedLabel_, 2, 0, 1, 4);
  grid->addWidget(MakeLabel("Elapsed: ", "Label5"), 3, 0);
  grid->addWidget(MakeLabel("Set Time", "Label1"), 3, 1);
  setTimeLabel_ = MakeLabel("", "LTime");
  grid->addWidget(setTimeLabel_, 3, 2);
  grid->addWidget(MakeLabel("Job Time", "Label4"), 4, 1);
  runTimeLabel_ = MakeLabel("", "LTime2");
  grid->addWidget(runTimeLabel_, 4, 2);
  workingLabel_ = MakeLabel("", "LWorking");
  grid->addWidget(workingLabel_, 5, 0, 1, 4);
  grid->setColumnStretch(3, 1);
  layout->addWidget(progress);
  layout->addStretch(1);

  connect(runButton_, &QPushButton::clicked, this, [this] { OnRunClicked(); });
  connect(viewLogButton_, &QPushButton::clicked, this, [this] { OnViewLogClicked(); });
  connect(annotateButton_, &QPushButton::clicked, this, [this] { OnAnnotateClicked(); });
}

void MultipleSetsTab::OnAnnotateClicked() {
  if (annotateDialog_ == nullptr) {
    annotateDialog_ = new AnnotateDialog(
        app_.ThreadsSetting(),
        [this](const QString& question) { return window_.Ask("Annotate a PBN File", question); },
        this);
    annotateDialog_->setWindowFlag(Qt::Window);
  }
  annotateDialog_->show();
  annotateDialog_->raise();
  annotateDialog_->activateWindow();
}

void MultipleSetsTab::Refresh() {
  const MultiSetRun& run = app_.MultiRun();
  runButton_->setText(run.Busy() ? "Halt" : "Start");
  runNameEdit_->setEnabled(!run.Busy());
  setsSpin_->setEnabled(!run.Busy());
  if (run.RunDirectory().empty()) return;
  runFolderLabel_->setText("Dir: " + FromPath(run.RunDirectory()));
  runSetLabel_->setText(QString::number(run.SetCounter()));
  runSeedLabel_->setText(("Seed: " + FromText(run.Seed())).left(kRunSeedShown));
  setTimeLabel_->setText(QString::fromStdString(run.SetTimeText()));
  runTimeLabel_->setText(QString::fromStdString(run.RunTimeText()));
}

void MultipleSetsTab::ShowWorking(const QString& text) {
  // A halted run keeps saying so until the next one starts.
  if (app_.MultiRun().StopRequested() && app_.MultiRun().Busy()) return;
  workingLabel_->setText(text);
}

void MultipleSetsTab::OnRunClicked() {
  MultiSetRun& run = app_.MultiRun();
  if (run.Busy()) {
    const Status halted = run.Halt();
    workingLabel_->setText(StoppedText());
    window_.RefreshAll();
    if (!halted.ok()) window_.ShowFailure("Halt", halted);
    return;
  }
  const std::string name = runNameEdit_->text().toStdString();
  const fs::path folder = app_.Settings().OutputDirectory();
  bool needsWord = false;
  Status started = run.Start(name, setsSpin_->value(), folder, false, &needsWord);
  if (needsWord) {
    if (!AskToReplace(window_, "Multiple Sets", started,
                      "Remove the earlier run's files and start a new run there?")) {
      return;
    }
    started = run.Start(name, setsSpin_->value(), folder, true);
  }
  if (!started.ok()) {
    window_.ShowFailure("Multiple Sets", started);
    return;
  }
  // The set in hand is finished and saved before the run's first set takes
  // the window (at the next tick).
  if (const Status left = app_.LeaveSet(); !left.ok()) window_.ShowFailure("Save", left);
  workingLabel_->clear();
  window_.StartTicking();
  window_.RefreshAll();
}

void MultipleSetsTab::OnViewLogClicked() {
  const fs::path& log = app_.MultiRun().LogPath();
  std::error_code ignored;
  if (log.empty() || !fs::exists(log, ignored)) {
    QMessageBox::information(this, "View Log",
                             "There is no run log yet: a run of multiple sets writes one.");
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(log)))) {
    window_.ShowFailure("View Log", Status::Error("no program could open the log " + log.string()));
  }
}

}  // namespace tarrow

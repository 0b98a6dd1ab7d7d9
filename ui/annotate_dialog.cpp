#include "ui/annotate_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/analysis_display.h"
#include "ui/qt_text.h"
#include "ui/widget_helpers.h"

namespace tarrow {

namespace {

const QString kPbnFilter = "Portable Bridge Notation (*.pbn);;All files (*)";

}  // namespace

AnnotateDialog::AnnotateDialog(int threads, std::function<bool(const QString&)> ask,
                               QWidget* parent)
    : QDialog(parent), ask_(std::move(ask)) {
  setObjectName("AnnotateDialog");
  setWindowTitle("Annotate a PBN File");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QGridLayout;
  inputEdit_ = Named(new QLineEdit, "LEAnnotateInput");
  inputEdit_->setPlaceholderText("the PBN file whose games get tables and par");
  outputEdit_ = Named(new QLineEdit, "LEAnnotateOutput");
  outputEdit_->setPlaceholderText("beside it, as NAME.dd.pbn");
  QPushButton* inputBrowse = MakeButton("Browse...", "BAnnotateInput");
  QPushButton* outputBrowse = MakeButton("Browse...", "BAnnotateOutput");
  threadsSpin_ = MakeSpin(1, 8, std::clamp(threads, 1, 8), "SEAnnotateThreads");
  form->addWidget(MakeLabel("PBN file", "LAnnotateInput"), 0, 0);
  form->addWidget(inputEdit_, 0, 1);
  form->addWidget(inputBrowse, 0, 2);
  form->addWidget(MakeLabel("Output", "LAnnotateOutput"), 1, 0);
  form->addWidget(outputEdit_, 1, 1);
  form->addWidget(outputBrowse, 1, 2);
  form->addWidget(MakeLabel("Threads", "LAnnotateThreads"), 2, 0);
  form->addWidget(threadsSpin_, 2, 1, Qt::AlignLeft);
  form->setColumnStretch(1, 1);
  layout->addLayout(form);

  progressBar_ = Named(new QProgressBar, "PBAnnotate");
  progressBar_->setRange(0, 1);
  progressBar_->setValue(0);
  layout->addWidget(progressBar_);
  statusLabel_ = MakeLabel("", "LAnnotateStatus");
  statusLabel_->setWordWrap(true);
  statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(statusLabel_);
  notes_ = Named(new QPlainTextEdit, "MAnnotateNotes");
  notes_->setReadOnly(true);
  notes_->setPlaceholderText("Games left as they were and tags replaced are listed here.");
  layout->addWidget(notes_, 1);

  auto* buttons = new QHBoxLayout;
  startButton_ = MakeButton("Start", "BAnnotateStart");
  closeButton_ = MakeButton("Close", "BAnnotateClose");
  buttons->addStretch(1);
  buttons->addWidget(startButton_);
  buttons->addWidget(closeButton_);
  layout->addLayout(buttons);
  resize(640, 360);

  connect(inputBrowse, &QPushButton::clicked, this, [this] { OnBrowseInput(); });
  connect(outputBrowse, &QPushButton::clicked, this, [this] { OnBrowseOutput(); });
  connect(startButton_, &QPushButton::clicked, this, [this] { OnStartClicked(); });
  connect(closeButton_, &QPushButton::clicked, this, [this] { reject(); });
}

AnnotateDialog::~AnnotateDialog() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

void AnnotateDialog::reject() {
  if (running_) {
    stop_ = true;  // the run saves what it has; the dialog closes when it has
    closeWhenDone_ = true;
    statusLabel_->setText("Stopping: saving what is done...");
    return;
  }
  QDialog::reject();
}

void AnnotateDialog::OnBrowseInput() {
  const QString chosen =
      QFileDialog::getOpenFileName(this, "PBN File to Annotate", inputEdit_->text(), kPbnFilter);
  if (chosen.isEmpty()) return;
  inputEdit_->setText(chosen);
  outputEdit_->setText(FromPath(AnnotateDefaultOutput(ToPath(chosen))));
}

void AnnotateDialog::OnBrowseOutput() {
  QString start = outputEdit_->text();
  if (start.isEmpty() && !inputEdit_->text().isEmpty()) {
    start = FromPath(AnnotateDefaultOutput(ToPath(inputEdit_->text())));
  }
  // Replacing is the dialog's own question (after the checks), not the file dialog's.
  const QString chosen = QFileDialog::getSaveFileName(this, "Annotated File", start, kPbnFilter,
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
  if (!chosen.isEmpty()) outputEdit_->setText(chosen);
}

void AnnotateDialog::OnStartClicked() {
  if (running_) {
    stop_ = true;
    startButton_->setEnabled(false);
    statusLabel_->setText("Stopping: saving what is done...");
    return;
  }
  if (inputEdit_->text().trimmed().isEmpty()) {
    statusLabel_->setText("Choose the PBN file to annotate.");
    return;
  }
  notes_->clear();
  Start(false);
}

void AnnotateDialog::Start(bool replaceAllowed) {
  AnnotateRequest request;
  request.input = ToPath(inputEdit_->text().trimmed());
  request.output = ToPath(outputEdit_->text().trimmed());
  request.threads = threadsSpin_->value();
  request.replaceAllowed = replaceAllowed;
  request.stop = &stop_;
  if (request.output.empty()) outputEdit_->setText(FromPath(AnnotateDefaultOutput(request.input)));
  stop_ = false;
  running_ = true;
  startButton_->setText("Stop");
  startButton_->setEnabled(true);
  inputEdit_->setEnabled(false);
  outputEdit_->setEnabled(false);
  threadsSpin_->setEnabled(false);
  progressBar_->setRange(0, 0);  // busy until the games are counted
  statusLabel_->setText("Reading " + FromPath(request.input) + "...");
  if (worker_.joinable()) worker_.join();
  worker_ = std::thread([this, request, replaceAllowed] {
    AnnotateHooks hooks;
    hooks.countGames = true;
    hooks.progress = [this](const AnnotateProgress& progress) {
      QMetaObject::invokeMethod(
          this, [this, progress] { OnProgress(progress); }, Qt::QueuedConnection);
    };
    hooks.warning = [this](const std::string& message) {
      const QString text = QString::fromStdString(message);
      QMetaObject::invokeMethod(
          this, [this, text] { notes_->appendPlainText(text); }, Qt::QueuedConnection);
    };
    const AnnotateVerdict verdict = Annotate(request, hooks);
    QMetaObject::invokeMethod(
        this, [this, verdict, replaceAllowed] { OnFinished(verdict, replaceAllowed); },
        Qt::QueuedConnection);
  });
}

void AnnotateDialog::OnProgress(const AnnotateProgress& progress) {
  if (!running_) return;
  if (progress.gamesTotal > 0) {
    // The bar counts in thousandths, so that any number of games fits an int.
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(int(progress.gamesDone * 1000 / progress.gamesTotal));
  }
  QString text = QString("%1 of %2 games").arg(progress.gamesDone).arg(progress.gamesTotal);
  if (progress.seconds >= 1) {
    text += QString(", %1 deals a second")
                .arg(double(progress.dealsSolved) / progress.seconds, 0, 'f', 1);
    if (progress.gamesDone > 0 && progress.gamesDone < progress.gamesTotal) {
      const double left = progress.seconds * double(progress.gamesTotal - progress.gamesDone) /
                          double(progress.gamesDone);
      text += ", " + QString::fromStdString(ClockText(left)) + " left";
    }
  }
  statusLabel_->setText(text);
}

void AnnotateDialog::OnFinished(const AnnotateVerdict& verdict, bool replaceAllowed) {
  if (worker_.joinable()) worker_.join();
  running_ = false;
  ShowIdle();
  if (!verdict.ok()) {
    if (verdict.needsWord && !replaceAllowed && !stop_ &&
        ask_(QString::fromStdString(verdict.status.message()) +
             ".\n\nYes replaces it with the annotated file.")) {
      Start(true);
      return;
    }
    statusLabel_->setText(QString::fromStdString(verdict.status.message()));
    return;
  }
  const QString where = FromPath(verdict.output);
  if (verdict.stopped) {
    statusLabel_->setText(QString("Stopped: %1 games annotated, the rest left as they were, in %2. "
                                  "Start again to go on where it stopped.")
                              .arg(verdict.annotated)
                              .arg(where));
  } else {
    progressBar_->setRange(0, 1);
    progressBar_->setValue(1);
    QString text = QString("Annotated %1 of %2 games into %3 (%4 deals solved).")
                       .arg(verdict.annotated)
                       .arg(verdict.games)
                       .arg(where)
                       .arg(verdict.dealsSolved);
    if (verdict.badGames > 0) {
      text += QString(" %1 left as they were (listed below).").arg(verdict.badGames);
    }
    statusLabel_->setText(text);
  }
  if (closeWhenDone_) QDialog::reject();
}

void AnnotateDialog::ShowIdle() {
  startButton_->setText("Start");
  startButton_->setEnabled(true);
  inputEdit_->setEnabled(true);
  outputEdit_->setEnabled(true);
  threadsSpin_->setEnabled(true);
  if (progressBar_->maximum() == 0) progressBar_->setRange(0, 1);
}

}  // namespace tarrow

#include "ui/options_tab.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

#include "app/analysis_display.h"
#include "app/exports.h"
#include "ui/qt_text.h"
#include "ui/setting_controls.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

namespace fs = std::filesystem;

namespace {

// A monitor's name without the leading backslashes and dots some systems give.
QString MonitorName(const QScreen* screen, int index) {
  QString name = screen->name();
  while (name.startsWith('\\') || name.startsWith('.')) name.remove(0, 1);
  if (name.isEmpty()) return QString::number(index) + " Not Found";
  return name;
}

}  // namespace

OptionsTab::OptionsTab(App& app, WindowServices& window) : app_(app), window_(window) {
  auto* layout = new QVBoxLayout(this);

  QGroupBox* files = MakeGroup("Files");
  auto* filesLayout = new QGridLayout(files);
  folderLabel_ = MakeLabel("Save files in: ", ControlName(TextSetting::kOutputDirectory));
  folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  changeFolderButton_ = MakeButton("Change", "BCHDir");
  filesLayout->addWidget(folderLabel_, 0, 0);
  filesLayout->addWidget(changeFolderButton_, 0, 1);
  savedInLabel_ = MakeLabel("Output File", "LFN2");
  savedInLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filesLayout->addWidget(savedInLabel_, 1, 0, 1, 2);
  filesLayout->setColumnStretch(0, 1);
  layout->addWidget(files);

  auto* middle = new QHBoxLayout;
  QGroupBox* threads = MakeGroup("Analysis");
  auto* threadsForm = new QFormLayout(threads);
  const NumberField& threadsField = FieldOf(NumberSetting::kThreads);
  threadsSpin_ = MakeSpin(threadsField.lowest, threadsField.highest, threadsField.byDefault,
                          ControlName(NumberSetting::kThreads));
  threadsForm->addRow(MakeLabel("Threads to Use", "Label7"), threadsSpin_);
  threadsInUseLabel_ = MakeLabel("Threads in Use", "LMaxThreads");
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  processorsLabel_ = MakeLabel(QString::number(processors) + " Processors Reported", "LNumProc");
  threadsForm->addRow(threadsInUseLabel_);
  threadsForm->addRow(processorsLabel_);
  middle->addWidget(threads, 1);

  QGroupBox* place = MakeGroup("Club");
  auto* placeLayout = new QVBoxLayout(place);
  auto* siteForm = new QFormLayout;
  siteEdit_ = Named(new QLineEdit, ControlName(TextSetting::kSite));
  siteEdit_->setMaxLength(int(SettingsRecord::kNameLimit));
  siteForm->addRow(MakeLabel("Site: ", "LESiteLabel"), siteEdit_);
  placeLayout->addLayout(siteForm);
  monitorGroup_ = MakeGroup(" Deal View Monitor ", ControlName(NumberSetting::kMonitor));
  new QVBoxLayout(monitorGroup_);
  monitorLabel_ = MakeLabel("Default Monitor", "LDispName");
  placeLayout->addWidget(monitorGroup_);
  placeLayout->addWidget(monitorLabel_);
  middle->addWidget(place, 1);
  layout->addLayout(middle);

  QGroupBox* special = MakeGroup("Special Commands");
  auto* specialLayout = new QHBoxLayout(special);
  repeatAnalysisButton_ = MakeButton("Repeat Double Dummy", "BReDoDD");
  repeatAnalysisButton_->setToolTip(
      "Re-do double dummy analysis.  Used for performance measurements.");
  rewritePdfButton_ = MakeButton("Re-Write PDF of Hand Records", "BPDF");
  forceWriteButton_ = MakeButton("Force PBN Write", "BSave");
  webPageButton_ = MakeButton("Write Web Page of Hand Records", "BHTML");
  webPageButton_->setToolTip(
      "the hand records as one page for the club's web site, beside the set");
  specialLayout->addWidget(repeatAnalysisButton_);
  specialLayout->addWidget(rewritePdfButton_);
  specialLayout->addWidget(webPageButton_);
  specialLayout->addWidget(forceWriteButton_);
  specialLayout->addStretch(1);
  layout->addWidget(special);
  layout->addStretch(1);

  connect(changeFolderButton_, &QPushButton::clicked, this, [this] { OnChangeFolderClicked(); });
  connect(repeatAnalysisButton_, &QPushButton::clicked, this,
          [this] { OnRepeatAnalysisClicked(); });
  connect(rewritePdfButton_, &QPushButton::clicked, this, [this] { OnRewritePdfClicked(); });
  connect(forceWriteButton_, &QPushButton::clicked, this, [this] { OnForceWriteClicked(); });
  connect(webPageButton_, &QPushButton::clicked, this, [this] { OnWriteWebPageClicked(); });
  connect(threadsSpin_, &QSpinBox::valueChanged, this, [this](int threads) {
    app_.SetNumber(NumberSetting::kThreads, threads);
    window_.RefreshAll();
  });
  connect(siteEdit_, &QLineEdit::textChanged, this,
          [this](const QString& text) { app_.SetSite(ToTextLossy(text)); });
}

void OptionsTab::Refresh() {
  const bool ready = app_.HasReadySet();
  forceWriteButton_->setEnabled(ready);
  rewritePdfButton_->setEnabled(ready);
  webPageButton_->setEnabled(ready);
  repeatAnalysisButton_->setEnabled(ready && !app_.MultiRun().Busy());
  if (app_.AnalysisRunning()) {
    threadsInUseLabel_->setText(QString::fromStdString(MaxThreadsText(app_.ThreadsSetting())));
  }
  if (!app_.PbnPath().empty()) savedInLabel_->setText("Saved in: " + FromPath(app_.PbnPath()));
  folderLabel_->setText("Save files in: " + FromPath(app_.Settings().OutputDirectory()));
  // A loaded set brings its own site; what the box shows is what is saved.
  if (ToTextLossy(siteEdit_->text()) != app_.Fields().site) {
    siteEdit_->setText(FromText(app_.Fields().site));
  }
}

void OptionsTab::ShowSettings() {
  const SettingsRecord& shown = app_.Settings();
  threadsSpin_->setValue(shown.Threads());
  siteEdit_->setText(FromText(app_.Fields().site));
  folderLabel_->setText("Save files in: " + FromPath(shown.OutputDirectory()));
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool several = screens.size() > 1;
  monitorGroup_->setVisible(several);
  monitorLabel_->setVisible(!several);
  monitorLabel_->setText("Default Monitor");
  if (!several) return;
  const int chosen = std::clamp(shown.Monitor(), 0, int(screens.size()) - 1);
  for (int i = 0; i < screens.size(); ++i) {
    auto* item = new QRadioButton(MonitorName(screens[i], i));
    item->setObjectName(monitorGroup_->objectName() + QString::number(i));
    item->setChecked(i == chosen);
    monitorGroup_->layout()->addWidget(item);
    connect(item, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) app_.SetNumber(NumberSetting::kMonitor, i);
    });
  }
  monitorLabel_->setText(MonitorName(screens[chosen], chosen));
}

void OptionsTab::OnChangeFolderClicked() {
  std::error_code ignored;
  fs::path start = app_.Settings().OutputDirectory();
  if (!fs::is_directory(start, ignored)) {
    start = fs::path(QCoreApplication::applicationDirPath().toStdString());
  }
  QFileDialog dialog(this, "Save files in");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setDirectory(FromPath(start));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string chosen = ToPath(dialog.selectedFiles().first()).string();
  // A cut path would name another folder, so a longer one is refused.
  if (chosen.size() > SettingsRecord::kDirectoryLimit) {
    window_.ShowFailure("Change",
                        Status::Error("the folder " + chosen + " has a path longer than " +
                                      std::to_string(SettingsRecord::kDirectoryLimit) +
                                      " characters, which the settings cannot keep; "
                                      "choose a folder nearer the top"));
    return;
  }
  app_.SetText(TextSetting::kOutputDirectory, chosen);
  window_.RefreshAll();
}

void OptionsTab::OnRepeatAnalysisClicked() {
  if (!window_.Ask("Repeat Double Dummy",
                   "Forget the double-dummy results of every board and analyse the set again?\n\n"
                   "The set file and its hand records keep the old results until every board "
                   "is analysed again.")) {
    return;
  }
  const Status started = app_.RepeatDoubleDummy();
  if (app_.AnalysisRunning()) window_.StartTicking();
  window_.RefreshAll();
  if (!started.ok()) window_.ShowFailure("Repeat Double Dummy", started);
}

void OptionsTab::OnRewritePdfClicked() {
  OutputVerdict written = app_.WriteHandRecords();
  if (written.needsWord &&
      AskToReplace(window_, "Re-Write PDF of Hand Records", written.status, "Replace it?")) {
    written = app_.WriteHandRecords(true);
  }
  if (written.needsWord) return;  // kept, as the operator chose
  if (!written.ok()) {
    window_.ShowFailure("Re-Write PDF of Hand Records", written.status);
  } else {
    window_.ShowStatus("Written " + FromPath(app_.PdfPath()));
  }
}

void OptionsTab::OnWriteWebPageClicked() {
  const fs::path out = ExportPath(app_, ".html");
  OutputVerdict written = WriteHandRecordsHtml(app_, out, app_.HandRecordChoices());
  if (written.needsWord &&
      AskToReplace(window_, "Write Web Page of Hand Records", written.status, "Replace it?")) {
    written = WriteHandRecordsHtml(app_, out, app_.HandRecordChoices(), true);
  }
  if (written.needsWord) return;  // kept, as the operator chose
  if (!written.ok()) {
    window_.ShowFailure("Write Web Page of Hand Records", written.status);
  } else {
    window_.ShowStatus("Written " + FromPath(out));
  }
}

void OptionsTab::OnForceWriteClicked() {
  const Status written = app_.ForcePbnWrite();
  if (!written.ok()) {
    window_.ShowFailure("Force PBN Write", written);
  } else {
    window_.ShowStatus("Written " + FromPath(app_.PbnPath()));
  }
}

}  // namespace tarrow

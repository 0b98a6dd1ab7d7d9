#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <thread>

#include "app/app.h"
#include "core/banner.h"
#include "core/generation.h"
#include "core/ltc.h"
#include "files/deal_files.h"
#include "records/output_drivers.h"
#include "ui/deal_viewer.h"
#include "ui/qt_text.h"

namespace tarrow {

namespace fs = std::filesystem;

namespace {

// The colour of a board whose ten results are all known, and of the grid's
// background.
constexpr uint32_t kDoneColour = 0x2E7D5B;
constexpr int kLtcItems = 3;
const char* const kLtcTexts[kLtcItems] = {
    "1 -Count unguarded Queens as half losers",
    "2 -Add a loser if more Q's than A's.  Subtract a loser if more A's than Q's.",
    "3 -Add a half for each excess Queen.  Subtract a half for each excess Ace."};
const QStringList kSetFileFilters = {"Portable Bridge Notation (*.pbn)",
                                     "Import Bridge File (*.bre *.ber *.bri)"};
constexpr int kRunSeedShown = 85;

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* MakeLabel(const QString& text, const char* name) {
  return Named(new QLabel(text), name);
}

QPushButton* MakeButton(const QString& text, const char* name) {
  return Named(new QPushButton(text), name);
}

QCheckBox* MakeCheck(const QString& text, const char* name) {
  return Named(new QCheckBox(text), name);
}

QSpinBox* MakeSpin(int lowest, int highest, int value, const char* name) {
  QSpinBox* spin = Named(new QSpinBox, name);
  spin->setRange(lowest, highest);
  spin->setValue(value);
  spin->setMinimumWidth(70);
  spin->setMaximumWidth(110);
  return spin;
}

QGroupBox* MakeGroup(const QString& title, const char* name = "") {
  QGroupBox* group = new QGroupBox(title);
  if (*name != 0) group->setObjectName(QString::fromLatin1(name));
  return group;
}

QImage ImageOf(const RgbImage& image) {
  QImage copy(image.pixels.data(), image.width, image.height, image.width * 3,
              QImage::Format_RGB888);
  return copy.copy();  // owns its pixels
}

DateTime FromQDate(const QDate& date) {
  return DateFromCivil(date.year(), date.month(), date.day());
}

QDate ToQDate(DateTime value) {
  const CivilDateTime civil = CivilFromDateTime(value);
  return QDate(civil.year, civil.month, civil.day);
}

// A monitor's name without the leading backslashes and dots some systems give.
QString MonitorName(const QScreen* screen, int index) {
  QString name = screen->name();
  while (name.startsWith('\\') || name.startsWith('.')) name.remove(0, 1);
  if (name.isEmpty()) return QString::number(index) + " Not Found";
  return name;
}

}  // namespace

MainWindow::MainWindow(App& app, WindowOptions options)
    : app_(app),
      options_(std::move(options)),
      runHost_(options_.runHost ? std::move(options_.runHost) : std::make_unique<AppRunHost>(app)),
      run_(*runHost_),
      grid_(kDoneColour, uint32_t(QDateTime::currentMSecsSinceEpoch())) {
  setObjectName("TForm1");
  setWindowTitle("Tarrow");
  setWindowIcon(QIcon(QPixmap::fromImage(ImageOf(app_.Logo()))));
  BuildWidgets();
  OnCreated();
}

MainWindow::~MainWindow() = default;

// ---------------------------------------------------------------- widgets

void MainWindow::BuildWidgets() {
  tabs_ = Named(new QTabWidget, "PageControl1");
  tabs_->addTab(BuildGeneralTab(), "General");
  tabs_->addTab(BuildHandRecordsTab(), "Hand Records");
  tabs_->addTab(BuildOptionsTab(), "Options");
  tabs_->addTab(BuildPrintingTab(), "Printing");
  tabs_->addTab(BuildMultipleSetsTab(), "Multiple Sets");

  // Outside the tabs: the set of a multiple-set run and the threads.
  auto* strip = new QHBoxLayout;
  strip->addWidget(MakeLabel("Set #", "Label2"));
  setNumberLabel_ = MakeLabel("1", "LSetNum");
  strip->addWidget(setNumberLabel_);
  strip->addSpacing(12);
  currentFileLabel_ = MakeLabel("", "LCurrent");
  strip->addWidget(currentFileLabel_, 1);
  strip->addWidget(MakeLabel("Threads to Use", "Label11"));
  auto* threadsShown = MakeLabel("", "LThreads");
  strip->addWidget(threadsShown);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(tabs_, 1);
  layout->addLayout(strip);
  setCentralWidget(central);
  statusBar()->setSizeGripEnabled(true);

  analysisTimer_ = Named(new QTimer(this), "Timer1");
  analysisTimer_->setInterval(1000);
  connect(analysisTimer_, &QTimer::timeout, this, [this] { OnAnalysisTick(); });
  runTimer_ = Named(new QTimer(this), "Timer2");
  runTimer_->setInterval(1000);
  connect(runTimer_, &QTimer::timeout, this, [this] { OnRunTick(); });
  connect(threadsSpin_, &QSpinBox::valueChanged, threadsShown,
          [threadsShown](int threads) { threadsShown->setText(QString::number(threads)); });
  threadsShown->setText(QString::number(threadsSpin_->value()));
  resize(820, 470);
}

QWidget* MainWindow::BuildGeneralTab() {
  auto* page = new QWidget;
  auto* columns = new QHBoxLayout(page);
  auto* left = new QVBoxLayout;
  columns->addLayout(left, 3);

  QGroupBox* setGroup = MakeGroup("Set");
  auto* setForm = new QGridLayout(setGroup);
  seedEdit_ = Named(new QLineEdit, "LESeed");
  seedEdit_->setPlaceholderText("the text the set grows from");
  seedEdit_->installEventFilter(this);
  addDateTimeButton_ = MakeButton("Add Date/Time", "BAddDT");
  clearSeedButton_ = MakeButton("Clear", "BClearSeed");
  auto* seedLabel = MakeLabel("Seed: ", "LESeedLabel");
  seedLabel->setBuddy(seedEdit_);
  setForm->addWidget(seedLabel, 0, 0);
  setForm->addWidget(seedEdit_, 0, 1);
  setForm->addWidget(addDateTimeButton_, 0, 2);
  setForm->addWidget(clearSeedButton_, 0, 3);
  browseButton_ = MakeButton("Browse", "BFNBrowse");
  fileNameLabel_ = MakeLabel("File Name:", "LFn");
  fileNameLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setForm->addWidget(browseButton_, 1, 0);
  setForm->addWidget(fileNameLabel_, 1, 1, 1, 3);
  auto* actions = new QHBoxLayout;
  dealButton_ = MakeButton("Deal ", "BDeal");
  dealButton_->setDefault(true);
  loadButton_ = MakeButton("Load a Saved Set", "BLoad");
  loadTestSetButton_ = MakeButton("Load Test Set", "BTest");
  actions->addWidget(dealButton_);
  actions->addWidget(loadButton_);
  actions->addWidget(loadTestSetButton_);
  actions->addStretch(1);
  setForm->addLayout(actions, 2, 0, 1, 4);
  setForm->setColumnStretch(1, 1);
  left->addWidget(setGroup);

  eventBox_ = MakeGroup("Event", "Shape2");
  auto* eventForm = new QFormLayout(eventBox_);
  eventLabel_ = MakeLabel("Event Name:", "LEvent");
  eventCombo_ = Named(new QComboBox, "CBEvent");
  descriptionLabel_ = MakeLabel("Description: ", "LEDescLabel");
  descriptionEdit_ = Named(new QLineEdit, "LEDesc");
  descriptionEdit_->setMaxLength(int(LimitedText<64>::kLimit));
  eventDateLabel_ = MakeLabel("Event Date:", "Label6");
  eventDateEdit_ = Named(new QDateEdit, "DTDate");
  eventDateEdit_->setCalendarPopup(true);
  eventDateEdit_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
  clubLabel_ = MakeLabel("Club Name:", "Label9");
  clubCombo_ = Named(new QComboBox, "CBClub");
  for (QComboBox* box : {eventCombo_, clubCombo_}) {
    box->setEditable(true);
    // New names are added when the box is left, not by the box itself.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(int(LimitedText<64>::kLimit));
    connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, box] { ComboLeft(box); });
    box->installEventFilter(this);  // the box has the focus for its text
  }
  eventForm->addRow(eventLabel_, eventCombo_);
  eventForm->addRow(descriptionLabel_, descriptionEdit_);
  eventForm->addRow(eventDateLabel_, eventDateEdit_);
  eventForm->addRow(clubLabel_, clubCombo_);
  left->addWidget(eventBox_);
  left->addStretch(1);

  QGroupBox* analysis = MakeGroup("Double Dummy Analysis");
  auto* analysisLayout = new QVBoxLayout(analysis);
  progressImage_ = Named(new QLabel, "IPrg");
  progressImage_->setFixedSize(ProgressGrid::kImageSize, ProgressGrid::kImageSize);
  progressImage_->setToolTip(
      "Boards 1 to 36, six to a row: black nothing analysed yet, the deep "
      "green colour all ten results known, other colours in between.");
  analysisLayout->addWidget(progressImage_, 0, Qt::AlignHCenter);
  analysisProgressLabel_ = MakeLabel("", "LDDProg");
  analysisProgressLabel_->setAlignment(Qt::AlignCenter);
  analysisLayout->addWidget(analysisProgressLabel_);
  analysisButton_ = MakeButton("DD Analysis", "BDDAnalysis");
  viewerButton_ = MakeButton("Deal Viewer", "BView");
  analysisLayout->addWidget(analysisButton_);
  analysisLayout->addWidget(viewerButton_);
  analysisLayout->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(analysis);
  right->addStretch(1);
  bannerLabel_ = MakeLabel(
      "  " + QString::fromUtf8(kProgramBanner.data(), int(kProgramBanner.size())) + "  ", "LRev");
  bannerLabel_->setAlignment(Qt::AlignRight);
  bannerLabel_->setEnabled(false);
  right->addWidget(bannerLabel_);
  columns->addLayout(right, 2);

  connect(seedEdit_, &QLineEdit::textEdited, this, [this] { SeedEdited(); });
  connect(addDateTimeButton_, &QPushButton::clicked, this, [this] { OnAddDateTimeClicked(); });
  connect(clearSeedButton_, &QPushButton::clicked, this, [this] { OnClearSeedClicked(); });
  connect(browseButton_, &QPushButton::clicked, this, [this] { OnBrowseClicked(); });
  connect(dealButton_, &QPushButton::clicked, this, [this] { OnDealClicked(); });
  connect(loadButton_, &QPushButton::clicked, this, [this] { OnLoadClicked(); });
  connect(loadTestSetButton_, &QPushButton::clicked, this, [this] { OnLoadTestSetClicked(); });
  connect(analysisButton_, &QPushButton::clicked, this, [this] { OnAnalysisClicked(); });
  connect(viewerButton_, &QPushButton::clicked, this, [this] { OnViewerClicked(); });
  connect(descriptionEdit_, &QLineEdit::editingFinished, this, [this] { CopyControlsToApp(); });
  connect(eventDateEdit_, &QDateEdit::editingFinished, this, [this] { CopyControlsToApp(); });
  return page;
}

QWidget* MainWindow::BuildHandRecordsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  QGroupBox* show = MakeGroup("What the hand records show");
  auto* showLayout = new QGridLayout(show);
  showDistributionsCheck_ = MakeCheck("Show Distributions", "CBShowD");
  showNumbersCheck_ = MakeCheck("Show Deal Numbers", "CBShowN");
  showLtcCheck_ = MakeCheck("Show LTC", "CBShowL");
  showAnalysisCheck_ = MakeCheck("Show Analysis", "CBShowDD");
  showParCheck_ = MakeCheck("Show Par", "CBShowPar");
  showParCheck_->setToolTip("the par score and contracts of completely analysed boards");
  allTricksCheck_ = MakeCheck("All Tricks", "CBAllTricks");
  allTricksCheck_->setProperty("tag", 1);
  allContractsCheck_ = MakeCheck("All Contracts", "CBContracts");
  autoDescriptionCheck_ = MakeCheck(" Auto Fill Description with Filename", "CBAuto");
  showDistributionsCheck_->setChecked(true);
  showLtcCheck_->setChecked(true);
  showAnalysisCheck_->setChecked(true);
  allContractsCheck_->setChecked(true);
  showLayout->addWidget(showDistributionsCheck_, 0, 0);
  showLayout->addWidget(showNumbersCheck_, 1, 0);
  showLayout->addWidget(showLtcCheck_, 2, 0);
  showLayout->addWidget(showAnalysisCheck_, 0, 1);
  showLayout->addWidget(allTricksCheck_, 1, 1);
  showLayout->addWidget(allContractsCheck_, 2, 1);
  showLayout->addWidget(showParCheck_, 3, 1);
  layout->addWidget(show);

  ltcGroup_ = MakeGroup("   Losing Trick Count Queen Adjustment   ", "RGLTC");
  auto* ltcLayout = new QVBoxLayout(ltcGroup_);
  for (int i = 0; i < kLtcItems; ++i) {
    ltcButtons_[i] = new QRadioButton(kLtcTexts[i]);
    ltcButtons_[i]->setObjectName(QString("RGLTC%1").arg(i));
    ltcLayout->addWidget(ltcButtons_[i]);
  }
  ltcButtons_[0]->setChecked(true);
  layout->addWidget(ltcGroup_);

  QGroupBox* loading = MakeGroup("Loading sets");
  auto* loadingLayout = new QVBoxLayout(loading);
  loadingLayout->addWidget(autoDescriptionCheck_);
  layout->addWidget(loading);
  layout->addStretch(1);

  connect(showLtcCheck_, &QCheckBox::toggled, ltcGroup_, &QWidget::setVisible);
  connect(allTricksCheck_, &QCheckBox::clicked, this, [this] { OnDisplayChoiceClicked(allTricksCheck_); });
  connect(allContractsCheck_, &QCheckBox::clicked, this, [this] { OnDisplayChoiceClicked(allContractsCheck_); });
  return page;
}

QWidget* MainWindow::BuildOptionsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  QGroupBox* files = MakeGroup("Files");
  auto* filesLayout = new QGridLayout(files);
  folderLabel_ = MakeLabel("Save files in: ", "LDir");
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
  threadsSpin_ = MakeSpin(1, 32, 1, "SENprocs");
  threadsForm->addRow(MakeLabel("Threads to Use", "Label7"), threadsSpin_);
  threadsInUseLabel_ = MakeLabel("Threads in Use", "LMaxThreads");
  processorsLabel_ = MakeLabel("", "LNumProc");
  threadsForm->addRow(threadsInUseLabel_);
  threadsForm->addRow(processorsLabel_);
  middle->addWidget(threads, 1);

  QGroupBox* place = MakeGroup("Club");
  auto* placeLayout = new QVBoxLayout(place);
  auto* siteForm = new QFormLayout;
  siteEdit_ = Named(new QLineEdit, "LESite");
  siteEdit_->setMaxLength(int(SettingsRecord::kNameLimit));
  siteForm->addRow(MakeLabel("Site: ", "LESiteLabel"), siteEdit_);
  placeLayout->addLayout(siteForm);
  monitorGroup_ = MakeGroup(" Deal View Monitor ", "RGMon");
  new QVBoxLayout(monitorGroup_);
  monitorLabel_ = MakeLabel("Default Monitor", "LDispName");
  placeLayout->addWidget(monitorGroup_);
  placeLayout->addWidget(monitorLabel_);
  middle->addWidget(place, 1);
  layout->addLayout(middle);

  QGroupBox* special = MakeGroup("Special Commands");
  auto* specialLayout = new QHBoxLayout(special);
  repeatAnalysisButton_ = MakeButton("Repeat Double Dummy", "BReDoDD");
  repeatAnalysisButton_->setToolTip("Re-do double dummy analysis.  Used for performance measurements.");
  rewritePdfButton_ = MakeButton("Re-Write PDF of Hand Records", "BPDF");
  forceWriteButton_ = MakeButton("Force PBN Write", "BSave");
  specialLayout->addWidget(repeatAnalysisButton_);
  specialLayout->addWidget(rewritePdfButton_);
  specialLayout->addWidget(forceWriteButton_);
  specialLayout->addStretch(1);
  layout->addWidget(special);
  layout->addStretch(1);

  connect(changeFolderButton_, &QPushButton::clicked, this, [this] { OnChangeFolderClicked(); });
  connect(repeatAnalysisButton_, &QPushButton::clicked, this, [this] { OnRepeatAnalysisClicked(); });
  connect(rewritePdfButton_, &QPushButton::clicked, this, [this] { OnRewritePdfClicked(); });
  connect(forceWriteButton_, &QPushButton::clicked, this, [this] { OnForceWriteClicked(); });
  return page;
}

QWidget* MainWindow::BuildPrintingTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);

  QGroupBox* records = MakeGroup("Hand Records on Printer", "HandRecordsOnPrinter");
  auto* recordsForm = new QFormLayout(records);
  printButton_ = MakeButton("Print Hand Records", "BPrint");
  copiesSpin_ = MakeSpin(1, 200, 1, "SpNCop");
  flipPagesCheck_ = MakeCheck("Flip Pages", "CBFlip");
  flipPagesCheck_->setChecked(true);
  recordsForm->addRow(printButton_);
  recordsForm->addRow(MakeLabel("Copies", "Label8"), copiesSpin_);
  recordsForm->addRow(flipPagesCheck_);
  layout->addWidget(records, 0, 0);

  QGroupBox* sheets = MakeGroup("Setup Sheets and Travelers", "SheetsAndTravelers");
  auto* sheetsForm = new QFormLayout(sheets);
  setupSheetsButton_ = MakeButton("Print Setup Sheets", "BPSetups");
  travelersButton_ = MakeButton("Print Travelers", "BTravelers");
  lastBoardSpin_ = MakeSpin(1, 36, 1, "SELast");
  sheetsForm->addRow(setupSheetsButton_);
  sheetsForm->addRow(travelersButton_);
  sheetsForm->addRow(MakeLabel("Last Board", "Label10"), lastBoardSpin_);
  layout->addWidget(sheets, 0, 1);

  QGroupBox* printer = MakeGroup("Printer");
  auto* printerLayout = new QHBoxLayout(printer);
  selectPrinterButton_ = MakeButton("Printer Select", "BPrintSel");
  printerLabel_ = MakeLabel("Printer Selected", "LPrinter");
  printerLayout->addWidget(selectPrinterButton_);
  printerLayout->addWidget(printerLabel_, 1);
  layout->addWidget(printer, 1, 0, 1, 2);

  auto* logo = MakeLabel("", "Logo");
  logo->setPixmap(QPixmap::fromImage(ImageOf(app_.Logo()))
                      .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  logo->setToolTip("The emblem printed in the hand records' header");
  layout->addWidget(logo, 2, 0, 1, 2, Qt::AlignHCenter);
  layout->setRowStretch(3, 1);

  connect(printButton_, &QPushButton::clicked, this, [this] { OnPrintClicked(); });
  connect(selectPrinterButton_, &QPushButton::clicked, this, [this] { OnSelectPrinterClicked(); });
  connect(setupSheetsButton_, &QPushButton::clicked, this, [this] { OnPrintSetupSheetsClicked(); });
  connect(travelersButton_, &QPushButton::clicked, this, [this] { OnPrintTravelersClicked(); });
  return page;
}

QWidget* MainWindow::BuildMultipleSetsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  QGroupBox* request = MakeGroup("Run");
  auto* requestForm = new QGridLayout(request);
  runNameEdit_ = Named(new QLineEdit, "Ename");
  runNameEdit_->setPlaceholderText("names the run's folder and files");
  setsSpin_ = MakeSpin(MultiSetRun::kFewestSets, MultiSetRun::kMostSets, 2, "SEDeals");
  requestForm->addWidget(MakeLabel("Set Name", "EnameLabel"), 0, 0);
  requestForm->addWidget(runNameEdit_, 0, 1);
  requestForm->addWidget(MakeLabel("Number of Deals :", "LNDeals"), 1, 0);
  requestForm->addWidget(setsSpin_, 1, 1, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  runButton_ = MakeButton("Start", "BMulti");
  viewLogButton_ = MakeButton("View Log", "BViewLog");
  buttons->addWidget(runButton_);
  buttons->addWidget(viewLogButton_);
  buttons->addStretch(1);
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
  return page;
}

// ---------------------------------------------------------------- start-up

void MainWindow::OnCreated() {
  if (!app_.SettingsProblem().ok()) {
    statusBar()->showMessage(QString::fromStdString(app_.SettingsProblem().message()));
  }
  CreateViewer();
  ApplySettings();
  tabs_->setCurrentIndex(0);
  eventDateEdit_->setDate(QDate::currentDate());
  processorsLabel_->setText(QString::number(std::max(1u, std::thread::hardware_concurrency())) +
                     " Processors Reported");
  DrawProgressGrid();
  ltcGroup_->setVisible(showLtcCheck_->isChecked());
  std::error_code ignored;
  loadTestSetButton_->setVisible(fs::exists(options_.workingDirectory / "Test.pbn", ignored));
  SetReady(false);
  ShowDealButton(false);
  CopyControlsToApp();
  tabs_->setFocus();
}

void MainWindow::ApplySettings() {
  const SettingsControls shown = app_.ApplySettings();
  const HandRecordOptions& options = shown.handRecords;
  showDistributionsCheck_->setChecked(options.showDistributions);
  showNumbersCheck_->setChecked(options.showDealNumbers);
  showLtcCheck_->setChecked(options.showLtc);
  showParCheck_->setChecked(options.showPar);
  showAnalysisCheck_->setChecked(options.showAnalysis);
  allTricksCheck_->setChecked(options.allTricks);
  allContractsCheck_->setChecked(!options.allTricks);
  autoDescriptionCheck_->setChecked(shown.autoFillDescription);
  flipPagesCheck_->setChecked(shown.flipPages);
  ltcButtons_[std::clamp(int(options.queenMethod), 0, kLtcItems - 1)]->setChecked(true);
  threadsSpin_->setValue(shown.threads);
  folderLabel_->setText("Save files in: " + FromPath(shown.outputDirectory));
  siteEdit_->setText(FromText(shown.site));

  // The stored printer when it is still installed, else the default one.
  printerLabel_->setText(FromText(app_.SelectStoredPrinter(printer_)));

  const auto fill = [](QComboBox* box, const std::vector<std::string>& items,
                       const std::string& selected) {
    box->clear();
    for (const std::string& item : items) box->addItem(FromText(item));
    box->setEditText(FromText(selected));
  };
  fill(clubCombo_, shown.clubs, shown.club);
  fill(eventCombo_, shown.events, shown.event);

  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool several = screens.size() > 1;
  monitorGroup_->setVisible(several);
  monitorLabel_->setVisible(!several);
  monitorLabel_->setText("Default Monitor");
  if (several) {
    const int chosen = std::clamp(shown.monitor, 0, int(screens.size()) - 1);
    for (int i = 0; i < screens.size(); ++i) {
      auto* item = new QRadioButton(MonitorName(screens[i], i));
      item->setObjectName(QString("RGMon%1").arg(i));
      item->setChecked(i == chosen);
      monitorGroup_->layout()->addWidget(item);
      connect(item, &QRadioButton::toggled, this, [this, i](bool on) {
        if (on) app_.SetMonitor(i);
      });
    }
    monitorLabel_->setText(MonitorName(screens[chosen], chosen));
  }
}

SettingsControls MainWindow::ControlsShown() const {
  SettingsControls c;
  c.handRecords.showDistributions = showDistributionsCheck_->isChecked();
  c.handRecords.showDealNumbers = showNumbersCheck_->isChecked();
  c.handRecords.showLtc = showLtcCheck_->isChecked();
  c.handRecords.showPar = showParCheck_->isChecked();
  c.handRecords.showAnalysis = showAnalysisCheck_->isChecked();
  c.handRecords.allTricks = allTricksCheck_->isChecked();
  for (int i = 0; i < kLtcItems; ++i) {
    if (ltcButtons_[i]->isChecked()) c.handRecords.queenMethod = QueenMethodFromIndex(i);
  }
  c.flipPages = flipPagesCheck_->isChecked();
  c.autoFillDescription = autoDescriptionCheck_->isChecked();
  c.threads = threadsSpin_->value();
  // Changed in the record by their own buttons.
  c.outputDirectory = app_.Settings().OutputDirectory();
  c.printerName = app_.Settings().PrinterName();
  c.monitor = app_.Settings().Monitor();
  c.site = ToTextLossy(siteEdit_->text());
  for (int i = 0; i < clubCombo_->count(); ++i) c.clubs.push_back(ToTextLossy(clubCombo_->itemText(i)));
  c.club = ToTextLossy(clubCombo_->currentText());
  for (int i = 0; i < eventCombo_->count(); ++i) {
    c.events.push_back(ToTextLossy(eventCombo_->itemText(i)));
  }
  c.event = ToTextLossy(eventCombo_->currentText());
  return c;
}

Status MainWindow::CollectSettings() {
  CopyControlsToApp();
  return app_.CollectSettings(ControlsShown());
}

void MainWindow::SaveSettingsNow() {
  const Status saved = app_.SaveSettings();
  if (!saved.ok()) statusBar()->showMessage(QString::fromStdString(saved.message()));
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

void MainWindow::OnActivated() {
  if (CommandLineFileToReload()) {
    const fs::path& file = options_.commandLineFile;
    std::error_code ignored;
    const fs::file_time_type changed = fs::last_write_time(file, ignored);
    const Status loaded = app_.LoadSetFile(file);
    if (loaded.ok()) {
      commandLineFileTime_ = changed;
      ShowLoadedSet();
    } else if (!reportedActivationFailure_) {
      // Once: the box's own closing activates the window again.
      reportedActivationFailure_ = true;
      ShowFailure("Load a Saved Set", loaded);
    }
  }
  app_.TakeComputerName(ComputerNameText());
}

bool MainWindow::CommandLineFileToReload() const {
  const fs::path& file = options_.commandLineFile;
  std::error_code ignored;
  if (file.empty() || !fs::exists(file, ignored)) return false;
  // Reloading in the middle of an analysis would throw its results away.
  if (app_.AnalysisRunning() || run_.Busy()) return false;
  // The operator has moved on to another set.
  if (app_.SetReady() && app_.SetFilePath() != file) return false;
  // Unchanged on disk: reading it again would only undo what was typed since.
  if (app_.SetReady() && fs::last_write_time(file, ignored) == commandLineFileTime_) return false;
  return true;
}

// ---------------------------------------------------------------- set flow

void MainWindow::SetReady(bool ready) {
  app_.SetReady(ready);
  forceWriteButton_->setEnabled(ready);
  rewritePdfButton_->setEnabled(ready);
  repeatAnalysisButton_->setEnabled(ready);
  eventBox_->setVisible(ready);
  dealButton_->setVisible(!ready);
  dealButton_->setEnabled(!ready);
  analysisButton_->setVisible(ready);
  analysisProgressLabel_->setVisible(ready);
  viewerButton_->setVisible(ready);
  analysisButton_->setEnabled(ready);
  viewerButton_->setEnabled(ready);
}

void MainWindow::ShowDealButton(bool allowed) {
  dealButton_->setEnabled(allowed);
  dealButton_->setVisible(allowed);
}

void MainWindow::SeedEdited() {
  // A new seed is a new set: the one in hand is finished and saved before
  // the window lets go of it.  A click or the focus alone changes nothing.
  if (app_.SetReady()) SetAside();
  UpdateDealButton();
}

void MainWindow::SetAside() {
  CopyControlsToApp();
  const Status saved = app_.LeaveSet();
  analysisTimer_->stop();
  analysisButton_->setText("Start DD Analysis");
  DrawProgressGrid();
  SetReady(false);
  if (!saved.ok()) ShowFailure("Save", saved);
}

void MainWindow::UpdateDealButton() {
  ShowDealButton(!seedEdit_->text().isEmpty() && !app_.SetFilePath().empty());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    for (QComboBox* box : {eventCombo_, clubCombo_}) {
      if (watched == box) ComboLeft(box);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::OnAddDateTimeClicked() {
  seedEdit_->setText(seedEdit_->text() + QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss"));
  SeedEdited();
}

void MainWindow::OnClearSeedClicked() {
  seedEdit_->clear();
  SeedEdited();
}

void MainWindow::OnBrowseClicked() {
  QFileDialog dialog(this, "Set File");
  dialog.setObjectName("SaveDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(kSetFileFilters);
  dialog.setDefaultSuffix("pbn");
  dialog.setDirectory(FromPath(app_.Settings().OutputDirectory()));
  if (!app_.SetFilePath().empty()) dialog.selectFile(FromPath(app_.SetFilePath()));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    // The name is for the next set; the one in hand keeps its own file.
    if (app_.SetReady()) SetAside();
    app_.SetSetFilePath(ToPath(dialog.selectedFiles().first()));
    // The dialog asked before an existing file was chosen: that is the
    // operator's word to replace it.
    replaceConfirmed_ = app_.SetFilePath();
    ShowFileNames();
  }
  UpdateDealButton();
}

void MainWindow::OnDealClicked() {
  const Result<std::string> seed = Utf8ToCp1252(seedEdit_->text().toStdString());
  if (!seed.ok()) {
    ShowFailure("Deal", Status::Error("the seed cannot be used: " + seed.message()));
    return;
  }
  if (seed->empty() || app_.SetFilePath().empty()) return;
  if (const Status usable = CheckSeedText(*seed); !usable.ok()) {
    ShowFailure("Deal", usable);
    return;
  }
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  // The file may hold another set (an earlier seed): it is replaced only
  // when the operator says so here or said so in the file dialog.
  DealSet next;
  GenerateSet(next, *seed, DateTimeNow());
  OutputVerdict verdict = app_.PrepareSetOutputs(next, replaceConfirmed_ == app_.SetFilePath());
  if (verdict.needsWord) {
    const QString question = QString::fromStdString(verdict.status.message()) +
                             ".\n\nReplace it with the set of this seed?";
    if (QMessageBox::question(this, "Deal", question) != QMessageBox::Yes) return;
    verdict = app_.PrepareSetOutputs(next, true);
  }
  if (!verdict.ok()) {
    ShowFailure("Deal", verdict.status);
    return;
  }
  replaceConfirmed_.clear();
  app_.DealFromSeed(*seed);
  SetReady(true);
  viewer_->ShowHand();
  // Dealing stopped any analysis of the previous set, so this starts one
  // for the new set, which saves it.
  OnAnalysisClicked();
  analysisButton_->setFocus();  // the Deal button is gone; the seed is not entered by this
}

void MainWindow::OnAnalysisClicked() {
  if (app_.AnalysisRunning() && !app_.Runner().StopRequested()) {
    app_.StopAnalysis();
    analysisButton_->setText("Start DD Analysis");
    UpdateDealButton();
    return;
  }
  // A stopped run whose workers are still finishing their searches ends
  // first, so that the new run starts from what it stored.
  if (app_.AnalysisRunning()) app_.StopAndWait();
  CopyControlsToApp();
  threadsInUseLabel_->setText(QString::fromStdString(MaxThreadsText(app_.ThreadsSetting())));
  const Status started = app_.StartAnalysis();
  if (!app_.AnalysisRunning()) {
    ShowFailure("DD Analysis", started);
    return;
  }
  analysisButton_->setText("Stop DD Analysis");
  analysisTimer_->start();
  if (!started.ok()) ShowFailure("Save", started);
}

void MainWindow::CopyControlsToApp() {
  app_.SetEventName(ToTextLossy(eventCombo_->currentText()));
  app_.SetDescription(ToTextLossy(descriptionEdit_->text()));
  app_.SetClub(ToTextLossy(clubCombo_->currentText()));
  app_.SetSite(ToTextLossy(siteEdit_->text()));
  app_.SetEventDate(FromQDate(eventDateEdit_->date()));
  // What the hand records show and how a load fills the description are
  // read from the record, so it follows the controls.
  const SettingsControls shown = ControlsShown();
  app_.SetHandRecordChoices(shown.handRecords);
  app_.SetAutoFillDescription(shown.autoFillDescription);
  app_.SetThreadsSetting(shown.threads);
}

void MainWindow::SaveFile() {
  CopyControlsToApp();
  const Status saved = app_.SaveFile();
  if (!saved.ok()) ShowFailure("Save", saved);
}

void MainWindow::ShowFailure(const QString& title, const Status& status) {
  QString message = QString::fromStdString(status.message());
  if (!message.isEmpty()) message[0] = message[0].toUpper();
  statusBar()->showMessage(message);
  QMessageBox::warning(this, title, message);
}

void MainWindow::ShowFileNames() {
  fileNameLabel_->setText("File Name: " + FromPath(app_.SetFilePath().filename()));
  savedInLabel_->setText("Saved in: " + FromPath(app_.PbnPath()));
}

void MainWindow::ShowLoadedSet() {
  const QSignalBlocker block(seedEdit_);
  seedEdit_->setText(FromText(app_.Set().header.seed));
  ShowFileNames();
  eventCombo_->setEditText(FromText(app_.Fields().event));
  descriptionEdit_->setText(FromText(app_.Fields().description));
  if (app_.Fields().eventDate != 0) eventDateEdit_->setDate(ToQDate(app_.Fields().eventDate));
  clubCombo_->setEditText(FromText(app_.Fields().club));
  SetReady(true);
  DrawProgressGrid();
  viewer_->ShowHand();
}

void MainWindow::LoadFile(const fs::path& path) {
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  analysisButton_->setText("Start DD Analysis");
  const Status loaded = app_.OpenFile(path);
  if (!loaded.ok()) {
    // A file of another kind puts the window back to editing the seed; a
    // file that cannot be read leaves the set as it was.
    if (DealExtensionKind(path) == DealFileKind::kUnknown) SetReady(false);
    ShowFailure("Load a Saved Set", loaded);
    return;
  }
  QStringList notes;
  for (const std::string& warning : app_.LoadWarnings()) notes << QString::fromStdString(warning);
  // Where the set is saved: its own file, or beside it when something else
  // is in the way and the operator does not want it replaced.
  OutputVerdict verdict = app_.PrepareSetOutputs(false);
  if (verdict.needsWord) {
    const QString question = QString::fromStdString(verdict.status.message()) +
                             ".\n\nReplace it with the set just loaded?";
    if (QMessageBox::question(this, "Load a Saved Set", question) == QMessageBox::Yes) {
      verdict = app_.PrepareSetOutputs(true);
    } else {
      app_.SetPbnPath(app_.FreeSetPathBeside(app_.PbnPath()));
      notes << "The set will be saved as " + FromPath(app_.PbnPath()) + ".";
      verdict = app_.PrepareSetOutputs(false);
    }
  }
  ShowLoadedSet();
  if (!verdict.ok()) ShowFailure("Load a Saved Set", verdict.status);
  if (!notes.isEmpty()) {
    statusBar()->showMessage(notes.join(" "));
    QMessageBox::information(this, "Load a Saved Set", notes.join("\n"));
  }
}

void MainWindow::OnLoadClicked() {
  // The analysis stops and what it found is saved before the dialog opens,
  // so that nothing found while the operator chooses is lost.
  const bool wasRunning = app_.AnalysisRunning() && !app_.Runner().StopRequested();
  if (app_.SetReady()) {
    const Status collected = CollectSettings();
    if (!collected.ok()) ShowFailure("Save", collected);
  }
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  analysisButton_->setText("Start DD Analysis");
  DrawProgressGrid();
  QFileDialog dialog(this, "Open Saved Deal Set File");
  dialog.setObjectName("OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(kSetFileFilters);
  dialog.setDirectory(FromPath(app_.Settings().OutputDirectory()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (wasRunning && app_.SetReady()) OnAnalysisClicked();  // nothing loaded: go on
    return;
  }
  LoadFile(ToPath(dialog.selectedFiles().first()));
}

void MainWindow::OnLoadTestSetClicked() {
  LoadFile(options_.workingDirectory / "Test.pbn");
}

void MainWindow::ComboLeft(QComboBox* box) {
  const QString text = box->currentText();
  if (box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) box->addItem(text);
  CopyControlsToApp();
}

void MainWindow::CreateViewer() {
  viewer_ = std::make_unique<DealViewer>(app_);
  connect(viewer_.get(), &DealViewer::DisplayOptionChanged, this, [this](bool allTricks) {
    allTricksCheck_->setChecked(allTricks);
    allContractsCheck_->setChecked(!allTricks);
  });
  connect(viewer_.get(), &DealViewer::SaveFailed, this, [this](const QString& message) {
    ShowFailure("Save", Status::Error(message.toStdString()));
  });
  // An edited board has lost its analysis: analyse it again (a run that
  // was going on has been restarted by the viewer already).
  connect(viewer_.get(), &DealViewer::BoardEdited, this, [this] {
    DrawProgressGrid();
    if (app_.SetReady() && !app_.AnalysisRunning()) OnAnalysisClicked();
  });
}

void MainWindow::OnViewerClicked() {
  if (viewer_->isVisible()) {
    viewer_->close();
    return;
  }
  viewer_->show();
  viewer_->raise();
  viewer_->activateWindow();
  // The first drawing once the window has its final size.
  QTimer::singleShot(100, viewer_.get(), [this] { viewer_->ShowHand(); });
}

void MainWindow::OnForceWriteClicked() {
  CopyControlsToApp();
  const Status written = app_.ForcePbnWrite();
  if (!written.ok())
    ShowFailure("Force PBN Write", written);
  else
    statusBar()->showMessage("Written " + FromPath(app_.PbnPath()), 5000);
}

void MainWindow::OnRewritePdfClicked() {
  CopyControlsToApp();
  const Status written = app_.WriteHandRecords();
  if (!written.ok())
    ShowFailure("Re-Write PDF of Hand Records", written);
  else
    statusBar()->showMessage("Written " + FromPath(app_.PdfPath()), 5000);
}

void MainWindow::OnRepeatAnalysisClicked() {
  if (QMessageBox::question(
          this, "Repeat Double Dummy",
          "Forget the double-dummy results of every board and analyse the set again?\n\n"
          "The set file and its hand records lose the results at the next save.") !=
      QMessageBox::Yes) {
    return;
  }
  app_.RepeatDoubleDummy();
  DrawProgressGrid();
}

void MainWindow::OnChangeFolderClicked() {
  std::error_code ignored;
  fs::path start = app_.Settings().OutputDirectory();
  if (!fs::is_directory(start, ignored))
    start = fs::path(QCoreApplication::applicationDirPath().toStdString());
  QFileDialog dialog(this, "Save files in");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setDirectory(FromPath(start));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string chosen = ToPath(dialog.selectedFiles().first()).string();
  // A cut path would name another folder, so a longer one is refused.
  if (chosen.size() > SettingsRecord::kDirectoryLimit) {
    ShowFailure("Change", Status::Error("the folder " + chosen + " has a path longer than " +
                                        std::to_string(SettingsRecord::kDirectoryLimit) +
                                        " characters, which the settings cannot keep; "
                                        "choose a folder nearer the top"));
    return;
  }
  app_.SetOutputDirectory(chosen);
  folderLabel_->setText("Save files in: " + FromPath(app_.Settings().OutputDirectory()));
}

void MainWindow::OnDisplayChoiceClicked(QCheckBox* clicked) {
  QCheckBox* other = clicked == allTricksCheck_ ? allContractsCheck_ : allTricksCheck_;
  other->setChecked(!clicked->isChecked());
  app_.SetAllTricks(allTricksCheck_->isChecked());
  SaveSettingsNow();
}

// ---------------------------------------------------------------- printing

void MainWindow::OnPrintClicked() {
  CopyControlsToApp();
  // Between the two sides of flipped pages the operator turns the stack.
  const FlipPause pause = [this] {
    QMessageBox::information(this, QString::fromUtf8(kFlipPauseCaption.data()),
                             QString::fromUtf8(kFlipPauseText.data()).replace("\r\n", "\n"));
    return true;
  };
  const Status printed =
      app_.PrintHandRecords(printer_, copiesSpin_->value(), flipPagesCheck_->isChecked(), pause);
  if (!printed.ok()) ShowFailure("Print Hand Records", printed);
}

void MainWindow::OnPrintSetupSheetsClicked() {
  CopyControlsToApp();
  const Status printed = app_.PrintSetupSheets(printer_, lastBoardSpin_->value());
  if (!printed.ok()) ShowFailure("Print Setup Sheets", printed);
}

void MainWindow::OnPrintTravelersClicked() {
  CopyControlsToApp();
  const Status printed = app_.PrintTravelers(printer_, lastBoardSpin_->value());
  if (!printed.ok()) ShowFailure("Print Travelers", printed);
}

void MainWindow::OnSelectPrinterClicked() {
  QPrintDialog dialog(&printer_.Device(), this);
  dialog.setObjectName("PrintDialog1");
  dialog.exec();
  // Whatever the operator did there, the printer current afterwards is taken.
  printer_.TakeDevicePrinter();
  printerLabel_->setText(FromText(app_.TakePrinterChoice(printer_)));
}

// ---------------------------------------------------------------- timers

void MainWindow::OnAnalysisTick() {
  if (!app_.AnalysisRunning()) {
    if (!run_.Busy()) analysisTimer_->stop();
    return;
  }
  CopyControlsToApp();
  const App::TickOutcome outcome = app_.Tick();
  // An analysis that ended before every result was found was stopped.
  const bool stopped = outcome.tick.completed && !SetAnalysed(app_.Set());
  const QString progress = QString::fromStdString(
      stopped ? std::string("Stopped")
              : outcome.tick.completed ? DoneText(outcome.tick.elapsedSeconds)
                                       : ProgressText(outcome.tick));
  analysisProgressLabel_->setText(progress);
  workingLabel_->setText(progress);
  DrawProgressGrid();
  if (viewer_->isVisible()) viewer_->ShowDD();
  if (outcome.tick.completed) {
    analysisButton_->setText("Start DD Analysis");
    if (!run_.Busy()) analysisTimer_->stop();
    if (!outcome.save.ok()) ShowFailure("Save", outcome.save);
  } else if (!outcome.save.ok()) {
    // The next periodic save tries again; the final one reports.
    statusBar()->showMessage(QString::fromStdString(outcome.save.message()));
  }
}

void MainWindow::DrawProgressGrid() {
  QImage image(ProgressGrid::kImageSize, ProgressGrid::kImageSize, QImage::Format_RGB32);
  image.fill(QColor::fromRgb(grid_.colours[1023]));
  QPainter painter(&image);
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    const ProgressGrid::Rect cell = ProgressGrid::Cell(board);
    const QRect rect(QPoint(cell.left, cell.top), QPoint(cell.right - 1, cell.bottom - 1));
    const BoardEntry& entry = app_.Set().Board(board);
    if (!entry.number.valid) {
      // An absent board has nothing to analyse: an empty frame, never the
      // colour of a finished board.
      painter.setPen(Qt::black);
      painter.drawRect(rect.adjusted(0, 0, -1, -1));
      continue;
    }
    painter.fillRect(rect, QColor::fromRgb(grid_.CellColour(entry)));
  }
  painter.end();
  progressImage_->setPixmap(QPixmap::fromImage(image));
}

void MainWindow::OnRunClicked() {
  if (run_.Busy()) {
    const Status halted = run_.Halt();
    workingLabel_->setText(
        QString::fromUtf8(MultiSetRun::kStoppedText.data(), int(MultiSetRun::kStoppedText.size())));
    if (!halted.ok()) ShowFailure("Halt", halted);
    return;
  }
  const std::string name = runNameEdit_->text().toStdString();
  const fs::path folder = app_.Settings().OutputDirectory();
  const OutputVerdict verdict = MultiSetRun::CheckRun(name, setsSpin_->value(), folder);
  bool replace = false;
  if (verdict.needsWord) {
    const QString question = QString::fromStdString(verdict.status.message()) +
                             ".\n\nRemove the earlier run's files and start a new run there?";
    if (QMessageBox::question(this, "Multiple Sets", question) != QMessageBox::Yes) return;
    replace = true;
  }
  // The set in hand is finished and saved before the run takes the window.
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  const Status started = run_.Start(name, setsSpin_->value(), folder, replace);
  if (!started.ok()) {
    ShowFailure("Multiple Sets", started);
    return;
  }
  runFolderLabel_->setText("Dir: " + FromPath(run_.RunDirectory()));
  runButton_->setText("Halt");
  SetRunControls(true);
  runTimer_->start();
}

void MainWindow::OnRunTick() {
  if (!run_.Busy()) {
    runTimer_->stop();
    return;
  }
  CopyControlsToApp();
  const int before = run_.SetCounter();
  const Status stepped = run_.Step();
  if (run_.SetCounter() != before) {
    // A new set: the window shows it as if it had been dealt here.
    const QSignalBlocker block(seedEdit_);
    seedEdit_->setText(FromText(run_.Seed()));
    ShowFileNames();
    SetReady(true);
    SetRunControls(true);
    analysisButton_->setText("Stop DD Analysis");
    threadsInUseLabel_->setText(QString::fromStdString(MaxThreadsText(app_.ThreadsSetting())));
    analysisTimer_->start();
  }
  ShowRunLabels();
  if (!run_.Busy()) {
    runTimer_->stop();
    runButton_->setText("Start");
    SetRunControls(false);
  }
  if (!stepped.ok()) ShowFailure("Multiple Sets", stepped);
}

void MainWindow::SetRunControls(bool running) {
  // While a run deals and analyses its sets, the set in the window is the
  // run's: dealing, loading or analysing by hand would pull it away.
  for (QWidget* control :
       std::initializer_list<QWidget*>{dealButton_, loadButton_, loadTestSetButton_, browseButton_, analysisButton_, repeatAnalysisButton_,
                                       seedEdit_, addDateTimeButton_, clearSeedButton_, runNameEdit_, setsSpin_}) {
    control->setEnabled(!running);
  }
  if (!running) SetReady(app_.SetReady());  // the set's own enabling rules again
}

void MainWindow::ShowRunLabels() {
  setNumberLabel_->setText(QString::number(run_.SetCounter()));
  runSetLabel_->setText(QString::number(run_.SetCounter()));
  currentFileLabel_->setText("File: " + FromPath(run_.CurrentFile().filename()));
  runSeedLabel_->setText(("Seed: " + FromText(run_.Seed())).left(kRunSeedShown));
  setTimeLabel_->setText(QString::fromStdString(run_.SetTimeText()));
  runTimeLabel_->setText(QString::fromStdString(run_.RunTimeText()));
}

void MainWindow::OnViewLogClicked() {
  std::error_code ignored;
  if (run_.LogPath().empty() || !fs::exists(run_.LogPath(), ignored)) {
    QMessageBox::information(this, "View Log",
                             "There is no run log yet: a run of multiple sets writes one.");
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(run_.LogPath())))) {
    ShowFailure("View Log",
                Status::Error("no program could open the log " + run_.LogPath().string()));
  }
}

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    // The viewer's display question comes before the settings are collected.
    if (viewer_->isVisible()) viewer_->close();
    if (run_.Busy()) {
      (void)run_.Halt();
      while (run_.Busy()) (void)run_.Step();
    }
    // The workers stop and hand back what they have; the set is saved whole
    // afterwards, never while a result is still on its way.
    if (app_.AnalysisRunning()) {
      CopyControlsToApp();
      const App::TickOutcome outcome = app_.StopAndWait();
      if (!outcome.save.ok()) ShowFailure("Save", outcome.save);
    }
    analysisTimer_->stop();
    runTimer_->stop();
    // The settings file, then the set when one is ready.
    const Status collected = CollectSettings();
    if (!collected.ok()) ShowFailure("Save", collected);
  }
  event->accept();
}

}  // namespace tarrow

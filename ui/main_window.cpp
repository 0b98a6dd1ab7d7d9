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

TForm1::TForm1(App& app, WindowOptions options)
    : app_(app),
      options_(std::move(options)),
      runHost_(options_.runHost ? std::move(options_.runHost) : std::make_unique<AppRunHost>(app)),
      run_(*runHost_),
      grid_(kDoneColour, uint32_t(QDateTime::currentMSecsSinceEpoch())) {
  setObjectName("TForm1");
  setWindowTitle("Tarrow");
  setWindowIcon(QIcon(QPixmap::fromImage(ImageOf(app_.logo))));
  BuildWidgets();
  FormCreate();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------- widgets

void TForm1::BuildWidgets() {
  pageControl_ = Named(new QTabWidget, "PageControl1");
  pageControl_->addTab(BuildGeneralTab(), "General");
  pageControl_->addTab(BuildHandRecordsTab(), "Hand Records");
  pageControl_->addTab(BuildOptionsTab(), "Options");
  pageControl_->addTab(BuildPrintingTab(), "Printing");
  pageControl_->addTab(BuildMultipleSetsTab(), "Multiple Sets");

  // Outside the tabs: the set of a multiple-set run and the threads.
  auto* strip = new QHBoxLayout;
  strip->addWidget(MakeLabel("Set #", "Label2"));
  lSetNum_ = MakeLabel("1", "LSetNum");
  strip->addWidget(lSetNum_);
  strip->addSpacing(12);
  lCurrent_ = MakeLabel("", "LCurrent");
  strip->addWidget(lCurrent_, 1);
  strip->addWidget(MakeLabel("Threads to Use", "Label11"));
  auto* threadsShown = MakeLabel("", "LThreads");
  strip->addWidget(threadsShown);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(pageControl_, 1);
  layout->addLayout(strip);
  setCentralWidget(central);
  statusBar()->setSizeGripEnabled(true);

  timer1_ = Named(new QTimer(this), "Timer1");
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
  timer2_ = Named(new QTimer(this), "Timer2");
  timer2_->setInterval(1000);
  connect(timer2_, &QTimer::timeout, this, [this] { Timer2Timer(); });
  connect(seNprocs_, &QSpinBox::valueChanged, threadsShown,
          [threadsShown](int threads) { threadsShown->setText(QString::number(threads)); });
  threadsShown->setText(QString::number(seNprocs_->value()));
  resize(820, 470);
}

QWidget* TForm1::BuildGeneralTab() {
  auto* page = new QWidget;
  auto* columns = new QHBoxLayout(page);
  auto* left = new QVBoxLayout;
  columns->addLayout(left, 3);

  QGroupBox* setGroup = MakeGroup("Set");
  auto* setForm = new QGridLayout(setGroup);
  leSeed_ = Named(new QLineEdit, "LESeed");
  leSeed_->setPlaceholderText("the text the set grows from");
  leSeed_->installEventFilter(this);
  bAddDT_ = MakeButton("Add Date/Time", "BAddDT");
  bClearSeed_ = MakeButton("Clear", "BClearSeed");
  auto* seedLabel = MakeLabel("Seed: ", "LESeedLabel");
  seedLabel->setBuddy(leSeed_);
  setForm->addWidget(seedLabel, 0, 0);
  setForm->addWidget(leSeed_, 0, 1);
  setForm->addWidget(bAddDT_, 0, 2);
  setForm->addWidget(bClearSeed_, 0, 3);
  bFNBrowse_ = MakeButton("Browse", "BFNBrowse");
  lFn_ = MakeLabel("File Name:", "LFn");
  lFn_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setForm->addWidget(bFNBrowse_, 1, 0);
  setForm->addWidget(lFn_, 1, 1, 1, 3);
  auto* actions = new QHBoxLayout;
  bDeal_ = MakeButton("Deal ", "BDeal");
  bDeal_->setDefault(true);
  bLoad_ = MakeButton("Load a Saved Set", "BLoad");
  bTest_ = MakeButton("Load Test Set", "BTest");
  actions->addWidget(bDeal_);
  actions->addWidget(bLoad_);
  actions->addWidget(bTest_);
  actions->addStretch(1);
  setForm->addLayout(actions, 2, 0, 1, 4);
  setForm->setColumnStretch(1, 1);
  left->addWidget(setGroup);

  shape2_ = MakeGroup("Event", "Shape2");
  auto* eventForm = new QFormLayout(shape2_);
  lEvent_ = MakeLabel("Event Name:", "LEvent");
  cbEvent_ = Named(new QComboBox, "CBEvent");
  leDescLabel_ = MakeLabel("Description: ", "LEDescLabel");
  leDesc_ = Named(new QLineEdit, "LEDesc");
  leDesc_->setMaxLength(int(LimitedText<64>::kLimit));
  label6_ = MakeLabel("Event Date:", "Label6");
  dtDate_ = Named(new QDateEdit, "DTDate");
  dtDate_->setCalendarPopup(true);
  dtDate_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
  label9_ = MakeLabel("Club Name:", "Label9");
  cbClub_ = Named(new QComboBox, "CBClub");
  for (QComboBox* box : {cbEvent_, cbClub_}) {
    box->setEditable(true);
    // New names are added when the box is left, not by the box itself.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(int(LimitedText<64>::kLimit));
    connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, box] { ComboLeft(box); });
    box->installEventFilter(this);  // the box has the focus for its text
  }
  eventForm->addRow(lEvent_, cbEvent_);
  eventForm->addRow(leDescLabel_, leDesc_);
  eventForm->addRow(label6_, dtDate_);
  eventForm->addRow(label9_, cbClub_);
  left->addWidget(shape2_);
  left->addStretch(1);

  QGroupBox* analysis = MakeGroup("Double Dummy Analysis");
  auto* analysisLayout = new QVBoxLayout(analysis);
  iPrg_ = Named(new QLabel, "IPrg");
  iPrg_->setFixedSize(ProgressGrid::kImageSize, ProgressGrid::kImageSize);
  iPrg_->setToolTip(
      "Boards 1 to 36, six to a row: black nothing analysed yet, the deep "
      "green colour all ten results known, other colours in between.");
  analysisLayout->addWidget(iPrg_, 0, Qt::AlignHCenter);
  lDDProg_ = MakeLabel("", "LDDProg");
  lDDProg_->setAlignment(Qt::AlignCenter);
  analysisLayout->addWidget(lDDProg_);
  bDDAnalysis_ = MakeButton("DD Analysis", "BDDAnalysis");
  bView_ = MakeButton("Deal Viewer", "BView");
  analysisLayout->addWidget(bDDAnalysis_);
  analysisLayout->addWidget(bView_);
  analysisLayout->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(analysis);
  right->addStretch(1);
  lRev_ = MakeLabel(
      "  " + QString::fromUtf8(kProgramBanner.data(), int(kProgramBanner.size())) + "  ", "LRev");
  lRev_->setAlignment(Qt::AlignRight);
  lRev_->setEnabled(false);
  right->addWidget(lRev_);
  columns->addLayout(right, 2);

  connect(leSeed_, &QLineEdit::textEdited, this, [this] { SeedEdited(); });
  connect(bAddDT_, &QPushButton::clicked, this, [this] { BAddDTClick(); });
  connect(bClearSeed_, &QPushButton::clicked, this, [this] { BClearSeedClick(); });
  connect(bFNBrowse_, &QPushButton::clicked, this, [this] { BFNBrowseClick(); });
  connect(bDeal_, &QPushButton::clicked, this, [this] { BDealClick(); });
  connect(bLoad_, &QPushButton::clicked, this, [this] { BLoadClick(); });
  connect(bTest_, &QPushButton::clicked, this, [this] { BTestClick(); });
  connect(bDDAnalysis_, &QPushButton::clicked, this, [this] { BDDAnalysisClick(); });
  connect(bView_, &QPushButton::clicked, this, [this] { BViewClick(); });
  connect(leDesc_, &QLineEdit::editingFinished, this, [this] { CopyControlsToApp(); });
  connect(dtDate_, &QDateEdit::editingFinished, this, [this] { CopyControlsToApp(); });
  return page;
}

QWidget* TForm1::BuildHandRecordsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  QGroupBox* show = MakeGroup("What the hand records show");
  auto* showLayout = new QGridLayout(show);
  cbShowD_ = MakeCheck("Show Distributions", "CBShowD");
  cbShowN_ = MakeCheck("Show Deal Numbers", "CBShowN");
  cbShowL_ = MakeCheck("Show LTC", "CBShowL");
  cbShowDD_ = MakeCheck("Show Analysis", "CBShowDD");
  cbShowPar_ = MakeCheck("Show Par", "CBShowPar");
  cbShowPar_->setToolTip("the par score and contracts of completely analysed boards");
  cbAllTricks_ = MakeCheck("All Tricks", "CBAllTricks");
  cbAllTricks_->setProperty("tag", 1);
  cbContracts_ = MakeCheck("All Contracts", "CBContracts");
  cbAuto_ = MakeCheck(" Auto Fill Description with Filename", "CBAuto");
  cbShowD_->setChecked(true);
  cbShowL_->setChecked(true);
  cbShowDD_->setChecked(true);
  cbContracts_->setChecked(true);
  showLayout->addWidget(cbShowD_, 0, 0);
  showLayout->addWidget(cbShowN_, 1, 0);
  showLayout->addWidget(cbShowL_, 2, 0);
  showLayout->addWidget(cbShowDD_, 0, 1);
  showLayout->addWidget(cbAllTricks_, 1, 1);
  showLayout->addWidget(cbContracts_, 2, 1);
  showLayout->addWidget(cbShowPar_, 3, 1);
  layout->addWidget(show);

  rgLTC_ = MakeGroup("   Losing Trick Count Queen Adjustment   ", "RGLTC");
  auto* ltcLayout = new QVBoxLayout(rgLTC_);
  for (int i = 0; i < kLtcItems; ++i) {
    ltcItems_[i] = new QRadioButton(kLtcTexts[i]);
    ltcItems_[i]->setObjectName(QString("RGLTC%1").arg(i));
    ltcLayout->addWidget(ltcItems_[i]);
  }
  ltcItems_[0]->setChecked(true);
  layout->addWidget(rgLTC_);

  QGroupBox* loading = MakeGroup("Loading sets");
  auto* loadingLayout = new QVBoxLayout(loading);
  loadingLayout->addWidget(cbAuto_);
  layout->addWidget(loading);
  layout->addStretch(1);

  connect(cbShowL_, &QCheckBox::toggled, rgLTC_, &QWidget::setVisible);
  connect(cbAllTricks_, &QCheckBox::clicked, this, [this] { AllTricksClick(cbAllTricks_); });
  connect(cbContracts_, &QCheckBox::clicked, this, [this] { AllTricksClick(cbContracts_); });
  return page;
}

QWidget* TForm1::BuildOptionsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  QGroupBox* files = MakeGroup("Files");
  auto* filesLayout = new QGridLayout(files);
  lDir_ = MakeLabel("Save files in: ", "LDir");
  lDir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bCHDir_ = MakeButton("Change", "BCHDir");
  filesLayout->addWidget(lDir_, 0, 0);
  filesLayout->addWidget(bCHDir_, 0, 1);
  lFN2_ = MakeLabel("Output File", "LFN2");
  lFN2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filesLayout->addWidget(lFN2_, 1, 0, 1, 2);
  filesLayout->setColumnStretch(0, 1);
  layout->addWidget(files);

  auto* middle = new QHBoxLayout;
  QGroupBox* threads = MakeGroup("Analysis");
  auto* threadsForm = new QFormLayout(threads);
  seNprocs_ = MakeSpin(1, 32, 1, "SENprocs");
  threadsForm->addRow(MakeLabel("Threads to Use", "Label7"), seNprocs_);
  lMaxThreads_ = MakeLabel("Threads in Use", "LMaxThreads");
  lNumProc_ = MakeLabel("", "LNumProc");
  threadsForm->addRow(lMaxThreads_);
  threadsForm->addRow(lNumProc_);
  middle->addWidget(threads, 1);

  QGroupBox* place = MakeGroup("Club");
  auto* placeLayout = new QVBoxLayout(place);
  auto* siteForm = new QFormLayout;
  leSite_ = Named(new QLineEdit, "LESite");
  leSite_->setMaxLength(int(SettingsRecord::kNameLimit));
  siteForm->addRow(MakeLabel("Site: ", "LESiteLabel"), leSite_);
  placeLayout->addLayout(siteForm);
  rgMon_ = MakeGroup(" Deal View Monitor ", "RGMon");
  new QVBoxLayout(rgMon_);
  lDispName_ = MakeLabel("Default Monitor", "LDispName");
  placeLayout->addWidget(rgMon_);
  placeLayout->addWidget(lDispName_);
  middle->addWidget(place, 1);
  layout->addLayout(middle);

  QGroupBox* special = MakeGroup("Special Commands");
  auto* specialLayout = new QHBoxLayout(special);
  bReDoDD_ = MakeButton("Repeat Double Dummy", "BReDoDD");
  bReDoDD_->setToolTip("Re-do double dummy analysis.  Used for performance measurements.");
  bPDF_ = MakeButton("Re-Write PDF of Hand Records", "BPDF");
  bSave_ = MakeButton("Force PBN Write", "BSave");
  specialLayout->addWidget(bReDoDD_);
  specialLayout->addWidget(bPDF_);
  specialLayout->addWidget(bSave_);
  specialLayout->addStretch(1);
  layout->addWidget(special);
  layout->addStretch(1);

  connect(bCHDir_, &QPushButton::clicked, this, [this] { BCHDirClick(); });
  connect(bReDoDD_, &QPushButton::clicked, this, [this] { BReDoDDClick(); });
  connect(bPDF_, &QPushButton::clicked, this, [this] { BPDFClick(); });
  connect(bSave_, &QPushButton::clicked, this, [this] { BSaveClick(); });
  return page;
}

QWidget* TForm1::BuildPrintingTab() {
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);

  QGroupBox* records = MakeGroup("Hand Records on Printer", "Label12");
  auto* recordsForm = new QFormLayout(records);
  bPrint_ = MakeButton("Print Hand Records", "BPrint");
  spNCop_ = MakeSpin(1, 200, 1, "SpNCop");
  cbFlip_ = MakeCheck("Flip Pages", "CBFlip");
  cbFlip_->setChecked(true);
  recordsForm->addRow(bPrint_);
  recordsForm->addRow(MakeLabel("Copies", "Label8"), spNCop_);
  recordsForm->addRow(cbFlip_);
  layout->addWidget(records, 0, 0);

  QGroupBox* sheets = MakeGroup("Setup Sheets and Travelers", "Label13");
  auto* sheetsForm = new QFormLayout(sheets);
  bPSetups_ = MakeButton("Print Setup Sheets", "BPSetups");
  bTravelers_ = MakeButton("Print Travelers", "BTravelers");
  seLast_ = MakeSpin(1, 36, 1, "SELast");
  sheetsForm->addRow(bPSetups_);
  sheetsForm->addRow(bTravelers_);
  sheetsForm->addRow(MakeLabel("Last Board", "Label10"), seLast_);
  layout->addWidget(sheets, 0, 1);

  QGroupBox* printer = MakeGroup("Printer");
  auto* printerLayout = new QHBoxLayout(printer);
  bPrintSel_ = MakeButton("Printer Select", "BPrintSel");
  lPrinter_ = MakeLabel("Printer Selected", "LPrinter");
  printerLayout->addWidget(bPrintSel_);
  printerLayout->addWidget(lPrinter_, 1);
  layout->addWidget(printer, 1, 0, 1, 2);

  auto* logo = MakeLabel("", "Logo");
  logo->setPixmap(QPixmap::fromImage(ImageOf(app_.logo))
                      .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  logo->setToolTip("The emblem printed in the hand records' header");
  layout->addWidget(logo, 2, 0, 1, 2, Qt::AlignHCenter);
  layout->setRowStretch(3, 1);

  connect(bPrint_, &QPushButton::clicked, this, [this] { BPrintClick(); });
  connect(bPrintSel_, &QPushButton::clicked, this, [this] { BPrintSelClick(); });
  connect(bPSetups_, &QPushButton::clicked, this, [this] { BPSetupsClick(); });
  connect(bTravelers_, &QPushButton::clicked, this, [this] { BTravelersClick(); });
  return page;
}

QWidget* TForm1::BuildMultipleSetsTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  QGroupBox* request = MakeGroup("Run");
  auto* requestForm = new QGridLayout(request);
  eName_ = Named(new QLineEdit, "Ename");
  eName_->setPlaceholderText("names the run's folder and files");
  seDeals_ = MakeSpin(MultiSetRun::kFewestSets, MultiSetRun::kMostSets, 2, "SEDeals");
  requestForm->addWidget(MakeLabel("Set Name", "EnameLabel"), 0, 0);
  requestForm->addWidget(eName_, 0, 1);
  requestForm->addWidget(MakeLabel("Number of Deals :", "LNDeals"), 1, 0);
  requestForm->addWidget(seDeals_, 1, 1, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  bMulti_ = MakeButton("Start", "BMulti");
  bViewLog_ = MakeButton("View Log", "BViewLog");
  buttons->addWidget(bMulti_);
  buttons->addWidget(bViewLog_);
  buttons->addStretch(1);
  requestForm->addLayout(buttons, 2, 0, 1, 2);
  requestForm->setColumnStretch(1, 1);
  layout->addWidget(request);

  QGroupBox* progress = MakeGroup("Progress");
  auto* grid = new QGridLayout(progress);
  lSaveDir_ = MakeLabel("Dir: ", "LSaveDir");
  lSaveDir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(lSaveDir_, 0, 0, 1, 4);
  grid->addWidget(MakeLabel("Running Set #", "Label3"), 1, 0);
  lMCnt_ = MakeLabel("", "LMCnt");
  grid->addWidget(lMCnt_, 1, 1);
  lseed_ = MakeLabel("Seed: ", "Lseed");
  grid->addWidget(lseed_, 2, 0, 1, 4);
  grid->addWidget(MakeLabel("Elapsed: ", "Label5"), 3, 0);
  grid->addWidget(MakeLabel("Set Time", "Label1"), 3, 1);
  lTime_ = MakeLabel("", "LTime");
  grid->addWidget(lTime_, 3, 2);
  grid->addWidget(MakeLabel("Job Time", "Label4"), 4, 1);
  lTime2_ = MakeLabel("", "LTime2");
  grid->addWidget(lTime2_, 4, 2);
  lWorking_ = MakeLabel("", "LWorking");
  grid->addWidget(lWorking_, 5, 0, 1, 4);
  grid->setColumnStretch(3, 1);
  layout->addWidget(progress);
  layout->addStretch(1);

  connect(bMulti_, &QPushButton::clicked, this, [this] { BMultiClick(); });
  connect(bViewLog_, &QPushButton::clicked, this, [this] { BViewLogClick(); });
  return page;
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate() {
  if (!app_.SettingsProblem().ok()) {
    statusBar()->showMessage(QString::fromStdString(app_.SettingsProblem().message()));
  }
  CreateViewer();
  ApplySettings();
  pageControl_->setCurrentIndex(0);
  dtDate_->setDate(QDate::currentDate());
  lNumProc_->setText(QString::number(std::max(1u, std::thread::hardware_concurrency())) +
                     " Processors Reported");
  DrawProgressGrid();
  rgLTC_->setVisible(cbShowL_->isChecked());
  std::error_code ignored;
  bTest_->setVisible(fs::exists(options_.workingDirectory / "Test.pbn", ignored));
  SetReady(false);
  SetDealButton(false);
  CopyControlsToApp();
  pageControl_->setFocus();
}

void TForm1::ApplySettings() {
  const SettingsControls shown = app_.ApplySettings();
  const HandRecordOptions& options = shown.handRecords;
  cbShowD_->setChecked(options.showDistributions);
  cbShowN_->setChecked(options.showDealNumbers);
  cbShowL_->setChecked(options.showLtc);
  cbShowPar_->setChecked(options.showPar);
  cbShowDD_->setChecked(options.showAnalysis);
  cbAllTricks_->setChecked(options.allTricks);
  cbContracts_->setChecked(!options.allTricks);
  cbAuto_->setChecked(shown.autoFillDescription);
  cbFlip_->setChecked(shown.flipPages);
  ltcItems_[std::clamp(int(options.queenMethod), 0, kLtcItems - 1)]->setChecked(true);
  seNprocs_->setValue(shown.threads);
  lDir_->setText("Save files in: " + FromPath(shown.outputDirectory));
  leSite_->setText(FromText(shown.site));

  // The stored printer when it is still installed, else the default one.
  lPrinter_->setText(FromText(app_.SelectStoredPrinter(printer_)));

  const auto fill = [](QComboBox* box, const std::vector<std::string>& items,
                       const std::string& selected) {
    box->clear();
    for (const std::string& item : items) box->addItem(FromText(item));
    box->setEditText(FromText(selected));
  };
  fill(cbClub_, shown.clubs, shown.club);
  fill(cbEvent_, shown.events, shown.event);

  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool several = screens.size() > 1;
  rgMon_->setVisible(several);
  lDispName_->setVisible(!several);
  lDispName_->setText("Default Monitor");
  if (several) {
    const int chosen = std::clamp(shown.monitor, 0, int(screens.size()) - 1);
    for (int i = 0; i < screens.size(); ++i) {
      auto* item = new QRadioButton(MonitorName(screens[i], i));
      item->setObjectName(QString("RGMon%1").arg(i));
      item->setChecked(i == chosen);
      rgMon_->layout()->addWidget(item);
      connect(item, &QRadioButton::toggled, this, [this, i](bool on) {
        if (on) app_.Settings().SetMonitor(uint8_t(i));
      });
    }
    lDispName_->setText(MonitorName(screens[chosen], chosen));
  }
}

SettingsControls TForm1::ControlsShown() const {
  SettingsControls c;
  c.handRecords.showDistributions = cbShowD_->isChecked();
  c.handRecords.showDealNumbers = cbShowN_->isChecked();
  c.handRecords.showLtc = cbShowL_->isChecked();
  c.handRecords.showPar = cbShowPar_->isChecked();
  c.handRecords.showAnalysis = cbShowDD_->isChecked();
  c.handRecords.allTricks = cbAllTricks_->isChecked();
  for (int i = 0; i < kLtcItems; ++i) {
    if (ltcItems_[i]->isChecked()) c.handRecords.queenMethod = QueenMethodFromIndex(i);
  }
  c.flipPages = cbFlip_->isChecked();
  c.autoFillDescription = cbAuto_->isChecked();
  c.threads = seNprocs_->value();
  // Changed in the record by their own buttons.
  c.outputDirectory = app_.Settings().OutputDirectory();
  c.printerName = app_.Settings().PrinterName();
  c.monitor = app_.Settings().Monitor();
  c.site = ToTextLossy(leSite_->text());
  for (int i = 0; i < cbClub_->count(); ++i) c.clubs.push_back(ToTextLossy(cbClub_->itemText(i)));
  c.club = ToTextLossy(cbClub_->currentText());
  for (int i = 0; i < cbEvent_->count(); ++i) {
    c.events.push_back(ToTextLossy(cbEvent_->itemText(i)));
  }
  c.event = ToTextLossy(cbEvent_->currentText());
  return c;
}

Status TForm1::CollectSettings() {
  CopyControlsToApp();
  return app_.CollectSettings(ControlsShown());
}

void TForm1::SaveSettingsNow() {
  const Status saved = app_.SaveSettings();
  if (!saved.ok()) statusBar()->showMessage(QString::fromStdString(saved.message()));
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::FormActivate() {
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
  app_.Set().header.computerName = ComputerNameText();
}

bool TForm1::CommandLineFileToReload() const {
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

void TForm1::SetReady(bool ready) {
  app_.SetReady(ready);
  bSave_->setEnabled(ready);
  bPDF_->setEnabled(ready);
  bReDoDD_->setEnabled(ready);
  shape2_->setVisible(ready);
  bDeal_->setVisible(!ready);
  bDeal_->setEnabled(!ready);
  bDDAnalysis_->setVisible(ready);
  lDDProg_->setVisible(ready);
  bView_->setVisible(ready);
  bDDAnalysis_->setEnabled(ready);
  bView_->setEnabled(ready);
}

void TForm1::SetDealButton(bool allowed) {
  bDeal_->setEnabled(allowed);
  bDeal_->setVisible(allowed);
}

void TForm1::SeedEdited() {
  // A new seed is a new set: the one in hand is finished and saved before
  // the window lets go of it.  A click or the focus alone changes nothing.
  if (app_.SetReady()) SetAside();
  LESeedChange();
}

void TForm1::SetAside() {
  CopyControlsToApp();
  const Status saved = app_.LeaveSet();
  timer1_->stop();
  bDDAnalysis_->setText("Start DD Analysis");
  DrawProgressGrid();
  SetReady(false);
  if (!saved.ok()) ShowFailure("Save", saved);
}

void TForm1::LESeedChange() {
  SetDealButton(!leSeed_->text().isEmpty() && !app_.SetFilePath().empty());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    for (QComboBox* box : {cbEvent_, cbClub_}) {
      if (watched == box) ComboLeft(box);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::BAddDTClick() {
  leSeed_->setText(leSeed_->text() + QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss"));
  SeedEdited();
}

void TForm1::BClearSeedClick() {
  leSeed_->clear();
  SeedEdited();
}

void TForm1::BFNBrowseClick() {
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
  LESeedChange();
}

void TForm1::BDealClick() {
  const Result<std::string> seed = Utf8ToCp1252(leSeed_->text().toStdString());
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
  BDDAnalysisClick();
  bDDAnalysis_->setFocus();  // the Deal button is gone; the seed is not entered by this
}

void TForm1::BDDAnalysisClick() {
  if (app_.AnalysisRunning() && !app_.Runner().StopRequested()) {
    app_.StopAnalysis();
    bDDAnalysis_->setText("Start DD Analysis");
    LESeedChange();
    return;
  }
  // A stopped run whose workers are still finishing their searches ends
  // first, so that the new run starts from what it stored.
  if (app_.AnalysisRunning()) app_.StopAndWait();
  CopyControlsToApp();
  lMaxThreads_->setText(QString::fromStdString(MaxThreadsText(app_.ThreadsSetting())));
  const Status started = app_.StartAnalysis();
  if (!app_.AnalysisRunning()) {
    ShowFailure("DD Analysis", started);
    return;
  }
  bDDAnalysis_->setText("Stop DD Analysis");
  timer1_->start();
  if (!started.ok()) ShowFailure("Save", started);
}

void TForm1::CopyControlsToApp() {
  app_.fields.event = ToTextLossy(cbEvent_->currentText());
  app_.fields.description = ToTextLossy(leDesc_->text());
  app_.fields.club = ToTextLossy(cbClub_->currentText());
  app_.fields.site = ToTextLossy(leSite_->text());
  app_.fields.eventDate = FromQDate(dtDate_->date());
  // What the hand records show and how a load fills the description are
  // read from the record, so it follows the controls.
  const SettingsControls shown = ControlsShown();
  app_.SetHandRecordChoices(shown.handRecords);
  app_.Settings().SetAutoFillDescription(shown.autoFillDescription);
  app_.Settings().SetThreads(uint8_t(shown.threads));
}

void TForm1::SaveFile() {
  CopyControlsToApp();
  const Status saved = app_.SaveFile();
  if (!saved.ok()) ShowFailure("Save", saved);
}

void TForm1::ShowFailure(const QString& title, const Status& status) {
  QString message = QString::fromStdString(status.message());
  if (!message.isEmpty()) message[0] = message[0].toUpper();
  statusBar()->showMessage(message);
  QMessageBox::warning(this, title, message);
}

void TForm1::ShowFileNames() {
  lFn_->setText("File Name: " + FromPath(app_.SetFilePath().filename()));
  lFN2_->setText("Saved in: " + FromPath(app_.PbnPath()));
}

void TForm1::ShowLoadedSet() {
  const QSignalBlocker block(leSeed_);
  leSeed_->setText(FromText(app_.Set().header.seed));
  ShowFileNames();
  cbEvent_->setEditText(FromText(app_.fields.event));
  leDesc_->setText(FromText(app_.fields.description));
  if (app_.fields.eventDate != 0) dtDate_->setDate(ToQDate(app_.fields.eventDate));
  cbClub_->setEditText(FromText(app_.fields.club));
  SetReady(true);
  DrawProgressGrid();
  viewer_->ShowHand();
}

void TForm1::LoadFile(const fs::path& path) {
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  bDDAnalysis_->setText("Start DD Analysis");
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

void TForm1::BLoadClick() {
  // The analysis stops and what it found is saved before the dialog opens,
  // so that nothing found while the operator chooses is lost.
  const bool wasRunning = app_.AnalysisRunning() && !app_.Runner().StopRequested();
  if (app_.SetReady()) {
    const Status collected = CollectSettings();
    if (!collected.ok()) ShowFailure("Save", collected);
  }
  CopyControlsToApp();
  if (const Status left = app_.LeaveSet(); !left.ok()) ShowFailure("Save", left);
  bDDAnalysis_->setText("Start DD Analysis");
  DrawProgressGrid();
  QFileDialog dialog(this, "Open Saved Deal Set File");
  dialog.setObjectName("OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(kSetFileFilters);
  dialog.setDirectory(FromPath(app_.Settings().OutputDirectory()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (wasRunning && app_.SetReady()) BDDAnalysisClick();  // nothing loaded: go on
    return;
  }
  LoadFile(ToPath(dialog.selectedFiles().first()));
}

void TForm1::BTestClick() {
  LoadFile(options_.workingDirectory / "Test.pbn");
}

void TForm1::ComboLeft(QComboBox* box) {
  const QString text = box->currentText();
  if (box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) box->addItem(text);
  CopyControlsToApp();
}

void TForm1::CreateViewer() {
  viewer_ = std::make_unique<TDGForm>(app_);
  connect(viewer_.get(), &TDGForm::DisplayOptionChanged, this, [this](bool allTricks) {
    cbAllTricks_->setChecked(allTricks);
    cbContracts_->setChecked(!allTricks);
  });
  connect(viewer_.get(), &TDGForm::SaveFailed, this, [this](const QString& message) {
    ShowFailure("Save", Status::Error(message.toStdString()));
  });
  // An edited board has lost its analysis: analyse it again (a run that
  // was going on has been restarted by the viewer already).
  connect(viewer_.get(), &TDGForm::BoardEdited, this, [this] {
    DrawProgressGrid();
    if (app_.SetReady() && !app_.AnalysisRunning()) BDDAnalysisClick();
  });
}

void TForm1::BViewClick() {
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

void TForm1::BSaveClick() {
  CopyControlsToApp();
  const Status written = app_.ForcePbnWrite();
  if (!written.ok())
    ShowFailure("Force PBN Write", written);
  else
    statusBar()->showMessage("Written " + FromPath(app_.PbnPath()), 5000);
}

void TForm1::BPDFClick() {
  CopyControlsToApp();
  const Status written = app_.WriteHandRecords();
  if (!written.ok())
    ShowFailure("Re-Write PDF of Hand Records", written);
  else
    statusBar()->showMessage("Written " + FromPath(app_.PdfPath()), 5000);
}

void TForm1::BReDoDDClick() {
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

void TForm1::BCHDirClick() {
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
  app_.Settings().SetOutputDirectory(chosen);
  lDir_->setText("Save files in: " + FromPath(app_.Settings().OutputDirectory()));
}

void TForm1::AllTricksClick(QCheckBox* clicked) {
  QCheckBox* other = clicked == cbAllTricks_ ? cbContracts_ : cbAllTricks_;
  other->setChecked(!clicked->isChecked());
  app_.Settings().SetAllTricks(cbAllTricks_->isChecked());
  SaveSettingsNow();
}

// ---------------------------------------------------------------- printing

void TForm1::BPrintClick() {
  CopyControlsToApp();
  // Between the two sides of flipped pages the operator turns the stack.
  const FlipPause pause = [this] {
    QMessageBox::information(this, QString::fromUtf8(kFlipPauseCaption.data()),
                             QString::fromUtf8(kFlipPauseText.data()).replace("\r\n", "\n"));
    return true;
  };
  const Status printed =
      app_.PrintHandRecords(printer_, spNCop_->value(), cbFlip_->isChecked(), pause);
  if (!printed.ok()) ShowFailure("Print Hand Records", printed);
}

void TForm1::BPSetupsClick() {
  CopyControlsToApp();
  const Status printed = app_.PrintSetupSheets(printer_, seLast_->value());
  if (!printed.ok()) ShowFailure("Print Setup Sheets", printed);
}

void TForm1::BTravelersClick() {
  CopyControlsToApp();
  const Status printed = app_.PrintTravelers(printer_, seLast_->value());
  if (!printed.ok()) ShowFailure("Print Travelers", printed);
}

void TForm1::BPrintSelClick() {
  QPrintDialog dialog(&printer_.Device(), this);
  dialog.setObjectName("PrintDialog1");
  dialog.exec();
  // Whatever the operator did there, the printer current afterwards is taken.
  printer_.TakeDevicePrinter();
  lPrinter_->setText(FromText(app_.TakePrinterChoice(printer_)));
}

// ---------------------------------------------------------------- timers

void TForm1::Timer1Timer() {
  if (!app_.AnalysisRunning()) {
    if (!run_.Busy()) timer1_->stop();
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
  lDDProg_->setText(progress);
  lWorking_->setText(progress);
  DrawProgressGrid();
  if (viewer_->isVisible()) viewer_->ShowDD();
  if (outcome.tick.completed) {
    bDDAnalysis_->setText("Start DD Analysis");
    if (!run_.Busy()) timer1_->stop();
    if (!outcome.save.ok()) ShowFailure("Save", outcome.save);
  } else if (!outcome.save.ok()) {
    // The next periodic save tries again; the final one reports.
    statusBar()->showMessage(QString::fromStdString(outcome.save.message()));
  }
}

void TForm1::DrawProgressGrid() {
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
  iPrg_->setPixmap(QPixmap::fromImage(image));
}

void TForm1::BMultiClick() {
  if (run_.Busy()) {
    const Status halted = run_.Halt();
    lWorking_->setText(
        QString::fromUtf8(MultiSetRun::kStoppedText.data(), int(MultiSetRun::kStoppedText.size())));
    if (!halted.ok()) ShowFailure("Halt", halted);
    return;
  }
  const std::string name = eName_->text().toStdString();
  const fs::path folder = app_.Settings().OutputDirectory();
  const OutputVerdict verdict = MultiSetRun::CheckRun(name, seDeals_->value(), folder);
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
  const Status started = run_.Start(name, seDeals_->value(), folder, replace);
  if (!started.ok()) {
    ShowFailure("Multiple Sets", started);
    return;
  }
  lSaveDir_->setText("Dir: " + FromPath(run_.RunDirectory()));
  bMulti_->setText("Halt");
  SetRunControls(true);
  timer2_->start();
}

void TForm1::Timer2Timer() {
  if (!run_.Busy()) {
    timer2_->stop();
    return;
  }
  CopyControlsToApp();
  const int before = run_.SetCounter();
  const Status stepped = run_.Step();
  if (run_.SetCounter() != before) {
    // A new set: the window shows it as if it had been dealt here.
    const QSignalBlocker block(leSeed_);
    leSeed_->setText(FromText(run_.Seed()));
    ShowFileNames();
    SetReady(true);
    SetRunControls(true);
    bDDAnalysis_->setText("Stop DD Analysis");
    lMaxThreads_->setText(QString::fromStdString(MaxThreadsText(app_.ThreadsSetting())));
    timer1_->start();
  }
  ShowRunLabels();
  if (!run_.Busy()) {
    timer2_->stop();
    bMulti_->setText("Start");
    SetRunControls(false);
  }
  if (!stepped.ok()) ShowFailure("Multiple Sets", stepped);
}

void TForm1::SetRunControls(bool running) {
  // While a run deals and analyses its sets, the set in the window is the
  // run's: dealing, loading or analysing by hand would pull it away.
  for (QWidget* control :
       std::initializer_list<QWidget*>{bDeal_, bLoad_, bTest_, bFNBrowse_, bDDAnalysis_, bReDoDD_,
                                       leSeed_, bAddDT_, bClearSeed_, eName_, seDeals_}) {
    control->setEnabled(!running);
  }
  if (!running) SetReady(app_.SetReady());  // the set's own enabling rules again
}

void TForm1::ShowRunLabels() {
  lSetNum_->setText(QString::number(run_.SetCounter()));
  lMCnt_->setText(QString::number(run_.SetCounter()));
  lCurrent_->setText("File: " + FromPath(run_.CurrentFile().filename()));
  lseed_->setText(("Seed: " + FromText(run_.Seed())).left(kRunSeedShown));
  lTime_->setText(QString::fromStdString(run_.SetTimeText()));
  lTime2_->setText(QString::fromStdString(run_.RunTimeText()));
}

void TForm1::BViewLogClick() {
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

void TForm1::closeEvent(QCloseEvent* event) {
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
    timer1_->stop();
    timer2_->stop();
    // The settings file, then the set when one is ready.
    const Status collected = CollectSettings();
    if (!collected.ok()) ShowFailure("Save", collected);
  }
  event->accept();
}

}  // namespace tarrow

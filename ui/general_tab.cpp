#include "ui/general_tab.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

#include "app/exports.h"
#include "core/banner.h"
#include "core/cp1252.h"
#include "core/generation.h"
#include "files/deal_file_writer.h"
#include "ui/deal_viewer.h"
#include "ui/qt_text.h"
#include "ui/setting_controls.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

namespace fs = std::filesystem;

namespace {
const QDate kUnknownDate(1900, 1, 1);
}  // namespace

namespace {

// The colour of a board whose ten results are all known.
constexpr uint32_t kDoneColour = 0x2E7D5B;
const QStringList kSetFileFilters = {"Portable Bridge Notation (*.pbn)",
                                     "Import Bridge File (*.bre *.ber *.bri *.dup)"};

}  // namespace

GeneralTab::GeneralTab(App& app, WindowServices& window, const fs::path& testSetFolder)
    : app_(app),
      window_(window),
      testSetFolder_(testSetFolder),
      grid_(kDoneColour, uint32_t(QDateTime::currentMSecsSinceEpoch())) {
  BuildControls();
  BindControls();
  eventDateEdit_->setDate(QDate::currentDate());
  std::error_code ignored;
  loadTestSetButton_->setVisible(fs::exists(testSetFolder_ / "Test.pbn", ignored));
}

void GeneralTab::BuildControls() {
  auto* columns = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  columns->addLayout(left, 3);

  QGroupBox* setGroup = MakeGroup("Set");
  auto* setForm = new QGridLayout(setGroup);
  seedEdit_ = Named(new QLineEdit, "LESeed");
  seedEdit_->setMaxLength(int(kSeedLimit));
  seedEdit_->setMinimumWidth(260);
  seedEdit_->setPlaceholderText(
      QString("the text the set grows from, up to %1 characters").arg(kSeedLimit));
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
  dealHint_ = MakeLabel("", "LDealHint");
  dealHint_->setEnabled(false);
  // The boards in play cut every hand record short: said where the set is made.
  boardsInPlayLabel_ = MakeLabel("", "LBoardsInPlay");
  actions->addWidget(dealButton_);
  actions->addWidget(dealHint_);
  actions->addWidget(boardsInPlayLabel_);
  actions->addWidget(loadButton_);
  actions->addWidget(loadTestSetButton_);
  actions->addStretch(1);
  setForm->addLayout(actions, 2, 0, 1, 4);
  setForm->setColumnStretch(1, 1);
  left->addWidget(setGroup);

  eventBox_ = MakeGroup("Event", "Shape2");
  auto* eventForm = new QFormLayout(eventBox_);
  eventCombo_ = Named(new QComboBox, ControlName(ListSetting::kEvents));
  descriptionEdit_ = Named(new QLineEdit, "LEDesc");
  descriptionEdit_->setMaxLength(int(LimitedText<64>::kLimit));
  eventDateEdit_ = Named(new QDateEdit, "DTDate");
  eventDateEdit_->setCalendarPopup(true);
  eventDateEdit_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
  // The lowest date stands for a date nobody knows ("?" in a file from
  // another program): it shows as "?" and no date is printed.
  eventDateEdit_->setMinimumDate(kUnknownDate);
  eventDateEdit_->setSpecialValueText("?");
  clubCombo_ = Named(new QComboBox, ControlName(ListSetting::kClubs));
  for (QComboBox* box : {eventCombo_, clubCombo_}) {
    box->setEditable(true);
    // New names join the list when the box is left, not as they are typed.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(int(LimitedText<64>::kLimit));
    box->installEventFilter(this);  // the box has the focus for its text
  }
  eventForm->addRow(MakeLabel("Event Name:", "LEvent"), eventCombo_);
  eventForm->addRow(MakeLabel("Description: ", "LEDescLabel"), descriptionEdit_);
  eventForm->addRow(MakeLabel("Event Date:", "Label6"), eventDateEdit_);
  eventForm->addRow(MakeLabel("Club Name:", "Label9"), clubCombo_);
  left->addWidget(eventBox_);

  exportBox_ = MakeGroup("Dealing Machine", "ExportBox");
  auto* exportLayout = new QHBoxLayout(exportBox_);
  exportFormatCombo_ = Named(new QComboBox, "CBExportFormat");
  for (const DealFileFormat format :
       {DealFileFormat::kDup, DealFileFormat::kBri, DealFileFormat::kBre, DealFileFormat::kBer}) {
    const std::string_view name = DealFileFormatName(format);
    exportFormatCombo_->addItem(QString::fromLatin1(name.data(), int(name.size())), int(format));
  }
  exportFormatCombo_->setToolTip(
      ".dup for most club dealing machines; .bri, .bre and .ber for older ones");
  exportButton_ = MakeButton("Export for Dealing Machine", "BExport");
  exportLayout->addWidget(exportFormatCombo_);
  exportLayout->addWidget(exportButton_);
  exportLayout->addStretch(1);
  left->addWidget(exportBox_);
  left->addStretch(1);

  QGroupBox* analysis = MakeGroup("Double Dummy Analysis");
  auto* analysisLayout = new QVBoxLayout(analysis);
  progressImage_ = Named(new QLabel, "IPrg");
  progressImage_->setFixedSize(ProgressGrid::kImageSize, ProgressGrid::kImageSize);
  progressImage_->setToolTip(
      "Boards 1 to 36, six to a row: black nothing analysed yet, the deep green colour all "
      "ten results known, other colours in between; an empty frame is a board the set has not.");
  analysisLayout->addWidget(progressImage_, 0, Qt::AlignHCenter);
  progressLabel_ = MakeLabel("", "LDDProg");
  progressLabel_->setAlignment(Qt::AlignCenter);
  analysisLayout->addWidget(progressLabel_);
  countsLabel_ = MakeLabel("", "LDDCounts");
  countsLabel_->setAlignment(Qt::AlignCenter);
  countsLabel_->setWordWrap(true);
  analysisLayout->addWidget(countsLabel_);
  analysisButton_ = MakeButton("DD Analysis", "BDDAnalysis");
  viewerButton_ = MakeButton("Deal Viewer", "BView");
  analysisLayout->addWidget(analysisButton_);
  analysisLayout->addWidget(viewerButton_);
  analysisLayout->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(analysis);
  right->addStretch(1);
  auto* banner = MakeLabel(
      "  " + QString::fromUtf8(kProgramBanner.data(), int(kProgramBanner.size())) + "  ", "LRev");
  banner->setAlignment(Qt::AlignRight);
  banner->setEnabled(false);
  right->addWidget(banner);
  columns->addLayout(right, 2);
}

void GeneralTab::BindControls() {
  connect(seedEdit_, &QLineEdit::textEdited, this, [this] { OnSeedEdited(); });
  connect(addDateTimeButton_, &QPushButton::clicked, this, [this] {
    seedEdit_->setText(seedEdit_->text() +
                       QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss"));
    OnSeedEdited();
  });
  connect(clearSeedButton_, &QPushButton::clicked, this, [this] {
    seedEdit_->clear();
    OnSeedEdited();
  });
  connect(browseButton_, &QPushButton::clicked, this, [this] { OnBrowseClicked(); });
  connect(dealButton_, &QPushButton::clicked, this, [this] { OnDealClicked(); });
  connect(loadButton_, &QPushButton::clicked, this, [this] { OnLoadClicked(); });
  connect(loadTestSetButton_, &QPushButton::clicked, this,
          [this] { LoadFile(testSetFolder_ / "Test.pbn"); });
  connect(analysisButton_, &QPushButton::clicked, this, [this] { OnAnalysisClicked(); });
  connect(exportButton_, &QPushButton::clicked, this, [this] { OnExportClicked(); });
  connect(viewerButton_, &QPushButton::clicked, this, [this] {
    DealViewer& viewer = window_.Viewer();
    if (viewer.isVisible()) {
      viewer.close();
      return;
    }
    viewer.show();
    viewer.raise();
    viewer.activateWindow();
    // The first drawing once the window has its final size.
    QTimer::singleShot(100, &viewer, [&viewer] { viewer.ShowHand(); });
  });
  // Each edit is App's at once: a save, a print or a run takes what is shown.
  connect(eventCombo_, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { app_.SetEventName(ToTextLossy(text)); });
  connect(clubCombo_, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { app_.SetClub(ToTextLossy(text)); });
  connect(descriptionEdit_, &QLineEdit::textChanged, this,
          [this](const QString& text) { app_.SetDescription(ToTextLossy(text)); });
  connect(eventDateEdit_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
    app_.SetEventDate(date == kUnknownDate ? 0 : FromQDate(date));
  });
  for (QComboBox* box : {eventCombo_, clubCombo_}) {
    connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, box] { OnComboLeft(box); });
    // However an item comes in (a name left or entered, the record's
    // lists shown), the record's list is the box's.
    const ListSetting list = box == clubCombo_ ? ListSetting::kClubs : ListSetting::kEvents;
    // An item's text comes after its row.
    const auto takeItems = [this, box, list] {
      std::vector<std::string> items;
      for (int i = 0; i < box->count(); ++i) items.push_back(ToTextLossy(box->itemText(i)));
      app_.SetListItems(list, items);
    };
    connect(box->model(), &QAbstractItemModel::rowsInserted, this, takeItems);
    connect(box->model(), &QAbstractItemModel::dataChanged, this, takeItems);
  }
}

void GeneralTab::Refresh() {
  const bool ready = app_.HasReadySet();
  const bool runGoing = app_.MultiRun().Busy();
  const bool fileChosen = !app_.SetFilePath().empty();
  const bool dealAllowed = !ready && !seedEdit_->text().isEmpty() && fileChosen;
  dealButton_->setVisible(dealAllowed);
  dealButton_->setEnabled(dealAllowed && !runGoing);
  // A newcomer does not guess that "Deal" waits for a file name.
  dealHint_->setVisible(!ready && !dealAllowed);
  dealHint_->setText(fileChosen ? "Type a seed to deal a set."
                                : "Type a seed and choose the set's file with \"Browse\" to deal.");
  const int inPlay = app_.BoardsInPlay();
  boardsInPlayLabel_->setVisible(inPlay < kBoardsPerSet);
  boardsInPlayLabel_->setText(QString("Hand records: boards 1-%1 (Last Board %1)").arg(inPlay));
  eventBox_->setVisible(ready);
  exportBox_->setVisible(ready);
  analysisButton_->setVisible(ready);
  progressLabel_->setVisible(ready);
  countsLabel_->setVisible(ready);
  viewerButton_->setVisible(ready);
  viewerButton_->setEnabled(ready);
  const bool stopping = app_.AnalysisRunning() && !app_.Runner().StopRequested();
  analysisButton_->setText(stopping           ? "Stop DD Analysis"
                           : analysisStarted_ ? "Start DD Analysis"
                                              : "DD Analysis");
  analysisButton_->setEnabled(ready && !runGoing);
  // While a run deals and analyses its sets, the set in the window is the
  // run's: dealing, loading or analysing by hand would pull it away.
  for (QWidget* control :
       std::initializer_list<QWidget*>{loadButton_, loadTestSetButton_, browseButton_, seedEdit_,
                                       addDateTimeButton_, clearSeedButton_}) {
    control->setEnabled(!runGoing);
  }
  fileNameLabel_->setText(fileChosen ? "File Name: " + FromPath(app_.SetFilePath().filename())
                                     : "File Name:");
  DrawProgressGrid();
}

void GeneralTab::ShowLoadedSet() {
  // The last set's progress and time say nothing of this one.
  ShowProgress(QString(), QString());
  seedEdit_->setText(FromText(app_.Set().header.seed));
  const EventFields fields = app_.Fields();  // the controls' own signals write them back
  eventCombo_->setEditText(FromText(fields.event));
  descriptionEdit_->setText(FromText(fields.description));
  eventDateEdit_->setDate(fields.eventDate != 0 ? ToQDate(fields.eventDate) : kUnknownDate);
  clubCombo_->setEditText(FromText(fields.club));
  window_.RefreshAll();
  window_.Viewer().ShowHand();
}

void GeneralTab::ShowSeed(const std::string& seed) {
  seedEdit_->setText(FromText(seed));
}

void GeneralTab::ShowProgress(const QString& progress, const QString& counts) {
  progressLabel_->setText(progress);
  countsLabel_->setText(counts);
}

void GeneralTab::ShowSettings() {
  // The text by value: filling the box changes App's field on the way.
  const auto fill = [this](QComboBox* box, ListSetting list, const std::string text) {
    box->clear();
    for (const std::string& item : app_.Settings().Items(list)) box->addItem(FromText(item));
    box->setEditText(FromText(text));
  };
  fill(clubCombo_, ListSetting::kClubs, app_.Fields().club);
  fill(eventCombo_, ListSetting::kEvents, app_.Fields().event);
}

bool GeneralTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    for (QComboBox* box : {eventCombo_, clubCombo_}) {
      if (watched == box) OnComboLeft(box);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void GeneralTab::OnComboLeft(QComboBox* box) {
  const QString text = box->currentText();
  if (box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) box->addItem(text);
}

void GeneralTab::OnSeedEdited() {
  // A new seed is a new set: the one in hand is finished and saved before
  // the window lets go of it.  A click or the focus alone changes nothing.
  if (app_.HasReadySet()) SetAside();
  Refresh();
}

void GeneralTab::SetAside() {
  const Status saved = app_.SetAside();
  window_.RefreshAll();
  if (!saved.ok()) window_.ShowFailure("Save", saved);
}

void GeneralTab::OnBrowseClicked() {
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
    if (app_.HasReadySet()) SetAside();
    // The dialog asked before an existing file was chosen: that is the
    // operator's word to replace it.
    app_.NameSetFile(ToPath(dialog.selectedFiles().first()), Word::kGiven);
  }
  window_.RefreshAll();
}

void GeneralTab::OnDealClicked() {
  const Result<std::string> seed = Utf8ToCp1252(seedEdit_->text().toStdString());
  if (!seed.ok()) {
    window_.ShowFailure("Deal", Status::Error("the seed cannot be used: " + seed.message()));
    return;
  }
  if (seed->empty() || app_.SetFilePath().empty()) return;
  if (const Status usable = CheckSeedText(*seed); !usable.ok()) {
    window_.ShowFailure("Deal", usable);
    return;
  }
  if (const Status left = app_.LeaveSet(); !left.ok()) window_.ShowFailure("Save", left);
  const auto deal = [&](Word word) { return app_.Deal(*seed, app_.SetFilePath(), word); };
  if (!RunCommand(window_, "Deal", deal)) return;
  window_.Viewer().ShowHand();
  // Dealing stopped any analysis of the previous set, so this starts one
  // for the new set, which saves it.
  ShowProgress(QString(), QString());
  OnAnalysisClicked();
  // The Deal button is gone; the focus goes where a second Return does no
  // harm (on the analysis button it would stop the analysis just begun).
  browseButton_->setFocus();
}

void GeneralTab::OnAnalysisClicked() {
  if (app_.AnalysisRunning() && !app_.Runner().StopRequested()) {
    app_.StopAnalysis();
    window_.RefreshAll();
    return;
  }
  // A stopped run whose workers are still finishing their searches ends
  // first, so that the new run starts from what it stored.
  if (app_.AnalysisRunning()) app_.StopAndWait();
  const Status started = app_.StartAnalysis();
  if (!app_.AnalysisRunning()) {
    window_.ShowFailure("DD Analysis", started);
    return;
  }
  analysisStarted_ = true;
  window_.StartTicking();
  window_.RefreshAll();
  if (!started.ok()) window_.ShowFailure("Save", started);
}

void GeneralTab::OnLoadClicked() {
  // The analysis stops and what it found is saved before the dialog opens,
  // so that nothing found while the operator chooses is lost.
  const bool wasRunning = app_.AnalysisRunning() && !app_.Runner().StopRequested();
  if (const Status left = app_.LeaveSet(); !left.ok()) window_.ShowFailure("Save", left);
  window_.RefreshAll();
  QFileDialog dialog(this, "Open Saved Deal Set File");
  dialog.setObjectName("OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(kSetFileFilters);
  dialog.setDirectory(FromPath(app_.Settings().OutputDirectory()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (wasRunning && app_.HasReadySet()) OnAnalysisClicked();  // nothing loaded: go on
    return;
  }
  LoadFile(ToPath(dialog.selectedFiles().first()));
}

namespace {

// A PBN file of several events: the operator picks one ("1" for the first,
// nothing when the file holds one).  Empty when the choice is cancelled.
std::optional<std::string> ChooseEvent(QWidget* parent, const App& app, const fs::path& path) {
  const std::vector<std::string> events = app.EventsIn(path);
  if (events.empty()) return std::string("1");
  QStringList items;
  for (size_t i = 0; i < events.size(); ++i) {
    items << QString::number(i + 1) + ": " + FromText(events[i]);
  }
  QInputDialog dialog(parent);
  dialog.setObjectName("EventChoice");
  dialog.setWindowTitle("Load a Saved Set");
  dialog.setLabelText(FromPath(path.filename()) + " holds " + QString::number(items.size()) +
                      " events. Which one?");
  dialog.setComboBoxItems(items);
  dialog.setComboBoxEditable(false);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return std::to_string(items.indexOf(dialog.textValue()) + 1);
}

}  // namespace

void GeneralTab::LoadFile(const fs::path& path) {
  if (const Status left = app_.LeaveSet(); !left.ok()) window_.ShowFailure("Save", left);
  const std::optional<std::string> event = ChooseEvent(this, app_, path);
  if (!event) return;  // the set stays as it was
  const std::uint64_t before = app_.SetIdentity();
  Verdict loaded = app_.Load(path, *event, Word::kNotGiven);
  if (loaded.needsWord()) {
    // Where the set is saved: its own file, or beside it when something
    // else is in the way and the operator does not want it replaced.
    const bool replace = AskToReplace(window_, "Load a Saved Set", Status::Error(loaded.message),
                                      QString::fromStdString(loaded.question));
    loaded = replace ? app_.Load(path, *event, Word::kGiven) : app_.KeepLoadedSetBeside();
  }
  if (app_.SetIdentity() == before) {
    window_.RefreshAll();
    window_.ShowFailure("Load a Saved Set", Status::Error(loaded.message));
    return;
  }
  QStringList notes;
  for (const std::string& warning : app_.LoadWarnings()) notes << QString::fromStdString(warning);
  ShowLoadedSet();
  if (loaded.refused()) window_.ShowFailure("Load a Saved Set", Status::Error(loaded.message));
  if (!notes.isEmpty()) window_.ShowNotes("Load a Saved Set", notes);
}

void GeneralTab::OnExportClicked() {
  const auto format = DealFileFormat(exportFormatCombo_->currentData().toInt());
  const fs::path out = ExportPath(app_, DealFileExtension(format));
  const int lastBoard = ExportLastBoard(app_);
  OutputVerdict verdict = ExportDealFile(app_, format, out, lastBoard);
  if (verdict.needsWord) {
    if (!AskToReplace(window_, "Export for Dealing Machine", verdict.status, "Replace it?")) return;
    verdict = ExportDealFile(app_, format, out, lastBoard, true);
  }
  if (!verdict.ok()) {
    window_.ShowFailure("Export for Dealing Machine", verdict.status);
    return;
  }
  window_.ShowStatus(QString("Wrote boards 1-%1 to ").arg(lastBoard) + FromPath(out));
}

// The grid's ground and the look of an absent board: a plain light grey,
// never the analysed colour nor the black of a board not yet analysed.
constexpr QRgb kGridGround = 0xFFD9D9D9;

void GeneralTab::DrawProgressGrid() {
  QImage image(ProgressGrid::kImageSize, ProgressGrid::kImageSize, QImage::Format_RGB32);
  // A neutral ground: the analysed colour means analysed, never "no board"
  // or "no set yet".
  image.fill(QColor::fromRgb(kGridGround));
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

}  // namespace tarrow

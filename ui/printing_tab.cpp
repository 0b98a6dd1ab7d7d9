#include "ui/printing_tab.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "records/output_drivers.h"
#include "ui/qt_text.h"
#include "ui/setting_controls.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

PrintingTab::PrintingTab(App& app, WindowServices& window) : app_(app), window_(window) {
  auto* layout = new QGridLayout(this);

  QGroupBox* records = MakeGroup("Hand Records on Printer", "HandRecordsOnPrinter");
  auto* recordsForm = new QFormLayout(records);
  printButton_ = MakeButton("Print Hand Records", "BPrint");
  copiesSpin_ = MakeSpin(1, 200, 1, "SpNCop");
  const SwitchControl& flip = ControlOf(Switch::kFlipPages);
  flipPagesCheck_ = MakeCheck(QString::fromLatin1(flip.caption), flip.objectName);
  connect(flipPagesCheck_, &QCheckBox::toggled, this,
          [this](bool on) { app_.SetSwitch(Switch::kFlipPages, on); });
  recordsForm->addRow(printButton_);
  recordsForm->addRow(MakeLabel("Copies", "Label8"), copiesSpin_);
  recordsForm->addRow(flipPagesCheck_);
  layout->addWidget(records, 0, 0);

  QGroupBox* sheets = MakeGroup("Setup Sheets and Travelers", "SheetsAndTravelers");
  auto* sheetsForm = new QFormLayout(sheets);
  setupSheetsButton_ = MakeButton("Print Setup Sheets", "BPSetups");
  travelersButton_ = MakeButton("Print Travelers", "BTravelers");
  setupSheetsPdfButton_ = MakeButton("Setup Sheets as PDF", "BPSetupsPdf");
  travelersPdfButton_ = MakeButton("Travelers as PDF", "BTravelersPdf");
  lastBoardSpin_ =
      MakeSpin(1, kBoardsPerSet, app_.BoardsInPlay(), ControlName(NumberSetting::kBoardsInPlay));
  auto* setupRow = new QHBoxLayout;
  setupRow->addWidget(setupSheetsButton_);
  setupRow->addWidget(setupSheetsPdfButton_);
  auto* travelerRow = new QHBoxLayout;
  travelerRow->addWidget(travelersButton_);
  travelerRow->addWidget(travelersPdfButton_);
  sheetsForm->addRow(setupRow);
  sheetsForm->addRow(travelerRow);
  sheetsForm->addRow(MakeLabel("Last Board", "Label10"), lastBoardSpin_);
  layout->addWidget(sheets, 0, 1);

  QGroupBox* printer = MakeGroup("Printer");
  auto* printerLayout = new QHBoxLayout(printer);
  selectPrinterButton_ = MakeButton("Printer Select", "BPrintSel");
  printerLabel_ = MakeLabel("Printer Selected", ControlName(TextSetting::kPrinterName));
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
  connect(setupSheetsButton_, &QPushButton::clicked, this, [this] {
    Status printed = CheckPrintTarget();
    if (printed.ok()) printed = app_.PrintSetupSheets(printer_, lastBoardSpin_->value());
    if (!printed.ok()) window_.ShowFailure("Print Setup Sheets", printed);
  });
  connect(travelersButton_, &QPushButton::clicked, this, [this] {
    Status printed = CheckPrintTarget();
    if (printed.ok()) printed = app_.PrintTravelers(printer_, lastBoardSpin_->value());
    if (!printed.ok()) window_.ShowFailure("Print Travelers", printed);
  });
  // Only the operator's change is the setting's: a set's lower last board
  // shown by ShowLastBoard is not (signals are blocked there).
  connect(lastBoardSpin_, &QSpinBox::valueChanged, this,
          [this](int value) { app_.SetNumber(NumberSetting::kBoardsInPlay, value); });
  connect(setupSheetsPdfButton_, &QPushButton::clicked, this, [this] { SaveSheetsAsPdf(true); });
  connect(travelersPdfButton_, &QPushButton::clicked, this, [this] { SaveSheetsAsPdf(false); });
}

void PrintingTab::Refresh() {
  const bool ready = app_.HasReadySet();
  setupSheetsPdfButton_->setEnabled(ready);
  travelersPdfButton_->setEnabled(ready);
  // A new set: its last board, when lower than the boards in play, is where
  // setup sheets and travelers end.
  if (ready && app_.SetIdentity() != shownSet_) {
    shownSet_ = app_.SetIdentity();
    ShowLastBoard();
  }
}

void PrintingTab::ShowLastBoard() {
  const DealSet& set = app_.Set();
  int last = 0;  // none before a set is dealt or loaded: the setting alone
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    if (set.Board(board).number.valid) last = board;
  }
  const QSignalBlocker quiet(lastBoardSpin_);
  lastBoardSpin_->setValue(last == 0 ? app_.BoardsInPlay() : std::min(app_.BoardsInPlay(), last));
}

void PrintingTab::ShowSettings() {
  flipPagesCheck_->setChecked(app_.Settings().FlipPages());
  ShowLastBoard();
  ShowPrinterName(app_.SelectStoredPrinter(printer_));
}

void PrintingTab::ShowPrinterName(const std::string& name) {
  if (!printer_.OutputFile().empty()) {
    printerLabel_->setText("PDF file " + FromPath(printer_.OutputFile()));
    return;
  }
  // With no printer installed there is nothing to select, and no default.
  printerLabel_->setText(printer_.Printers().empty() ? "No printer installed" : FromText(name));
}

Status PrintingTab::CheckPrintTarget() const {
  // "Print to File" writes a document: never over the set or another set.
  if (printer_.OutputFile().empty()) return Status();
  // The print system writes the file; the gate only judges the plan.
  const Verdict verdict = app_.CheckDocument(printer_.OutputFile(), ".pdf");
  return verdict.done() ? Status() : Status::Error(verdict.message);
}

void PrintingTab::OnPrintClicked() {
  // Between the two sides of flipped pages the operator turns the stack.
  const FlipPause pause = [this] {
    QMessageBox::information(this, QString::fromUtf8(kFlipPauseCaption.data()),
                             QString::fromUtf8(kFlipPauseText.data()).replace("\r\n", "\n"));
    return true;
  };
  // A file holds both pages in one job; only paper is turned over.
  const bool flip = flipPagesCheck_->isChecked() && printer_.OutputFile().empty();
  Status printed = CheckPrintTarget();
  if (printed.ok()) printed = app_.PrintHandRecords(printer_, copiesSpin_->value(), flip, pause);
  if (!printed.ok()) window_.ShowFailure("Print Hand Records", printed);
}

void PrintingTab::OnSelectPrinterClicked() {
  QPrintDialog dialog(&printer_.Device(), this);
  dialog.setObjectName("PrintDialog1");
  dialog.exec();
  // Whatever the operator did there, the printer current afterwards is taken.
  printer_.TakeDevicePrinter();
  ShowPrinterName(app_.TakePrinterChoice(printer_));
}

void PrintingTab::SaveSheetsAsPdf(bool setupSheets) {
  const QString title = setupSheets ? "Setup Sheets as PDF" : "Travelers as PDF";
  const SheetKind kind = setupSheets ? SheetKind::kSetupSheets : SheetKind::kTravelers;
  const int lastBoard = lastBoardSpin_->value();
  const auto write = [&](Word word) { return app_.WriteSheetsPdf(kind, {}, lastBoard, word); };
  // No to the question keeps the file, as the operator chose.
  if (!RunCommand(window_, title, write)) return;
  window_.ShowStatus("Written " + FromPath(app_.SheetsPdfPath(kind)));
}

}  // namespace tarrow

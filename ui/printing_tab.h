// The Printing tab: hand records on the printer (copies, flip pages), the
// printer choice, setup sheets and travelers of boards 1..Last Board on the
// printer or as PDF files beside the set.  Last Board is the boards in play
// (App's setting, which also ends the hand records and exports): the
// operator's change of it is App's SetBoardsInPlay; a new set shows the
// setting, or the set's last board when that is lower.
#pragma once

#include <QWidget>
#include <string>

#include "app/app.h"
#include "printing/qt_printer.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tarrow {

class WindowServices;

class PrintingTab : public QWidget {
 public:
  PrintingTab(App& app, WindowServices& window);

  void Refresh();
  // Selects the stored printer (or the default one) and shows the options.
  // The flip choice, the last board and the printer as App holds them
  // (the stored printer, or the default one, is selected).
  void ShowSettings();

 private:
  void OnPrintClicked();
  void OnSelectPrinterClicked();
  // Setup sheets (true) or travelers as a PDF file beside the set.
  void SaveSheetsAsPdf(bool setupSheets);
  void ShowPrinterName(const std::string& name);
  // Ok, or why the PDF file "Print to File" names may not be written.
  Status CheckPrintTarget() const;
  // The setting, or the set's last board with a deal when that is lower.
  void ShowLastBoard();

  App& app_;
  WindowServices& window_;
  QtPrinter printer_;           // the system printer the print buttons use
  std::uint64_t shownSet_ = 0;  // the App::SetIdentity the Last Board was set for
  QPushButton* printButton_ = nullptr;
  QSpinBox* copiesSpin_ = nullptr;
  QCheckBox* flipPagesCheck_ = nullptr;
  QPushButton* selectPrinterButton_ = nullptr;
  QLabel* printerLabel_ = nullptr;
  QPushButton* setupSheetsButton_ = nullptr;
  QPushButton* travelersButton_ = nullptr;
  QPushButton* setupSheetsPdfButton_ = nullptr;
  QPushButton* travelersPdfButton_ = nullptr;
  QSpinBox* lastBoardSpin_ = nullptr;
};

}  // namespace tarrow

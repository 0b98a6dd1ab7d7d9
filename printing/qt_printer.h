// The system's printers through Qt PrintSupport (CUPS on Linux): the Printer
// the window and the command line hand to the output drivers.  Fonts named
// as the layouts name them resolve through fontconfig to the same faces the
// PDF writer measures ("Arial" to Liberation Sans, "Symbol" to a face with
// the suit signs), so printed and PDF pages agree.
//
//   PrintingSession session;            // a Qt application, offscreen without a display
//   QtPrinter printer;
//   SelectStoredPrinter(printer, settings.PrinterName());
//   Status s = PrintTravelers(printer, set, 36);   // s.message() is the system's reason
//
// Needs a Qt GUI application object while it lives (PrintingSession makes
// one where there is none).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "records/printer.h"

class QGuiApplication;
class QPainter;
class QPrinter;
class QString;

namespace tarrow {

class QtSurface;

// Keeps a Qt GUI application alive for printing from a program that has
// none, such as the command line: on the offscreen platform when neither
// an X nor a Wayland display is there (and QT_QPA_PLATFORM does not say
// otherwise).  Does nothing where an application object exists already.
class PrintingSession {
 public:
  PrintingSession();
  ~PrintingSession();
  PrintingSession(const PrintingSession&) = delete;
  PrintingSession& operator=(const PrintingSession&) = delete;

 private:
  std::unique_ptr<QGuiApplication> app_;
};

class QtPrinter : public Printer {
 public:
  // Starts on the system's default printer.
  QtPrinter();
  ~QtPrinter() override;

  void SetOrientation(PageOrientation orientation) override;
  void SetCopies(int copies) override;
  int PageWidth() override;
  int PageHeight() override;
  Status BeginDoc() override;
  Status NewPage() override;
  Status EndDoc() override;
  std::vector<std::string> Printers() override;
  int PrinterIndex() override { return index_; }
  void SetPrinterIndex(int index) override;
  Surface& Canvas() override;

  // The queue the next job goes to, as the system names it (UTF-8); empty
  // when there is no printer at all.
  std::string QueueName() const;
  // The Qt printer itself, for the window's print dialog.
  QPrinter& Device() noexcept { return *printer_; }
  // After the print dialog chose a printer: finds it in the list.  When the
  // dialog chose "Print to File" (PDF), the jobs go to that file instead.
  void TakeDevicePrinter();
  // The PDF file jobs go to, empty when they go to a printer.  A job is
  // drawn into a temporary file beside it and renamed over it at the end,
  // so a failed job leaves the file as it was; each job replaces the file.
  const std::filesystem::path& OutputFile() const noexcept { return outputFile_; }

 private:
  void RefreshList();
  Status Fail(const std::string& why);

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::vector<std::string> names_;   // Windows-1252, as Printers() gives them
  std::vector<std::string> queues_;  // UTF-8, as the system knows them
  int index_ = -1;
  std::filesystem::path outputFile_;  // "Print to File": the PDF jobs go to
  std::filesystem::path partFile_;    // the job in progress, beside it
};

}  // namespace tarrow

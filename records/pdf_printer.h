// A Printer that writes a PDF file: the same pages the system's printer
// would print, on A4 at 300 units per inch (2479 x 3508 portrait, 3508 x 2479
// landscape), so that setup sheets and travelers can be mailed as well as
// printed.  Every job of the printer goes into the one file, in order.
//
//   PdfPrinter pdf;
//   Status s = PrintSetupSheets(pdf, set, 1, 36, SetupSheetOptions());
//   if (s.ok()) s = pdf.Save("/club/setups.pdf");   // replaces the file whole
#pragma once

#include <filesystem>
#include <memory>

#include "pdf/pdf_document.h"
#include "records/hand_record_pdf.h"
#include "records/printer.h"

namespace tarrow {

class PdfPrinter : public Printer {
 public:
  PdfPrinter();
  ~PdfPrinter() override;

  void SetOrientation(PageOrientation orientation) override { orientation_ = orientation; }
  // A file holds each page once; the reader prints the copies.
  void SetCopies(int copies) override { copies_ = copies; }
  int PageWidth() override;
  int PageHeight() override;
  Status BeginDoc() override;
  Status NewPage() override;
  Status EndDoc() override;
  // One printer: the file.
  std::vector<std::string> Printers() override { return {"PDF file"}; }
  int PrinterIndex() override { return 0; }
  void SetPrinterIndex(int) override {}
  Surface& Canvas() override { return *surface_; }

  int Copies() const noexcept { return copies_; }
  int Jobs() const noexcept { return jobs_; }
  size_t PageCount() const noexcept { return document_->PageCount(); }
  // Writes every page printed so far to the permit's file (from the output
  // gate; temporary file, then rename).  Fails, naming the path, when
  // nothing was printed, a font is missing or the file cannot be written.
  Status Save(const WritePermit& permit);
  // The pages printed so far as the bytes of a PDF file.
  Result<std::string> Bytes();

 private:
  void AddPage();

  std::unique_ptr<TPdfDocumentGDI> document_;
  std::unique_ptr<PdfSurface> surface_;
  PageOrientation orientation_ = PageOrientation::kPortrait;
  int copies_ = 1;
  int jobs_ = 0;
  bool inJob_ = false;
};

}  // namespace tarrow

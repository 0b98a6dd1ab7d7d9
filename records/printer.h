// The printer the output drivers configure and whose page canvas the layouts
// draw on: the system's printers (printing/, through Qt and CUPS) or a PDF
// file (PdfPrinter), behind one interface so that the drivers and layouts
// never know which.
//
//   printer.SetOrientation(PageOrientation::kLandscape);
//   printer.SetCopies(1);
//   if (Status s = printer.BeginDoc(); !s.ok()) return s;   // "no printer is installed"
//   DrawSomething(printer.Canvas(), printer.PageWidth(), printer.PageHeight());
//   Status sent = printer.EndDoc();                          // the job goes out
//
// Units are the device's pixels; the canvas's origin is the top-left corner
// of the printable area.  Printer names are Windows-1252 text, like every
// text the program keeps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "records/surface.h"

namespace tarrow {

enum class PageOrientation { kPortrait, kLandscape };

class Printer {
 public:
  virtual ~Printer() = default;

  // Both take effect for the next document.
  virtual void SetOrientation(PageOrientation orientation) = 0;
  // Every page of the job is printed this many times (1 or more).
  virtual void SetCopies(int copies) = 0;

  // The printable area of the current printer with the orientation applied,
  // in device pixels.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;

  // One print job: BeginDoc starts it with its first page, NewPage ends a
  // sheet and starts the next, EndDoc sends the job.  A failure (no printer,
  // a job refused) names the printer and the system's reason; after a failed
  // BeginDoc nothing else of the job may be called.
  [[nodiscard]] virtual Status BeginDoc() = 0;
  [[nodiscard]] virtual Status NewPage() = 0;
  [[nodiscard]] virtual Status EndDoc() = 0;

  // The installed printers by name, and the index of the current one in
  // that list; -1 is the system's default printer.  An index outside the
  // list selects the default.
  virtual std::vector<std::string> Printers() = 0;
  virtual int PrinterIndex() = 0;
  virtual void SetPrinterIndex(int index) = 0;

  // The drawing surface of the current page; valid between BeginDoc and EndDoc.
  virtual Surface& Canvas() = 0;
};

// What a stored printer name that is no longer installed becomes.
inline constexpr std::string_view kDefaultPrinterName = "Default Printer";
// Printer names are kept to this many characters.
inline constexpr size_t kPrinterNameLimit = 64;

// Makes the printer of the stored name current, when it is installed, and
// returns its name as listed (cut to 64 characters); otherwise selects the
// system's default printer and returns "Default Printer".  An empty stored
// name, or "Default Printer" itself, means the default too.
std::string SelectStoredPrinter(Printer& printer, std::string_view storedName);

// The name to store for the printer now current: its listed name cut to 64
// characters, or "Default Printer" for the system's default (index -1).
std::string CurrentPrinterName(Printer& printer);

}  // namespace tarrow

#include "printing/qt_printer.h"

#include <cups/cups.h>

#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <cstdlib>

#include "core/atomic_file.h"
#include "core/cp1252.h"
#include "printing/qt_surface.h"

namespace tarrow {
namespace {

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// The program keeps names as Windows-1252; a name outside it stays as the
// system spells it.
std::string ProgramText(const std::string& utf8) {
  Result<std::string> text = Utf8ToCp1252(utf8);
  return text.ok() ? *text : utf8;
}

// The printer's own state message ("out of paper"), asked of the server.
std::string StateMessage(const std::string& queue) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-state-message");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  std::string message;
  if (response != nullptr) {
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT)) {
      if (const char* text = ippGetString(a, 0, nullptr)) message = text;
    }
    ippDelete(response);
  }
  return message;
}

// What the print server says about a queue it will not take jobs for, or
// empty when it takes them.
std::string RefusalOf(const std::string& queue) {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
  if (dest == nullptr) {
    const char* why = cupsLastErrorString();
    return "the printer " + queue + " is not installed" +
           (why != nullptr && *why != '\0' ? " (" + std::string(why) + ")" : "");
  }
  std::string refusal;
  const char* accepting =
      cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  if (accepting != nullptr && std::string(accepting) == "false") {
    refusal = "the printer " + queue + " is not accepting jobs";
    if (const std::string message = StateMessage(queue); !message.empty())
      refusal += ": " + message;
  }
  cupsFreeDests(1, dest);
  return refusal;
}

}  // namespace

namespace {

// Qt's own notes ("XDG_RUNTIME_DIR not set") mean nothing to someone
// printing from a terminal; only its errors are passed on.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

PrintingSession::PrintingSession() {
  if (QGuiApplication::instance() != nullptr) return;
  qInstallMessageHandler(QuietMessages);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  static int argc = 1;
  static char name[] = "tarrow";
  static char* argv[] = {name, nullptr};
  app_ = std::make_unique<QGuiApplication>(argc, argv);
}

PrintingSession::~PrintingSession() = default;

QtPrinter::QtPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  printer_->setFullPage(false);
  printer_->setDocName("Tarrow");
  SetPrinterIndex(-1);
}

QtPrinter::~QtPrinter() {
  if (painter_ && painter_->isActive()) painter_->end();
}

void QtPrinter::RefreshList() {
  queues_.clear();
  names_.clear();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    queues_.push_back(Utf8(name));
    names_.push_back(ProgramText(queues_.back()));
  }
}

std::vector<std::string> QtPrinter::Printers() {
  RefreshList();
  return names_;
}

void QtPrinter::SetPrinterIndex(int index) {
  RefreshList();
  outputFile_.clear();
  if (index < 0 || size_t(index) >= queues_.size()) {
    index_ = -1;
    printer_->setPrinterName(QPrinterInfo::defaultPrinterName());
  } else {
    index_ = index;
    printer_->setPrinterName(QString::fromStdString(queues_[size_t(index)]));
  }
}

void QtPrinter::TakeDevicePrinter() {
  RefreshList();
  outputFile_.clear();
  if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty()) {
    outputFile_ = printer_->outputFileName().toStdString();
  }
  const std::string chosen = Utf8(printer_->printerName());
  index_ = -1;
  for (size_t i = 0; i < queues_.size(); ++i)
    if (queues_[i] == chosen) index_ = int(i);
}

std::string QtPrinter::QueueName() const {
  return Utf8(printer_->printerName());
}

void QtPrinter::SetOrientation(PageOrientation orientation) {
  printer_->setPageOrientation(orientation == PageOrientation::kPortrait ? QPageLayout::Portrait
                                                                         : QPageLayout::Landscape);
}

void QtPrinter::SetCopies(int copies) {
  printer_->setCopyCount(copies);
}

int QtPrinter::PageWidth() {
  return int(printer_->pageRect(QPrinter::DevicePixel).width());
}

int QtPrinter::PageHeight() {
  return int(printer_->pageRect(QPrinter::DevicePixel).height());
}

Status QtPrinter::Fail(const std::string& why) {
  if (painter_ && painter_->isActive()) {
    printer_->abort();
    painter_->end();
  }
  painter_.reset();
  surface_.reset();
  return Status::Error(why);
}

Status QtPrinter::BeginDoc() {
  if (!outputFile_.empty()) {
    if (const Status target = CheckWriteTarget(outputFile_); !target.ok()) return target;
    partFile_ = outputFile_.parent_path() / ("." + outputFile_.filename().string() + ".part");
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(QString::fromStdString(partFile_.string()));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
      return Fail("cannot write " + outputFile_.string() + ": the PDF cannot be started");
    }
    surface_ = std::make_unique<QtSurface>(*painter_, *printer_);
    return Status();
  }
  RefreshList();
  if (queues_.empty()) return Status::Error("no printer is installed");
  const std::string queue = QueueName();
  if (queue.empty()) {
    return Status::Error(
        "no default printer is set; name one of the installed printers (tarrow-cli printers)");
  }
  if (std::string refusal = RefusalOf(queue); !refusal.empty()) return Status::Error(refusal);
  printer_->setOutputFormat(QPrinter::NativeFormat);
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) return Fail("the printer " + queue + " cannot start a job");
  surface_ = std::make_unique<QtSurface>(*painter_, *printer_);
  return Status();
}

Status QtPrinter::NewPage() {
  if (!painter_ || !painter_->isActive()) return Status::Error("no print job is open");
  if (!printer_->newPage()) return Fail("the printer " + QueueName() + " refused a new page");
  return Status();
}

Status QtPrinter::EndDoc() {
  if (!painter_ || !painter_->isActive()) return Status::Error("no print job is open");
  if (!outputFile_.empty()) {
    const bool ended = painter_->end();
    painter_.reset();
    surface_.reset();
    // Back to the file the dialog named, for the next job.
    printer_->setOutputFileName(QString::fromStdString(outputFile_.string()));
    std::error_code error;
    if (ended) std::filesystem::rename(partFile_, outputFile_, error);
    if (!ended || error) {
      std::filesystem::remove(partFile_, error);
      return Status::Error(
          "cannot write " + outputFile_.string() +
          (ended ? ": " + error.message() : std::string(": the PDF was not finished")));
    }
    return Status();
  }
  const std::string queue = QueueName();
  // Ending the painter hands the job to the print server; what it answered
  // is the last word of the server in this thread.
  const bool ended = painter_->end();
  painter_.reset();
  surface_.reset();
  if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    return Status::Error("the printer " + queue +
                         " refused the job: " + std::string(cupsLastErrorString()));
  }
  if (!ended || printer_->printerState() == QPrinter::Error)
    return Status::Error("the printer " + queue + " refused the job");
  return Status();
}

Surface& QtPrinter::Canvas() {
  return *surface_;
}

}  // namespace tarrow

#include "records/pdf_printer.h"

#include "core/atomic_file.h"

namespace tarrow {
namespace {

constexpr int kResolution = 300;
constexpr int kA4WidthPt = 595, kA4HeightPt = 842;

}  // namespace

PdfPrinter::PdfPrinter()
    : document_(std::make_unique<TPdfDocumentGDI>()),
      surface_(std::make_unique<PdfSurface>(*document_)) {
  document_->SetResolution(kResolution);
}

PdfPrinter::~PdfPrinter() = default;

int PdfPrinter::PageWidth() {
  const int pt = orientation_ == PageOrientation::kPortrait ? kA4WidthPt : kA4HeightPt;
  return RoundHalfEven(pt * double(kResolution) / 72);
}

int PdfPrinter::PageHeight() {
  const int pt = orientation_ == PageOrientation::kPortrait ? kA4HeightPt : kA4WidthPt;
  return RoundHalfEven(pt * double(kResolution) / 72);
}

void PdfPrinter::AddPage() {
  if (orientation_ == PageOrientation::kPortrait)
    document_->SetPageSize(kA4WidthPt, kA4HeightPt);
  else
    document_->SetPageSize(kA4HeightPt, kA4WidthPt);
  document_->AddPage();
}

Status PdfPrinter::BeginDoc() {
  if (inJob_) return Status::Error("PDF file: a job is already open");
  inJob_ = true;
  AddPage();
  return Status();
}

Status PdfPrinter::NewPage() {
  if (!inJob_) return Status::Error("PDF file: no job is open");
  AddPage();
  return Status();
}

Status PdfPrinter::EndDoc() {
  if (!inJob_) return Status::Error("PDF file: no job is open");
  inJob_ = false;
  ++jobs_;
  return Status();
}

Result<std::string> PdfPrinter::Bytes() {
  if (!surface_->Error().empty()) return Status::Error("no font for " + surface_->Error());
  std::string bytes, reason;
  if (!document_->Render(bytes, &reason)) return Status::Error(reason);
  return bytes;
}

Status PdfPrinter::Save(const WritePermit& permit) {
  const Result<std::string> bytes = Bytes();
  if (!bytes.ok())
    return Status::Error("cannot write " + permit.Path().string() + ": " + bytes.message());
  return WriteFileAtomically(permit, *bytes);
}

}  // namespace tarrow

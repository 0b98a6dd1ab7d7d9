// Hand records as a PDF file: A4 pages of 18 boards (1..18, 19..36) drawn
// at 300 units per inch, and the drawing surface that puts the layouts on a
// PDF page.
//
//   Status s = WriteHandRecordPdf(gate.writer->Permit("/x/set.pdf"), set, options, "My Club",
//   Logo(), "/x/set.pbn"); if (!s.ok()) Report(s.message());   // "cannot write /x/set.pdf:
//   Permission denied"
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/atomic_file.h"
#include "core/deal_set.h"
#include "core/result.h"
#include "pdf/pdf_document.h"
#include "records/hand_record.h"
#include "records/surface.h"

namespace tarrow {

// A Surface on the current page of a PDF document.  A font that cannot be
// found (neither the face nor the "Arial" fall-back) keeps the previous font;
// the first such failure is kept for the caller to report.
class PdfSurface : public Surface {
 public:
  explicit PdfSurface(TPdfDocumentGDI& document) : document_(document) {}

  void SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) override;
  void SetLogicalFont(std::string_view face, int height, int weight, int rotation) override;
  void SetFontColor(Rgb color) override {
    document_.SetTextColor(color.red, color.green, color.blue);
  }
  int TextWidth(std::string_view text) override { return document_.TextWidth(text); }
  int TextHeight(std::string_view text) override { return document_.TextHeight(text); }
  void TextOut(int x, int y, std::string_view text) override { document_.TextOut(x, y, text); }
  void SetPenWidth(int width) override { document_.SetPen(width); }
  void MoveTo(int x, int y) override { document_.MoveTo(x, y); }
  void LineTo(int x, int y) override { document_.LineTo(x, y); }
  void SetBrush(bool solid) override { document_.SetBrush(solid); }
  void Rectangle(int left, int top, int right, int bottom) override {
    document_.Rectangle(left, top, right, bottom);
  }
  void Polygon(std::span<const Point> points) override;
  void StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) override;

  // Empty, or the first font error ("SetFont Arial").
  const std::string& Error() const noexcept { return error_; }

 private:
  TPdfDocumentGDI& document_;
  std::string error_;
};

// Writes the hand records of boards 1..lastBoard (cut to 1..36) of the set
// to the permit's file (from the output gate), one page when they fit on one, replacing any file
// there only when the whole file was written.  The deals are rebuilt from the boards' numbers on a
// copy; the caller's set is not touched. setFilePath (may be empty) names the set's file in the
// origin line. Fails, naming the path and the reason, when the file cannot be written, or naming
// the font when no usable font is installed. The same hand records as the bytes of a PDF file, for
// a caller that keeps them rather than writes a file (the browser's download).  Fails naming the
// font or the reason.
Result<std::string> HandRecordPdfBytes(const DealSet& set, const HandRecordOptions& options,
                                       std::string_view club, const RgbImage& logo,
                                       std::string_view setFilePath, int lastBoard = kBoardsPerSet);

Status WriteHandRecordPdf(const WritePermit& permit, const DealSet& set,
                          const HandRecordOptions& options, std::string_view club,
                          const RgbImage& logo, std::string_view setFilePath,
                          int lastBoard = kBoardsPerSet);

}  // namespace tarrow

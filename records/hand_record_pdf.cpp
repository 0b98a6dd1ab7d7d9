#include "records/hand_record_pdf.h"

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "core/atomic_file.h"

namespace tarrow {

void PdfSurface::SetFont(std::string_view face, int size, FontSizeUnit unit, bool bold) {
  // Points are the em size; a negative height asks the document for exactly that em.
  const int height = unit == FontSizeUnit::kHeight
                         ? size
                         : -int(std::lround(size * document_.Resolution() / 72.0));
  std::string error;
  if (!document_.SetFont(face, height, bold, &error) && error_.empty()) error_ = error;
  document_.SetTextRotation(0);
}

void PdfSurface::SetLogicalFont(std::string_view face, int height, int weight, int rotation) {
  // The faces come in regular and bold only: weights from semibold up are bold.
  std::string error;
  if (!document_.SetFont(face, height, weight >= 600, &error) && error_.empty()) error_ = error;
  document_.SetTextRotation(rotation);
}

void PdfSurface::Polygon(std::span<const Point> points) {
  std::vector<std::pair<int, int>> xy;
  xy.reserve(points.size());
  for (const Point& p : points) xy.emplace_back(p.x, p.y);
  document_.Polygon(xy);
}

void PdfSurface::StretchDraw(int left, int top, int right, int bottom, const RgbImage& image) {
  if (image.pixels.size() != size_t(image.width) * size_t(image.height) * 3 || image.width <= 0)
    return;
  document_.StretchDraw(
      left, top, right, bottom, image.width, image.height,
      std::string_view(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size()));
}

Result<std::string> HandRecordPdfBytes(const DealSet& set, const HandRecordOptions& options,
                                       std::string_view club, const RgbImage& logo,
                                       std::string_view setFilePath, int lastBoard) {
  // The layouts always show the current numbers: rebuild the deals, on a copy.
  auto prepared = std::make_unique<DealSet>(set);
  prepared->RefreshDeals();

  TPdfDocumentGDI document;
  document.SetResolution(300);
  PdfSurface surface(document);
  const HandRecordMetrics metrics = PdfHandRecordMetrics();
  for (int page = 1; page <= HandRecordPageCount(lastBoard); ++page) {
    document.AddPage();
    surface.SetPenWidth(int(std::lround(metrics.cellWidth * 0.003)));
    HandRecordPage(surface, metrics, options, page, *prepared, club, logo, setFilePath, lastBoard);
  }
  if (!surface.Error().empty()) return Status::Error("no font for " + surface.Error());
  std::string bytes, reason;
  if (!document.Render(bytes, &reason)) return Status::Error(reason);
  return bytes;
}

Status WriteHandRecordPdf(const WritePermit& permit, const DealSet& set,
                          const HandRecordOptions& options, std::string_view club,
                          const RgbImage& logo, std::string_view setFilePath, int lastBoard) {
  const Result<std::string> bytes =
      HandRecordPdfBytes(set, options, club, logo, setFilePath, lastBoard);
  if (!bytes.ok())
    return Status::Error("cannot write " + permit.Path().string() + ": " + bytes.message());
  return WriteFileAtomically(permit, *bytes);
}

}  // namespace tarrow

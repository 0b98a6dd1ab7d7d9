#include "records/output_drivers.h"

#include <cmath>
#include <memory>

#include "records/traveler.h"

namespace tarrow {
namespace {

// A copy of the set with every deal rebuilt from its board's number.
std::unique_ptr<DealSet> PreparedBoards(const DealSet& set) {
  auto prepared = std::make_unique<DealSet>(set);
  prepared->RefreshDeals();
  return prepared;
}

Status BoardRange(std::string_view what, int first, int last) {
  if (first < 1 || last > kBoardsPerSet || first > last) {
    return Status::Error(std::string(what) + ": boards " + std::to_string(first) + " to " +
                         std::to_string(last) + " are not a range within 1..36");
  }
  return Status();
}

}  // namespace

Status PrintHandRecords(Printer& printer, const DealSet& set, const HandRecordOptions& options,
                        std::string_view club, const RgbImage& logo, std::string_view setFilePath,
                        int copies, bool flip, const FlipPause& pause, int lastBoard) {
  if (copies < 1 || copies > kMaxCopies) {
    return Status::Error("hand records: copies must be 1 to 200, not " + std::to_string(copies));
  }
  if (Status s = BoardRange("hand records", 1, lastBoard); !s.ok()) return s;
  auto prepared = PreparedBoards(set);
  printer.SetOrientation(PageOrientation::kPortrait);
  printer.SetCopies(copies);
  const HandRecordMetrics m = PrinterHandRecordMetrics(printer.PageWidth(), printer.PageHeight());

  if (Status s = printer.BeginDoc(); !s.ok()) return s;
  printer.Canvas().SetPenWidth(RoundHalfEven(m.cellWidth * 0.003));
  HandRecordPage(printer.Canvas(), m, options, 1, *prepared, club, logo, setFilePath, lastBoard);
  if (HandRecordPageCount(lastBoard) == 1) return printer.EndDoc();
  if (flip) {
    if (Status s = printer.EndDoc(); !s.ok()) return s;
    if (pause && !pause()) {
      return Status::Error("hand records: the second side (boards 19 to " +
                           std::to_string(lastBoard) + ") was not printed");
    }
    prepared = PreparedBoards(set);  // results may have come in while the operator waited
    if (Status s = printer.BeginDoc(); !s.ok()) return s;
    printer.Canvas().SetPenWidth(RoundHalfEven(m.cellWidth * 0.003));
  } else {
    if (Status s = printer.NewPage(); !s.ok()) return s;
  }
  HandRecordPage(printer.Canvas(), m, options, 2, *prepared, club, logo, setFilePath, lastBoard);
  return printer.EndDoc();
}

Status PrintSetupSheets(Printer& printer, const DealSet& set, int first, int last,
                        const SetupSheetOptions& options) {
  if (Status s = BoardRange("setup sheets", first, last); !s.ok()) return s;
  printer.SetOrientation(PageOrientation::kPortrait);
  printer.SetCopies(1);
  const SetupSheetMetrics m = ComputeSetupSheetMetrics(printer.PageWidth(), printer.PageHeight());

  if (Status s = printer.BeginDoc(); !s.ok()) return s;
  Surface& canvas = printer.Canvas();
  canvas.SetFontColor(kBlack);
  canvas.SetBrush(false);
  const int half = (last - first + 2) / 2;
  for (int k = first; k < first + half; ++k) {
    if (k != first) {
      if (Status s = printer.NewPage(); !s.ok()) return s;
    }
    Surface& page = printer.Canvas();
    SetupHalf(page, m, m.upperTop, k, set, options);
    if (k + half <= last) SetupHalf(page, m, m.lowerTop, k + half, set, options);
    page.SetPenWidth(3);
    page.MoveTo(m.leftMargin, m.cutY);
    page.LineTo(m.leftMargin + m.width, m.cutY);
  }
  return printer.EndDoc();
}

Status PrintTravelers(Printer& printer, const DealSet& set, int last) {
  if (Status s = BoardRange("travelers", 1, last); !s.ok()) return s;
  printer.SetOrientation(PageOrientation::kLandscape);
  printer.SetCopies(1);
  const TravelerMetrics m = ComputeTravelerMetrics(printer.PageWidth(), printer.PageHeight());
  auto prepared = PreparedBoards(set);

  const int n = (last + 2) / 3;
  if (Status s = printer.BeginDoc(); !s.ok()) return s;
  for (int i = 1; i <= n; ++i) {
    if (i != 1) {
      if (Status s = printer.NewPage(); !s.ok()) return s;
    }
    TravelerPage(printer.Canvas(), m, {i, n + i, 2 * n + i}, last, *prepared);
  }
  printer.Canvas().SetFont("Arial", 10, FontSizeUnit::kPoints, false);  // upright again
  return printer.EndDoc();
}

}  // namespace tarrow

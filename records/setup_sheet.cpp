#include "records/setup_sheet.h"

#include <cctype>
#include <string>

#include "core/banner.h"
#include "core/deal_number.h"
#include "records/hand_record.h"

namespace tarrow {
namespace {

constexpr std::string_view kTimes = "Times New Roman";
constexpr std::string_view kArial = "Arial";
constexpr std::string_view kSymbol = "Symbol";

void Points(Surface& s, std::string_view face, int points, bool bold = false) {
  s.SetFont(face, points, FontSizeUnit::kPoints, bold);
}

}  // namespace

SetupSheetMetrics ComputeSetupSheetMetrics(int pw, int ph) {
  SetupSheetMetrics m;
  m.leftMargin = RoundHalfEven(0.05 * pw);
  m.topMargin = RoundHalfEven(0.05 * ph);
  m.width = RoundHalfEven(0.9 * pw);
  m.columnUnit = RoundHalfEven(m.width / 64.0);
  m.boardHeight = RoundHalfEven(0.4 * ph);
  m.rowUnit = RoundHalfEven(m.boardHeight / 17.0);
  m.upperTop = m.topMargin;
  m.lowerTop = 3 * m.topMargin + m.boardHeight;
  m.cutY = RoundHalfEven(ph / 2.0);
  m.arrowHalfWidth = RoundHalfEven(m.boardHeight * 0.0179);
  m.arrowHeight = RoundHalfEven(m.boardHeight * 0.0304);
  return m;
}

void SetupHand(Surface& s, const SetupSheetMetrics& m, const Deal& deal, Seat seat, int x, int y) {
  const int col = m.columnUnit, row = m.rowUnit;
  std::string seatName(kSeatNames[seat]);  // in capitals: "NORTH"
  for (char& c : seatName) c = char(std::toupper(static_cast<unsigned char>(c)));
  Points(s, kTimes, 14, true);
  s.SetFontColor(kBlack);
  s.TextOut(x + 2 * col, y, seatName);
  Points(s, kSymbol, 20);
  const int top = y + s.TextHeight(std::string(1, kSymbolSuitSigns[0])) / 2;
  for (Suit k : kSuits) s.TextOut(x, top + k * row, std::string(1, kSymbolSuitSigns[k]));
  Points(s, kArial, 14);
  for (Suit k : kSuits) s.TextOut(x + 3 * col, y + (k + 1) * row, HoldingText(deal, seat, k, 2));
}

void SetupHalf(Surface& s, const SetupSheetMetrics& m, int y, int board, const DealSet& set,
               const SetupSheetOptions& options) {
  // Positions across count columns from the left margin, positions down rows.
  const int x0 = m.leftMargin, col = m.columnUnit, row = m.rowUnit;
  const std::string title = "Board  " + std::to_string(board);
  Points(s, kTimes, 14, true);
  s.TextOut(x0 + 4 * col, y, title);
  s.TextOut(x0 + 50 * col, y, title);

  // The compass: a square with a cross, North's arm ending in an arrowhead.
  const int left = x0 + m.width / 2 - 2 * col;
  const int top = y + m.boardHeight / 2 - row;
  s.SetPenWidth(8);
  s.Rectangle(left, top, left + 4 * col, top + 4 * row);
  s.MoveTo(left + 2 * col, top + row / 2);
  s.LineTo(left + 2 * col, top + 4 * row - row / 2);
  s.MoveTo(left + col / 2, top + 2 * row);
  s.LineTo(left + 4 * col - col / 2, top + 2 * row);
  s.SetPenWidth(1);
  s.SetBrush(true);
  const int cx = left + 2 * col;
  const int ty = top + row / 2;
  const int a = m.arrowHalfWidth, b = m.arrowHeight;
  const Point arrow[4] = {{cx, ty}, {cx - a, ty + b}, {cx, ty + (2 * b) / 3}, {cx + a, ty + b}};
  s.Polygon(arrow);
  s.SetBrush(false);

  const BoardEntry& entry = set.Board(board);
  const Deal& deal = set.DealOf(board);
  if (entry.number.valid) {
    SetupHand(s, m, deal, kNorth, x0 + 27 * col, y + 2 * row);
    SetupHand(s, m, deal, kEast, x0 + 44 * col, y + 7 * row);
    SetupHand(s, m, deal, kSouth, x0 + 27 * col, y + 12 * row);
    SetupHand(s, m, deal, kWest, x0 + 10 * col, y + 7 * row);
  } else {
    // Hands made up from an empty slot would be dealt as if they were the set's.
    s.TextOut(x0 + 27 * col, y + 2 * row, "Not Generated");
  }

  Points(s, kArial, 6);
  const int bannerY = y + 14 * row + 4 * col + row;
  s.TextOut(x0 + 2 * col, bannerY, kProgramBanner);
  if (options.showDealNumbers && entry.number.valid) {
    // On the line under the banner: at the banner's own height the two would
    // print over each other.
    s.TextOut(x0 + 2 * col, bannerY + s.TextHeight(kProgramBanner),
              "Deal # " + DealNumberText(entry.number, options.dealNumberForm));
  }

  Points(s, kArial, 64, true);
  s.SetFontColor(kLightGrey);
  s.TextOut(x0 + 57 * col, y + 3 * row, std::to_string(board));
  s.SetFontColor(kBlack);
}

}  // namespace tarrow

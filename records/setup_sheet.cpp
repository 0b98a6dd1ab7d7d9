#include "records/setup_sheet.h"

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
  m.mx = RoundHalfEven(0.05 * pw);
  m.my = RoundHalfEven(0.05 * ph);
  m.w = RoundHalfEven(0.9 * pw);
  m.gx = RoundHalfEven(m.w / 64.0);
  m.h = RoundHalfEven(0.4 * ph);
  m.gy = RoundHalfEven(m.h / 17.0);
  m.upperTop = m.my;
  m.lowerTop = 3 * m.my + m.h;
  m.cutY = RoundHalfEven(ph / 2.0);
  m.arrowHalfWidth = RoundHalfEven(m.h * 0.0179);
  m.arrowHeight = RoundHalfEven(m.h * 0.0304);
  return m;
}

void SetupHand(Surface& s, const SetupSheetMetrics& m, const Deal& deal, Seat seat,
               std::string_view seatName, int x, int y) {
  Points(s, kTimes, 14, true);
  s.SetFontColor(kBlack);
  s.TextOut(x + 2 * m.gx, y, seatName);
  Points(s, kSymbol, 20);
  const int top = y + s.TextHeight(std::string(1, kSymbolSuitSigns[0])) / 2;
  for (Suit k : kSuits) s.TextOut(x, top + k * m.gy, std::string(1, kSymbolSuitSigns[k]));
  Points(s, kArial, 14);
  for (Suit k : kSuits) s.TextOut(x + 3 * m.gx, y + (k + 1) * m.gy, HoldingText(deal, seat, k, 2));
}

void SetupHalf(Surface& s, const SetupSheetMetrics& m, int y, int board, const DealSet& set,
               const SetupSheetOptions& options) {
  const std::string title = "Board  " + std::to_string(board);
  Points(s, kTimes, 14, true);
  s.TextOut(m.mx + 4 * m.gx, y, title);
  s.TextOut(m.mx + 50 * m.gx, y, title);

  // The compass: a square with a cross, North's arm ending in an arrowhead.
  const int left = m.mx + m.w / 2 - 2 * m.gx;
  const int top = y + m.h / 2 - m.gy;
  s.SetPenWidth(8);
  s.Rectangle(left, top, left + 4 * m.gx, top + 4 * m.gy);
  s.MoveTo(left + 2 * m.gx, top + m.gy / 2);
  s.LineTo(left + 2 * m.gx, top + 4 * m.gy - m.gy / 2);
  s.MoveTo(left + m.gx / 2, top + 2 * m.gy);
  s.LineTo(left + 4 * m.gx - m.gx / 2, top + 2 * m.gy);
  s.SetPenWidth(1);
  s.SetBrush(true);
  const int cx = left + 2 * m.gx;
  const int ty = top + m.gy / 2;
  const int a = m.arrowHalfWidth, b = m.arrowHeight;
  const Point arrow[4] = {{cx, ty}, {cx - a, ty + b}, {cx, ty + (2 * b) / 3}, {cx + a, ty + b}};
  s.Polygon(arrow);
  s.SetBrush(false);

  const BoardEntry& entry = set.Board(board);
  const Deal& deal = set.DealOf(board);
  if (entry.number.valid) {
    SetupHand(s, m, deal, kNorth, "NORTH", m.mx + 27 * m.gx, y + 2 * m.gy);
    SetupHand(s, m, deal, kEast, "EAST", m.mx + 44 * m.gx, y + 7 * m.gy);
    SetupHand(s, m, deal, kSouth, "SOUTH", m.mx + 27 * m.gx, y + 12 * m.gy);
    SetupHand(s, m, deal, kWest, "WEST", m.mx + 10 * m.gx, y + 7 * m.gy);
  } else {
    // Hands made up from an empty slot would be dealt as if they were the set's.
    s.TextOut(m.mx + 27 * m.gx, y + 2 * m.gy, "Not Generated");
  }

  Points(s, kArial, 6);
  const int bannerY = y + 14 * m.gy + 4 * m.gx + m.gy;
  s.TextOut(m.mx + 2 * m.gx, bannerY, kProgramBanner);
  if (options.showDealNumbers && entry.number.valid) {
    // On the line under the banner: at the banner's own height the two would
    // print over each other.
    s.TextOut(m.mx + 2 * m.gx, bannerY + s.TextHeight(kProgramBanner),
              "Deal # " + DealNumberText(entry.number, options.dealNumberForm));
  }

  Points(s, kArial, 64, true);
  s.SetFontColor(kLightGrey);
  s.TextOut(m.mx + 57 * m.gx, y + 3 * m.gy, std::to_string(board));
  s.SetFontColor(kBlack);
}

}  // namespace tarrow

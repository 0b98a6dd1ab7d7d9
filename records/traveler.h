// Travelers: the score sheets that go round with the boards, three to a
// landscape page.  Each has "Board No. n", a score table of a three-row
// header (with "Made" and "Down" reading upwards) and 17 numbered lines, and
// below it the board's diagram with the double-dummy trick table once the
// board has been analysed.
//
//   const TravelerMetrics m = ComputeTravelerMetrics(printer.PageWidth(), printer.PageHeight());
//   TravelerPage(printer.Canvas(), m, {1, 13, 25}, 36, set);
//
// All positions are device pixels; fonts are given in points except the
// captions, whose height is in pixels.
#pragma once

#include <array>

#include "core/deal_set.h"
#include "records/hand_record.h"
#include "records/surface.h"

namespace tarrow {

// The geometry, from the printable landscape page of width pw and height ph.
struct TravelerMetrics {
  int pageHeight = 0;
  int tw = 0;             // traveler width, (pw - 80) div 3
  int th = 0;             // traveler height, round((ph - 60) * 0.7)
  int ru = 0;             // row unit, round(th / 22)
  int cu = 0;             // column unit, round(tw / 13)
  HandRecordMetrics box;  // the board box: cell width (pw - 80) div 4, cell height
                          // round((ph - 120) * 0.27), grid and line units from them
};
TravelerMetrics ComputeTravelerMetrics(int pageWidth, int pageHeight);

// Widths in column units of the score table's columns, left to right; the
// last is the right border.
inline constexpr std::array<int, 9> kTravelerColumnWidths = {1, 3, 1, 1, 1, 2, 2, 1, 0};

// One traveler with its top-left corner at (x, y); nothing for a board
// beyond lastBoard.  The set's deals must be current.
void Traveler(Surface& surface, const TravelerMetrics& m, int x, int y, int board, int lastBoard,
              const DealSet& set);

// One page: the boards in the left, middle and right thirds, and the two
// cutting lines between them.
void TravelerPage(Surface& surface, const TravelerMetrics& m, const std::array<int, 3>& boards,
                  int lastBoard, const DealSet& set);

}  // namespace tarrow

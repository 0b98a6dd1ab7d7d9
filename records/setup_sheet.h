// Setup sheets: the cards from which the boards are dealt by hand.  Each
// half of a portrait page shows one board: its number in large grey print,
// a compass square with the North arrow, and the four hands under the seats'
// names in large type.  A cutting line parts the halves.
//
//   const SetupSheetMetrics m = ComputeSetupSheetMetrics(printer.PageWidth(),
//   printer.PageHeight()); SetupHalf(printer.Canvas(), m, m.upperTop, 1, set, SetupSheetOptions());
//
// All positions are device pixels; fonts are given in points.
#pragma once

#include <cstdint>

#include "core/deal_number.h"
#include "core/deal_set.h"
#include "records/surface.h"

namespace tarrow {

// The page geometry, from the printable page of width pw and height ph.
struct SetupSheetMetrics {
  int leftMargin = 0;      // round(0.05 pw)
  int topMargin = 0;       // round(0.05 ph)
  int width = 0;           // usable width, round(0.9 pw)
  int columnUnit = 0;      // round(width / 64): positions across are columns
  int boardHeight = 0;     // height of one board's half, round(0.4 ph)
  int rowUnit = 0;         // round(boardHeight / 17): positions down are rows
  int upperTop = 0;        // top of the upper board, topMargin
  int lowerTop = 0;        // top of the lower board, 3 topMargin + boardHeight
  int cutY = 0;            // the cutting line, round(ph / 2), from leftMargin to leftMargin + width
  int arrowHalfWidth = 0;  // round(boardHeight * 0.0179)
  int arrowHeight = 0;     // round(boardHeight * 0.0304)
};
SetupSheetMetrics ComputeSetupSheetMetrics(int pageWidth, int pageHeight);

struct SetupSheetOptions {
  bool showDealNumbers = false;  // the "Deal # " line
  DealNumberForm dealNumberForm = DealNumberForm::kBase64;
};

// One board's half sheet with its top at y.  The deal is the set's as it
// stands (not rebuilt from the number).  A board that was never dealt shows
// its number and "Not Generated" instead of hands.
void SetupHalf(Surface& surface, const SetupSheetMetrics& m, int y, int board, const DealSet& set,
               const SetupSheetOptions& options);

// One seat's block at (x, y): the seat's name in capitals ("NORTH"), the
// four suit signs and the holdings beside them (rank names each followed by
// two blanks).
void SetupHand(Surface& surface, const SetupSheetMetrics& m, const Deal& deal, Seat seat, int x,
               int y);

}  // namespace tarrow

// The hand-record page: a 4 x 5 grid whose two top-left cells hold the
// header (club, event, description, seed, date, site, banner, logo, origin)
// and whose other 18 cells hold one board each (hands, dealer, vulnerability,
// points and, as chosen, distributions, losing trick counts, double-dummy
// results and the deal number).  Page 1 holds boards 1..18, page 2 19..36;
// a set played to an earlier last board leaves the cells after it empty and
// has no page without a board on it (24 boards: page 2 holds 19..24).
// The same layout draws on the printer (sizes in points) and on a PDF page
// (sizes as cell heights in units); the metrics say which.
//
//   HandRecordMetrics m = PdfHandRecordMetrics();
//   HandRecordPage(surface, m, options, 1, set, "My Club", Logo(), setFilePath);
//
// The deals of the set must be current (DealSet::RefreshDeals); the layout
// only reads them.  Rounding is to the nearest integer with ties to even
// (RoundHalfEven) unless a position is said to be halved, which truncates.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/deal_set.h"
#include "core/hand_record_options.h"
#include "core/ltc.h"
#include "records/surface.h"

namespace tarrow {

// Page geometry in surface units; the defaults are the PDF page's.
struct HandRecordMetrics {
  bool pdf = true;       // PDF surface: font sizes as heights, the PDF constants
  int leftMargin = 30;   // from the page's left edge to the grid
  int topMargin = 60;    // from the page's top edge to the grid
  int cellWidth = 607;   // of one of the grid's 4 columns
  int gridUnit = 25;     // cellWidth / 24: positions across a cell
  int cellHeight = 666;  // of one of the grid's 5 rows
  int lineUnit = 25;     // cellHeight / 26: positions down a cell, the text lines
};

// The PDF column: an area of 2550 x 3450 units at 300 per inch.
HandRecordMetrics PdfHandRecordMetrics();
// The printer column for a printable page of the given size in device pixels.
HandRecordMetrics PrinterHandRecordMetrics(int pageWidth, int pageHeight);

// Nearest integer, ties to even: 112.5 -> 112, 113.5 -> 114.
int RoundHalfEven(double value) noexcept;

// A number below 10 with one leading blank (" 7"), otherwise plain ("12").
std::string PaddedNumber(int value);

// One row of the distribution block: "5-3-3-2   ", then with the LTC the
// count with two leading blanks below ten ("5-3-3-2     7\xBD").
std::string DistributionRowText(const Deal& deal, Seat seat, bool showLtc, QueenMethod method);
// The contract lines of a board's table, top to bottom: "NS=3N 4S",
// "N=2H   S=1C", "EW=..." and so on (makeable contracts above six tricks).
// A side shows lines only once all five of its strains are known (its
// DoneMask complete).
std::vector<std::string> ContractLineTexts(const DDTable& table,
                                           const std::array<uint8_t, 2>& doneMask = {
                                               kAllStrainsDone, kAllStrainsDone});

// The par line of a board box: "Par NS +620 4S", "Par EW +300 5HX",
// "Par 0 Pass"; empty when the board has no par to show (no complete table
// and none in its file).
std::string ParBoxText(const BoardEntry& entry, int board);

// The event date in the user's short date format (the environment's locale);
// without a locale (C or POSIX) the unambiguous "2026-12-07".
std::string EventDateText(DateTime date);

// The pages that hold boards 1..lastBoard, eighteen a page: 1 up to board
// 18, else 2.  lastBoard is cut to 1..36.
int HandRecordPageCount(int lastBoard) noexcept;

// Draws one page (1 or 2): grid, header and the board boxes of its 18 boards
// up to lastBoard (cut to 1..36); later cells stay empty.  setFilePath (may
// be empty) names the set's file in the origin line.
void HandRecordPage(Surface& surface, const HandRecordMetrics& m, const HandRecordOptions& options,
                    int page, const DealSet& set, std::string_view club, const RgbImage& logo,
                    std::string_view setFilePath, int lastBoard = kBoardsPerSet);
// The header cell of a page.
void HandRecordHeader(Surface& surface, const HandRecordMetrics& m, const DealSet& set,
                      std::string_view club, const RgbImage& logo, std::string_view setFilePath);
// One board's cell with its top-left corner at (x0, y0).  A board whose
// number is not valid shows only "Board n" and "Not Generated".  The deal
// number, when shown, is the cell's last line under South's hand, right of
// the trick table's frame when the table is drawn.
void BoardBox(Surface& surface, const HandRecordMetrics& m, int x0, int y0, int board,
              const BoardEntry& entry, const Deal& deal, const HandRecordOptions& options);

}  // namespace tarrow

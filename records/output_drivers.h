// The printed outputs of a set: hand records, setup sheets and travelers on
// a Printer (the system's printer, or a PdfPrinter for a file), each one
// print job (hand records with flipped pages two).
//
//   QtPrinter printer;                              // or PdfPrinter
//   Status s = PrintTravelers(printer, set, 36);    // boards 1..36, 12 pages
//   s = PrintHandRecords(printer, set, options, "My Club", Logo(), path, 3, true,
//                        [] { return AskOperatorToTurnTheStack(); });
//
// Hand records and travelers rebuild the deals from the boards' numbers on a
// copy first, so they always show the current numbers; setup sheets use the
// deals as the set holds them.  The caller's set is never changed.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "core/deal_set.h"
#include "core/result.h"
#include "records/hand_record.h"
#include "records/printer.h"
#include "records/setup_sheet.h"

namespace tarrow {

inline constexpr int kMaxCopies = 200;

// Called between the two jobs of flipped hand records, once the first has
// gone to the printer, while the operator turns the stack.  Returns false to
// leave the second side unprinted.
using FlipPause = std::function<bool()>;

// The window's message box between the two sides: caption and text.
inline constexpr std::string_view kFlipPauseCaption = "Hand Record Printing";
inline constexpr std::string_view kFlipPauseText =
    "Wait for the first side to print\r\nThen flip Hand Records and press OK";

// Hand records of boards 1..lastBoard (1..36), portrait, copies (1..200) of
// each page; a page with no board on it is not printed, so up to board 18
// there is one page and one job, flip or not.  Without flip: one job of two
// pages.  With flip: page 1 as one job, then the pause, then page 2 as a
// second job; the board results are read again after the pause, so results
// that came in meanwhile are printed.  Fails for copies or lastBoard out of
// range (nothing printed), when the printer fails (its message), or when the
// pause declines the second side.
Status PrintHandRecords(Printer& printer, const DealSet& set, const HandRecordOptions& options,
                        std::string_view club, const RgbImage& logo, std::string_view setFilePath,
                        int copies, bool flip, const FlipPause& pause,
                        int lastBoard = kBoardsPerSet);

// Setup sheets of boards first..last (1 <= first <= last <= 36), portrait,
// two boards a page: the upper halves carry the first half of the boards, the
// lower halves the rest, so that the cut stacks are in board order.
Status PrintSetupSheets(Printer& printer, const DealSet& set, int first, int last,
                        const SetupSheetOptions& options);

// Travelers of boards 1..last (1..36), landscape, three a page: the left
// thirds carry boards 1..n, the middle n+1..2n, the right the rest, with
// n = ceil(last / 3).
Status PrintTravelers(Printer& printer, const DealSet& set, int last);

}  // namespace tarrow

// Hand records as one web page: the boards of a set in a single HTML5 file,
// UTF-8, self-contained (inline style, no script, nothing fetched), for a
// club to put on its web site.  Each board shows its number, dealer,
// vulnerability, the four hands round a compass with the high-card points,
// and what the options ask for (the double-dummy trick table or the
// makeable contracts, par, deal number, distributions, losing trick
// counts), the same texts the printed hand records show.
//
//   std::string page = HandRecordsHtml(set, options, "Riverside BC");
//   Status s = gate.writer->Write("tuesday.html", page);   // through the output gate
//
// Layout: one board per row on a phone (no horizontal scrolling at 360 px),
// a grid of boards on a wider screen, and on paper four boards per A4 row,
// none split across pages.  Suit symbols carry their names for screen
// readers; hearts and diamonds are red.
//
// For scripts that read the page: every board with a deal is an element
// with id "board-N", data-board="N" and data-deal holding its PBN deal,
// North first ("N:AK4.QJ3.T98.7654 ..."); an absent board has no data-deal
// and says "Not Generated".  The set's texts are Windows-1252 and come out
// as UTF-8, escaped.
#pragma once

#include <string>
#include <string_view>

#include "core/deal_set.h"
#include "records/hand_record.h"

namespace tarrow {

// The page for boards 1..lastBoard (cut to 1..36) of the set.  club is the club's name for the
// top of the page (Windows-1252, as the set's texts).  The deals of the set
// must be current (DealSet::RefreshDeals).
std::string HandRecordsHtml(const DealSet& set, const HandRecordOptions& options,
                            std::string_view club, int lastBoard = kBoardsPerSet);

// Windows-1252 text as HTML text or attribute value: UTF-8 with & < > " '
// escaped; control characters, which have no place in either, are left out.
std::string HtmlText(std::string_view cp1252);

}  // namespace tarrow

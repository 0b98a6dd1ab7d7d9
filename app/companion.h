// The companion of a PBN file from another program: the set this program
// analyses from such a file cannot be written back into it (the file holds
// auctions, play, commentary or tables the set has no place for), so it goes
// to one file beside it, "NAME.tarrow.pbn" ("NAME.event-2.tarrow.pbn" for
// the second event of a file of several).  Every later load of the foreign
// file finds the companion again and uses it while it holds the same deals,
// so the analysis is done once and every command sees it.
//
//   std::filesystem::path beside = CompanionPath("club.pbn", 1);   // club.tarrow.pbn
//   if (HoldsSameDeals(companion, foreign)) ...                      // use its analysis
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/deal_set.h"

namespace tarrow {

// Where the set of event `event` (from 1; 0 for a file of one event) of the
// foreign file `foreign` is kept.
std::filesystem::path CompanionPath(const std::filesystem::path& foreign, int event);

// True when both sets have the same boards with the same deals.
bool HoldsSameDeals(const DealSet& a, const DealSet& b);

// True when `pbnPath` is the companion of `setFilePath`, a PBN file of
// another program (the set is saved beside it, not in it).
bool IsCompanionOf(const std::filesystem::path& pbnPath, const std::filesystem::path& setFilePath);

// True when the set in hand holds another program's trick tables that were
// never checked: read from a foreign file whose companion does not exist
// yet.  The analysis then solves every board again (RepeatDoubleDummy) and
// compares (TablesUnlikeSolved).
bool HoldsUncheckedTables(const DealSet& set, const std::filesystem::path& pbnPath,
                          const std::filesystem::path& setFilePath);

// One warning per board whose table in `file` differs from what the solver
// found in `solved`: "club.pbn: board 3: the file's table says N NT 9, the
// solver 6; the solver's answer is kept".
std::vector<std::string> TablesUnlikeSolved(const DealSet& file, const DealSet& solved,
                                            const std::filesystem::path& fileName);

}  // namespace tarrow

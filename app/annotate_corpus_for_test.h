// For tests and benchmarks only: PBN files of many seeded deals, as a
// scoring program writes results (each board played at several tables,
// with names, contract, auction and a remark) or as a dealer writes one
// game a deal.
//
//   std::string file = ResultsCorpus("corpus", 100, 4, "\r\n");  // 400 games, 100 deals
#pragma once

#include <string>
#include <string_view>

#include "core/cards.h"
#include "core/deal_number.h"
#include "core/generation.h"

namespace tarrow::testing {

// `deals` boards of the seed, each played at `tables` tables; lines end in eol.
inline std::string ResultsCorpus(std::string_view seed, int deals, int tables,
                                 std::string_view eol = "\r\n") {
  std::string text = "% PBN 2.1" + std::string(eol) + "% EXPORT" + std::string(eol);
  for (int board = 1; board <= deals; ++board) {
    const std::string deal =
        PbnDealText(DealFromNumber(SeededDealNumber(seed, board)), BoardDealer(board));
    for (int table = 1; table <= tables; ++table) {
      const bool first = board == 1 && table == 1;
      const auto tag = [&](std::string_view name, const std::string& value) {
        text += "[" + std::string(name) + " \"" + value + "\"]" + std::string(eol);
      };
      tag("Event", first ? std::string(seed) : "#");
      tag("Site", first ? "Club" : "#");
      tag("Board", std::to_string(board));
      tag("Dealer", std::string(1, kSeatLetters[size_t(BoardDealer(board))]));
      tag("Vulnerable", BoardVulnerabilityShortText(board));
      tag("Deal", deal);
      tag("North", "Pair " + std::to_string(table));
      tag("Contract", table % 2 == 0 ? "3NT" : "4S");
      tag("Declarer", table % 3 == 0 ? "E" : "S");
      tag("Result", std::to_string(7 + (board + table) % 5));
      tag("Auction", "N");
      text += "1NT Pass 3NT Pass" + std::string(eol) + "Pass Pass" + std::string(eol);
      text += "{Table " + std::to_string(table) + "}" + std::string(eol) + std::string(eol);
    }
  }
  return text;
}

}  // namespace tarrow::testing

// Par: the result both sides reach from a board's complete double-dummy
// table when each bids as high as it profitably can and the other side
// saves (doubled) or passes when that pays, scored as duplicate.
//
//   ParResult par = Par(entry.table, BoardDealer(n), BoardVulnerability(n));
//   ParScoreText(par.score);  // "NS 620", "EW 500" or "0" for a passed-out board
//   ParContractsText(par);    // "N 4S", "EW 5DX-2", "EW 3NT, EW 5C"; "Pass" when passed out
//
// The search is the auction itself, played backwards over the 35 contracts:
// for the last contract bid (rank r by side s) the other side either passes,
// taking s's score (undoubled when it makes, doubled when it fails), or bids
// higher; the value of every (r, s) follows from the ranks above it.  A
// side's tricks in a strain are its better declarer's.  The side that bids
// first gets a contract both sides can make.  With a known dealer, when the
// two sides' first-bid results differ, the side that gets there first is
// that of the first seat, going round from the dealer, that declares a
// contract of its own side's first-bid par (a dealer who cannot declare it
// lets his left-hand opponent in before his partner).
//
// The par contracts are the contracts that score the par score and over
// which the opponents have no contract, made or failing doubled, that would
// score better for them: for each side, strain and kind (made or saved) the
// lowest such level, with the seats of the side that take the side's tricks.
// So a made contract shows its overtricks ("W 4NT+1") when the opponents
// have a profitable save over every lower level.  A board on which no side
// can make anything is passed out: score 0, no contracts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/cards.h"
#include "core/deal_set.h"
#include "scoring/contract_score.h"

namespace tarrow {

struct ParContract {
  uint8_t level = 0;         // 1..7
  Strain strain = kNotrump;  // 0 NT, 1..4 S H D C
  uint8_t seats = 0;         // declarers reaching the result, bit 1 << seat (N 1, E 2, S 4, W 8)
  bool doubled = false;      // a save: doubled and going down
  int8_t result = 0;         // tricks over (>= 0) or under (< 0) the contract
};

struct ParResult {
  int score = 0;  // for North-South; 0 when passed out
  int count = 0;  // contracts in use, 0 when passed out
  std::array<ParContract, 10> contracts{};
};

// Par of a complete table with a known dealer and vulnerability.  The table
// must hold all 20 results (both DoneMasks complete); tricks above 13 are
// read as 13.
ParResult Par(const DDTable& table, Seat dealer, Vulnerability vul);
// Par when the given side (0 North-South, 1 East-West) bids first at every
// contested contract, whatever the dealer.
ParResult ParWithFirstSide(const DDTable& table, int side, Vulnerability vul);

// "NS 620" or "EW 500" (the side that scores), "0" when passed out.
std::string ParScoreText(int northSouthScore);
// One contract: the declaring seats ("N", "NS"), a blank, level, strain
// label, "X" when doubled, and the tricks over or under when not zero:
// "N 4S", "EW 5DX-2", "W 4NT+1".
std::string ParContractText(const ParContract& contract);
// All contracts joined by ", ", or "Pass" when passed out.
std::string ParContractsText(const ParResult& par);
// The contracts alone, for tight spaces: level, strain, "X" when doubled,
// joined by blanks ("4S", "3NT 5C", "5DX"); "Pass" when passed out.
std::string ParContractsShortText(const ParResult& par);

// The PBN tags of a board's par.  OptimumScore carries North-South's score
// with its sign, as most programs write it ("NS 620", "NS -500", "NS 0");
// ParContract carries ParContractsText.
std::string OptimumScoreTagValue(const ParResult& par);
// Reads an OptimumScore value: "NS" or "EW" (any case), blanks, a score
// with an optional sign, a multiple of 10 no larger than 7600.  Returns
// North-South's score ("EW 500" gives -500); nothing for any other text.
std::optional<int> ParseOptimumScore(std::string_view value);
// Reads a ParContract value written as ParContractsText writes it (any
// case; commas or semicolons between contracts); nothing when any part is
// no contract.  The result's score is left 0.
std::optional<ParResult> ParseParContracts(std::string_view value);

// True when the board's table is complete (every strain of both sides).
bool ParAvailable(const BoardEntry& entry) noexcept;

// A board's par as the outputs print it: worked out from the table when the
// table is complete, else as the board's file gave it (FilePar), else
// unknown.  Dealer and vulnerability follow from the board number.
struct BoardParTexts {
  bool known = false;     // a score to show
  bool fromFile = false;  // taken from the file's tags, not from the table
  int northSouthScore = 0;
  std::string score;           // "NS 620", "EW 500", "0"
  std::string contracts;       // "N 4S", "Pass"; may be empty for a file's par
  std::string shortContracts;  // "4S", "Pass"; may be empty for a file's par
};
BoardParTexts ParTextsOfBoard(const BoardEntry& entry, int board);

}  // namespace tarrow

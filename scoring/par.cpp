#include "scoring/par.h"

#include <algorithm>

namespace tarrow {
namespace {

// Contracts in auction order: rank = (level - 1) * 5 + k, k = 0 clubs,
// 1 diamonds, 2 hearts, 3 spades, 4 notrump.
constexpr int kContractRanks = 35;
constexpr int LevelOfRank(int rank) noexcept {
  return rank / 5 + 1;
}
constexpr Strain StrainOfRank(int rank) noexcept {
  return rank % 5 == 4 ? kNotrump : Strain(4 - rank % 5);
}
// +1 for North-South, -1 for East-West: every value below is North-South's.
constexpr int SideSign(int side) noexcept {
  return side == 0 ? 1 : -1;
}

// What the par search needs of one board.
struct ParBoard {
  uint8_t seatTricks[4][5] = {};  // [seat][strain], 0..13
  uint8_t sideTricks[2][5] = {};  // [side][strain], the better declarer's
  bool vulnerable[2] = {};
  int8_t firstSide[kContractRanks] = {};  // side that gets to bid each contract first

  // North-South's score when side plays rank: undoubled when it makes,
  // doubled when it fails.
  int FinalScore(int side, int rank) const noexcept {
    const int level = LevelOfRank(rank);
    const int tricks = sideTricks[side][StrainOfRank(rank)];
    const bool makes = tricks >= level + 6;
    return SideSign(side) *
           ContractScore(level, StrainOfRank(rank), tricks, !makes, vulnerable[side]);
  }
};

ParBoard MakeParBoard(const DDTable& table, Vulnerability vul) {
  ParBoard board;
  for (Seat seat : kSeats) {
    for (Strain strain : kStrains) {
      const uint8_t tricks = std::min<uint8_t>(table[size_t(DDIndex(seat, strain))], 13);
      board.seatTricks[seat][strain] = tricks;
      uint8_t& side = board.sideTricks[SideOf(seat)][strain];
      side = std::max(side, tricks);
    }
  }
  board.vulnerable[0] = SideVulnerable(vul, 0);
  board.vulnerable[1] = SideVulnerable(vul, 1);
  return board;
}

// The better of two values for side (North-South maximises).
constexpr int Better(int side, int a, int b) noexcept {
  return side == 0 ? std::max(a, b) : std::min(a, b);
}

// The par score: the auction played backwards from 7NT down.  When side s
// has just bid a rank, the other side either passes (s's final score there)
// or makes its best bid above; bestAbove[side] is that best bid for each
// side as the ranks go down.  The opening side bids or passes; after its
// pass the other side bids or the board is passed out.
int AuctionValue(const ParBoard& board, int openingSide) {
  int bestAbove[2] = {};
  for (int rank = kContractRanks - 1; rank >= 0; --rank) {
    const bool top = rank == kContractRanks - 1;
    int value[2];
    for (int side = 0; side < 2; ++side) {
      const int other = 1 - side;
      const int pass = board.FinalScore(side, rank);
      value[side] = top ? pass : Better(other, pass, bestAbove[other]);
    }
    for (int side = 0; side < 2; ++side) {
      bestAbove[side] = top ? value[side] : Better(side, bestAbove[side], value[side]);
    }
  }
  const int second = 1 - openingSide;
  return Better(openingSide, bestAbove[openingSide], Better(second, 0, bestAbove[second]));
}

// True when the side's opponents have a contract above rank that, played
// (made, or failing doubled), beats the par score for them: then the side's
// contract at rank does not end the auction.
bool OpponentsGainAbove(const ParBoard& board, int side, int rank, int parScore) {
  const int other = 1 - side;
  for (int above = rank + 1; above < kContractRanks; ++above) {
    const int score = board.FinalScore(other, above);
    if (Better(other, score, parScore) != parScore) return true;
  }
  return false;
}

uint8_t SeatsTaking(const ParBoard& board, int side, Strain strain, int tricks) {
  uint8_t seats = 0;
  for (Seat seat : kSeats) {
    if (SideOf(seat) != side) continue;
    if (board.seatTricks[seat][strain] == tricks) seats |= uint8_t(1u << seat);
  }
  return seats;
}

ParResult ParOf(const ParBoard& board, int openingSide) {
  ParResult par;
  par.score = AuctionValue(board, openingSide);
  // Lowest rank first, so the first contract of a side, strain and kind is
  // the lowest level that ends the auction with the par score.
  for (int side = 0; side < 2; ++side) {
    for (int rank = 0; rank < kContractRanks; ++rank) {
      if (board.FinalScore(side, rank) != par.score ||
          OpponentsGainAbove(board, side, rank, par.score)) {
        continue;
      }
      const int level = LevelOfRank(rank);
      const Strain strain = StrainOfRank(rank);
      const int tricks = board.sideTricks[side][strain];
      const bool doubled = tricks < level + 6;
      const uint8_t seats = SeatsTaking(board, side, strain, tricks);
      const bool seen = std::any_of(
          par.contracts.begin(), par.contracts.begin() + par.count, [&](const ParContract& c) {
            return c.strain == strain && c.seats == seats && c.doubled == doubled;
          });
      if (seen || par.count == int(par.contracts.size())) continue;
      par.contracts[size_t(par.count++)] = {uint8_t(level), strain, seats, doubled,
                                            int8_t(tricks - level - 6)};
    }
  }
  return par;
}

}  // namespace

ParResult ParWithFirstSide(const DDTable& table, int side, Vulnerability vul) {
  return ParOf(MakeParBoard(table, vul), side);
}

ParResult Par(const DDTable& table, Seat dealer, Vulnerability vul) {
  // Which side bids first only matters when both can reach the same
  // contract, and then the two first-bid scores differ.  Going round from
  // the dealer, the first seat that declares a contract of its own side's
  // first-bid par gets there first: a dealer who cannot declare it himself
  // lets his left-hand opponent in before his partner.  (The contracts
  // follow from the score alone, so equal scores give equal results.)
  const ParBoard board = MakeParBoard(table, vul);
  const ParResult bySide[2] = {ParOf(board, 0), ParOf(board, 1)};
  if (bySide[0].score == bySide[1].score) return bySide[SideOf(dealer)];
  for (int turn = 0; turn < 4; ++turn) {
    const Seat seat = NextSeat(dealer, turn);
    const ParResult& par = bySide[SideOf(seat)];
    for (int i = 0; i < par.count; ++i) {
      if (par.contracts[size_t(i)].seats & (1u << seat)) return par;
    }
  }
  return bySide[SideOf(dealer)];
}

std::string ParScoreText(int northSouthScore) {
  if (northSouthScore == 0) return "0";
  return (northSouthScore > 0 ? "NS " : "EW ") + std::to_string(std::abs(northSouthScore));
}

std::string ParContractText(const ParContract& contract) {
  std::string text;
  for (Seat seat : kSeats) {
    if (contract.seats & (1u << seat)) text += kSeatLetters[size_t(seat)];
  }
  text += ' ';
  text += std::to_string(contract.level);
  text += kStrainLabels[size_t(contract.strain)];
  if (contract.doubled) text += 'X';
  if (contract.result > 0) text += '+';
  if (contract.result != 0) text += std::to_string(contract.result);
  return text;
}

std::string ParContractsText(const ParResult& par) {
  if (par.count == 0) return "Pass";
  std::string text;
  for (int i = 0; i < par.count; ++i) {
    if (i > 0) text += ", ";
    text += ParContractText(par.contracts[size_t(i)]);
  }
  return text;
}

std::string ParContractsShortText(const ParResult& par) {
  if (par.count == 0) return "Pass";
  std::string text;
  for (int i = 0; i < par.count; ++i) {
    const ParContract& c = par.contracts[size_t(i)];
    if (i > 0) text += ' ';
    text += std::to_string(c.level);
    text += kStrainLabels[size_t(c.strain)];
    if (c.doubled) text += 'X';
  }
  return text;
}

std::string OptimumScoreTagValue(const ParResult& par) {
  return "NS " + std::to_string(par.score);
}

namespace {

char Upper(char ch) {
  return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A whole signed decimal number of at most 5 digits.
std::optional<int> SmallInteger(std::string_view text) {
  int sign = 1;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    if (text.front() == '-') sign = -1;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (const char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
  }
  return sign * value;
}

// "N 4S", "EW 5DX-2", "W 4NT+1" (any case).
std::optional<ParContract> ParseContract(std::string_view text) {
  text = Trimmed(text);
  const size_t blank = text.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const std::string_view seatsText = text.substr(0, blank);
  std::string rest;
  for (const char ch : Trimmed(text.substr(blank))) rest += Upper(ch);
  ParContract contract;
  for (const char ch : seatsText) {
    const size_t seat = kSeatLetters.find(Upper(ch));
    if (seat == std::string_view::npos || (contract.seats & (1u << seat))) return std::nullopt;
    contract.seats |= uint8_t(1u << seat);
  }
  // One seat, or both seats of one side.
  if (contract.seats == 0 || (contract.seats != 0b0101 && contract.seats != 0b1010 &&
                              (contract.seats & (contract.seats - 1)) != 0)) {
    return std::nullopt;
  }
  if (rest.empty() || rest[0] < '1' || rest[0] > '7') return std::nullopt;
  contract.level = uint8_t(rest[0] - '0');
  size_t at = 1;
  std::optional<Strain> strain;
  for (Strain s : kStrains) {
    if (rest.compare(at, kStrainLabels[size_t(s)].size(), kStrainLabels[size_t(s)]) == 0) {
      strain = s;
      break;
    }
  }
  if (!strain) return std::nullopt;
  contract.strain = *strain;
  at += kStrainLabels[size_t(*strain)].size();
  if (at < rest.size() && rest[at] == 'X') {
    contract.doubled = true;
    ++at;
  }
  if (at < rest.size()) {
    const std::optional<int> result = SmallInteger(std::string_view(rest).substr(at));
    if (!result || (rest[at] != '+' && rest[at] != '-')) return std::nullopt;
    // Over- and undertricks must fit in thirteen tricks.
    if (*result > 7 - contract.level || *result < -(contract.level + 6)) return std::nullopt;
    contract.result = int8_t(*result);
  }
  return contract;
}

}  // namespace

std::optional<int> ParseOptimumScore(std::string_view value) {
  value = Trimmed(value);
  if (value.size() < 4 || value[2] != ' ') return std::nullopt;
  const std::string side{Upper(value[0]), Upper(value[1])};
  if (side != "NS" && side != "EW") return std::nullopt;
  const std::optional<int> score = SmallInteger(Trimmed(value.substr(3)));
  if (!score || *score % 10 != 0 || *score > 7600 || *score < -7600) return std::nullopt;
  return side == "NS" ? *score : -*score;
}

std::optional<ParResult> ParseParContracts(std::string_view value) {
  value = Trimmed(value);
  ParResult par;
  if (value.size() == 4 && Upper(value[0]) == 'P' && Upper(value[1]) == 'A' &&
      Upper(value[2]) == 'S' && Upper(value[3]) == 'S') {
    return par;
  }
  // Every piece between separators must be a contract, the last included.
  while (true) {
    const size_t end = value.find_first_of(",;");
    const std::optional<ParContract> contract = ParseContract(value.substr(0, end));
    if (!contract || par.count == int(par.contracts.size())) return std::nullopt;
    par.contracts[size_t(par.count++)] = *contract;
    if (end == std::string_view::npos) return par;
    value.remove_prefix(end + 1);
  }
}

bool ParAvailable(const BoardEntry& entry) noexcept {
  return entry.number.valid && entry.doneMask[0] == kAllStrainsDone &&
         entry.doneMask[1] == kAllStrainsDone;
}

BoardParTexts ParTextsOfBoard(const BoardEntry& entry, int board) {
  BoardParTexts texts;
  if (!entry.number.valid) return texts;
  if (ParAvailable(entry)) {
    const ParResult par = Par(entry.table, BoardDealer(board), BoardVulnerability(board));
    texts.known = true;
    texts.northSouthScore = par.score;
    texts.score = ParScoreText(par.score);
    texts.contracts = ParContractsText(par);
    texts.shortContracts = ParContractsShortText(par);
  } else if (entry.filePar.hasScore) {
    texts.known = true;
    texts.fromFile = true;
    texts.northSouthScore = entry.filePar.score;
    texts.score = ParScoreText(entry.filePar.score);
    texts.contracts = entry.filePar.contracts;
    if (const std::optional<ParResult> read = ParseParContracts(entry.filePar.contracts)) {
      texts.shortContracts = ParContractsShortText(*read);
    }
  }
  return texts;
}

}  // namespace tarrow

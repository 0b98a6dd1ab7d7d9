#include "core/cards.h"

namespace tarrow {
namespace {

constexpr std::array<std::string_view, 16> kVulnerabilityLong = {
    "None", "N-S",  "E-W",  "Both", "N-S",  "E-W",  "Both", "None",
    "E-W",  "Both", "None", "N-S",  "Both", "None", "N-S",  "E-W"};
constexpr std::array<std::string_view, 16> kVulnerabilityShort = {
    "None", "NS",  "EW",   "All", "NS",  "EW",   "All", "None",
    "EW",   "All", "None", "NS",  "All", "None", "NS",  "EW"};

// Boards are numbered from 1; a stray 0 or negative still maps into the tables.
int CycleIndex(int board, int period) noexcept {
  int i = (board - 1) % period;
  return i < 0 ? i + period : i;
}

}  // namespace

void DeriveCounts(Deal& deal) noexcept {
  for (auto& row : deal.suitLength)
    for (auto& v : row) v = 0;
  for (auto& row : deal.suitPoints)
    for (auto& v : row) v = 0;
  for (Suit s : kSuits) {
    for (Rank r : kRanks) {
      const Seat p = deal.seatOf[CardIndex(s, r)];
      ++deal.suitLength[p][s];
      deal.suitPoints[p][s] += HighCardPoints(r);
    }
  }
  for (Seat p : kSeats) {
    deal.points[p] = deal.suitPoints[p][0] + deal.suitPoints[p][1] + deal.suitPoints[p][2] +
                     deal.suitPoints[p][3];
  }
  deal.sidePoints[0] = deal.points[kNorth] + deal.points[kSouth];
  deal.sidePoints[1] = deal.points[kEast] + deal.points[kWest];
}

Seat BoardDealer(int board) noexcept {
  return Seat(CycleIndex(board, 4));
}

std::string BoardDealerLetter(int board) {
  return std::string(1, kSeatLetters[BoardDealer(board)]);
}

std::string BoardVulnerabilityText(int board) {
  return std::string(kVulnerabilityLong[CycleIndex(board, 16)]);
}

std::string BoardVulnerabilityShortText(int board) {
  return std::string(kVulnerabilityShort[CycleIndex(board, 16)]);
}

template <typename Names>
std::string Holding(const Deal& deal, Seat seat, Suit suit, const Names& names, int pad) {
  std::string text;
  for (Rank r : kRanks) {
    if (deal.seatOf[size_t(CardIndex(suit, r))] != seat) continue;
    text += names[size_t(r)];
    text.append(size_t(pad), ' ');
  }
  return text;
}

std::string HandSuitText(const Deal& deal, Seat seat, Suit suit) {
  return Holding(deal, seat, suit, kRankLetters, 0);
}

std::string HoldingText(const Deal& deal, Seat seat, Suit suit, int pad) {
  return Holding(deal, seat, suit, kPrintedRankNames, pad);
}

std::string HandText(const Deal& deal, Seat seat) {
  std::string text;
  for (Suit s : kSuits) {
    if (s != kSpades) text += '.';
    text += HandSuitText(deal, seat, s);
  }
  return text;
}

std::string PbnDealText(const Deal& deal, Seat firstSeat) {
  std::string text(1, kSeatLetters[firstSeat]);
  text += ':';
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += ' ';
    text += HandText(deal, NextSeat(firstSeat, i));
  }
  return text;
}

}  // namespace tarrow

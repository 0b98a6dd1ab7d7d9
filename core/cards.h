// The bridge vocabulary every module shares: seats, suits, strains, ranks,
// card indexes, one board's Deal, and the duplicate board conventions.
//
//   Deal d = DealFromNumber(n);                 // deal_number.h
//   std::string spades = HandSuitText(d, kNorth, kSpades);   // "AKT4"
//   for (Seat seat : kSeats) points += d.points[seat];
//
// Seats, suits, strains and ranks are small enums, so a suit passed where a
// seat belongs, or a bare int where either belongs, does not compile; being
// unscoped, they still index arrays and print as their codes.  Codes start at
// 0 everywhere: seats N E S W, suits S H D C, strains NT S H D C (strain =
// suit + 1, StrainOfSuit), ranks A K Q J T 9 .. 2.  A card is an int,
// suit * 13 + rank, so index 0 is the ace of spades and 51 the deuce of
// clubs; every card loop runs over this index in increasing order.  The
// solver counts its trumps differently (-1 notrump, 0..3 a suit); that
// conversion lives at the solver's boundary (SolverStrain, solver.h).
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/deal_number_type.h"

namespace tarrow {

enum Seat : int { kNorth, kEast, kSouth, kWest };  // clockwise; side = seat % 2
enum Side : int { kNorthSouth, kEastWest };
enum Suit : int { kSpades, kHearts, kDiamonds, kClubs };
enum Strain : int { kNotrump };  // 1..4 spades..clubs: StrainOfSuit
// clang-format off
enum Rank : int { kAce, kKing, kQueen, kJack, kTen, kNine, kEight,
                  kSeven, kSix, kFive, kFour, kThree, kTwo };  // ace high
// clang-format on
inline constexpr int kCards = 52;

// Every value of each, in code order, for loops: for (Suit suit : kSuits).
inline constexpr std::array<Seat, 4> kSeats = {kNorth, kEast, kSouth, kWest};
inline constexpr std::array<Side, 2> kSides = {kNorthSouth, kEastWest};
inline constexpr std::array<Suit, 4> kSuits = {kSpades, kHearts, kDiamonds, kClubs};
inline constexpr std::array<Strain, 5> kStrains = {kNotrump, Strain(1), Strain(2), Strain(3),
                                                   Strain(4)};
inline constexpr std::array<Rank, 13> kRanks = {kAce,   kKing, kQueen, kJack, kTen,   kNine, kEight,
                                                kSeven, kSix,  kFive,  kFour, kThree, kTwo};

inline constexpr std::string_view kSeatLetters = "NESW";
inline constexpr std::string_view kSuitLetters = "SHDC";
// One letter a strain, as contract lists write them short ("3N 4S").
inline constexpr std::string_view kStrainLetters = "NSHDC";
inline constexpr std::string_view kRankLetters = "AKQJT98765432";
// The hand editor also names "nobody", hence the fifth entry.
inline constexpr std::array<std::string_view, 5> kSeatNames = {"North", "East", "South", "West",
                                                               "None"};
inline constexpr std::array<std::string_view, 5> kStrainLabels = {"NT", "S", "H", "D", "C"};
// Printed output spells the ten as "10".
inline constexpr std::array<std::string_view, 13> kPrintedRankNames = {
    "A", "K", "Q", "J", "10", "9", "8", "7", "6", "5", "4", "3", "2"};

// The rank a letter of kRankLetters names (upper case, "T" the ten);
// nothing for any other character.
constexpr std::optional<Rank> RankOfLetter(char letter) noexcept {
  const size_t at = kRankLetters.find(letter);
  if (at == std::string_view::npos) return std::nullopt;
  return Rank(at);
}

constexpr int CardIndex(Suit suit, Rank rank) noexcept {
  return suit * 13 + rank;
}
// The suit and the rank of a card index 0..51.
constexpr Suit SuitOfCard(int card) noexcept {
  return Suit(card / 13);
}
constexpr Rank RankOfCard(int card) noexcept {
  return Rank(card % 13);
}
constexpr Strain StrainOfSuit(Suit suit) noexcept {
  return Strain(suit + 1);
}
// The trump suit of a suit strain; strain must not be notrump.
constexpr Suit SuitOfStrain(Strain strain) noexcept {
  assert(strain != kNotrump);
  return Suit(strain - 1);
}
constexpr Side SideOf(Seat seat) noexcept {
  return Side(seat % 2);
}
constexpr Side OtherSide(Side side) noexcept {
  return Side(1 - side);
}
// The side's first seat, North or East; its partner is the second.
constexpr Seat FirstSeatOf(Side side) noexcept {
  return Seat(side);
}
constexpr Seat PartnerOf(Seat seat) noexcept {
  return Seat(seat ^ 2);
}
// The seat `steps` places clockwise (negative: anticlockwise); NextSeat(seat)
// is the left-hand opponent, who plays after seat.
constexpr Seat NextSeat(Seat seat, int steps = 1) noexcept {
  return Seat((seat + steps) & 3);
}
// High-card points: ace 4, king 3, queen 2, jack 1.
constexpr int HighCardPoints(Rank rank) noexcept {
  return rank <= kJack ? 4 - rank : 0;
}

// One board's distribution and what is derived from it.  The derived fields
// are always recomputed from seatOf (DeriveCounts), never edited directly.
struct Deal {
  bool valid = false;             // false when made from an out-of-range number
  std::array<Seat, 52> seatOf{};  // seat holding each card index
  DealNumber number;              // the number made from or converted to
  uint8_t suitLength[4][4] = {};  // [seat][suit], 0..13
  uint8_t points[4] = {};         // high-card points per seat, 0..37
  uint8_t sidePoints[2] = {};     // North-South, East-West
  uint8_t suitPoints[4][4] = {};  // [seat][suit], 0..10
};

// Recomputes suit lengths and points from the seats of the cards.
void DeriveCounts(Deal& deal) noexcept;

// "NESW"[(board - 1) mod 4]: board 1 North, 2 East, 3 South, 4 West.
Seat BoardDealer(int board) noexcept;
std::string BoardDealerLetter(int board);
// Vulnerability by (board - 1) mod 16: "None", "N-S", "E-W", "Both".
std::string BoardVulnerabilityText(int board);
// The same in PBN's words: "None", "NS", "EW", "All".
std::string BoardVulnerabilityShortText(int board);

// The one holding formatter.  Rank letters of the cards of one suit held by
// one seat, ace first, as files write them ("AKT4"); empty for a void.
std::string HandSuitText(const Deal& deal, Seat seat, Suit suit);
// The same with the printed rank names ("AK104"), each followed by pad
// blanks (0 on hand records, 2 on setup sheets); empty for a void.
std::string HoldingText(const Deal& deal, Seat seat, Suit suit, int pad = 0);
// The four suits of one hand joined by ".", spades first: "AKQ..AKQ32.AK543".
std::string HandText(const Deal& deal, Seat seat);
// A PBN Deal value: first seat's letter, ":", the four hands clockwise from
// firstSeat separated by one blank.
std::string PbnDealText(const Deal& deal, Seat firstSeat);

}  // namespace tarrow

// The rules of the hand editor, apart from its widgets: sixteen suit fields
// (seat x 4 + suit, seats N E S W, suits S H D C) holding rank letters, how a
// typed field is normalised, how the whole deal is checked, and how the one
// short seat is filled.
//
//   NormaliseSuitField("kq10x a");             // "AKQT"
//   HandFields fields = FieldsFromDeal(deal);  // the board's cards as text
//   HandCheck check = CheckHands(fields);      // check.status == HandStatus::kValid
//   FillShortSeat(fields);                     // West gets the 13 cards nobody holds
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/cards.h"

namespace tarrow {

using HandFields = std::array<std::string, 16>;  // index seat * 4 + suit

constexpr int FieldIndex(Seat seat, Suit suit) noexcept {
  return seat * 4 + suit;
}

// 0 invalid, 1 valid, 2 + seat when exactly that seat is short.
enum class HandStatus { kInvalid = 0, kValid = 1, kFillNorth, kFillEast, kFillSouth, kFillWest };

// The status that offers to fill `seat` with the cards nobody holds yet.
constexpr HandStatus FillStatus(Seat seat) noexcept {
  constexpr HandStatus kFill[] = {HandStatus::kFillNorth, HandStatus::kFillEast,
                                  HandStatus::kFillSouth, HandStatus::kFillWest};
  return kFill[seat];
}
// The seat a fill status offers to fill; only for the four fill statuses.
constexpr Seat SeatToFill(HandStatus status) noexcept {
  switch (status) {
    case HandStatus::kFillEast:
      return kEast;
    case HandStatus::kFillSouth:
      return kSouth;
    case HandStatus::kFillWest:
      return kWest;
    default:
      return kNorth;
  }
}

// "Invalid Hand", "Valid Hand", "Fill North" .. "Fill West".
std::string HandStatusText(HandStatus status);
// The status line's colour, 0xRRGGBB: blue for invalid and valid, red when a
// seat can be filled.
unsigned HandStatusColour(HandStatus status) noexcept;

// Upper-cases the text and keeps each rank it names once, ace first: A K Q J
// T and 9..2 name their rank, "1" names the ten; anything else (blanks, "0",
// "x", other letters) is dropped.
std::string NormaliseSuitField(std::string_view typed);

struct HandCheck {
  HandStatus status = HandStatus::kInvalid;
  Deal deal;  // on kValid: the seats of the cards and the deal's number
  // On kInvalid, what is wrong: the first card named twice ("the 7 of clubs
  // is named twice"), else each seat without 13 cards ("North holds 14
  // cards, West 12"), or "no cards are named".
  std::string problem;
};

// The status line of a check: its status text, followed for an invalid
// deal by ": " and the problem ("Invalid Hand: North holds 14 cards").
std::string HandStatusLine(const HandCheck& check);

// Checks the fields as typed (each is expected normalised): valid when they
// name all 52 cards, 13 per seat; one seat short when the other three hold
// 13 each, no card is named twice, and the short seat holds the rest of
// what is named.  Otherwise invalid.
HandCheck CheckHands(const HandFields& fields);

// When the check finds one seat short (three seats hold 13 cards, none named
// twice), appends to each suit field of the fourth the cards of that suit
// nobody names, ace first.  Returns whether it filled anything.
bool FillShortSeat(HandFields& fields);

// The sixteen fields of a deal: each seat's cards of each suit, ace first.
HandFields FieldsFromDeal(const Deal& deal);

}  // namespace tarrow

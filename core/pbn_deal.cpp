#include "core/pbn_deal.h"

#include <cctype>

#include "core/deal_number.h"

namespace tarrow {
namespace {

constexpr std::string_view kSuitNames[4] = {"spades", "hearts", "diamonds", "clubs"};
constexpr std::string_view kRankNames[13] = {"ace", "king", "queen", "jack", "ten", "9", "8",
                                             "7",   "6",    "5",     "4",    "3",   "2"};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

std::string Quoted(char ch) {
  if (static_cast<unsigned char>(ch) < 32) return "character code " + std::to_string(int(ch));
  return "'" + std::string(1, ch) + "'";
}

}  // namespace

std::string CardName(int card) {
  return "the " + std::string(kRankNames[RankOfCard(card)]) + " of " +
         std::string(kSuitNames[SuitOfCard(card)]);
}

Result<Deal> ParsePbnDeal(std::string_view value) {
  const std::string_view text = Trim(value);
  if (text.size() < 2 || text[1] != ':') {
    return Status::Error("a deal starts with a seat letter and ':' (as in \"N:AKQ...\")");
  }
  const size_t first = kSeatLetters.find(char(std::toupper(static_cast<unsigned char>(text[0]))));
  if (first == std::string_view::npos) {
    return Status::Error("the deal starts with " + Quoted(text[0]) +
                         ", which is not a seat letter (N, E, S or W)");
  }
  Deal deal;
  std::array<bool, kCards> assigned{};
  int handsSeen = 0;  // blanks seen
  int suit = 0;       // suits seen in this hand, less one
  int held[4] = {0, 0, 0, 0};
  int unknownHand = -1;  // a hand written as "-"
  for (size_t i = 2; i < text.size(); ++i) {
    const char ch = text[i];
    const Seat seat = NextSeat(Seat(first), handsSeen);
    if (ch == ' ') {
      // Several blanks between hands count as one separator.
      if (text[i - 1] != ' ') ++handsSeen;
      if (handsSeen > 3) return Status::Error("the deal has more than four hands");
      suit = 0;
    } else if (ch == '.') {
      if (++suit > 3) {
        return Status::Error(std::string(kSeatNames[seat]) + "'s hand has more than four suits");
      }
    } else if (ch == '-') {
      // PBN writes a hand nobody knows as "-"; some write a void so.
      const bool wholeHand = text[i - 1] == ' ' || text[i - 1] == ':';
      if (wholeHand && (i + 1 == text.size() || text[i + 1] == ' ')) {
        unknownHand = int(seat);
        continue;
      }
      return Status::Error("'-' at position " + std::to_string(i + 1) +
                           " of the deal is not understood: a void is written as nothing between "
                           "the dots, as in \"AKQ..AKQ32.AK543\" (no hearts)");
    } else {
      const std::optional<Rank> rank = RankOfLetter(ch);
      if (!rank) {
        std::string hint;
        if (RankOfLetter(char(std::toupper(static_cast<unsigned char>(ch))))) {
          hint = " (ranks are written in upper case)";
        }
        return Status::Error(Quoted(ch) + " at position " + std::to_string(i + 1) +
                             " of the deal is not understood" + hint);
      }
      const int card = CardIndex(Suit(suit), *rank);
      if (assigned[card]) return Status::Error(CardName(card) + " appears twice");
      assigned[card] = true;
      deal.seatOf[card] = seat;
      ++held[seat];
    }
  }
  // Three hands of 13 and a fourth not given ("-" or left out): a set needs
  // all four, and the missing one can only be the cards not named.
  int missing = unknownHand;
  int full = 0;
  for (Seat seat : kSeats) {
    if (held[seat] == 13) ++full;
    if (held[seat] == 0 && missing < 0) missing = int(seat);
  }
  if (full == 3 && missing >= 0 && held[missing] == 0) {
    Deal rest;
    for (int card = 0; card < kCards; ++card) rest.seatOf[card] = assigned[card] ? kNorth : kSouth;
    std::string hand;
    for (Suit each : kSuits)
      hand += (each == kSpades ? "" : ".") + HandSuitText(rest, kSouth, each);
    return Status::Error("the deal gives three hands, and a set needs all four: write " +
                         std::string(kSeatNames[missing]) + "'s as well, the cards not named (" +
                         hand + "), in its place among the four hands");
  }
  if (unknownHand >= 0) {
    return Status::Error(std::string(kSeatNames[unknownHand]) +
                         "'s hand is given as '-' (not known), and a set needs all four hands: "
                         "write its 13 cards, as in \"AKQ..AKQ32.AK543\" (a void is nothing "
                         "between the dots)");
  }
  for (Seat seat : kSeats) {
    if (held[seat] != 13) {
      return Status::Error(std::string(kSeatNames[seat]) + " holds " + std::to_string(held[seat]) +
                           (held[seat] == 1 ? " card" : " cards") + ", not 13");
    }
  }
  deal.valid = true;
  DeriveCounts(deal);
  deal.number = NumberFromDeal(deal);
  return deal;
}

}  // namespace tarrow

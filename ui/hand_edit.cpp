#include "ui/hand_edit.h"

#include <cctype>
#include <optional>

#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

struct Tally {
  std::array<bool, kCards> named{};  // cards named anywhere
  int cards = 0;                     // distinct cards named
  int namedTwice = -1;               // the first card named a second time, or -1
  std::array<int, 4> count{};        // characters per seat
  int complete = 0;                  // seats with exactly 13 characters
  Seat shortSeat = kNorth;           // the last seat without 13, when complete < 4
};

Tally Count(const HandFields& fields) {
  Tally t;
  for (Seat seat : kSeats) {
    for (Suit suit : kSuits) {
      const std::string& field = fields[size_t(FieldIndex(seat, suit))];
      t.count[size_t(seat)] += int(field.size());
      for (char c : field) {
        const std::optional<Rank> rank = RankOfLetter(c);
        if (!rank) continue;
        const int card = CardIndex(suit, *rank);
        bool& named = t.named[size_t(card)];
        if (!named) {
          ++t.cards;
        } else if (t.namedTwice < 0) {
          t.namedTwice = card;
        }
        named = true;
      }
    }
    if (t.count[size_t(seat)] == 13) {
      ++t.complete;
    } else {
      t.shortSeat = seat;
    }
  }
  return t;
}

// Why a deal does not pass: a card named twice first, as that is what
// the operator must take back; else the seats that do not hold 13 cards.
std::string Problem(const Tally& t) {
  if (t.namedTwice >= 0) return CardName(t.namedTwice) + " is named twice";
  if (t.cards == 0) return "no cards are named";
  // "North holds 14 cards, West 12": the first seat in full, the others
  // short, so that four seats still fit the status line.
  std::string problem;
  for (Seat seat : kSeats) {
    const int count = t.count[size_t(seat)];
    if (count == 13) continue;
    const std::string name(kSeatNames[size_t(seat)]);
    if (problem.empty()) {
      problem = name + " holds " + std::to_string(count) + (count == 1 ? " card" : " cards");
    } else {
      problem += ", " + name + " " + std::to_string(count);
    }
  }
  // Only fields not yet normalised (a character naming no rank) get here.
  if (problem.empty()) problem = "only " + std::to_string(t.cards) + " of the 52 cards are named";
  return problem;
}

}  // namespace

std::string HandStatusLine(const HandCheck& check) {
  std::string line = HandStatusText(check.status);
  if (check.status == HandStatus::kInvalid && !check.problem.empty()) line += ": " + check.problem;
  return line;
}

std::string HandStatusText(HandStatus status) {
  switch (status) {
    case HandStatus::kInvalid:
      return "Invalid Hand";
    case HandStatus::kValid:
      return "Valid Hand";
    default:
      return "Fill " + std::string(kSeatNames[size_t(SeatToFill(status))]);
  }
}

unsigned HandStatusColour(HandStatus status) noexcept {
  return status == HandStatus::kInvalid || status == HandStatus::kValid ? 0x0000FF : 0xFF0000;
}

std::string NormaliseSuitField(std::string_view typed) {
  std::array<bool, 13> marked{};
  for (char c : typed) {
    const char upper = char(std::toupper(static_cast<unsigned char>(c)));
    const std::optional<Rank> rank = upper == '1' ? kTen : RankOfLetter(upper);
    if (rank) marked[size_t(*rank)] = true;
  }
  std::string text;
  for (Rank r : kRanks) {
    if (marked[size_t(r)]) text += kRankLetters[size_t(r)];
  }
  return text;
}

HandCheck CheckHands(const HandFields& fields) {
  const Tally t = Count(fields);
  HandCheck check;
  if (t.cards == kCards && t.complete == 4) {
    check.status = HandStatus::kValid;
    for (Seat seat : kSeats) {
      for (Suit suit : kSuits) {
        // Every character names a rank here: the 52 cards were counted.
        for (char c : fields[size_t(FieldIndex(seat, suit))]) {
          check.deal.seatOf[size_t(CardIndex(suit, *RankOfLetter(c)))] = seat;
        }
      }
    }
    check.deal.valid = true;
    DeriveCounts(check.deal);
    check.deal.number = NumberFromDeal(check.deal);
  } else if (t.cards < kCards && t.complete == 3 && t.cards == 39 + t.count[size_t(t.shortSeat)]) {
    check.status = FillStatus(t.shortSeat);
  } else {
    check.problem = Problem(t);
  }
  return check;
}

bool FillShortSeat(HandFields& fields) {
  // Only when the status offers it: with a card named twice, filling would
  // hand the short seat more than thirteen cards.
  const HandStatus status = CheckHands(fields).status;
  if (status == HandStatus::kInvalid || status == HandStatus::kValid) return false;
  const Tally t = Count(fields);
  for (Suit suit : kSuits) {
    std::string& field = fields[size_t(FieldIndex(t.shortSeat, suit))];
    for (Rank r : kRanks) {
      if (!t.named[size_t(CardIndex(suit, r))]) field += kRankLetters[size_t(r)];
    }
  }
  return true;
}

HandFields FieldsFromDeal(const Deal& deal) {
  HandFields fields;
  for (Suit suit : kSuits) {
    for (Rank r : kRanks) {
      const Seat seat = deal.seatOf[size_t(CardIndex(suit, r))];
      fields[size_t(FieldIndex(seat, suit))] += kRankLetters[size_t(r)];
    }
  }
  return fields;
}

}  // namespace tarrow

#include "ui/hand_edit.h"

#include <cctype>
#include <optional>

#include "core/deal_number.h"

namespace tarrow {
namespace {

struct Tally {
  std::array<bool, kCards> named{};  // cards named anywhere
  int cards = 0;                     // distinct cards named
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
        bool& named = t.named[size_t(CardIndex(suit, *rank))];
        if (!named) ++t.cards;
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

}  // namespace

std::string HandStatusText(HandStatus status) {
  switch (status) {
    case HandStatus::kInvalid: return "Invalid Hand";
    case HandStatus::kValid: return "Valid Hand";
    default: return "Fill " + std::string(kSeatNames[size_t(int(status) - 2)]);
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
  } else if (t.cards < kCards && t.complete == 3 &&
             t.cards == 39 + t.count[size_t(t.shortSeat)]) {
    check.status = HandStatus(2 + t.shortSeat);
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

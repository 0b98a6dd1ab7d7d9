// Deal numbers: the bijection between the 53 644 737 765 488 792 839 237 440 000
// possible deals and the integers below that count.
//
//   DealNumber n = NumberFromDeal(deal);      // invalid when deal is not 4 x 13 cards
//   Deal back = DealFromNumber(n);            // back.seatOf == deal.seatOf
//   DealNumberHexText(n);                     // "48DB1DE1 5ED13920 FC4FE771"
//
// A number N is read in mixed radix as N = (S * C + A) * C + B with
// C = C(26,13) = 10 400 600.  S picks which 26 cards go to East-West (a 52-bit
// mask in a fixed order of its own, see Unrank52); A splits the North-South
// cards between North (bit clear) and South (bit set), B the East-West cards
// between East and West, each a 26-bit mask over that side's cards in card
// index order.  The seat of card c is 2 * (its side-mask bit) + (bit c of S's mask).
//
// The orders of the masks are part of the file format in effect: they decide
// which deal a seed produces, and a seed must give the same set on every
// machine and in every version, so they never change, odd k = 25 rule
// included.  All conversions only read tables built once, and are safe to call
// from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "core/cards.h"
#include "core/deal_number_type.h"
#include "core/result.h"

namespace tarrow {

using uint128 = unsigned __int128;

inline constexpr uint32_t kSplit13 = 10'400'600;              // C(26,13)
inline constexpr uint64_t kSplit26 = 495'918'532'948'104ULL;  // C(52,26)
// TotalDeals = kSplit26 * kSplit13^2 = AD55E315 634DDA65 8BF49200 (hex).
inline constexpr uint128 kTotalDeals = uint128(kSplit26) * kSplit13 * kSplit13;
inline constexpr DealNumber TotalDeals() {
  return {true, uint32_t(kTotalDeals >> 64), uint32_t(kTotalDeals >> 32), uint32_t(kTotalDeals)};
}

// The 96-bit value of the three words (the valid flag is not consulted).
constexpr uint128 NumberValue(const DealNumber& n) noexcept {
  return (uint128(n.high) << 64) | (uint128(n.middle) << 32) | n.low;
}
// A valid DealNumber holding the low 96 bits of value.
constexpr DealNumber MakeDealNumber(uint128 value) noexcept {
  return {true, uint32_t(value >> 64), uint32_t(value >> 32), uint32_t(value)};
}

// Builds the numbering tables.  Optional: every conversion builds them on
// first use; calling it at start-up just moves that cost there.
void BuildNumberingTables();

// The deal of a number.  Only the three words are read, not the valid flag,
// so an empty slot whose words are zero gives the (valid) deal of number 0.
// A number at or above TotalDeals gives an invalid Deal with every card at
// North and no counts.
Deal DealFromNumber(const DealNumber& number);

// The number of a deal; invalid (all words FFFFFFFF) when the deal is not
// valid or is not exactly 13 cards per seat.
DealNumber NumberFromDeal(const Deal& deal);

// "AD55E315 634DDA65 8BF491FF": three words of 8 upper-case hex digits.
std::string DealNumberHexText(const DealNumber& number);
// 39 characters: ten groups of three digits joined by ",", with the first
// character replaced by a blank when it is "0"; "Not Valid" for an invalid number.
std::string DealNumberDecimalText(const DealNumber& number);
// Sixteen base64 characters of the 12 bytes, most significant first, no padding.
std::string DealNumberBase64Text(const DealNumber& number);

// The text form the printed sheets give a deal number.
enum class DealNumberForm : int32_t { kDecimal = 0, kBase64 = 1, kHex = 2 };
// A stored choice of form: 0 decimal, 1 base64, any other value hex.
constexpr DealNumberForm DealNumberFormOf(int32_t stored) noexcept {
  return stored == 0   ? DealNumberForm::kDecimal
         : stored == 1 ? DealNumberForm::kBase64
                       : DealNumberForm::kHex;
}
// The number in the given form.
std::string DealNumberText(const DealNumber& number, DealNumberForm form);

// Reads a deal number typed by a person: 24 hex digits (blanks allowed, as the
// hex text prints them) or decimal digits, alone or in groups of three parted
// by commas or blanks as the decimal text prints them ("1,234"; not "1,,234",
// ",1" or "12,34").  Fails with a message quoting the text (cut after 40
// characters) for other text or a value at or above TotalDeals.
Result<DealNumber> ParseDealNumber(std::string_view text);

namespace internal {
// The mask orders.  Rank26 returns -1 for a mask that does not have exactly k
// bits within bits 0..25; Unrank26 expects i < C(26, k).
int64_t Rank26(int k, uint32_t mask);
uint32_t Unrank26(int k, uint32_t index);
// Rank52 returns -1 for a mask without exactly 26 bits within bits 0..51.
int64_t Rank52(uint64_t mask);
uint64_t Unrank52(uint64_t index);  // index < C(52,26)
}  // namespace internal

}  // namespace tarrow

#include "core/deal_number.h"

#include <bit>
#include <cassert>
#include <cctype>
#include <cstdio>
#include <optional>

namespace tarrow {
namespace {

constexpr uint32_t kMask26 = (1u << 26) - 1;
constexpr uint32_t kMask13 = (1u << 13) - 1;

// Everything the orders need, built once.  L_m (the 13-bit values with m bits,
// ascending) are stored end to end in `values`, list m starting at listStart[m];
// positionInList[v] is the place of v in its own list, which replaces the
// search for a value's position.
struct NumberingTables {
  uint32_t binom13[14];  // C(13, m)
  uint32_t binom26[27];  // C(26, k)
  uint32_t listStart[15];
  uint16_t values[8192];
  uint16_t positionInList[8192];
  uint32_t cumulative26[27][14];  // [k][j]: members of the 26-bit groups 0..j of k bits
  uint64_t cumulative52[27];      // [i]: members of the 52-bit groups 0..i

  NumberingTables() {
    for (int n = 0; n <= 26; ++n) {
      uint64_t c = 1;
      for (int i = 0; i < n; ++i) c = c * (26 - i) / (i + 1);
      binom26[n] = uint32_t(c);
    }
    for (int m = 0; m <= 13; ++m) {
      uint32_t c = 1;
      for (int i = 0; i < m; ++i) c = c * (13 - i) / (i + 1);
      binom13[m] = c;
    }
    listStart[0] = 0;
    for (int m = 0; m <= 13; ++m) listStart[m + 1] = listStart[m] + binom13[m];
    uint32_t fill[14];
    for (int m = 0; m <= 13; ++m) fill[m] = listStart[m];
    for (uint32_t v = 0; v < 8192; ++v) {
      const int m = std::popcount(v);
      positionInList[v] = uint16_t(fill[m] - listStart[m]);
      values[fill[m]++] = uint16_t(v);
    }
    for (int k = 0; k <= 26; ++k) {
      uint32_t sum = 0;
      for (int j = 0; j <= 13; ++j) {
        if (k - j >= 0 && k - j <= 13) sum += binom13[j] * binom13[k - j];
        cumulative26[k][j] = sum;
      }
    }
    uint64_t sum = 0;
    for (int i = 0; i <= 26; ++i) {
      sum += uint64_t(binom26[i]) * binom26[i];
      cumulative52[i] = sum;
    }
  }

  uint32_t ListValue(int m, uint32_t position) const { return values[listStart[m] + position]; }
};

const NumberingTables& Tables() {
  static const NumberingTables tables;
  return tables;
}

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

DealNumber InvalidNumber() {
  return {false, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
}

}  // namespace

namespace internal {

uint32_t Unrank26(int k, uint32_t index) {
  const NumberingTables& t = Tables();
  assert(k >= 0 && k <= 26 && index < t.binom26[k]);
  switch (k) {
    case 0:
      return 0;
    case 1:
      return 1u << index;
    case 25:
      return kMask26 & ~(1u << index);
    case 26:
      return kMask26;
    default:
      break;
  }
  int j = 0;
  while (index >= t.cumulative26[k][j]) ++j;
  if (j > 0) index -= t.cumulative26[k][j - 1];
  const int m = k - j;
  const uint32_t high = index / t.binom13[m];
  const uint32_t low = index % t.binom13[m];
  return (t.ListValue(j, high) << 13) | t.ListValue(m, low);
}

int64_t Rank26(int k, uint32_t mask) {
  if (k < 0 || k > 26 || (mask & ~kMask26) != 0 || std::popcount(mask) != k) return -1;
  switch (k) {
    case 0:
    case 26:
      return 0;
    case 1:
      return std::countr_zero(mask);
    case 25:
      return std::countr_zero(~mask & kMask26);
    default:
      break;
  }
  const NumberingTables& t = Tables();
  const uint32_t low = mask & kMask13;
  const uint32_t high = mask >> 13;
  const int m = std::popcount(low);
  const int j = k - m;
  const int64_t lowPosition = t.positionInList[low];
  if (j == 0) return lowPosition;
  return t.cumulative26[k][j - 1] + lowPosition + int64_t(t.positionInList[high]) * t.binom13[m];
}

uint64_t Unrank52(uint64_t index) {
  const NumberingTables& t = Tables();
  assert(index < kSplit26);
  int i = 0;
  while (index >= t.cumulative52[i]) ++i;
  if (i > 0) index -= t.cumulative52[i - 1];
  const uint64_t q = index / t.binom26[i];
  const uint64_t r = index % t.binom26[i];
  return (uint64_t(Unrank26(i, uint32_t(q))) << 26) | Unrank26(26 - i, uint32_t(r));
}

int64_t Rank52(uint64_t mask) {
  if ((mask >> 52) != 0 || std::popcount(mask) != 26) return -1;
  const NumberingTables& t = Tables();
  const uint32_t low = uint32_t(mask & kMask26);
  const uint32_t high = uint32_t(mask >> 26);
  const int i = 26 - std::popcount(low);
  const int64_t r = Rank26(26 - i, low);
  if (i == 0) return r;
  return Rank26(i, high) * t.binom26[i] + r + int64_t(t.cumulative52[i - 1]);
}

}  // namespace internal

void BuildNumberingTables() {
  (void)Tables();
}

Deal DealFromNumber(const DealNumber& number) {
  Deal deal;
  deal.number = number;
  const uint128 value = NumberValue(number);
  const uint32_t b = uint32_t(value % kSplit13);
  const uint128 rest = value / kSplit13;
  const uint32_t a = uint32_t(rest % kSplit13);
  const uint128 split = rest / kSplit13;
  if (split >= kSplit26) return deal;  // out of range: not valid, every card at North

  const uint64_t eastWest = internal::Unrank52(uint64_t(split));
  uint32_t northSouthSplit = internal::Unrank26(13, a);
  uint32_t eastWestSplit = internal::Unrank26(13, b);
  for (int c = 0; c < kCards; ++c) {
    const int side = int((eastWest >> c) & 1);
    uint32_t& sideMask = side ? eastWestSplit : northSouthSplit;
    const int bit = int(sideMask & 1);
    sideMask >>= 1;
    deal.seatOf[c] = Seat(2 * bit + side);
  }
  deal.valid = true;
  DeriveCounts(deal);
  return deal;
}

DealNumber NumberFromDeal(const Deal& deal) {
  if (!deal.valid) return InvalidNumber();
  uint64_t eastWest = 0;
  uint32_t sideMask[2] = {0, 0};
  int sideCount[2] = {0, 0};
  for (int c = 0; c < kCards; ++c) {
    const int seat = deal.seatOf[c];
    if (seat > 3) return InvalidNumber();
    const int side = seat & 1;
    if (sideCount[side] >= 26) return InvalidNumber();
    eastWest |= uint64_t(side) << c;
    sideMask[side] |= uint32_t(seat >> 1) << sideCount[side]++;
  }
  const int64_t s = internal::Rank52(eastWest);
  const int64_t a = internal::Rank26(13, sideMask[0]);
  const int64_t b = internal::Rank26(13, sideMask[1]);
  if (s < 0 || a < 0 || b < 0) return InvalidNumber();
  return MakeDealNumber((uint128(uint64_t(s)) * kSplit13 + uint64_t(a)) * kSplit13 + uint64_t(b));
}

std::string DealNumberHexText(const DealNumber& number) {
  char text[32];
  std::snprintf(text, sizeof text, "%08X %08X %08X", number.high, number.middle, number.low);
  return text;
}

std::string DealNumberDecimalText(const DealNumber& number) {
  if (!number.valid) return "Not Valid";
  uint128 value = NumberValue(number);
  unsigned groups[10];
  for (int i = 9; i >= 0; --i) {
    groups[i] = unsigned(value % 1000);
    value /= 1000;
  }
  std::string text;
  for (int i = 0; i < 10; ++i) {
    char group[8];
    std::snprintf(group, sizeof group, "%s%03u", i > 0 ? "," : "", groups[i]);
    text += group;
  }
  if (text[0] == '0') text[0] = ' ';
  return text;
}

std::string DealNumberBase64Text(const DealNumber& number) {
  const uint128 value = NumberValue(number);
  std::string text(16, 'A');
  for (int i = 0; i < 16; ++i) text[i] = kBase64Alphabet[unsigned(value >> (90 - 6 * i)) & 63];
  return text;
}

std::string DealNumberText(const DealNumber& number, DealNumberForm form) {
  switch (form) {
    case DealNumberForm::kDecimal:
      return DealNumberDecimalText(number);
    case DealNumberForm::kBase64:
      return DealNumberBase64Text(number);
    case DealNumberForm::kHex:
      break;
  }
  return DealNumberHexText(number);
}

namespace {

bool IsBlank(char ch) {
  return ch == ' ' || ch == '\t';
}

// The typed text for a message: quoted, at most 40 characters and "..."
// after a longer one, so that a pasted page does not come back in full.
std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 40;
  size_t end = 0;
  for (size_t characters = 0; end < text.size() && characters < kShown; ++characters) {
    ++end;  // past the character's first byte and its UTF-8 continuation bytes
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return "\"" + std::string(text.substr(0, end)) + (end < text.size() ? "...\"" : "\"");
}

// The digits of a decimal number as a person writes it: digits alone, or a
// first group of one to three digits and then groups of exactly three, each
// two parted by a comma, blanks, or a comma with blanks, as the decimal text
// prints them.  Nothing when a separator stands anywhere else ("1,,2", ",1",
// "1,", "1,23"), since a number with a lost or doubled digit must not be
// read as another deal.  text has no blanks at either end.
std::optional<std::string> DecimalDigits(std::string_view text) {
  std::string digits;
  size_t groups = 0, firstGroup = 0;
  size_t i = 0;
  while (true) {
    const size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) ++i;
    const size_t length = i - start;
    if (length == 0) return std::nullopt;  // a separator first, last or twice in a row
    if (groups == 0) {
      firstGroup = length;
    } else if (length != 3) {
      return std::nullopt;
    }
    ++groups;
    digits.append(text.substr(start, length));
    if (i == text.size()) break;
    int commas = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == ',')) commas += text[i++] == ',';
    if (commas > 1) return std::nullopt;
  }
  if (groups > 1 && firstGroup > 3) return std::nullopt;
  return digits;
}

}  // namespace

Result<DealNumber> ParseDealNumber(std::string_view text) {
  auto outOfRange = [&] {
    return Status::Error("deal number " + Quoted(text) + " is out of range: the largest is " +
                         DealNumberDecimalText(MakeDealNumber(kTotalDeals - 1)).substr(1) +
                         " (hex " + DealNumberHexText(MakeDealNumber(kTotalDeals - 1)) + ")");
  };
  std::string compact;
  bool hasHexLetter = false, hasComma = false;
  for (char ch : text) {
    if (IsBlank(ch)) continue;
    if (ch == ',') {
      hasComma = true;
      continue;
    }
    if (std::isxdigit(static_cast<unsigned char>(ch)) == 0) {
      return Status::Error("deal number " + Quoted(text) + ": '" + std::string(1, ch) +
                           "' is neither a hex nor a decimal digit");
    }
    if (std::isdigit(static_cast<unsigned char>(ch)) == 0) hasHexLetter = true;
    compact += ch;
  }
  if (compact.empty() && !hasComma) return Status::Error("deal number is empty");
  // Hex is recognised by a letter A-F or by the layout the hex text prints:
  // three groups of eight digits.  Anything else made of digits is decimal.
  const bool hexLayout = text.size() == 26 && text[8] == ' ' && text[17] == ' ';
  if (!hasComma && (hasHexLetter || hexLayout)) {
    if (compact.size() != 24) {
      return Status::Error("deal number " + Quoted(text) + ": a hex number has 24 digits, not " +
                           std::to_string(compact.size()));
    }
    uint128 value = 0;
    for (char ch : compact) {
      value = value * 16 + uint128(std::isdigit(static_cast<unsigned char>(ch))
                                       ? ch - '0'
                                       : std::toupper(static_cast<unsigned char>(ch)) - 'A' + 10);
    }
    if (value >= kTotalDeals) return outOfRange();
    return MakeDealNumber(value);
  }
  if (hasHexLetter) {
    return Status::Error("deal number " + Quoted(text) + " mixes hex letters and commas");
  }
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  const std::optional<std::string> digits = DecimalDigits(text.substr(first, last - first));
  if (!digits) {
    return Status::Error("deal number " + Quoted(text) +
                         ": commas and blanks stand only between groups of three digits, as in "
                         "22,547,816,567,610,173,465,337,784,177");
  }
  uint128 value = 0;
  for (char ch : *digits) {
    value = value * 10 + uint128(ch - '0');
    if (value >= kTotalDeals) return outOfRange();
  }
  return MakeDealNumber(value);
}

}  // namespace tarrow

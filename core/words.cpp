#include "core/words.h"

#include <array>
#include <string_view>

namespace tarrow {
namespace {

constexpr std::array<std::string_view, 20> kUnits = {
    "",         "one",     "two",     "three",     "four",      "five",    "six",
    "seven",    "eight",   "nine",    "ten",       "eleven",    "twelve",  "thirteen",
    "fourteen", "fifteen", "sixteen", "seventeen", "eightteen", "nineteen"};
constexpr std::array<std::string_view, 10> kTens = {
    "", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};

// Words for n mod 2000: hundreds up to nineteen hundred, never "and".
std::string WordsBelow2000(uint32_t n) {
  n %= 2000;
  std::string text;
  if (n >= 100) {
    text += kUnits[n / 100];
    text += " hundred";
    n %= 100;
    if (n != 0) text += ' ';
  }
  if (n >= 20) {
    text += kTens[n / 10];
    n %= 10;
    if (n != 0) text += '-';
  }
  if (n != 0) text += kUnits[n];
  return text;
}

}  // namespace

std::string NumberInWords(uint32_t n) {
  std::string text;
  struct Scale {
    uint32_t size;
    std::string_view word;
  };
  // Thousands start at 2000: below that the hundreds carry the number.
  for (const Scale scale :
       {Scale{1'000'000'000, " billion"}, Scale{1'000'000, " million"}, Scale{1000, " thousand"}}) {
    const uint32_t threshold = scale.size == 1000 ? 2000 : scale.size;
    if (n >= threshold) {
      text += WordsBelow2000(n / scale.size);
      text += scale.word;
      n %= scale.size;
      if (n != 0) text += ' ';
    }
  }
  if (n != 0) text += WordsBelow2000(n);
  return text;
}

}  // namespace tarrow

#include "core/words.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(NumberInWordsTest, SpellsTheBoardNumbersAsGenerationNeedsThem) {
  const char* const expected[36] = {
      "one",         "two",        "three",        "four",         "five",         "six",
      "seven",       "eight",      "nine",         "ten",          "eleven",       "twelve",
      "thirteen",    "fourteen",   "fifteen",      "sixteen",      "seventeen",    "eightteen",
      "nineteen",    "twenty",     "twenty-one",   "twenty-two",   "twenty-three", "twenty-four",
      "twenty-five", "twenty-six", "twenty-seven", "twenty-eight", "twenty-nine",  "thirty",
      "thirty-one",  "thirty-two", "thirty-three", "thirty-four",  "thirty-five",  "thirty-six"};
  for (uint32_t n = 1; n <= 36; ++n) EXPECT_EQ(NumberInWords(n), expected[n - 1]) << n;
}

TEST(NumberInWordsTest, LargerNumbersUseHundredsBelowTwoThousand) {
  const std::pair<uint32_t, const char*> rows[] = {
      {0, ""},
      {100, "one hundred"},
      {101, "one hundred one"},
      {1000, "ten hundred"},
      {1500, "fifteen hundred"},
      {1999, "nineteen hundred ninety-nine"},
      {2000, "two thousand"},
      {2001, "two thousand one"},
      {1001500, "one million fifteen hundred"},
      {4294967295u,
       "four billion two hundred ninety-four million nine hundred sixty-seven thousand two "
       "hundred ninety-five"},
  };
  for (const auto& [n, words] : rows) EXPECT_EQ(NumberInWords(n), words) << n;
}

}  // namespace
}  // namespace tarrow

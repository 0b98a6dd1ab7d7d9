#include "files/text_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarrow::internal {
namespace {

std::vector<std::string> AllLines(std::string_view text) {
  std::vector<std::string> lines;
  LineReader reader(text);
  for (std::string_view line; reader.Next(line);) {
    lines.emplace_back(line);
    EXPECT_EQ(reader.LineNumber(), lines.size());
  }
  return lines;
}

TEST(LineReaderTest, EndsLinesAtCrLfLfOrCrAlone) {
  using Lines = std::vector<std::string>;
  struct Row {
    const char* name;
    std::string text;
    Lines lines;
  };
  const Row rows[] = {
      {"CR LF", "a\r\nb\r\n", Lines{"a", "b"}},
      {"LF", "a\nb\n", Lines{"a", "b"}},
      {"CR alone (old Mac files)", "a\rb\r", Lines{"a", "b"}},
      {"no final line end", "a\nb", Lines{"a", "b"}},
      {"empty lines kept", "a\r\n\r\nb", Lines{"a", "", "b"}},
      {"CR CR LF is an empty line between", "a\r\r\nb", Lines{"a", "", "b"}},
      {"LF CR is two ends", "a\n\rb", Lines{"a", "", "b"}},
      {"mixed", "a\rb\nc\r\nd", Lines{"a", "b", "c", "d"}},
      {"only ends", "\r\r\n\n", Lines{"", "", ""}},
      {"empty text", "", Lines{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AllLines(row.text), row.lines);
  }
}

TEST(NumberRangesTest, JoinsRunsOfNumbers) {
  EXPECT_EQ(NumberRanges({}), "");
  EXPECT_EQ(NumberRanges({7}), "7");
  EXPECT_EQ(NumberRanges({37, 38, 39, 40}), "37-40");
  EXPECT_EQ(NumberRanges({1, 2, 3, 5, 7, 8}), "1-3, 5, 7-8");
}

}  // namespace
}  // namespace tarrow::internal

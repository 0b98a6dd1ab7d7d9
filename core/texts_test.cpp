#include "core/texts.h"

#include <gtest/gtest.h>

#include "core/cp1252.h"

namespace tarrow {
namespace {

TEST(TextsTest, DateTextIsYearMonthDayWithDots) {
  EXPECT_EQ(DateText(DateFromCivil(2013, 5, 7)), "2013.05.07");
  EXPECT_EQ(DateText(DateFromCivil(2009, 1, 1)), "2009.01.01");
  EXPECT_EQ(DateFromCivil(1899, 12, 30), 0.0);
  EXPECT_EQ(DateFromCivil(1900, 1, 1), 2.0);
}

TEST(TextsTest, DurationsInHoursAndMinutes) {
  EXPECT_EQ(MinutesText(1.0 / 48), "30.00 m");
  EXPECT_EQ(HoursText(1.0 / 48), "0.50 h");
  EXPECT_EQ(HoursText(0.25), "6.00 h");
  EXPECT_EQ(MinutesText(1234.567 / 1440), "1234.60 m");  // five significant digits
}

TEST(TextsTest, DateTimesRoundTripThroughTheFixedForm) {
  const DateTime value = DateTimeFromCivil({2013, 10, 7, 18, 30, 5});
  EXPECT_EQ(FormatDateTime(value), "2013-10-07 18:30:05");
  EXPECT_EQ(FormatDateTime(DateFromCivil(2013, 10, 7)), "2013-10-07");  // midnight: no time
  for (const char* text : {"2013-10-07 18:30:05", "07/10/2013 18:30:05", "2013-10-07"}) {
    const std::optional<DateTime> back = ParseDateTime(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(FormatDateTime(*back).substr(0, 10), "2013-10-07");
  }
  EXPECT_EQ(ParseDateTime("07.10.2013"), DateFromCivil(2013, 10, 7));
  EXPECT_EQ(ParseDateTime("07/10/2013 18:30"), DateTimeFromCivil({2013, 10, 7, 18, 30, 0}));
}

TEST(TextsTest, ImpossibleDatesAndTimesAreRefused) {
  for (const char* text : {"2013-13-01", "2013-02-29", "32/01/2013", "2013-10-07 24:00:00",
                           "2013-10-07 18:60", "yesterday", "", "2013-10-07T18:30:00"}) {
    EXPECT_FALSE(ParseDateTime(text).has_value()) << text;
  }
  EXPECT_TRUE(ParseDateTime("2012-02-29").has_value());
}

TEST(Cp1252Test, ConvertsBothWaysAndNamesWhatItCannotHold) {
  const Result<std::string> bytes = Utf8ToCp1252("Caf\xC3\xA9 \xE2\x82\xAC\xC2\xBD");
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes, "Caf\xE9 \x80\xBD");
  EXPECT_EQ(Cp1252ToUtf8(*bytes), "Caf\xC3\xA9 \xE2\x82\xAC\xC2\xBD");
  const Result<std::string> snowman = Utf8ToCp1252("a\xE2\x98\x83");
  ASSERT_FALSE(snowman.ok());
  EXPECT_NE(snowman.message().find("U+2603"), std::string::npos);
  EXPECT_FALSE(Utf8ToCp1252("\xC3").ok());  // cut short
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, char(byte));
    const Result<std::string> back = Utf8ToCp1252(Cp1252ToUtf8(one));
    ASSERT_TRUE(back.ok()) << byte;
    EXPECT_EQ(*back, one);
  }
}

TEST(Cp1252Test, CodePointsOfTheBytesWhereItDiffersFromLatin1) {
  struct Case {
    uint8_t byte;
    char32_t cp;
  };
  const Case cases[] = {
      {0x00, 0x00}, {0x41, 0x41},   {0x7F, 0x7F}, {0x80, 0x20AC}, {0x81, 0},      {0x8A, 0x0160},
      {0x8D, 0},    {0x8F, 0},      {0x90, 0},    {0x91, 0x2018}, {0x96, 0x2013}, {0x99, 0x2122},
      {0x9D, 0},    {0x9F, 0x0178}, {0xA0, 0xA0}, {0xE9, 0xE9},   {0xFF, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.byte));
    EXPECT_EQ(Cp1252CodePoint(c.byte), c.cp);
  }
  int undefined = 0;
  for (int byte = 0x80; byte <= 0x9F; ++byte) undefined += Cp1252CodePoint(uint8_t(byte)) == 0;
  EXPECT_EQ(undefined, 5);
}

}  // namespace
}  // namespace tarrow

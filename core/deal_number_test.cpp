#include "core/deal_number.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>

namespace tarrow {
namespace {

std::string NorthFirst(const DealNumber& n) {
  return PbnDealText(DealFromNumber(n), kNorth);
}

constexpr uint128 kLast = kTotalDeals - 1;

TEST(DealNumberTest, StoredFormsReadAsDecimalBase64OrHex) {
  const struct {
    int32_t stored;
    DealNumberForm form;
  } rows[] = {{0, DealNumberForm::kDecimal}, {1, DealNumberForm::kBase64},
              {2, DealNumberForm::kHex},     {3, DealNumberForm::kHex},
              {-1, DealNumberForm::kHex},    {INT32_MAX, DealNumberForm::kHex}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored);
    EXPECT_EQ(DealNumberFormOf(row.stored), row.form);
  }
  const DealNumber n = MakeDealNumber(kTotalDeals - 1);
  EXPECT_EQ(DealNumberText(n, DealNumberForm::kDecimal), DealNumberDecimalText(n));
  EXPECT_EQ(DealNumberText(n, DealNumberForm::kBase64), DealNumberBase64Text(n));
  EXPECT_EQ(DealNumberText(n, DealNumberForm::kHex), DealNumberHexText(n));
  // The three forms differ, so a form taken for another shows.
  EXPECT_NE(DealNumberDecimalText(n), DealNumberBase64Text(n));
  EXPECT_NE(DealNumberBase64Text(n), DealNumberHexText(n));
}

TEST(DealNumberTest, TotalDealsHasTheKnownWords) {
  EXPECT_EQ(TotalDeals().high, 0xAD55E315u);
  EXPECT_EQ(TotalDeals().middle, 0x634DDA65u);
  EXPECT_EQ(TotalDeals().low, 0x8BF49200u);
}

TEST(DealNumberTest, CornerNumbersGiveTheirDeals) {
  struct Row {
    uint128 number;
    const char* deal;
  };
  const Row rows[] = {
      // 0: North all clubs, East hearts, South diamonds, West spades.
      {0, "N:...AKQJT98765432 .AKQJT98765432.. ..AKQJT98765432. AKQJT98765432..."},
      // 1: East and West swap the spade deuce and the heart ace.
      {1, "N:...AKQJT98765432 2.KQJT98765432.. ..AKQJT98765432. AKQJT9876543.A.."},
      {kSplit13 - 1, "N:...AKQJT98765432 AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.."},
      {kLast, "N:AKQJT98765432... ..AKQJT98765432. .AKQJT98765432.. ...AKQJT98765432"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(DealNumberHexText(MakeDealNumber(row.number)));
    const Deal deal = DealFromNumber(MakeDealNumber(row.number));
    ASSERT_TRUE(deal.valid);
    EXPECT_EQ(PbnDealText(deal, kNorth), row.deal);
    EXPECT_EQ(NumberFromDeal(deal), MakeDealNumber(row.number));
  }
}

TEST(DealNumberTest, NumbersAtOrAboveTotalAreNotValid) {
  for (uint128 value : {kTotalDeals, kTotalDeals + 1, (uint128(1) << 96) - 1}) {
    const Deal deal = DealFromNumber(MakeDealNumber(value));
    EXPECT_FALSE(deal.valid);
    for (Seat seat : deal.seatOf) EXPECT_EQ(seat, kNorth);
    EXPECT_EQ(deal.points[0] + deal.points[1] + deal.points[2] + deal.points[3], 0);
  }
}

TEST(DealNumberTest, EmptySlotWithZeroWordsIsDealZero) {
  const DealNumber empty;  // valid flag false, words zero
  const Deal deal = DealFromNumber(empty);
  EXPECT_TRUE(deal.valid);
  EXPECT_EQ(NorthFirst(empty), NorthFirst(MakeDealNumber(0)));
}

TEST(DealNumberTest, DerivedCountsHoldTheirInvariants) {
  const Deal deal = DealFromNumber(MakeDealNumber(kTotalDeals / 3));
  int points = 0;
  for (Seat p : kSeats) {
    int cards = 0;
    for (Suit s : kSuits) cards += deal.suitLength[p][s];
    EXPECT_EQ(cards, 13);
    points += deal.points[p];
  }
  for (Suit s : kSuits) {
    EXPECT_EQ(deal.suitLength[0][s] + deal.suitLength[1][s] + deal.suitLength[2][s] +
                  deal.suitLength[3][s],
              13);
  }
  EXPECT_EQ(points, 40);
  EXPECT_EQ(deal.sidePoints[0] + deal.sidePoints[1], 40);
}

// Builds a deal whose East-West side holds exactly `highEastWest` of cards
// 26..51, so that Rank52 and Unrank52 run through that group.
Deal DealWithHighEastWestCards(int highEastWest, std::mt19937_64& random) {
  std::array<int, 52> sideOf{};
  std::vector<int> low, high;
  for (int c = 0; c < 26; ++c) low.push_back(c);
  for (int c = 26; c < 52; ++c) high.push_back(c);
  std::shuffle(low.begin(), low.end(), random);
  std::shuffle(high.begin(), high.end(), random);
  for (int i = 0; i < highEastWest; ++i) sideOf[high[i]] = 1;
  for (int i = 0; i < 26 - highEastWest; ++i) sideOf[low[i]] = 1;
  Deal deal;
  int taken[2] = {0, 0};
  std::vector<int> order(52);
  for (int i = 0; i < 52; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  for (int c : order) {
    const int side = sideOf[c];
    deal.seatOf[c] = Seat(side + 2 * (taken[side]++ % 2));
  }
  deal.valid = true;
  DeriveCounts(deal);
  return deal;
}

TEST(DealNumberTest, RoundTripsAcrossTheEdgeGroupsOfThePartnershipSplit) {
  std::mt19937_64 random(20261207);
  for (int group : {0, 1, 2, 13, 24, 25, 26}) {
    for (int i = 0; i < 200; ++i) {
      SCOPED_TRACE("east-west cards among 26..51: " + std::to_string(group));
      const Deal deal = DealWithHighEastWestCards(group, random);
      const DealNumber number = NumberFromDeal(deal);
      ASSERT_TRUE(number.valid);
      ASSERT_LT(NumberValue(number), kTotalDeals);
      const Deal back = DealFromNumber(number);
      ASSERT_EQ(back.seatOf, deal.seatOf);
    }
  }
}

TEST(DealNumberTest, RoundTripsOverRandomNumbersInRange) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const uint128 value = ((uint128(random()) << 64) | random()) % kTotalDeals;
    const DealNumber number = MakeDealNumber(value);
    const Deal deal = DealFromNumber(number);
    ASSERT_TRUE(deal.valid);
    ASSERT_EQ(NumberFromDeal(deal), number) << DealNumberHexText(number);
  }
}

TEST(DealNumberTest, Rank26AndUnrank26AreInversesForEveryBitCount) {
  std::mt19937 random(3);
  for (int k = 0; k <= 26; ++k) {
    uint64_t count = 1;
    for (int i = 0; i < k; ++i) count = count * (26 - i) / (i + 1);
    for (int trial = 0; trial < 300; ++trial) {
      const uint32_t index =
          trial < 3 ? uint32_t(std::min<uint64_t>(trial, count - 1)) : uint32_t(random() % count);
      const uint32_t mask = internal::Unrank26(k, index);
      ASSERT_EQ(std::popcount(mask), k);
      ASSERT_EQ(internal::Rank26(k, mask), int64_t(index)) << "k=" << k;
    }
    // The last index of each k is its own mask too.
    ASSERT_EQ(internal::Rank26(k, internal::Unrank26(k, uint32_t(count - 1))), int64_t(count - 1));
  }
}

TEST(DealNumberTest, MaskOrdersFollowTheirSpecialRules) {
  // k = 1: index i is bit i; k = 25: index i has every bit but i.
  EXPECT_EQ(internal::Unrank26(1, 5), 1u << 5);
  EXPECT_EQ(internal::Unrank26(25, 0), (1u << 26) - 2);
  EXPECT_EQ(internal::Unrank26(25, 25), (1u << 25) - 1);
  // 2 <= k <= 24: fewer high bits first, then the high half, then the low half.
  EXPECT_EQ(internal::Unrank26(2, 0), 0b11u);
  EXPECT_EQ(internal::Unrank26(2, 1), 0b101u);
  EXPECT_EQ(internal::Unrank26(2, 78), (1u << 13) | 1u);  // C(13,2) = 78 masks have no high bit
  // Masks with the wrong count or stray bits rank as -1.
  EXPECT_EQ(internal::Rank26(2, 0b111), -1);
  EXPECT_EQ(internal::Rank26(1, 1u << 26), -1);
  EXPECT_EQ(internal::Rank52(1), -1);
  EXPECT_EQ(internal::Rank52(((1ull << 26) - 1) << 27), -1);  // bit 52 set
}

TEST(DealNumberTest, DealsThatAreNotThirteenCardsEachHaveNoNumber) {
  Deal deal = DealFromNumber(MakeDealNumber(123456789));
  // Move one card from its holder to a partner: 12 and 14 cards.
  for (int c = 0; c < 52; ++c) {
    if (deal.seatOf[c] == kNorth) {
      deal.seatOf[c] = kSouth;
      break;
    }
  }
  const DealNumber number = NumberFromDeal(deal);
  EXPECT_FALSE(number.valid);
  EXPECT_EQ(number.high, 0xFFFFFFFFu);
  EXPECT_EQ(number.low, 0xFFFFFFFFu);
  Deal invalid;
  EXPECT_FALSE(NumberFromDeal(invalid).valid);
}

TEST(DealNumberTest, TextFormsOfTheListedNumbers) {
  struct Row {
    uint128 number;
    const char* hex;
    const char* decimal;
    const char* base64;
  };
  const uint128 twelveDigits = uint128(12345678901ull) * 1000000000ull + 234567890ull;
  const Row rows[] = {
      {0, "00000000 00000000 00000000", " 00,000,000,000,000,000,000,000,000,000",
       "AAAAAAAAAAAAAAAA"},
      {kLast, "AD55E315 634DDA65 8BF491FF", " 53,644,737,765,488,792,839,237,439,999",
       "rVXjFWNN2mWL9JH/"},
      {twelveDigits, "00000000 AB54A98C EB1F0AD2", " 00,000,000,012,345,678,901,234,567,890",
       nullptr},
  };
  for (const Row& row : rows) {
    const DealNumber n = MakeDealNumber(row.number);
    EXPECT_EQ(DealNumberHexText(n), row.hex);
    EXPECT_EQ(DealNumberDecimalText(n), row.decimal);
    EXPECT_EQ(DealNumberDecimalText(n).size(), 39u);
    if (row.base64 != nullptr) {
      EXPECT_EQ(DealNumberBase64Text(n), row.base64);
    }
  }
  EXPECT_EQ(DealNumberDecimalText(DealNumber{}), "Not Valid");
}

TEST(DealNumberTest, ParsesHexAndDecimalAsTyped) {
  const DealNumber board1 =
      MakeDealNumber((uint128(0x48DB1DE1u) << 64) | (uint128(0x5ED13920u) << 32) | 0xFC4FE771u);
  for (const char* text :
       {"48DB1DE1 5ED13920 FC4FE771", "48db1de15ed13920fc4fe771", "22547816567610173465337784177",
        " 22,547,816,567,610,173,465,337,784,177"}) {
    SCOPED_TRACE(text);
    const Result<DealNumber> n = ParseDealNumber(text);
    ASSERT_TRUE(n.ok()) << n.message();
    EXPECT_EQ(*n, board1);
  }
  EXPECT_FALSE(ParseDealNumber("").ok());
  EXPECT_FALSE(ParseDealNumber("12x4").ok());
  EXPECT_FALSE(ParseDealNumber("ABC").ok());                            // hex needs 24 digits
  EXPECT_FALSE(ParseDealNumber("53644737765488792839237440000").ok());  // TotalDeals
  EXPECT_TRUE(ParseDealNumber("53644737765488792839237439999").ok());
  EXPECT_FALSE(ParseDealNumber("AD55E315 634DDA65 8BF49200").ok());
}

TEST(DealNumberTest, DecimalSeparatorsStandOnlyBetweenGroupsOfThree) {
  struct Row {
    const char* text;
    bool accepted;
    uint64_t value;  // when accepted
  };
  // text -> accepted, value
  const Row rows[] = {
      {"1234567", true, 1234567},
      {"1,234,567", true, 1234567},
      {"1 234 567", true, 1234567},
      {"1, 234, 567", true, 1234567},
      {" 12,345 ", true, 12345},
      {"\t999,000", true, 999000},
      {"001,000", true, 1000},
      {"0", true, 0},
      {"1,,2", false, 0},
      {"1,,234", false, 0},
      {",1", false, 0},
      {",123", false, 0},
      {"1,", false, 0},
      {"123,", false, 0},
      {",", false, 0},
      {"1,23", false, 0},
      {"1,2345", false, 0},
      {"1234,567", false, 0},
      {"12,345,67", false, 0},
      {"1 2", false, 0},
      {"1 , , 234", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const Result<DealNumber> n = ParseDealNumber(row.text);
    if (row.accepted) {
      ASSERT_TRUE(n.ok()) << n.message();
      EXPECT_EQ(NumberValue(*n), uint128(row.value));
    } else {
      ASSERT_FALSE(n.ok());
      EXPECT_NE(n.message().find("between groups of three digits"), std::string::npos)
          << n.message();
    }
  }
  // What the decimal text prints reads back, for numbers of every length.
  for (const uint128 value :
       {uint128(0), uint128(7), uint128(1000), uint128(999999), kTotalDeals / 3, kTotalDeals - 1}) {
    const std::string text = DealNumberDecimalText(MakeDealNumber(value));
    SCOPED_TRACE(text);
    const Result<DealNumber> n = ParseDealNumber(text);
    ASSERT_TRUE(n.ok()) << n.message();
    EXPECT_EQ(NumberValue(*n), value);
  }
}

TEST(DealNumberTest, MessagesQuoteAtMostFortyCharactersOfTheText) {
  const std::string huge = "1" + std::string(100000, '2') + "#";
  for (const std::string& text : {huge, std::string(100000, '9'), "1,," + huge}) {
    const Result<DealNumber> n = ParseDealNumber(text);
    ASSERT_FALSE(n.ok());
    EXPECT_LT(n.message().size(), 240u) << n.message().substr(0, 300);
    EXPECT_NE(n.message().find("\"" + text.substr(0, 40) + "...\""), std::string::npos)
        << n.message();
  }
  // A short text is quoted whole; a long one is never cut inside a character.
  EXPECT_NE(ParseDealNumber("12#4").message().find("\"12#4\""), std::string::npos);
  const std::string accents = std::string(39, '1') + "\xC3\xA9\xC3\xA9";
  EXPECT_NE(ParseDealNumber(accents).message().find(std::string(39, '1') + "\xC3\xA9...\""),
            std::string::npos)
      << ParseDealNumber(accents).message();
}

}  // namespace
}  // namespace tarrow

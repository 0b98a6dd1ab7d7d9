#include "core/cards.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

// The four codes are distinct types: a bare int, or one code where another
// belongs, must be converted on purpose.  Each still reads as its number.
static_assert(!std::is_convertible_v<int, Seat>);
static_assert(!std::is_convertible_v<int, Suit>);
static_assert(!std::is_convertible_v<int, Strain>);
static_assert(!std::is_convertible_v<int, Rank>);
static_assert(!std::is_convertible_v<Suit, Seat>);
static_assert(!std::is_convertible_v<Seat, Suit>);
static_assert(!std::is_convertible_v<Suit, Strain>);
static_assert(!std::is_convertible_v<Strain, Suit>);
static_assert(!std::is_convertible_v<Rank, Suit>);
static_assert(!std::is_convertible_v<Suit, Rank>);
static_assert(!std::is_convertible_v<Seat, Strain>);
static_assert(std::is_convertible_v<Seat, int> && std::is_convertible_v<Strain, int>);
static_assert(sizeof(Seat) == sizeof(int) && sizeof(Rank) == sizeof(int));

TEST(CardCodesTest, HelpersStepAroundTheTableAndBetweenSuitsAndStrains) {
  // N -> E -> S -> W -> N; partners across the table; steps wrap both ways.
  EXPECT_EQ(NextSeat(kNorth), kEast);
  EXPECT_EQ(NextSeat(kWest), kNorth);
  EXPECT_EQ(NextSeat(kEast, 3), kNorth);
  EXPECT_EQ(NextSeat(kNorth, -1), kWest);
  for (Seat seat : kSeats) {
    SCOPED_TRACE(seat);
    EXPECT_EQ(PartnerOf(PartnerOf(seat)), seat);
    EXPECT_EQ(SideOf(PartnerOf(seat)), SideOf(seat));
    EXPECT_NE(SideOf(NextSeat(seat)), SideOf(seat));
    EXPECT_EQ(NextSeat(seat, 2), PartnerOf(seat));
  }
  // North and East open their sides; each side's seats are its first seat
  // and that seat's partner.
  EXPECT_EQ(FirstSeatOf(kNorthSouth), kNorth);
  EXPECT_EQ(FirstSeatOf(kEastWest), kEast);
  for (Side side : kSides) {
    SCOPED_TRACE(side);
    EXPECT_NE(OtherSide(side), side);
    EXPECT_EQ(OtherSide(OtherSide(side)), side);
    EXPECT_EQ(SideOf(FirstSeatOf(side)), side);
    EXPECT_EQ(SideOf(PartnerOf(FirstSeatOf(side))), side);
    EXPECT_EQ(SideOf(FirstSeatOf(OtherSide(side))), OtherSide(side));
  }
  // Strains follow notrump in suit order: S 1, H 2, D 3, C 4.
  ASSERT_EQ(kStrains.size(), 5u);
  EXPECT_EQ(kStrains[0], kNotrump);
  for (Suit suit : kSuits) {
    SCOPED_TRACE(suit);
    EXPECT_EQ(kStrains[size_t(suit) + 1], StrainOfSuit(suit));
    EXPECT_EQ(SuitOfStrain(StrainOfSuit(suit)), suit);
  }
  EXPECT_EQ(kStrainLabels[StrainOfSuit(kDiamonds)], "D");
  // The one-letter names agree with the labels.
  for (Suit suit : kSuits)
    EXPECT_EQ(std::string(1, kSuitLetters[suit]), kStrainLabels[StrainOfSuit(suit)]);
  for (Strain strain : kStrains) EXPECT_EQ(kStrainLetters[strain], kStrainLabels[strain][0]);
  // Cards: suit-major, ace first, and back again.
  EXPECT_EQ(CardIndex(kSpades, kAce), 0);
  EXPECT_EQ(CardIndex(kClubs, kTwo), 51);
  for (int card = 0; card < kCards; ++card) {
    EXPECT_EQ(CardIndex(SuitOfCard(card), RankOfCard(card)), card);
  }
  EXPECT_EQ(kRankLetters[kTen], 'T');
  for (Rank rank : kRanks) EXPECT_EQ(RankOfLetter(kRankLetters[rank]), rank);
  for (char other : {'t', '1', '0', 'X', ' ', '\0'})
    EXPECT_FALSE(RankOfLetter(other)) << int(other);
  EXPECT_EQ(kRanks.back(), kTwo);
  EXPECT_EQ(HighCardPoints(kAce) + HighCardPoints(kJack) + HighCardPoints(kTen), 4 + 1 + 0);
}

TEST(BoardConventionsTest, DealerAndVulnerabilityRepeatEverySixteenBoards) {
  const char* const dealers = "NESW";
  const char* const longTexts[16] = {"None", "N-S",  "E-W",  "Both", "N-S",  "E-W",  "Both", "None",
                                     "E-W",  "Both", "None", "N-S",  "Both", "None", "N-S",  "E-W"};
  const char* const shortTexts[16] = {"None", "NS",  "EW",   "All", "NS",  "EW",   "All", "None",
                                      "EW",   "All", "None", "NS",  "All", "None", "NS",  "EW"};
  for (int board = 1; board <= 36; ++board) {
    SCOPED_TRACE(board);
    EXPECT_EQ(BoardDealerLetter(board), std::string(1, dealers[(board - 1) % 4]));
    EXPECT_EQ(BoardVulnerabilityText(board), longTexts[(board - 1) % 16]);
    EXPECT_EQ(BoardVulnerabilityShortText(board), shortTexts[(board - 1) % 16]);
  }
  EXPECT_EQ(BoardDealerLetter(33), "N");
  EXPECT_EQ(BoardVulnerabilityText(33), "None");
  EXPECT_EQ(BoardDealerLetter(36), "W");
  EXPECT_EQ(BoardVulnerabilityText(36), "Both");
}

TEST(HandTextTest, VoidsShowAsNothingBetweenTheDots) {
  const Result<Deal> deal =
      ParsePbnDeal("N:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432");
  ASSERT_TRUE(deal.ok()) << deal.message();
  EXPECT_EQ(HandText(*deal, kNorth), "AKQJT98765432...");
  EXPECT_EQ(HandSuitText(*deal, kNorth, kHearts), "");
  EXPECT_EQ(HandText(*deal, kEast), ".AKQJT98765432..");
  EXPECT_EQ(PbnDealText(*deal, kWest),
            "W:...AKQJT98765432 AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432.");
}

TEST(PbnDealTest, ReadsAnyFirstSeatAndDerivesTheNumber) {
  const char* text = "E:KJ63.KT52.T93.86 7542.AQ764.KQ76. AQT9.98.A54.AQT4 8.J3.J82.KJ97532";
  const Result<Deal> deal = ParsePbnDeal(text);
  ASSERT_TRUE(deal.ok()) << deal.message();
  EXPECT_EQ(PbnDealText(*deal, kEast), text);
  EXPECT_EQ(DealNumberHexText(deal->number), "30271108 6F4049B5 EA4646A8");
  EXPECT_EQ(deal->points[kEast], 3 + 1 + 3 + 0);
  EXPECT_EQ(
      ParsePbnDeal("e:KJ63.KT52.T93.86 7542.AQ764.KQ76. AQT9.98.A54.AQT4 8.J3.J82.KJ97532")->number,
      deal->number);
}

TEST(PbnDealTest, NamesWhatIsWrongWithABadDeal) {
  struct Row {
    const char* text;
    const char* message;
  };
  const Row rows[] = {
      {"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T8",
       "West holds 12 cards, not 13"},
      {"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T87",
       "the 7 of clubs appears twice"},
      {"N:KQ.KJ765.t5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83",
       "'t' at position 12 of the deal is not understood (ranks are written in upper case)"},
      {"X:KQ.KJ765.T5.KQ76", "the deal starts with 'X', which is not a seat letter (N, E, S or W)"},
      {"NKQ.KJ765", "a deal starts with a seat letter and ':' (as in \"N:AKQ...\")"},
      {"N:A.K.Q.J.T", "North's hand has more than four suits"},
  };
  for (const Row& row : rows) {
    const Result<Deal> deal = ParsePbnDeal(row.text);
    ASSERT_FALSE(deal.ok()) << row.text;
    EXPECT_EQ(deal.message(), row.message);
  }
}

}  // namespace
}  // namespace tarrow

// Par from hand-made tables: the cases par code gets wrong (passed-out
// boards, saves at the right level, contested contracts and the dealer,
// bonuses by vulnerability, notrump against suits, overtricks against a
// higher level), and the tag values read back.
#include "scoring/par.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

// Every seat takes six tricks in every strain unless a case says otherwise:
// no side makes anything.
struct TableBuilder {
  DDTable table;
  TableBuilder() { table.fill(6); }
  TableBuilder& Set(Seat seat, Strain strain, int tricks) {
    table[size_t(DDIndex(seat, strain))] = uint8_t(tricks);
    return *this;
  }
  TableBuilder& SideTakes(int side, Strain strain, int tricks) {
    return Set(Seat(side), strain, tricks).Set(PartnerOf(Seat(side)), strain, tricks);
  }
  TableBuilder& AllStrains(int side, int tricks) {
    for (Strain strain : kStrains) SideTakes(side, strain, tricks);
    return *this;
  }
};

constexpr Strain kS = StrainOfSuit(kSpades), kH = StrainOfSuit(kHearts),
                 kD = StrainOfSuit(kDiamonds), kC = StrainOfSuit(kClubs);
constexpr Vulnerability kNone = Vulnerability::kNone, kNS = Vulnerability::kNorthSouth,
                        kEW = Vulnerability::kEastWest, kBoth = Vulnerability::kBoth;

std::string Summary(const ParResult& par) {
  return ParScoreText(par.score) + " " + ParContractsText(par);
}

TEST(ParTest, BoardWhereNobodyMakesAnythingIsPassedOut) {
  const DDTable table = TableBuilder().table;
  for (Seat dealer : kSeats) {
    const ParResult par = Par(table, dealer, kBoth);
    EXPECT_EQ(par.score, 0);
    EXPECT_EQ(par.count, 0);
    EXPECT_EQ(Summary(par), "0 Pass");
  }
}

TEST(ParTest, ContractBothSidesMakeGoesToTheDealersSide) {
  // Everyone takes seven tricks in notrump and six elsewhere.
  const DDTable table = TableBuilder().SideTakes(0, kNotrump, 7).SideTakes(1, kNotrump, 7).table;
  EXPECT_EQ(Summary(Par(table, kNorth, kNone)), "NS 90 NS 1NT");
  EXPECT_EQ(Summary(Par(table, kEast, kNone)), "EW 90 EW 1NT");
  EXPECT_EQ(Summary(Par(table, kSouth, kBoth)), "NS 90 NS 1NT");
  EXPECT_EQ(Summary(Par(table, kWest, kBoth)), "EW 90 EW 1NT");
  EXPECT_EQ(Par(table, kWest, kBoth).score, -90);
}

TEST(ParTest, DealerWhoCannotDeclareLetsTheNextSeatIn) {
  // Only North and East take seven tricks in notrump.
  const DDTable table = TableBuilder().Set(kNorth, kNotrump, 7).Set(kEast, kNotrump, 7).table;
  // West deals but cannot make 1NT: North is the next to bid and gets it.
  EXPECT_EQ(Summary(Par(table, kWest, kNone)), "NS 90 N 1NT");
  // South deals but cannot make it, West cannot either: North again.
  EXPECT_EQ(Summary(Par(table, kSouth, kNone)), "NS 90 N 1NT");
  EXPECT_EQ(Summary(Par(table, kEast, kNone)), "EW 90 E 1NT");
  EXPECT_EQ(Summary(Par(table, kNorth, kNone)), "NS 90 N 1NT");
  // With a side named as the first to bid, the seats do not matter.
  EXPECT_EQ(Summary(ParWithFirstSide(table, 1, kNone)), "EW 90 E 1NT");
}

TEST(ParTest, SaveIsDoubledAboveTheOpponentsGameWhenItPays) {
  // East-West make 4S; North-South take nine tricks in hearts.
  const DDTable table = TableBuilder().SideTakes(1, kS, 10).SideTakes(0, kH, 9).table;
  // 5H doubled two down costs 300 not vulnerable: less than 420 or 620.
  EXPECT_EQ(Summary(Par(table, kNorth, kNone)), "EW 300 NS 5HX-2");
  EXPECT_EQ(Summary(Par(table, kNorth, kEW)), "EW 300 NS 5HX-2");
  // Vulnerable it costs 500: less than 620, more than 420.
  EXPECT_EQ(Summary(Par(table, kNorth, kBoth)), "EW 500 NS 5HX-2");
  EXPECT_EQ(Summary(Par(table, kEast, kNS)), "EW 420 EW 4S");
  const ParResult save = Par(table, kNorth, kNone);
  ASSERT_EQ(save.count, 1);
  EXPECT_TRUE(save.contracts[0].doubled);
  EXPECT_EQ(save.contracts[0].level, 5);
  EXPECT_EQ(save.contracts[0].result, -2);
}

TEST(ParTest, SaveAgainstASlamAndTheSeatsThatGoDownLeast) {
  // North-South make 6S; West takes eight tricks in clubs, East seven.
  const DDTable table =
      TableBuilder().SideTakes(0, kS, 12).Set(kWest, kC, 8).Set(kEast, kC, 7).table;
  // 7C doubled five down by West costs 1100 against 980 not vulnerable: no save.
  EXPECT_EQ(Summary(Par(table, kNorth, kNone)), "NS 980 NS 6S");
  // Vulnerable the slam is worth 1430 and the save pays.
  EXPECT_EQ(Summary(Par(table, kNorth, kNS)), "NS 1100 W 7CX-5");
}

TEST(ParTest, SlamAndGrandSlamBonusesFollowTheVulnerability) {
  // The opponents take a single trick anywhere: no save pays.
  const DDTable small = TableBuilder().AllStrains(1, 1).SideTakes(0, kS, 12).table;
  EXPECT_EQ(Summary(Par(small, kNorth, kNone)), "NS 980 NS 6S");
  EXPECT_EQ(Summary(Par(small, kNorth, kNS)), "NS 1430 NS 6S");
  EXPECT_EQ(Summary(Par(small, kNorth, kEW)), "NS 980 NS 6S");
  const DDTable grand =
      TableBuilder().AllStrains(0, 0).SideTakes(1, kNotrump, 13).SideTakes(1, kH, 13).table;
  EXPECT_EQ(Summary(Par(grand, kNorth, kNone)), "EW 1520 EW 7NT");
  EXPECT_EQ(Summary(Par(grand, kNorth, kEW)), "EW 2220 EW 7NT");
  // Six tricks anywhere make a six-level save cheaper than a vulnerable slam.
  const DDTable saved = TableBuilder().SideTakes(0, kS, 12).table;
  EXPECT_EQ(Summary(Par(saved, kNorth, kNS)), "NS 1400 EW 6SX-6, EW 6NTX-6");
}

TEST(ParTest, NotrumpAgainstSuitsAtTheSameLevel) {
  // Ten tricks in notrump and in hearts: 3NT+1 (430) beats 4H (420).
  const DDTable ten = TableBuilder().SideTakes(0, kNotrump, 10).SideTakes(0, kH, 10).table;
  EXPECT_EQ(Summary(Par(ten, kNorth, kNone)), "NS 430 NS 3NT+1");
  // Nine tricks in notrump and spades: the game in notrump, not 3S.
  const DDTable nine = TableBuilder().SideTakes(0, kNotrump, 9).SideTakes(0, kS, 9).table;
  EXPECT_EQ(Summary(Par(nine, kNorth, kNone)), "NS 400 NS 3NT");
  // 3NT and 5C both score 400: both are par.
  const DDTable both = TableBuilder().SideTakes(1, kNotrump, 9).SideTakes(1, kC, 11).table;
  EXPECT_EQ(Summary(Par(both, kEast, kNone)), "EW 400 EW 3NT, EW 5C");
}

TEST(ParTest, ContractIsShownAtTheLowestLevelTheOpponentsCannotSaveAgainst) {
  // West takes eleven tricks in notrump (East ten): 460 not vulnerable.
  TableBuilder west;
  west.Set(kWest, kNotrump, 11).Set(kEast, kNotrump, 10);
  // North-South without a suit: 3NT with two overtricks is par.
  EXPECT_EQ(Summary(Par(west.table, kNorth, kNone)), "EW 460 W 3NT+2");
  // With eight club tricks they save over 3NT (4C doubled, 300) but not
  // over 4NT (5C doubled, 500).
  west.SideTakes(0, kC, 8);
  EXPECT_EQ(Summary(Par(west.table, kNorth, kNone)), "EW 460 W 4NT+1");
  // With nine they save over 4NT too (5C doubled, 300); not over 5NT.
  west.SideTakes(0, kC, 9);
  EXPECT_EQ(Summary(Par(west.table, kNorth, kNone)), "EW 460 W 5NT");
}

TEST(ParTest, PartscoreBattleEndsWhereTheOpponentsCannotOutbid) {
  // South takes eight tricks in notrump, East-West eight in spades: over
  // 1NT East-West would bid 2S, so par is 2NT.
  const DDTable table = TableBuilder().Set(kSouth, kNotrump, 8).SideTakes(1, kS, 8).table;
  EXPECT_EQ(Summary(Par(table, kNorth, kEW)), "NS 120 S 2NT");
}

TEST(ParTest, ScoreAndContractTexts) {
  EXPECT_EQ(ParContractText({4, kS, 0b0001, false, 0}), "N 4S");
  EXPECT_EQ(ParContractText({5, kD, 0b1010, true, -2}), "EW 5DX-2");
  EXPECT_EQ(ParContractText({4, kNotrump, 0b1000, false, 1}), "W 4NT+1");
  EXPECT_EQ(ParScoreText(0), "0");
  EXPECT_EQ(ParScoreText(-500), "EW 500");
  EXPECT_EQ(ParScoreText(620), "NS 620");
}

TEST(ParTest, TagValuesReadBack) {
  const DDTable table = TableBuilder().SideTakes(1, kS, 10).SideTakes(0, kH, 9).table;
  const ParResult par = Par(table, kNorth, kNone);
  EXPECT_EQ(OptimumScoreTagValue(par), "NS -300");
  EXPECT_EQ(ParseOptimumScore(OptimumScoreTagValue(par)), -300);
  const std::optional<ParResult> contracts = ParseParContracts(ParContractsText(par));
  ASSERT_TRUE(contracts.has_value());
  EXPECT_EQ(ParContractsText(*contracts), ParContractsText(par));
  // Other programs' spellings of the same things.
  EXPECT_EQ(ParseOptimumScore("EW 500"), -500);
  EXPECT_EQ(ParseOptimumScore(" ns +620 "), 620);
  EXPECT_EQ(ParseOptimumScore("NS 0"), 0);
  ASSERT_TRUE(ParseParContracts("ns 4s").has_value());
  EXPECT_EQ(ParContractsText(*ParseParContracts("ns 4s")), "NS 4S");
  EXPECT_EQ(ParContractsText(*ParseParContracts("EW 3NT;EW 5C")), "EW 3NT, EW 5C");
  EXPECT_EQ(ParseParContracts("Pass")->count, 0);
}

TEST(ParTest, UnreadableTagValuesGiveNothing) {
  for (const char* score :
       {"", "NS", "NS620", "NE 620", "NS 625", "NS 99990", "NS 6 20", "NS +", "620"}) {
    SCOPED_TRACE(score);
    EXPECT_FALSE(ParseOptimumScore(score).has_value());
  }
  for (const char* contracts : {"", "4S", "N 8S", "N 0S", "NE 4S", "NN 4S", "N 4Z", "N 4SXX",
                                "N 4S+4", "N 1C-8", "N 4S 5", "N 4S,", "N 4S, , S 3NT"}) {
    SCOPED_TRACE(contracts);
    EXPECT_FALSE(ParseParContracts(contracts).has_value());
  }
}

TEST(ParTest, NeedsEveryStrainOfBothSides) {
  BoardEntry entry;
  entry.number.valid = true;
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  EXPECT_TRUE(ParAvailable(entry));
  entry.doneMask[1] = kAllStrainsDone & ~StrainBit(kC);
  EXPECT_FALSE(ParAvailable(entry));
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  entry.number.valid = false;
  EXPECT_FALSE(ParAvailable(entry));
}

TEST(ParTest, BoardTextsComeFromTheTableElseFromTheFile) {
  BoardEntry entry;
  entry.number.valid = true;
  entry.table = TableBuilder().SideTakes(1, kS, 10).SideTakes(0, kH, 9).table;
  entry.filePar = {true, 100, "N 1NT+1"};
  // Not analysed: the file's word.
  BoardParTexts texts = ParTextsOfBoard(entry, 3);
  EXPECT_TRUE(texts.fromFile);
  EXPECT_EQ(texts.score, "NS 100");
  EXPECT_EQ(texts.contracts, "N 1NT+1");
  EXPECT_EQ(texts.shortContracts, "1NT");
  // Complete: worked out for board 3 (South deals, East-West vulnerable).
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  texts = ParTextsOfBoard(entry, 3);
  EXPECT_TRUE(texts.known);
  EXPECT_FALSE(texts.fromFile);
  EXPECT_EQ(texts.score, "EW 300");
  EXPECT_EQ(texts.contracts, "NS 5HX-2");
  EXPECT_EQ(texts.shortContracts, "5HX");
  EXPECT_EQ(texts.northSouthScore, -300);
  // Board 4 (West deals, both vulnerable): the save costs 500.
  EXPECT_EQ(ParTextsOfBoard(entry, 4).score, "EW 500");
  entry.doneMask[0] = 0;
  entry.filePar = FilePar{};
  EXPECT_FALSE(ParTextsOfBoard(entry, 3).known);
}

}  // namespace
}  // namespace tarrow

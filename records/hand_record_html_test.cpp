#include "records/hand_record_html.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/deal_number.h"
#include "core/generation.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

DealSet SeededSet(std::string_view seed) {
  DealSet set;
  GenerateSet(set, seed, 0);
  return set;
}

// The markup of one board's element, from its opening tag to its end.
std::string BoardMarkup(const std::string& page, int board) {
  const std::string open = "<article class=\"board\" id=\"board-" + std::to_string(board) + "\"";
  const size_t from = page.find(open);
  if (from == std::string::npos) return "";
  const size_t to = page.find("</article>", from);
  return page.substr(from, to - from);
}

// The value of the data-deal attribute in a board's markup, "" when absent.
std::string DataDeal(const std::string& markup) {
  const std::string key = "data-deal=\"";
  const size_t from = markup.find(key);
  if (from == std::string::npos) return "";
  const size_t start = from + key.size();
  return markup.substr(start, markup.find('"', start) - start);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

TEST(HandRecordHtmlTest, EveryBoardCarriesItsDealForScripts) {
  for (const char* seed : {"Tuesday pairs", "web", "\xC9t\xE9 2026"}) {
    SCOPED_TRACE(seed);
    const DealSet set = SeededSet(seed);
    const std::string page = HandRecordsHtml(set, HandRecordOptions{}, "Club");
    EXPECT_EQ(Count(page, "data-deal=\"N:"), 36u);
    for (int board = 1; board <= 36; ++board) {
      SCOPED_TRACE("board " + std::to_string(board));
      const std::string markup = BoardMarkup(page, board);
      ASSERT_FALSE(markup.empty());
      const Result<Deal> read = ParsePbnDeal(DataDeal(markup));
      ASSERT_TRUE(read.ok()) << read.message();
      EXPECT_EQ(read->seatOf, set.DealOf(board).seatOf);
      EXPECT_TRUE(Has(markup, "Dlr " + BoardDealerLetter(board)));
      EXPECT_TRUE(Has(markup, "Vul " + BoardVulnerabilityText(board)));
      // Each seat's hand and its points.
      for (Seat seat : kSeats) {
        for (Suit suit : kSuits) {
          const std::string holding = HoldingText(set.DealOf(board), seat, suit);
          if (!holding.empty()) {
            EXPECT_TRUE(Has(markup, "</span>" + holding + "</li>"));
          }
        }
        EXPECT_TRUE(Has(markup, std::string(kSeatNames[seat]) + " points </span>" +
                                    std::to_string(set.DealOf(board).points[seat]) + "<"));
      }
    }
  }
}

TEST(HandRecordHtmlTest, RedSuitsAreRedAndEverySymbolIsNamed) {
  const std::string page = HandRecordsHtml(SeededSet("colours"), HandRecordOptions{}, "");
  // Four hands of four suits on each of 36 boards.
  EXPECT_EQ(Count(page, "class=\"suit hearts red\" role=\"img\" aria-label=\"hearts\""), 144u);
  EXPECT_EQ(Count(page, "class=\"suit diamonds red\" role=\"img\" aria-label=\"diamonds\""), 144u);
  EXPECT_EQ(Count(page, "class=\"suit spades\" role=\"img\" aria-label=\"spades\""), 144u);
  EXPECT_EQ(Count(page, "class=\"suit clubs\" role=\"img\" aria-label=\"clubs\""), 144u);
  EXPECT_TRUE(Has(page, ".red{color:#c8102e}"));
}

TEST(HandRecordHtmlTest, ThePageFetchesNothingAndIsUtf8) {
  DealSet set = SeededSet("alone");
  set.header.event = "Caf\xE9 <Pairs> & \"Teams\"";
  const std::string page = HandRecordsHtml(set, HandRecordOptions{}, "Club");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_TRUE(Has(page, "<meta charset=\"utf-8\">"));
  for (const char* outside :
       {"http:", "https:", "//", "<script", "src=", "@import", "url(", "<link"}) {
    SCOPED_TRACE(outside);
    // "//" would be a protocol-relative address; none may appear anywhere.
    EXPECT_FALSE(Has(page, outside));
  }
  EXPECT_TRUE(Has(page, "<h1>Caf\xC3\xA9 &lt;Pairs&gt; &amp; &quot;Teams&quot;</h1>"));
  EXPECT_TRUE(Has(page, "@media print"));
}

TEST(HandRecordHtmlTest, TheHeaderNamesEventClubDateAndSeed) {
  DealSet set = SeededSet("Club night");
  set.header.event = "Winter Pairs";
  set.header.description = "Session 2";
  set.header.site = "Town Hall";
  set.header.eventDate = DateFromCivil(2026, 12, 8);
  const std::string page = HandRecordsHtml(set, HandRecordOptions{}, "Riverside BC");
  EXPECT_TRUE(Has(page, "<p class=\"club\">Riverside BC</p>"));
  EXPECT_TRUE(Has(page, "<h1>Winter Pairs</h1>"));
  EXPECT_TRUE(Has(page, "<title>Winter Pairs - hand records</title>"));
  EXPECT_TRUE(Has(page, "Session 2"));
  EXPECT_TRUE(Has(page, "<dt>Seed</dt><dd>Club night</dd>"));
  EXPECT_TRUE(Has(page, "<dt>Site</dt><dd>Town Hall</dd>"));
  EXPECT_TRUE(Has(page, "<dt>Date</dt><dd>" + EventDateText(set.header.eventDate) + "</dd>"));
  set.header.eventDate = 0;  // no date: no line for it
  EXPECT_FALSE(Has(HandRecordsHtml(set, HandRecordOptions{}, ""), "<dt>Date</dt>"));
}

TEST(HandRecordHtmlTest, AnAbsentBoardSaysSoAndCarriesNoDeal) {
  DealSet set = SeededSet("gaps");
  set.Board(5).number = DealNumber{};
  set.RefreshDeals();
  const std::string page = HandRecordsHtml(set, HandRecordOptions{}, "");
  EXPECT_EQ(Count(page, "data-deal="), 35u);
  const std::string absent = BoardMarkup(page, 5);
  EXPECT_TRUE(Has(absent, "Not Generated"));
  EXPECT_EQ(DataDeal(absent), "");
  EXPECT_FALSE(Has(absent, "Dlr"));
}

// Board 1 with a complete table (North-South make 10 tricks in spades, 9
// in notrump, East-West little) and board 2 with only North-South's
// notrump known.
DealSet AnalysedSet() {
  DealSet set = SeededSet("analysed");
  BoardEntry& one = set.Board(1);
  for (Seat seat : kSeats) {
    for (Strain strain : kStrains) {
      const bool ns = SideOf(seat) == 0;
      int tricks = ns ? 8 : 5;
      if (ns && strain == Strain(1)) tricks = 10;
      if (ns && strain == kNotrump) tricks = 9;
      if (!ns && strain == Strain(1)) tricks = 3;
      one.table[size_t(DDIndex(seat, strain))] = uint8_t(tricks);
    }
  }
  one.doneMask = {kAllStrainsDone, kAllStrainsDone};
  BoardEntry& two = set.Board(2);
  two.table[size_t(DDIndex(kNorth, kNotrump))] = 7;
  two.table[size_t(DDIndex(kSouth, kNotrump))] = 6;
  two.doneMask = {StrainBit(kNotrump), 0};
  return set;
}

TEST(HandRecordHtmlTest, TheOptionsAddWhatTheyName) {
  const DealSet set = AnalysedSet();
  HandRecordOptions none;
  const std::string plain = BoardMarkup(HandRecordsHtml(set, none, ""), 1);
  for (const char* extra :
       {"class=\"tricks\"", "class=\"contracts\"", "Par ", "Deal # ", "class=\"shapes\"", "LTC"}) {
    SCOPED_TRACE(extra);
    EXPECT_FALSE(Has(plain, extra)) << "shown without being asked for";
  }

  HandRecordOptions tricks;
  tricks.showAnalysis = tricks.allTricks = true;
  const std::string page = HandRecordsHtml(set, tricks, "");
  const std::string one = BoardMarkup(page, 1);
  // North's row: 9 in notrump, 10 in spades, 8 in the rest.
  EXPECT_TRUE(Has(one,
                  "<tr><th scope=\"row\">N</th><td>9</td><td>10</td><td>8</td><td>8</td>"
                  "<td>8</td></tr>"));
  EXPECT_TRUE(Has(one,
                  "<tr><th scope=\"row\">E</th><td>5</td><td>3</td><td>5</td><td>5</td>"
                  "<td>5</td></tr>"));
  // Board 2: only North-South's notrump is known, the rest is "?".
  const std::string two = BoardMarkup(page, 2);
  EXPECT_TRUE(Has(two,
                  "<tr><th scope=\"row\">N</th><td>7</td><td>?</td><td>?</td><td>?</td>"
                  "<td>?</td></tr>"));
  EXPECT_TRUE(Has(two, "<tr><th scope=\"row\">S</th><td>6</td><td>?</td>"));
  // Board 3 has no result at all and shows no table.
  EXPECT_FALSE(Has(BoardMarkup(page, 3), "class=\"tricks\""));

  HandRecordOptions contracts;
  contracts.showAnalysis = true;
  const std::string lines = BoardMarkup(HandRecordsHtml(set, contracts, ""), 1);
  for (const std::string& line : ContractLineTexts(set.Board(1).table)) {
    EXPECT_TRUE(Has(lines, "<li>" + line + "</li>")) << line;
  }
  EXPECT_TRUE(Has(lines, "NS=3N 4S")) << lines;

  HandRecordOptions rest;
  rest.showPar = rest.showDealNumbers = rest.showDistributions = rest.showLtc = true;
  const std::string full = BoardMarkup(HandRecordsHtml(set, rest, ""), 1);
  EXPECT_TRUE(Has(full, ParBoxText(set.Board(1), 1))) << ParBoxText(set.Board(1), 1);
  EXPECT_TRUE(Has(full, "Par NS +"));
  EXPECT_TRUE(Has(full, "Deal # " + DealNumberHexText(set.Board(1).number)));
  const Deal& deal = set.DealOf(1);
  for (Seat seat : kSeats) {
    std::string shape;
    for (Suit suit : kSuits)
      shape += (suit ? "-" : "") + std::to_string(deal.suitLength[seat][suit]);
    const std::string ltc = HtmlText(LtcText(LosingTrickCount(seat, deal, rest.queenMethod)));
    EXPECT_TRUE(Has(full, std::string("<th scope=\"row\">") + kSeatLetters[size_t(seat)] +
                              "</th><td>" + shape + "</td><td>" + ltc + "</td>"))
        << kSeatNames[seat];
  }
}

TEST(HandRecordHtmlTest, TextsAreEscapedAndControlsDropped) {
  const struct {
    const char* cp1252;
    const char* html;
  } kCases[] = {
      {"plain", "plain"},
      {"a<b>&'c'\"", "a&lt;b&gt;&amp;&#39;c&#39;&quot;"},
      {"7\xBD", "7\xC2\xBD"},        // the LTC's half
      {"\x80 5", "\xE2\x82\xAC 5"},  // the euro sign
      {"line\r\nbreak\t\x7F", "linebreak"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cp1252);
    EXPECT_EQ(HtmlText(c.cp1252), c.html);
  }
}

TEST(HandRecordHtmlTest, ThePageEndsAtTheLastBoardInPlay) {
  const DealSet set = SeededSet("short session");
  for (int last : {1, 18, 24, 36}) {
    SCOPED_TRACE(last);
    const std::string page = HandRecordsHtml(set, HandRecordOptions{}, "Club", last);
    EXPECT_EQ(Count(page, "<article class=\"board\""), size_t(last));
    EXPECT_EQ(Count(page, "data-deal=\"N:"), size_t(last));
    EXPECT_FALSE(BoardMarkup(page, last).empty());
    if (last < 36) {
      EXPECT_TRUE(BoardMarkup(page, last + 1).empty());
    }
  }
}

}  // namespace
}  // namespace tarrow

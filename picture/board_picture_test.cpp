// The board picture, measured on rendered images: where the cards are and
// how large, the board buttons' colours, and the seats' result texts.  The
// expected positions are worked out here from the viewer's layout rules, not
// taken from the drawing code.
#include "picture/board_picture.h"

#include <cmath>

#include <gtest/gtest.h>
#include <QGuiApplication>

#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "picture/qt_application_for_test.h"

TARROW_QT_TEST_APPLICATION(QGuiApplication);

namespace tarrow {
namespace {

int Even(double v) {
  return int(std::nearbyint(v));
}

// The layout rules for a client area, spelled out independently.
struct Expected {
  explicit Expected(int cw, int ch) : cw(cw), ch(ch) {
    p = Even(0.15 * cw);
    tl = p + 20;
    tableW = cw - p - 40;
    tableH = ch - 40;
    t = std::min(tableW, tableH) / 7;
    cardW = Even(0.6667 * t);
    st = cardW * 25 / 100;
    w = cardW & ~1;
    h = Even(1.555 * w);
    a = Even(1.2 * t);
  }
  int cw, ch, p, tl, tableW, tableH, t, cardW, st, w, h, a;
};

const QRgb kTable = qRgb(0x10, 0x40, 0x10);

// Runs of non-table pixels along row y from x0 to x1: [first, last] pairs.
std::vector<std::pair<int, int>> RunsOnRow(const QImage& image, int y, int x0, int x1) {
  std::vector<std::pair<int, int>> runs;
  int start = -1;
  for (int x = x0; x <= x1; ++x) {
    const bool card = image.pixel(x, y) != kTable;
    if (card && start < 0) start = x;
    if (!card && start >= 0) {
      runs.push_back({start, x - 1});
      start = -1;
    }
  }
  if (start >= 0) runs.push_back({start, x1});
  return runs;
}

// First and last non-table pixel down column x from y0 to y1.
std::pair<int, int> SpanInColumn(const QImage& image, int x, int y0, int y1) {
  int first = -1, last = -1;
  for (int y = y0; y <= y1; ++y) {
    if (image.pixel(x, y) == kTable) continue;
    if (first < 0) first = y;
    last = y;
  }
  return {first, last};
}

BoardView View(const DealSet& set, int board) {
  BoardView view;
  view.set = &set;
  view.board = board;
  return view;
}

DealSet SetWithBoard1(const std::string& pbnDeal) {
  DealSet set;
  const Result<Deal> deal = ParsePbnDeal(pbnDeal);
  EXPECT_TRUE(deal.ok()) << deal.message();
  set.Board(1).number = deal->number;
  return set;
}

// North S:AKQJ H:T98 D:765 C:432, 4-3-3-3; the other hands hold the rest.
const char* kBalanced = "N:AKQJ.T98.765.432 T98.AKQJ.432.765 765.432.AKQJ.T98 432.765.T98.AKQJ";
// North void in spades with a singleton club; East 7-5-1-0; West holds ten clubs.
const char* kShapely = "N:.AKQJT9.AKQ876.2 AKQJT98.87654.5. 765432.32.JT9.43 ..432.AKQJT98765";

TEST(BoardPictureTest, NorthRowsSitWhereTheLayoutPutsThemAtTwoSizes) {
  const DealSet set = SetWithBoard1(kBalanced);
  for (const QSize size : {QSize(1280, 800), QSize(1000, 700)}) {
    SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
    const Expected e(size.width(), size.height());
    const QImage image = RenderBoardPicture(View(set, 1), size);
    // North: four groups (4, 3, 3, 3 cards) each a step per card and a card width apart.
    int x = ((e.cw - e.p - 14 * e.st - 4 * e.cardW) >> 1) + e.tl;
    const auto runs = RunsOnRow(image, 20 + e.h / 2, e.p, e.cw - 1);
    // Beyond North's groups the row is empty table.
    ASSERT_EQ(runs.size(), 4u);
    const int lengths[4] = {4, 3, 3, 3};
    for (Suit suit : kSuits) {
      SCOPED_TRACE("suit " + std::to_string(suit));
      EXPECT_EQ(runs[size_t(suit)].first, x);
      EXPECT_EQ(runs[size_t(suit)].second, x + (lengths[suit] - 1) * e.st + e.w);
      x += lengths[suit] * e.st + e.cardW;
    }
    // The card's height, measured down a column inside the first card.
    const auto [top, bottom] = SpanInColumn(image, runs[0].first + e.w / 10, 0, e.ch / 3);
    EXPECT_EQ(top, 20);
    EXPECT_EQ(bottom, 20 + e.h);
  }
}

TEST(BoardPictureTest, WestRowsStartAtTheTableAndEastRowsEndAtItsRightEdge) {
  const DealSet set = SetWithBoard1(kShapely);
  for (const QSize size : {QSize(1280, 800), QSize(1000, 700)}) {
    SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
    const Expected e(size.width(), size.height());
    const QImage image = RenderBoardPicture(View(set, 1), size);
    const int eastLengths[4] = {7, 5, 1, 0};
    for (Suit suit : kSuits) {
      SCOPED_TRACE("suit " + std::to_string(suit));
      const int y = 20 + e.a * (suit + 1) + e.h / 2;
      const auto runs = RunsOnRow(image, y, e.cw / 2, e.cw - 1);
      if (eastLengths[suit] == 0) {
        EXPECT_TRUE(runs.empty());
        continue;
      }
      ASSERT_FALSE(runs.empty());
      // The table's right edge is 20 pixels in from the window's; a card
      // width made even may leave one pixel.
      EXPECT_EQ(runs.back().second, e.cw - 20 - (e.cardW - e.w));
      EXPECT_EQ(runs.back().first,
                e.cw - 20 - (e.cardW - e.w) - e.w - (eastLengths[suit] - 1) * e.st);
    }
    // West's ten clubs start at the table's left edge.
    const auto west = RunsOnRow(image, 20 + 4 * e.a + e.h / 2, e.p, e.cw / 2);
    ASSERT_FALSE(west.empty());
    EXPECT_EQ(west.front().first, e.tl);
    EXPECT_EQ(west.front().second, e.tl + 9 * e.st + e.w);
  }
}

TEST(BoardPictureTest, AVoidShiftsNorthsNextSuitAndASingletonIsOneFullCard) {
  const DealSet set = SetWithBoard1(kShapely);
  const Expected e(1280, 800);
  const QImage image = RenderBoardPicture(View(set, 1), QSize(1280, 800));
  const auto runs = RunsOnRow(image, 20 + e.h / 2, e.p, e.cw - 1);
  ASSERT_EQ(runs.size(), 3u);
  const int start = ((e.cw - e.p - 14 * e.st - 4 * e.cardW) >> 1) + e.tl;
  // Spades void: hearts start one card width to the right.
  EXPECT_EQ(runs[0].first, start + e.cardW);
  // The singleton club is one full card, as wide as any card.
  EXPECT_EQ(runs[2].second - runs[2].first, e.w);
}

TEST(BoardPictureTest, AceOfSpadesCarriesTheLargePip) {
  // North's spades and East's hearts are lone aces, each drawn as a full card.
  const DealSet set =
      SetWithBoard1("N:A.KQJT98765432.. KQJT9876.A.AKQJ. 5432..T98765432. ...AKQJT98765432");
  const Expected e(1280, 800);
  const QImage image = RenderBoardPicture(View(set, 1), QSize(1280, 800));
  const int spadeX = ((e.cw - e.p - 14 * e.st - 4 * e.cardW) >> 1) + e.tl + e.w / 2;
  const int spadeY = 20 + e.h / 2;
  const int heartX = e.cw - 20 - (e.cardW - e.w) - e.w / 2;
  const int heartY = 20 + 2 * e.a + e.h / 2;
  const int off = Even(0.15 * e.w);
  EXPECT_EQ(image.pixel(spadeX, spadeY), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(heartX, heartY), qRgb(0xF8, 0x18, 0x18));
  // The spade is two and a half times the size of an ordinary pip: it still
  // covers points where the heart has left the card white.
  EXPECT_EQ(image.pixel(spadeX - off, spadeY), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(spadeX + off, spadeY), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(heartX - off, heartY), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(heartX + off, heartY), qRgb(255, 255, 255));
}

TEST(BoardPictureTest, BoardButtonsShowTheCurrentEmptyAndFilledBoards) {
  DealSet set = SetWithBoard1(kBalanced);
  set.Board(2).number = set.Board(1).number;
  set.Board(36).number = set.Board(1).number;
  const QImage image = RenderBoardPicture(View(set, 2), QSize(1280, 800));
  // P = 192; side min(round(192 / 13.2), round(0.16 * 120)) = 15, pitch 18,
  // gap 6, rows 21 apart from y 8, each row from x round(4.5) = 4.
  const auto centre = [](int board) {
    const int column = (board - 1) % 10, row = (board - 1) / 10;
    return QPoint(4 + column * 18 + (column >= 5 ? 6 : 0) + 7, 8 + row * 21 + 7);
  };
  EXPECT_EQ(image.pixel(centre(1)), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(centre(2)), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(centre(36)), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(centre(3)), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(centre(17)), qRgb(0, 0, 0));
  // Between the fifth and sixth button lies the panel's colour, 14351561:
  // red in its low byte, blue in its high one.
  constexpr unsigned kPanel = 14351561;
  EXPECT_EQ(image.pixel(QPoint(4 + 4 * 18 + 15 + 2, 15)),
            qRgb(kPanel & 0xFF, (kPanel >> 8) & 0xFF, kPanel >> 16));
  // The layout finds the same buttons under the mouse.
  const BoardLayout layout(QSize(1280, 800));
  for (int board : {1, 5, 6, 17, 36}) EXPECT_EQ(layout.BoardAt(centre(board)), board);
  EXPECT_EQ(layout.BoardAt(QPoint(4 + 4 * 18 + 15 + 2, 15)), 0);
}

TEST(BoardPictureTest, AnAbsentBoardShowsNoCardsAndNoResults) {
  // Absent board 3 with a stale table: its words would expand to a made-up
  // deal (each seat one whole suit) beside the old trick counts.
  DealSet set = SetWithBoard1(kBalanced);
  set.Board(3).table.fill(7);
  set.Board(3).doneMask = {kAllStrainsDone, kAllStrainsDone};
  const QSize size(1280, 800);
  const QImage absent = RenderBoardPicture(View(set, 3), size);
  const QImage present = RenderBoardPicture(View(set, 1), size);
  const Expected e(size.width(), size.height());
  const auto cardPixels = [&](const QImage& image) {
    int count = 0;
    for (int y = 20; y < e.tableH + 20; y += 4) {
      for (int x = e.tl; x < e.tl + e.tableW; x += 4)
        count += image.pixel(x, y) == qRgb(255, 255, 255);
    }
    return count;
  };
  EXPECT_GT(cardPixels(present), 1000) << "a present board shows its cards";
  EXPECT_EQ(cardPixels(absent), 0) << "an absent board shows none";
  // Nothing but the panel, the board's texts and the table: the picture of
  // board 3 is the same whatever words the empty slot holds.
  set.Board(3).number = DealNumber{false, 0, 0, 1};
  EXPECT_EQ(RenderBoardPicture(View(set, 3), size), absent);
}

BoardEntry Analysed(const std::array<int, 20>& tricks) {
  BoardEntry entry;
  for (size_t i = 0; i < 20; ++i) entry.table[i] = uint8_t(tricks[i]);
  entry.doneMask = {kAllStrainsDone, kAllStrainsDone};
  return entry;
}

TEST(BoardPictureTest, SeatTextsShowContractsOrTricks) {
  //                          N: NT S  H  D  C   E: NT S H D C   S             W
  const BoardEntry entry = Analysed({9, 10, 6, 7, 5, 4, 3, 7, 6, 8, 9, 10, 6, 7, 5, 4, 3, 6, 6, 6});
  EXPECT_EQ(SeatResultText(entry, kNorth, true), "9NT  10S  6H  7D  5C");
  EXPECT_EQ(SeatResultText(entry, kNorth, false), "3NT  4S  1D");
  EXPECT_EQ(SeatResultText(entry, kEast, false), "1H  2C");
  // At most six tricks everywhere: "none".
  EXPECT_EQ(SeatResultText(entry, kWest, false), "none");
  EXPECT_EQ(SeatResultText(entry, kWest, true), "4NT  3S  6H  6D  6C");
}

TEST(BoardPictureTest, SeatTextsWaitForTheirSidesAnalysis) {
  BoardEntry entry = Analysed({9, 10, 6, 7, 5, 4, 3, 7, 6, 8, 9, 10, 6, 7, 5, 4, 3, 6, 6, 6});
  entry.doneMask = {0, StrainBit(kNotrump)};
  EXPECT_EQ(SeatResultText(entry, kNorth, true), "");
  EXPECT_EQ(SeatResultText(entry, kSouth, false), "");
  // Only notrump is known for East-West: the other strains' zeros are no results.
  EXPECT_EQ(SeatResultText(entry, kEast, true), "4NT");
  // Nothing makeable yet, but the side is not finished: no "none" so far.
  EXPECT_EQ(SeatResultText(entry, kWest, false), "");
}

}  // namespace
}  // namespace tarrow

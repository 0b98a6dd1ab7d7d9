// The picture of one board as the deal viewer shows it: a light panel on the
// left with the 36 round board buttons, and the green table with the four
// hands as playing cards, dealer, vulnerability and board number, each
// seat's points and double-dummy results, the lines of the analysis workers
// busy on the board, and optionally its deal number.  A function of the set,
// the board and a size, so the viewer window, `tarrow-cli render` and the
// tests all draw the same picture.
//
//   BoardView view{.set = &app.Set(), .board = 7, .allTricks = true};
//   QImage image = RenderBoardPicture(view, QSize(1280, 800));
//   image.save("board7.png");
//
// Geometry, for a client area CW x CH (round: nearest, halves to even):
// panel P = round(0.15 CW); table from TL = P + 20, TT = 20, W' = CW - P - 40
// wide and H' = CH - 40 high; card unit t = min(W', H') div 7, card width
// round(0.6667 t), overlap step card width * 25 div 100.  North and South are
// centred rows of the four suits, West and East one suit per row, East's
// rows ending at the table's right edge.  Board buttons: side
// s = min(round(P / 13.2), round(0.16 * top of the Previous button)), ten to
// a row with a gap after the fifth.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>

#include "core/deal_set.h"
#include "picture/card_face.h"

class QPainter;

namespace tarrow {

class AnalysisRunner;

// Colours of the viewer, 0xRRGGBB.
inline constexpr unsigned kTableColour = 0x104010;
inline constexpr unsigned kPanelColour = 0xC9FCDA;
inline constexpr unsigned kTableTextColour = 0xFFFBF0;
inline constexpr unsigned kCurrentButtonColour = 0xFF0000;
inline constexpr unsigned kInvalidButtonColour = 0x000000;
inline constexpr unsigned kBoardButtonColour = 0x0000FF;

// How the deal number is shown under the table's centre.
enum class NumberMode { kHidden = 0, kHex = 1, kDecimal = 2 };

// Where everything goes in a client area of a given size.
struct BoardLayout {
  explicit BoardLayout(QSize client);

  QSize client;
  int panelWidth;  // P
  QRect table;     // TL, TT, W', H'
  int unit;        // t
  int rowPitch;    // A = round(1.2 t), West and East rows apart
  CardGeometry cards;
  std::array<QRect, kBoardsPerSet> boardButtons;  // bounding squares, board 1 first
  // The panel's controls: Previous, Next, deal number, edit, display, close.
  QRect previous, next, showNumber, edit, showAs, quit;
  int controlFontPoints;

  // The board whose round button contains the point, or 0.
  int BoardAt(QPoint point) const;
  // Where the first card of a seat's suit row starts (top-left), for the
  // given deal.
  QPoint RowStart(const Deal& deal, Seat seat, Suit suit) const;
};

// What the picture shows besides the set itself.
struct BoardView {
  const DealSet* set = nullptr;
  int board = 1;           // 1..36
  bool allTricks = false;  // double-dummy results as all tricks, else contracts
  NumberMode numberMode = NumberMode::kHidden;
  std::vector<std::string> workerLines;  // live analysis lines for this board
  int workerCount = 0;                   // workers running, for the band the lines use
};

// One seat's double-dummy text: strains NT, S, H, D, C in order, each analysed
// one contributing its tricks ("9NT  10S") or, for contracts, the level of
// every strain with more than six tricks ("3NT  4S").  Empty until the seat's
// side has an analysed strain; "none" when the side is fully analysed and
// nothing contributes.
std::string SeatResultText(const BoardEntry& entry, Seat seat, bool allTricks);

// The lines of the workers whose current job is on `board`, worker by worker:
// "T2 H NS 9/9" (worker, strain, side, the tricks being tried or found by the
// two passes).
std::vector<std::string> WorkerLines(const AnalysisRunner& runner, int board);

// Points of a font size as pixels at 96 dots per inch.
int PointsToPixels(int points) noexcept;

// Paints the whole picture into (0, 0, size).
void PaintBoardPicture(QPainter& painter, QSize size, const BoardView& view);
QImage RenderBoardPicture(const BoardView& view, QSize size);

}  // namespace tarrow

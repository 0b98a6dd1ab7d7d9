// Playing cards drawn with QPainter: one card in full or as the strip left
// visible under the next card of a row, and a row of one suit.
//
//   CardGeometry g(/*cardWidth=*/72, /*step=*/18);
//   int x = 100;
//   DrawSuitRow(painter, g, x, /*y=*/20, kHearts, {kAce, kTen, kThree});
//
// All lengths follow from the card width w (made even) and the overlap step
// st: height round(1.555 w), margin m = round(0.1 w), a covered card shows a
// strip m + st wide.  The corners are cut by k = round(0.04 H).  Every card
// shows its index (suit symbol and rank, the ten written "10") at the top
// left; a full card also shows it turned by 180 degrees at the bottom right,
// and its face: one pip for an ace (a large one for the ace of spades), the
// court picture inset for a king, queen or jack, the pips of a spot card in
// the classic pattern.  Rounding is to the nearest integer, halves to even.
#pragma once

#include <vector>

#include <QPolygon>
#include <QRect>

#include "core/cards.h"

class QPainter;

namespace tarrow {

// Nearest integer, halves to even.
int RoundEven(double value) noexcept;

struct CardGeometry {
  CardGeometry(int cardWidth, int step) noexcept;

  int w;             // card width, even
  int st;            // horizontal step between the cards of a row
  int h;             // card height
  int margin;        // m: the index column's centre from the left edge
  int symbolSize;    // corner suit symbol, square
  int symbolTop;     // from the card's top
  int letterHeight;  // index letter font height in pixels
  int letterTop;     // from the card's top
  int pipSize;
  int insetX, insetY;  // court picture inset from the left/right and top/bottom edges
  int k, k2, k3;       // corner cut

  // The outlines at (x, y): the 16-point full card and the 10-point strip.
  QPolygon FullOutline(int x, int y) const;
  QPolygon StripOutline(int x, int y) const;
};

// Draws one card with its top-left corner at (x, y); `full` draws the whole
// face, otherwise only the strip with the index.
void DrawCard(QPainter& painter, const CardGeometry& g, int x, int y, Suit suit, Rank rank,
              bool full);

// One pip of `size` centred at (cx, cy), upright or turned.
void DrawPip(QPainter& painter, double cx, double cy, int size, Suit suit, bool inverted);

// The cards of one suit (ranks, highest first) from x along the row at y:
// all but the last as strips, the last in full.  x advances by st per card.
void DrawSuitRow(QPainter& painter, const CardGeometry& g, int& x, int y, Suit suit,
                 const std::vector<Rank>& ranks);

}  // namespace tarrow

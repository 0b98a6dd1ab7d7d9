// The artwork of Tarrow's playing cards, drawn in code so that it stays sharp
// at every size: the four suit symbols and the twelve court pictures (king,
// queen and jack of each suit), all made for this program.
//
//   PaintSuitSymbol(painter, QRectF(10, 10, 20, 20), kHearts, /*inverted=*/false);
//   PaintCourtPicture(painter, insetRect, kSpades, /*rank=*/1);   // king of spades
//
// Every picture fills the rectangle it is given (stretched when its shape
// differs), and leaves the painter's state as it found it.
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

#include "core/cards.h"

class QPainter;

namespace tarrow {

// Spades and clubs black, hearts and diamonds the cards' red.
QColor SuitColour(Suit suit);

// The outline of a suit symbol in the box (0, 0)-(100, 100), upright.
const QPainterPath& SuitSymbolPath(Suit suit);

// The symbol filled in its colour, stretched into `box`; inverted turns it
// by 180 degrees about the box's centre (the lower half of a card).
void PaintSuitSymbol(QPainter& painter, const QRectF& box, Suit suit, bool inverted);

// The court picture of a king (rank 1), queen (2) or jack (3) of a suit,
// stretched into `box`: a framed, double-ended figure, the lower half the
// upper one turned by 180 degrees.
void PaintCourtPicture(QPainter& painter, const QRectF& box, Suit suit, Rank rank);

}  // namespace tarrow

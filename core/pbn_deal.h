// Reading a deal written as a PBN Deal value: the first hand's seat letter,
// ":", then four hands clockwise separated by blanks, each hand its four
// suits spades first joined by ".", ranks in upper case ("AKQJT98765432").
//
//   Result<Deal> d = ParsePbnDeal("N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 ...");
//   if (!d.ok()) std::cerr << d.message();   // "the 7 of clubs appears twice"
#pragma once

#include <string>
#include <string_view>

#include "core/cards.h"
#include "core/result.h"

namespace tarrow {

// A valid Deal (number and counts filled in) or an error that names the
// problem: a character that is not understood and where, a card given twice,
// a hand that does not hold 13 cards.  Blanks around the value are ignored.
Result<Deal> ParsePbnDeal(std::string_view text);

// "the queen of hearts" style name of a card, for messages.
std::string CardName(int card);

}  // namespace tarrow

// The peer double-dummy library (Debian's libdds) seen through our types,
// for the cross-check tests and benchmarks only; the program never links it.
//
//   PeerSingleThreaded();
//   Result<DDTable> theirs = PeerDDTable(deal);
#pragma once

#include <dds/dll.h>

#include <cstring>
#include <string>

#include "core/cards.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow::testing {

// One thread for the peer, so that timings compare like with like.
inline void PeerSingleThreaded() {
  SetMaxThreads(1);
}

// The peer's 20 tricks in our table order (declarers N E S W; NT S H D C).
inline Result<DDTable> PeerDDTable(const Deal& deal) {
  ddTableDealPBN pbn{};
  const std::string text = PbnDealText(deal, kNorth);
  std::strncpy(pbn.cards, text.c_str(), sizeof pbn.cards - 1);
  ddTableResults results{};
  const int code = CalcDDtablePBN(pbn, &results);
  if (code != RETURN_NO_FAULT) {
    char message[80] = {};
    ErrorMessage(code, message);
    return Status::Error("the peer library failed: " + std::string(message));
  }
  DDTable table{};
  for (Seat seat : kSeats) {
    // The peer counts strains spades..clubs then notrump.
    table[size_t(DDIndex(seat, kNotrump))] = uint8_t(results.resTable[4][seat]);
    for (Suit suit : kSuits) {
      table[size_t(DDIndex(seat, StrainOfSuit(suit)))] = uint8_t(results.resTable[suit][seat]);
    }
  }
  return table;
}

}  // namespace tarrow::testing

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

// The tricks the side on lead takes in a position of `cards` cards per hand
// (holder[k]: the seat of card k, suit k / 13, rank index k % 13 from the
// ace, or -1 for a card out of play), with the peer's trump numbering
// (0..3 spades..clubs, 4 notrump).
inline Result<int> PeerLeaderSideTricks(const int (&holder)[52], int peerTrump, Seat leader) {
  deal position{};
  position.trump = peerTrump;
  position.first = leader;
  for (int k = 0; k < 52; ++k) {
    if (holder[k] >= 0) position.remainCards[holder[k]][k / 13] |= 1u << (14 - k % 13);
  }
  futureTricks result{};
  const int code = SolveBoard(position, -1, 1, 1, &result, 0);
  if (code != RETURN_NO_FAULT) {
    char message[80] = {};
    ErrorMessage(code, message);
    return Status::Error("the peer library failed: " + std::string(message));
  }
  return result.score[0];
}

}  // namespace tarrow::testing

// The peer library's par (Debian's libdds, DealerPar and SidesPar) next to
// ours, in the peer's own text form, for the cross-check test and
// bench/par_vs_dds only; the program never links the peer.
//
//   ParComparison c = CompareParWithPeer(table, dealer, vul);
//   if (!c.same) std::cerr << c.ours << " / " << c.peer;
//
// The peer writes a contract as level, strain letter (N for notrump), "*"
// when doubled, "-", the declaring seats, and the tricks over or under:
// "4S*-EW-1", "3N-EW", "4N-W+1"; a passed-out board as score 0 with the
// single contract "pass".  Contracts are compared as sets.
#pragma once

#include <dds/dll.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "core/deal_set.h"
#include "scoring/par.h"

namespace tarrow::testing {

// A deal number drawn uniformly below the number of deals.
inline DealNumber RandomParDealNumber(std::mt19937_64& random) {
  const uint128 value = (uint128(random()) << 64) | random();
  return MakeDealNumber(value % kTotalDeals);
}

// The peer's vulnerability codes: 0 none, 1 both, 2 North-South, 3 East-West.
inline int PeerVulnerable(Vulnerability vul) {
  switch (vul) {
    case Vulnerability::kNone:
      return 0;
    case Vulnerability::kBoth:
      return 1;
    case Vulnerability::kNorthSouth:
      return 2;
    case Vulnerability::kEastWest:
      return 3;
  }
  return 0;
}

inline ddTableResults PeerTable(const DDTable& table) {
  ddTableResults results{};
  for (Seat seat : kSeats) {
    results.resTable[4][seat] = table[size_t(DDIndex(seat, kNotrump))];
    for (Suit suit : kSuits) {
      results.resTable[suit][seat] = table[size_t(DDIndex(seat, StrainOfSuit(suit)))];
    }
  }
  return results;
}

// Our contract in the peer's words.
inline std::string PeerContractText(const ParContract& contract) {
  std::string text = std::to_string(contract.level);
  text += "NSHDC"[contract.strain];
  if (contract.doubled) text += '*';
  text += '-';
  for (Seat seat : kSeats) {
    if (contract.seats & (1u << seat)) text += kSeatLetters[size_t(seat)];
  }
  if (contract.result > 0) text += "+" + std::to_string(contract.result);
  if (contract.result < 0) text += std::to_string(contract.result);
  return text;
}

// Score and sorted contracts, "620: 4S-N 5D*-EW-2".
inline std::string ParKey(int score, std::vector<std::string> contracts) {
  std::sort(contracts.begin(), contracts.end());
  std::string text = std::to_string(score) + ":";
  for (const std::string& c : contracts) text += " " + c;
  return text;
}

inline std::string OurParKey(const ParResult& par) {
  std::vector<std::string> contracts;
  for (int i = 0; i < par.count; ++i)
    contracts.push_back(PeerContractText(par.contracts[size_t(i)]));
  if (par.count == 0) contracts.push_back("pass");
  return ParKey(par.score, contracts);
}

// SidesPar gives East-West's result from East-West's view: scoreSign -1.
inline std::string PeerParKey(const parResultsDealer& peer, int scoreSign = 1) {
  std::vector<std::string> contracts;
  for (int i = 0; i < peer.number && i < 10; ++i) contracts.push_back(peer.contracts[i]);
  return ParKey(scoreSign * peer.score, contracts);
}

struct ParComparison {
  bool same = false;
  std::string ours;  // ParKey forms, or the peer's error
  std::string peer;
};

inline ParComparison Compared(const std::string& ours, const std::string& peer) {
  return {ours == peer, ours, peer};
}

// Par with a dealer: ours against the peer's DealerPar.
inline ParComparison CompareDealerPar(const DDTable& table, Seat dealer, Vulnerability vul) {
  ddTableResults results = PeerTable(table);
  parResultsDealer peer{};
  const int code = DealerPar(&results, &peer, dealer, PeerVulnerable(vul));
  if (code != RETURN_NO_FAULT) return {false, "", "peer error " + std::to_string(code)};
  return Compared(OurParKey(Par(table, dealer, vul)), PeerParKey(peer));
}

// Par with a side bidding first: ours against the peer's SidesPar.
inline ParComparison CompareSidesPar(const DDTable& table, int side, Vulnerability vul) {
  ddTableResults results = PeerTable(table);
  parResultsDealer peer[2]{};
  const int code = SidesPar(&results, peer, PeerVulnerable(vul));
  if (code != RETURN_NO_FAULT) return {false, "", "peer error " + std::to_string(code)};
  return Compared(OurParKey(ParWithFirstSide(table, side, vul)),
                  PeerParKey(peer[side], side == 0 ? 1 : -1));
}

}  // namespace tarrow::testing

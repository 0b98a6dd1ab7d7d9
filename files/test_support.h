// Shared by the tests of this module: a temporary folder per test and the
// two-board set of the PBN example.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/deal_set.h"
#include "core/pbn_deal.h"
#include "core/temp_folder_for_test.h"
#include "core/texts.h"

namespace tarrow::testing {

inline DealNumber NumberOf(const char* pbnDeal) {
  const Result<Deal> deal = ParsePbnDeal(pbnDeal);
  EXPECT_TRUE(deal.ok()) << pbnDeal << ": " << deal.message();
  return deal.ok() ? deal->number : DealNumber{};
}

inline constexpr const char* kBoard1Deal =
    "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432";
inline constexpr const char* kBoard2Deal =
    "E:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432";

// Board 1 fully analysed (North and South make 13 tricks in everything),
// board 2 not analysed at all.
inline DealSet ExampleSet() {
  DealSet set;
  SetHeader& h = set.header;
  h.event = "Pairs";
  h.site = "Hall";
  h.eventDate = DateFromCivil(2013, 10, 7);
  h.seed = "abc";
  h.description = "Set one";
  h.generationTime = DateTimeFromCivil({2013, 10, 7, 18, 30, 0});
  h.club = "Club";
  BoardEntry& one = set.Board(1);
  one.number = NumberOf(kBoard1Deal);
  for (Seat declarer : kSeats) {
    for (Strain strain : kStrains) {
      one.table[size_t(DDIndex(declarer, strain))] = declarer % 2 == 0 ? 13 : 0;
    }
  }
  one.doneMask = {kAllStrainsDone, kAllStrainsDone};
  set.Board(2).number = NumberOf(kBoard2Deal);
  set.RefreshDeals();
  return set;
}

}  // namespace tarrow::testing

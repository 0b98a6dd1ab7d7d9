// A check that stays on in optimised fuzz builds: libFuzzer reports the abort
// as a finding, with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

#include "core/deal_number.h"
#include "files/deal_files.h"

// What every dealing-machine reader must give for any bytes: at most 36
// deals, every deal marked valid a whole deal whose number gives it back,
// and a set that holds no more boards than were read.
inline void CheckImport(const tarrow::ImportBuffer& imported) {
  using namespace tarrow;
  FUZZ_CHECK(imported.count >= 0 && imported.count <= kBoardsPerSet);
  for (int i = 0; i < imported.count; ++i) {
    const Deal& deal = imported.deals[size_t(i)];
    if (!deal.valid) continue;
    for (Seat seat : kSeats) {
      FUZZ_CHECK(deal.suitLength[seat][0] + deal.suitLength[seat][1] + deal.suitLength[seat][2] +
                     deal.suitLength[seat][3] ==
                 13);
    }
    FUZZ_CHECK(deal.number.valid);
    FUZZ_CHECK(DealFromNumber(deal.number).seatOf == deal.seatOf);
  }
  const DealSet set = DealSetFromImport(imported);
  FUZZ_CHECK(set.PresentBoards() <= imported.count);
}

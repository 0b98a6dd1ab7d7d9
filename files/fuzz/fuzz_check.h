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

#include <string>
#include <string_view>

#include "core/deal_number.h"
#include "files/deal_files.h"

// What every dealing-machine reader must give for any bytes: an error that
// names the file and leaves the report alone, or 1..36 deals, every one a
// whole deal whose number gives it back, and a set of exactly those boards.
inline void CheckImport(const tarrow::Result<tarrow::ImportBuffer>& result,
                        const tarrow::LoadReport& report, std::string_view fileName) {
  using namespace tarrow;
  if (!result.ok()) {
    FUZZ_CHECK(result.message().rfind(std::string(fileName), 0) == 0);
    FUZZ_CHECK(report.warnings.empty() && report.notKept.empty());
    return;
  }
  const ImportBuffer& imported = *result;
  FUZZ_CHECK(imported.count >= 1 && imported.count <= kBoardsPerSet);
  // A .dup file's run data may start later; the boards still fit the set.
  FUZZ_CHECK(imported.firstBoard >= 1 && imported.firstBoard - 1 + imported.count <= kBoardsPerSet);
  for (int i = 0; i < imported.count; ++i) {
    const Deal& deal = imported.deals[size_t(i)];
    FUZZ_CHECK(deal.valid);
    for (Seat seat : kSeats) {
      FUZZ_CHECK(deal.suitLength[seat][0] + deal.suitLength[seat][1] + deal.suitLength[seat][2] +
                     deal.suitLength[seat][3] ==
                 13);
    }
    FUZZ_CHECK(deal.number.valid);
    FUZZ_CHECK(DealFromNumber(deal.number).seatOf == deal.seatOf);
  }
  // Fewer than 36 deals is said to the user.
  FUZZ_CHECK(imported.count == kBoardsPerSet || !report.warnings.empty());
  const DealSet set = DealSetFromImport(imported);
  FUZZ_CHECK(set.PresentBoards() == imported.count);
}

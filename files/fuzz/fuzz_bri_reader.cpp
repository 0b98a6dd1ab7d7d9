// Any bytes as a .bri file: at most 36 deals, and every deal marked valid
// is a whole deal whose number gives it back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/deal_number.h"
#include "files/deal_files.h"
#include "files/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarrow;
  const ImportBuffer imported =
      ParseBriText(std::string_view(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(imported.count >= 0 && imported.count <= kBoardsPerSet);
  for (int i = 0; i < imported.count; ++i) {
    const Deal& deal = imported.deals[size_t(i)];
    if (!deal.valid) continue;
    for (Seat seat = 0; seat < 4; ++seat) {
      FUZZ_CHECK(deal.suitLength[seat][0] + deal.suitLength[seat][1] + deal.suitLength[seat][2] +
                     deal.suitLength[seat][3] ==
                 13);
    }
    FUZZ_CHECK(deal.number.valid);
    FUZZ_CHECK(DealFromNumber(deal.number).seatOf == deal.seatOf);
  }
  const DealSet set = DealSetFromImport(imported);
  FUZZ_CHECK(set.PresentBoards() <= imported.count);
  return 0;
}

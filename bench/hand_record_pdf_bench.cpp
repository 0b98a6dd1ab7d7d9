// Writing the two-page hand-record PDF of an analysed set: the cost of every
// save of a changed set during an analysis.
//
//   build/bin/hand_record_pdf_bench

#include <benchmark/benchmark.h>
#include "core/write_permit_for_test.h"

#include <algorithm>
#include <filesystem>

#include "core/generation.h"
#include "records/hand_record_pdf.h"
#include "records/logo.h"

namespace tarrow {
namespace {

// Seed "abc" with tables shaped like real ones: partners mostly agree, and
// the side with more points takes more tricks.
DealSet AnalysedSet() {
  DealSet set;
  GenerateSet(set, "abc", 46000);
  set.header.event = "Tuesday Pairs";
  set.header.description = "Club championship, round 3";
  set.header.site = "Main hall";
  set.header.computerName = "clubpc";
  for (int b = 1; b <= kBoardsPerSet; ++b) {
    BoardEntry& e = set.Board(b);
    const Deal& d = set.DealOf(b);
    e.doneMask = {kAllStrainsDone, kAllStrainsDone};
    for (Seat seat : kSeats) {
      const int side = d.sidePoints[SideOf(seat)];
      for (Strain strain : kStrains) {
        const int fit = strain == kNotrump
                            ? 0
                            : d.suitLength[seat][SuitOfStrain(strain)] +
                                  d.suitLength[PartnerOf(seat)][SuitOfStrain(strain)] - 8;
        const int tricks = 6 + (side - 20) / 3 + fit + (seat >= 2 && (b + strain) % 3 == 0);
        e.table[size_t(DDIndex(seat, strain))] = uint8_t(std::clamp(tricks, 0, 13));
      }
    }
  }
  return set;
}

void BM_WriteHandRecordPdf(benchmark::State& state) {
  const DealSet set = AnalysedSet();
  const RgbImage logo = Logo();
  HandRecordOptions options;
  options.allTricks = state.range(0) != 0;
  options.showDealNumbers = true;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "tarrow_hand_record_bench.pdf";
  for (auto _ : state) {
    const Status s = WriteHandRecordPdf(testing::PermitFor(path), set, options,
                                        "Tarrow Bridge Club", logo, "abc.pbn");
    if (!s.ok()) state.SkipWithError(s.message().c_str());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteHandRecordPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Logo(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Logo());
}
BENCHMARK(BM_Logo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarrow

BENCHMARK_MAIN();

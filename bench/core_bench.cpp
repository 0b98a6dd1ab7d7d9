// Speed of the deal core: number <-> deal conversions, hashing a board text,
// and dealing a whole set.  Targets: each conversion under 0.5 us, a set of
// 36 boards under 100 us.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/deal_number.h"
#include "core/generation.h"

namespace tarrow {
namespace {

std::vector<DealNumber> RandomNumbers(size_t count) {
  std::mt19937_64 random(42);
  std::vector<DealNumber> numbers;
  for (size_t i = 0; i < count; ++i) {
    numbers.push_back(MakeDealNumber(((uint128(random()) << 64) | random()) % kTotalDeals));
  }
  return numbers;
}

void BM_DealFromNumber(benchmark::State& state) {
  const std::vector<DealNumber> numbers = RandomNumbers(1024);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DealFromNumber(numbers[i++ & 1023]));
  }
}
BENCHMARK(BM_DealFromNumber);

void BM_NumberFromDeal(benchmark::State& state) {
  std::vector<Deal> deals;
  for (const DealNumber& n : RandomNumbers(1024)) deals.push_back(DealFromNumber(n));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(NumberFromDeal(deals[i++ & 1023]));
  }
}
BENCHMARK(BM_NumberFromDeal);

void BM_HashBoardText(benchmark::State& state) {
  const std::string text = BoardHashText("Tuesday evening pairs 2026-12-07", 18);
  for (auto _ : state) benchmark::DoNotOptimize(HashText(text));
}
BENCHMARK(BM_HashBoardText);

void BM_GenerateSet(benchmark::State& state) {
  DealSet set;
  for (auto _ : state) {
    GenerateSet(set, "Tuesday evening pairs 2026-12-07", 46000.5);
    benchmark::DoNotOptimize(set.boards[35].number);
  }
}
BENCHMARK(BM_GenerateSet)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarrow

BENCHMARK_MAIN();

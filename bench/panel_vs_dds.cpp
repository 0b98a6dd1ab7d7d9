// The panel of sets, each analysed whole by the analysis runner and by the
// peer library (CalcAllTablesPBN) on the same number of threads, in one
// process.  For each thread count, each round times every set once by both,
// ours first in odd rounds and the peer first in even ones, so that the two
// alternate in pairs and a burst of noise on the host falls on both; each
// side keeps its best of the rounds.
//
//   build/bin/panel_vs_dds [--threads 1|2|both] [--rounds N] [--sets N | --sets "abc,panel 3"]
//
// --sets takes a count (the first N sets of the panel) or seed texts
// separated by commas.  Prints per set ours s, peer s and the ratio
// ours / peer, then the median and the worst ratio per thread count.  Every
// board's table is compared with the peer's in every round; the exit status
// is 1 if any differs.
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_args.h"
#include "bench/solver_bench.h"

namespace {

// The panel: the seed the other benchmarks use and seven more, all fixed so
// that runs on different days time the same deals.
const std::vector<std::string> kPanel = {"abc",     "panel 1", "panel 2", "panel 3",
                                         "panel 4", "panel 5", "panel 6", "panel 7"};

// The seeds --sets names: a count of the panel's first sets, or a list.
std::vector<std::string> SeedsOf(const std::string& text) {
  if (!text.empty() &&
      std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    const size_t count = std::min(kPanel.size(), size_t(std::stoul(text.substr(0, 3))));
    return {kPanel.begin(), kPanel.begin() + long(count)};
  }
  std::vector<std::string> seeds;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t comma = std::min(text.find(',', from), text.size());
    if (comma > from) seeds.push_back(text.substr(from, comma - from));
    from = comma + 1;
  }
  return seeds;
}

struct SetTimes {
  std::string seed;
  double ours = 0;  // best of the rounds
  double peer = 0;
  uint64_t nodes = 0;  // our workers' search nodes in the round of our best time
};

// Times every set `rounds` times on `threads` threads; counts in `differ`
// the boards whose tables are not the peer's.
std::vector<SetTimes> RunPanel(const std::vector<std::string>& seeds, int threads, int rounds,
                               int& differ) {
  std::vector<SetTimes> times;
  for (const std::string& seed : seeds) times.push_back({seed, 1e30, 1e30});
  for (int round = 1; round <= rounds; ++round) {
    for (SetTimes& set : times) {
      tarrow::DealSet ours = tarrow::bench::SeededSet(set.seed);
      std::vector<tarrow::DDTable> peerTables;
      double oursSeconds = 0, peerSeconds = 0;
      uint64_t nodes = 0;
      const auto peer = [&] {
        peerSeconds =
            tarrow::bench::PeerSetSeconds(ours, tarrow::kBoardsPerSet, threads, peerTables);
      };
      // Ours first in odd rounds, the peer first in even ones.
      if (round % 2 == 0) peer();
      oursSeconds = tarrow::bench::RunnerSeconds(ours, threads, &nodes);
      if (round % 2 == 1) peer();
      int setDiffer = oursSeconds < 0 || peerSeconds < 0;
      for (int b = 1; b <= tarrow::kBoardsPerSet; ++b) {
        setDiffer += ours.Board(b).table != peerTables[size_t(b - 1)];
      }
      differ += setDiffer;
      if (oursSeconds < set.ours) set.nodes = nodes;
      set.ours = std::min(set.ours, oursSeconds);
      set.peer = std::min(set.peer, peerSeconds);
      std::cerr << "  " << threads << " thread(s), round " << round << ", \"" << set.seed
                << "\": ours " << oursSeconds << " s (" << nodes << " nodes), peer " << peerSeconds
                << " s"
                << (setDiffer ? ", TABLES DIFFER" : "") << std::endl;
    }
  }
  return times;
}

void PrintPanel(const std::vector<SetTimes>& times, int threads) {
  std::cout << "\n"
            << threads << (threads == 1 ? " thread" : " threads") << "\n"
            << std::left << std::setw(12) << "set" << std::right << std::setw(9) << "ours s"
            << std::setw(9) << "peer s" << std::setw(8) << "ratio" << std::setw(10) << "Mnodes"
            << "\n";
  std::vector<double> ratios;
  uint64_t nodes = 0;
  for (const SetTimes& set : times) {
    ratios.push_back(set.ours / set.peer);
    std::cout << std::left << std::setw(12) << ("\"" + set.seed + "\"") << std::right
              << std::setprecision(3) << std::setw(9) << set.ours << std::setw(9) << set.peer
              << std::setprecision(2) << std::setw(8) << ratios.back() << std::setprecision(1)
              << std::setw(10) << double(set.nodes) / 1e6 << "\n";
    nodes += set.nodes;
  }
  std::cout << "median ratio " << tarrow::bench::Median(ratios) << ", worst "
            << *std::max_element(ratios.begin(), ratios.end()) << "; our nodes, all sets "
            << std::setprecision(1) << double(nodes) / 1e6 << " million" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  std::string threadsText = "both";
  std::string setsText = std::to_string(kPanel.size());
  int rounds = 2;
  tarrow::bench::BenchArgs args(argc, argv);
  args.Read("--threads", threadsText);
  args.Read("--rounds", rounds);
  args.Read("--sets", setsText);
  std::vector<int> threadCounts;
  if (threadsText == "1" || threadsText == "both") threadCounts.push_back(1);
  if (threadsText == "2" || threadsText == "both") threadCounts.push_back(2);
  const std::vector<std::string> seeds = SeedsOf(setsText);
  if (!args.Ok() || threadCounts.empty() || seeds.empty() || rounds < 1) {
    std::cerr << "usage: panel_vs_dds [--threads 1|2|both] [--rounds N] [--sets N|SEED,SEED...]\n";
    return 2;
  }

  std::cout << std::fixed << seeds.size() << " sets of " << tarrow::kBoardsPerSet
            << " boards, best of " << rounds << (rounds == 1 ? " round" : " rounds")
            << ", ratio = ours / peer (below 1: ours faster)\n";
  int differ = 0;
  for (int threads : threadCounts) {
    PrintPanel(RunPanel(seeds, threads, rounds, differ), threads);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::cout << "\npeak memory: " << usage.ru_maxrss / 1024 << " MiB"
            << "\nboards whose tables differ from the peer's (all rounds): " << differ << "\n";
  return differ == 0 ? 0 : 1;
}

// The panel of sets, each analysed whole by the analysis runner and by the
// peer library (CalcAllTablesPBN) on the same number of threads, in one
// process.  For each thread count, each round times every set once by both,
// ours first in odd rounds and the peer first in even ones, so that the two
// alternate in pairs and a burst of noise on the host falls on both; each
// side keeps its best of the rounds.
//
//   build/bin/panel_vs_dds [--threads 1|2|both] [--rounds N] [--sets N | --sets "abc,panel 3"]
//                          [--deal build/bin/tarrow-cli]
//
// --sets takes a count (the first N sets of the panel) or seed texts
// separated by commas.  Prints per set ours s, peer s and the ratio
// ours / peer, then the median and the worst ratio per thread count, and
// our search nodes.  Every board's table is compared with the peer's in
// every round; the exit status is 1 if any differs.
//
// With --deal, ours is the whole command a user runs instead of the runner
// alone: `tarrow-cli deal --seed S --out DIR/set.pbn --threads N` in a new
// temporary folder, with TARROW_CONFIG_DIR an empty folder (no settings of
// the user's), timed from its start to its exit (start-up, dealing, the
// analysis, the saves and the hand-record PDF); the tables compared are
// those of the PBN file it wrote.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_args.h"
#include "bench/solver_bench.h"
#include "files/pbn_reader.h"

extern char** environ;

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

// Runs `cli deal` on the seed as described above: the seconds from its
// start to its exit, with the set it wrote in `set`; -1 after telling why
// on standard error when it could not run, failed or wrote no readable set.
double DealCommandSeconds(const std::string& cli, const std::string& seed, int threads,
                          tarrow::DealSet& set) {
  namespace fs = std::filesystem;
  std::string folderName = (fs::temp_directory_path() / "panel_vs_dds.XXXXXX").string();
  if (::mkdtemp(folderName.data()) == nullptr) {
    std::cerr << "cannot make a temporary folder: " << std::strerror(errno) << "\n";
    return -1;
  }
  const fs::path folder = folderName;
  fs::create_directory(folder / "config");
  const fs::path out = folder / "set.pbn", log = folder / "output.txt";

  const std::string threadsText = std::to_string(threads);
  std::vector<std::string> argText = {cli,     "deal",       "--seed",    seed,
                                      "--out", out.string(), "--threads", threadsText};
  std::vector<char*> argv;
  for (std::string& arg : argText) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText = {"TARROW_CONFIG_DIR=" + (folder / "config").string()};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).starts_with("TARROW_CONFIG_DIR=")) continue;
    envText.push_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, cli.c_str(), &actions, nullptr, argv.data(), envp.data());
  int status = 0;
  if (spawned == 0) waitpid(child, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);

  std::string failure;
  if (spawned != 0) {
    failure = "cannot run " + cli + ": " + std::strerror(spawned);
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::ostringstream output;
    output << std::ifstream(log).rdbuf();
    failure = cli + " deal exited with status " + std::to_string(WEXITSTATUS(status)) + ":\n" +
              output.str();
  } else if (tarrow::Result<tarrow::DealSet> written = tarrow::ReadPbnFile(out); !written.ok()) {
    failure = written.message();
  } else {
    set = std::move(*written);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (!failure.empty()) {
    std::cerr << failure << "\n";
    return -1;
  }
  return seconds;
}

struct SetTimes {
  std::string seed;
  double ours = 0;  // best of the rounds
  double peer = 0;
  uint64_t nodes = 0;  // our workers' search nodes in the round of our best time
};

// Times every set `rounds` times on `threads` threads, ours by the runner
// or, when `cli` names one, by its deal command; counts in `differ` the
// boards whose tables are not the peer's.
std::vector<SetTimes> RunPanel(const std::vector<std::string>& seeds, int threads, int rounds,
                               const std::string& cli, int& differ) {
  std::vector<SetTimes> times;
  for (const std::string& seed : seeds) times.push_back({seed, 1e30, 1e30});
  for (int round = 1; round <= rounds; ++round) {
    for (SetTimes& set : times) {
      const tarrow::DealSet dealt = tarrow::bench::SeededSet(set.seed);
      tarrow::DealSet ours = dealt;
      std::vector<tarrow::DDTable> peerTables;
      double oursSeconds = 0, peerSeconds = 0;
      uint64_t nodes = 0;
      const auto peer = [&] {
        peerSeconds =
            tarrow::bench::PeerSetSeconds(dealt, tarrow::kBoardsPerSet, threads, peerTables);
      };
      // Ours first in odd rounds, the peer first in even ones.
      if (round % 2 == 0) peer();
      oursSeconds = cli.empty() ? tarrow::bench::RunnerSeconds(ours, threads, &nodes)
                                : DealCommandSeconds(cli, set.seed, threads, ours);
      if (round % 2 == 1) peer();
      int setDiffer = oursSeconds < 0 || peerSeconds < 0;
      for (int b = 1; b <= tarrow::kBoardsPerSet; ++b) {
        const tarrow::BoardEntry& entry = ours.Board(b);
        // The file's deals are the seed's, and every table entry is known.
        setDiffer += entry.table != peerTables[size_t(b - 1)] ||
                     !(entry.number == dealt.Board(b).number) ||
                     entry.doneMask[0] != tarrow::kAllStrainsDone ||
                     entry.doneMask[1] != tarrow::kAllStrainsDone;
      }
      differ += setDiffer;
      // A run that failed (-1) is counted above, not timed.
      if (oursSeconds >= 0 && oursSeconds < set.ours) {
        set.ours = oursSeconds;
        set.nodes = nodes;
      }
      if (peerSeconds >= 0) set.peer = std::min(set.peer, peerSeconds);
      std::cerr << "  " << threads << " thread(s), round " << round << ", \"" << set.seed
                << "\": ours " << oursSeconds << " s (" << nodes << " nodes), peer " << peerSeconds
                << " s" << (setDiffer ? ", TABLES DIFFER" : "") << std::endl;
    }
  }
  return times;
}

// Per set ours, peer, the ratio and, when `nodes` (the runner timed, not
// the command), our search nodes in millions; then the median, the worst
// and the nodes of all the sets.
void PrintPanel(const std::vector<SetTimes>& times, int threads, bool nodes) {
  std::cout << "\n"
            << threads << (threads == 1 ? " thread" : " threads") << "\n"
            << std::left << std::setw(12) << "set" << std::right << std::setw(9) << "ours s"
            << std::setw(9) << "peer s" << std::setw(8) << "ratio" << (nodes ? "    Mnodes" : "")
            << "\n";
  std::vector<double> ratios;
  uint64_t allNodes = 0;
  for (const SetTimes& set : times) {
    ratios.push_back(set.ours / set.peer);
    std::cout << std::left << std::setw(12) << ("\"" + set.seed + "\"") << std::right
              << std::setprecision(3) << std::setw(9) << set.ours << std::setw(9) << set.peer
              << std::setprecision(2) << std::setw(8) << ratios.back();
    if (nodes) std::cout << std::setprecision(1) << std::setw(10) << double(set.nodes) / 1e6;
    std::cout << "\n";
    allNodes += set.nodes;
  }
  std::cout << std::setprecision(2) << "median ratio " << tarrow::bench::Median(ratios)
            << ", worst " << *std::max_element(ratios.begin(), ratios.end());
  if (nodes) {
    std::cout << "; our nodes, all sets " << std::setprecision(1) << double(allNodes) / 1e6
              << " million";
  }
  std::cout << std::endl;
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
  std::string cli;
  args.Read("--deal", cli);
  std::vector<int> threadCounts;
  if (threadsText == "1" || threadsText == "both") threadCounts.push_back(1);
  if (threadsText == "2" || threadsText == "both") threadCounts.push_back(2);
  const std::vector<std::string> seeds = SeedsOf(setsText);
  if (!args.Ok() || threadCounts.empty() || seeds.empty() || rounds < 1) {
    std::cerr << "usage: panel_vs_dds [--threads 1|2|both] [--rounds N] [--sets N|SEED,SEED...]\n"
                 "                    [--deal PATH/tarrow-cli]\n";
    return 2;
  }

  std::cout << std::fixed << seeds.size() << " sets of " << tarrow::kBoardsPerSet
            << " boards, best of " << rounds << (rounds == 1 ? " round" : " rounds")
            << ", ratio = ours / peer (below 1: ours faster)\n";
  if (!cli.empty()) {
    std::cout << "ours: " << cli << " deal, end to end\n";
  }
  int differ = 0;
  for (int threads : threadCounts) {
    PrintPanel(RunPanel(seeds, threads, rounds, cli, differ), threads, cli.empty());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::cout << "\npeak memory: " << usage.ru_maxrss / 1024 << " MiB"
            << "\nboards whose tables differ from the peer's (all rounds): " << differ << "\n";
  return differ == 0 ? 0 : 1;
}

// The whole annotate command against the peer library's batch call on the
// same deals.
//
//   build/bin/annotate_vs_dds [--deals D] [--tables T] [--seed TEXT] [--rounds R]
//                             [--folder DIR]
//
// A corpus of D seeded deals (default 2,000) is written twice: as a results
// file, each deal played at T tables (default 4; D x T games with names,
// contract, auction and a remark), and as one game a deal.  Then, for one
// and for two threads, alternating R rounds (default 1): the peer solves
// the D tables with CalcAllTables (40 deals a call, its batch limit, no
// par), and `tarrow-cli annotate` runs as a user runs it on each file
// (process start, reading, solving, par, writing and the rename included).
// Printed per thread count: the medians in seconds, ours / peer for each
// file, deals a second per core, and the peak memory of our process (its
// maximum resident set), and the processor time of both, which a machine
// busy with other work does not stretch.  Our tables are checked against the peer's; the
// exit status is 1 when any differs.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dds/dll.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/annotate.h"
#include "app/annotate_corpus_for_test.h"
#include "bench/bench_args.h"
#include "core/cards.h"
#include "core/deal_number.h"
#include "core/generation.h"
#include "files/pbn_game_scanner.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double OwnCpuSeconds();

// The peer's tables of the deals, 40 at a time; the seconds of its calls
// (wall clock; processor time of all threads added to cpuSeconds).
double PeerSeconds(const std::vector<tarrow::Deal>& deals, int threads,
                   std::vector<tarrow::DDTable>& tables, double& cpuSeconds) {
  using namespace tarrow;
  SetMaxThreads(threads);
  tables.assign(deals.size(), DDTable{});
  double seconds = 0;
  for (size_t first = 0; first < deals.size(); first += MAXNOOFTABLES) {
    const size_t count = std::min<size_t>(MAXNOOFTABLES, deals.size() - first);
    auto batch = std::make_unique<ddTableDeals>();
    batch->noOfTables = int(count);
    for (size_t i = 0; i < count; ++i) {
      const Deal& deal = deals[first + i];
      for (int card = 0; card < 52; ++card) {
        // The peer's holdings: bit 2..14 for deuce..ace.
        batch->deals[i].cards[deal.seatOf[size_t(card)]][card / 13] |= 1u << (14 - card % 13);
      }
    }
    int filter[5] = {0, 0, 0, 0, 0};
    auto results = std::make_unique<ddTablesRes>();
    auto par = std::make_unique<allParResults>();
    const auto start = Clock::now();
    const double cpuStart = OwnCpuSeconds();
    const int code = CalcAllTables(batch.get(), -1, filter, results.get(), par.get());
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    cpuSeconds += OwnCpuSeconds() - cpuStart;
    if (code != RETURN_NO_FAULT) std::cerr << "peer library error " << code << "\n";
    for (size_t i = 0; i < count; ++i) {
      DDTable& table = tables[first + i];
      for (Seat seat : kSeats) {
        // The peer counts strains spades..clubs then notrump.
        table[size_t(DDIndex(seat, kNotrump))] = uint8_t(results->results[i].resTable[4][seat]);
        for (Suit suit : kSuits) {
          table[size_t(DDIndex(seat, StrainOfSuit(suit)))] =
              uint8_t(results->results[i].resTable[suit][seat]);
        }
      }
    }
  }
  return seconds;
}

double CpuSeconds(const rusage& usage) {
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

struct CommandRun {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKiB = 0;
  int status = -1;
};

// tarrow-cli annotate as a user runs it, timed from spawn to exit.
CommandRun RunAnnotate(const fs::path& input, const fs::path& output, int threads) {
  const std::string threadText = std::to_string(threads);
  std::vector<std::string> args = {TARROW_CLI,      "annotate", input.string(), "--out",
                                   output.string(), "--force",  "--threads",    threadText};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  CommandRun run;
  const auto start = Clock::now();
  pid_t pid = 0;
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&pid, TARROW_CLI, &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  run.cpuSeconds = CpuSeconds(usage);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

// Games of an annotated file whose tricks differ from the peer's table of
// their deal (or that have none).
int Differences(const fs::path& annotated, const std::map<std::string, tarrow::DDTable>& peer) {
  std::ifstream in(annotated, std::ios::binary);
  tarrow::PbnGameScanner scanner(in);
  int differ = 0;
  for (tarrow::PbnGame game; scanner.Next(game);) {
    const tarrow::PbnTag* deal = game.Find("Deal");
    if (deal == nullptr) continue;
    const tarrow::PbnTag* tricks = game.Find("DoubleDummyTricks");
    const auto found = peer.find(deal->value);
    if (tricks == nullptr || found == peer.end() ||
        tarrow::ParseDoubleDummyTricks(tricks->value) != found->second) {
      ++differ;
    }
  }
  return differ;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarrow;
  int deals = 2000;
  int tables = 4;
  int rounds = 1;
  std::string seed = "annotate corpus";
  std::string folderText = (fs::temp_directory_path() / "tarrow-annotate-bench").string();
  bench::BenchArgs args(argc, argv);
  args.Read("--deals", deals);
  args.Read("--tables", tables);
  args.Read("--rounds", rounds);
  args.Read("--seed", seed);
  args.Read("--folder", folderText);
  if (!args.Ok() || deals < 1 || tables < 1 || rounds < 1) {
    std::cerr << "usage: annotate_vs_dds [--deals D] [--tables T] [--seed TEXT] [--rounds R] "
                 "[--folder DIR]\n";
    return 2;
  }
  BuildNumberingTables();
  const fs::path folder = folderText;
  fs::create_directories(folder);
  const fs::path results = folder / "results.pbn";
  const fs::path single = folder / "deals.pbn";
  std::ofstream(results, std::ios::binary) << testing::ResultsCorpus(seed, deals, tables);
  std::ofstream(single, std::ios::binary) << testing::ResultsCorpus(seed, deals, 1);
  std::vector<Deal> corpus;
  for (int board = 1; board <= deals; ++board) {
    corpus.push_back(DealFromNumber(SeededDealNumber(seed, board)));
  }
  std::cout << "corpus \"" << seed << "\": " << deals << " deals; " << results.string() << " ("
            << deals * tables << " games, " << fs::file_size(results) / 1024 << " KiB), "
            << single.string() << " (" << deals << " games)\n";

  int differ = 0;
  for (const int threads : {1, 2}) {
    std::vector<double> peer, oursResults, oursSingle, peerCpu, oursResultsCpu, oursSingleCpu;
    long peakKiB = 0;
    for (int round = 0; round < rounds; ++round) {
      std::vector<DDTable> peerTables;
      double cpu = 0;
      peer.push_back(PeerSeconds(corpus, threads, peerTables, cpu));
      peerCpu.push_back(cpu);
      std::cout << "  " << threads << " thread(s), round " << round + 1 << ": peer " << peer.back()
                << " s" << std::flush;
      const CommandRun onResults = RunAnnotate(results, folder / "results.dd.pbn", threads);
      const CommandRun onSingle = RunAnnotate(single, folder / "deals.dd.pbn", threads);
      if (onResults.status != 0 || onSingle.status != 0) {
        std::cerr << "\nannotate failed: exit " << onResults.status << " / " << onSingle.status
                  << "\n";
        return 1;
      }
      oursResults.push_back(onResults.seconds);
      oursSingle.push_back(onSingle.seconds);
      oursResultsCpu.push_back(onResults.cpuSeconds);
      oursSingleCpu.push_back(onSingle.cpuSeconds);
      peakKiB = std::max({peakKiB, onResults.peakKiB, onSingle.peakKiB});
      std::cout << ", ours " << onResults.seconds << " s (results file), " << onSingle.seconds
                << " s (one game a deal)\n";
      if (round == 0) {
        std::map<std::string, DDTable> byDeal;
        for (size_t i = 0; i < corpus.size(); ++i) {
          byDeal[PbnDealText(corpus[i], BoardDealer(int(i) + 1))] = peerTables[i];
        }
        differ += Differences(folder / "results.dd.pbn", byDeal);
        differ += Differences(folder / "deals.dd.pbn", byDeal);
      }
    }
    const double p = Median(peer), r = Median(oursResults), s = Median(oursSingle);
    std::cout << std::fixed << std::setprecision(3) << threads << " thread(s), medians of "
              << rounds << ": peer " << p << " s; ours " << r << " s on the results file (ratio "
              << r / p << "), " << s << " s one game a deal (ratio " << s / p << ")\n"
              << "  deals a second per core: peer " << deals / p / threads << ", ours "
              << deals / r / threads << " / " << deals / s / threads
              << "; peak memory of our process " << peakKiB / 1024 << " MiB\n"
              << "  processor time (a busy machine stretches the clock, not this): peer "
              << Median(peerCpu) << " s; ours " << Median(oursResultsCpu) << " s (ratio "
              << Median(oursResultsCpu) / Median(peerCpu) << "), " << Median(oursSingleCpu)
              << " s (ratio " << Median(oursSingleCpu) / Median(peerCpu) << ")\n"
              << std::defaultfloat;
  }
  std::cout << "games whose tables differ from the peer's: " << differ << "\n";
  return differ == 0 ? 0 : 1;
}

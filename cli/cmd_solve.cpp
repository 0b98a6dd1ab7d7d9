// tarrow-cli solve [--threads N] [--table] DEAL...
#include <iomanip>
#include <iostream>
#include <sstream>
#include <vector>

#include "analysis/runner.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/pbn_deal.h"

namespace tarrow::cli {
namespace {

const OptionSpec kSolveOptions = {.values = {"--threads"}, .flags = {"--table"}};

struct DealToSolve {
  std::string where;  // "argument 2", "standard input line 5"
  DealNumber number;
};

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// Reads and checks every deal before any is solved; the message names the
// first bad one by its place.
Result<std::vector<DealToSolve>> CollectDeals(const std::vector<std::string>& positional) {
  std::vector<DealToSolve> deals;
  bool stdinRead = false;
  auto add = [&](std::string where, std::string_view text) -> Status {
    const Result<Deal> deal = ParsePbnDeal(text);
    if (!deal.ok()) return Status::Error("deal at " + where + ": " + deal.message());
    deals.push_back({std::move(where), deal->number});
    return Status();
  };
  for (size_t i = 0; i < positional.size(); ++i) {
    if (positional[i] != "-") {
      Status status = add("argument " + std::to_string(i + 1), positional[i]);
      if (!status.ok()) return status;
      continue;
    }
    if (stdinRead) continue;  // a second "-" finds standard input used up
    stdinRead = true;
    std::string line;
    for (int lineNumber = 1; std::getline(std::cin, line); ++lineNumber) {
      if (IsBlank(line)) continue;
      Status status = add("standard input line " + std::to_string(lineNumber), line);
      if (!status.ok()) return status;
    }
  }
  return deals;
}

std::string LineText(const DDTable& table) {
  std::string text;
  for (size_t i = 0; i < table.size(); ++i) {
    if (i > 0) text += ' ';
    text += std::to_string(table[i]);
  }
  return text;
}

// Declarers as rows, strains as columns.
std::string GridText(const DDTable& table) {
  std::ostringstream out;
  out << "  ";
  for (std::string_view label : kStrainLabels) out << std::setw(4) << label;
  out << '\n';
  for (Seat seat : kSeats) {
    out << kSeatLetters[size_t(seat)] << ' ';
    for (Strain strain : kStrains) {
      out << std::setw(4) << int(table[size_t(DDIndex(seat, strain))]);
    }
    out << '\n';
  }
  return out.str();
}

int RunSolve(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kSolveOptions);
  if (!args.ok()) return UsageError("solve", args.message());
  if (args->positional.empty()) return UsageError("solve", "no deal given");
  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  const App& app = *made;
  const Result<int> threadCount = ThreadCount(*args, app);
  if (!threadCount.ok()) return UsageError("solve", threadCount.message());

  const Result<std::vector<DealToSolve>> deals = CollectDeals(args->positional);
  if (!deals.ok()) return Failure(deals.message());
  if (deals->empty()) return kExitOk;  // only empty lines on standard input

  // The analysis workers solve them: each deal's ten side-and-strain jobs
  // are shared among the threads.
  std::vector<DealNumber> numbers;
  for (const DealToSolve& deal : *deals) numbers.push_back(deal.number);
  const Result<std::vector<DDTable>> solved = SolveDeals(numbers, *threadCount);
  if (!solved.ok()) return Failure(solved.message());
  const std::vector<DDTable>& tables = *solved;

  for (size_t i = 0; i < tables.size(); ++i) {
    if (args->Has("--table")) {
      if (i > 0) std::cout << '\n';
      std::cout << (*deals)[i].where << '\n' << GridText(tables[i]);
    } else {
      std::cout << LineText(tables[i]) << '\n';
    }
  }
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kSolveCommand{
    "solve", "solve deals double dummy",
    "Usage: tarrow-cli solve [--threads N] [--table] DEAL...\n\n"
    "Solves each deal double dummy: the tricks each seat takes as declarer in\n"
    "each strain when all four hands are visible and both sides play perfectly.\n"
    "A DEAL is a PBN Deal value (\"N:AKQ.. ...\", the first seat's hand, then the\n"
    "others clockwise); \"-\" reads one deal per line from standard input\n"
    "(empty lines are skipped).  Every deal is checked before any is solved.\n\n"
    "Output: one line per deal, in input order, with the 20 tricks separated\n"
    "by one blank: declarer North, East, South, West, each in NT, S, H, D, C.\n\n"
    "Options:\n"
    "  --threads N   solve on N threads, 1..8 (default: the Threads to Use\n"
    "                setting, else the number of processors, at most 8); each\n"
    "                thread takes 128 MiB\n"
    "  --table       print each deal's tricks as a grid, declarers as rows\n\n"
    "Examples:\n"
    "  tarrow-cli solve \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 "
    "A432.QT94.83.T83\"\n"
    "  tarrow-cli boards --seed abc | cut -f3 | tarrow-cli solve --table -\n",
    RunSolve, kSolveOptions};

}  // namespace tarrow::cli

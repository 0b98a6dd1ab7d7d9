// tarrow-cli boards --seed TEXT
#include <iostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/deal_number.h"
#include "core/generation.h"

namespace tarrow::cli {
namespace {

const OptionSpec kBoardsOptions = {.values = {"--seed"}, .flags = {}};

int RunBoards(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kBoardsOptions);
  if (!args.ok()) return UsageError("boards", args.message());
  if (!args->positional.empty()) {
    return UsageError("boards", "unexpected argument " + Quoted(args->positional[0]));
  }
  if (!args->Has("--seed")) return UsageError("boards", "--seed is required");
  const Result<std::string> seed = SeedArgument(*args);
  if (!seed.ok()) return UsageError("boards", seed.message());

  for (int board = 1; board <= 36; ++board) {
    const DealNumber number = SeededDealNumber(*seed, board);
    std::cout << board << '\t' << DealNumberHexText(number) << '\t'
              << PbnDealText(DealFromNumber(number), BoardDealer(board)) << '\n';
  }
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kBoardsCommand{
    "boards", "print the 36 boards a seed deals",
    "Usage: tarrow-cli boards --seed TEXT\n\n"
    "Prints the 36 boards that the seed deals, one line per board: the board\n"
    "number, a TAB, the deal number in hex, a TAB, and the deal as a PBN Deal\n"
    "value starting with the dealer.  The seed counts exactly as typed (case,\n"
    "blanks and punctuation); only its first 79 characters are used.\n\n"
    "Example:\n  tarrow-cli boards --seed abc\n",
    RunBoards, kBoardsOptions};

}  // namespace tarrow::cli

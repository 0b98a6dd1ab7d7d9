// tarrow-cli number VALUE | number --deal "N:..."
#include <iostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow::cli {
namespace {

const OptionSpec kNumberOptions = {.values = {"--deal"}, .flags = {}};

int RunNumber(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kNumberOptions);
  if (!args.ok()) return UsageError("number", args.message());
  DealNumber number;
  if (args->Has("--deal")) {
    if (!args->positional.empty()) {
      return UsageError("number", "give either a number or --deal, not both");
    }
    const Result<Deal> deal = ParsePbnDeal(args->Value("--deal"));
    if (!deal.ok())
      return Failure("bad deal " + Quoted(args->Value("--deal")) + ": " + deal.message());
    number = deal->number;
  } else {
    if (args->positional.size() != 1) {
      return UsageError("number", "give one deal number (or --deal \"N:...\")");
    }
    const Result<DealNumber> parsed = ParseDealNumber(args->positional[0]);
    if (!parsed.ok()) return Failure(parsed.message());
    number = *parsed;
  }
  std::cout << DealNumberHexText(number) << '\n'
            << DealNumberDecimalText(number) << '\n'
            << DealNumberBase64Text(number) << '\n'
            << PbnDealText(DealFromNumber(number), kNorth) << '\n';
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kNumberCommand{
    "number", "convert between a deal number and its deal",
    "Usage: tarrow-cli number VALUE\n"
    "       tarrow-cli number --deal \"N:AKQ.. ...\"\n\n"
    "Prints four lines: the deal number in hex, in decimal, in base64, and the\n"
    "deal as a PBN Deal value starting with North.\n\n"
    "VALUE is hexadecimal (24 digits; blanks allowed, as the hex line prints\n"
    "it) or decimal (digits alone, or in groups of three parted by commas or\n"
    "blanks, as the decimal line prints them).  Digits alone are read as decimal\n"
    "unless they contain a letter A-F or are written in three groups of eight,\n"
    "as the hex line prints them.\n"
    "--deal reads a PBN Deal value with any first seat.\n\n"
    "Examples:\n"
    "  tarrow-cli number \"48DB1DE1 5ED13920 FC4FE771\"\n"
    "  tarrow-cli number 22,547,816,567,610,173,465,337,784,177\n"
    "  tarrow-cli number --deal \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 "
    "A432.QT94.83.T83\"\n",
    RunNumber, kNumberOptions};

}  // namespace tarrow::cli

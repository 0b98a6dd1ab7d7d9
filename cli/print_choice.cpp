#include "cli/print_choice.h"

#include "core/deal_set.h"

namespace tarrow::cli {

Result<PrintChoice> ReadPrintChoice(const ParsedArgs& args) {
  PrintChoice choice;
  const std::string what = args.Value("--what", "hand-records");
  if (what == "hand-records") {
    choice.what = PrintedOutput::kHandRecords;
  } else if (what == "setup-sheets") {
    choice.what = PrintedOutput::kSetupSheets;
  } else if (what == "travelers") {
    choice.what = PrintedOutput::kTravelers;
  } else {
    return Status::Error("--what takes hand-records, setup-sheets or travelers, not " +
                         Quoted(what));
  }
  const Result<int> last = ReadLastBoard(args);
  if (!last.ok()) return last.status();
  choice.lastBoard = *last;
  return choice;
}

Result<int> ReadLastBoard(const ParsedArgs& args) {
  if (!args.Has("--last-board")) return 0;
  return IntegerOption(args, "--last-board", 1, kBoardsPerSet);
}

std::string_view OutputName(PrintedOutput what) {
  switch (what) {
    case PrintedOutput::kHandRecords:
      return "hand records";
    case PrintedOutput::kSetupSheets:
      return "setup sheets";
    case PrintedOutput::kTravelers:
      return "travelers";
  }
  return "";
}

}  // namespace tarrow::cli

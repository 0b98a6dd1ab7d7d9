#include "cli/print_choice.h"

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
  if (args.Has("--last-board")) {
    if (choice.what == PrintedOutput::kHandRecords) {
      return Status::Error("--last-board is for setup sheets and travelers; hand records always "
                           "show boards 1 to 36");
    }
    const Result<int> last = IntegerOption(args, "--last-board", 1, 36);
    if (!last.ok()) return last.status();
    choice.lastBoard = *last;
  }
  return choice;
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

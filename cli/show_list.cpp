#include "cli/show_list.h"

#include <sstream>

namespace tarrow::cli {

Status ReadShowList(const std::string& list, HandRecordOptions& options) {
  options.showDistributions = options.showDealNumbers = options.showLtc = options.showAnalysis =
      options.showPar = false;
  if (list == "none") return Status();
  std::istringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    if (item == "distributions") {
      options.showDistributions = true;
    } else if (item == "numbers") {
      options.showDealNumbers = true;
    } else if (item == "ltc") {
      options.showLtc = true;
    } else if (item == "analysis") {
      options.showAnalysis = true;
    } else if (item == "par") {
      options.showPar = true;
    } else {
      return Status::Error(
          "--show takes a comma list of distributions, numbers, ltc, analysis "
          "and par (or none), not \"" +
          item + "\"");
    }
  }
  return Status();
}

Result<HandRecordOptions> HandRecordOptionsArgument(const ParsedArgs& args,
                                                    HandRecordOptions options) {
  if (args.Has("--show")) {
    if (const Status shown = ReadShowList(args.Value("--show"), options); !shown.ok()) {
      return shown;
    }
  }
  if (args.Has("--all-tricks")) options.allTricks = true;
  if (args.Has("--ltc-method")) {
    const Result<int> method = IntegerOption(args, "--ltc-method", 1, 3);
    if (!method.ok()) return method.status();
    options.queenMethod = QueenMethodFromIndex(*method - 1);
  }
  return options;
}

}  // namespace tarrow::cli

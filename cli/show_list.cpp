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

}  // namespace tarrow::cli

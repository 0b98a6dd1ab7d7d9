// What the commands that print the boards of one set file share (show,
// par): the command line "FILE [--board N] [--event N|NAME]", the file opened through the
// command line's App (CommandApp), and the text they make written out as UTF-8.
//
//   return RunOnSetFile("par", args, [](const DealSet& set, int only, std::ostream& out) {
//     ...  // only is the --board number, 0 for every board
//   });
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "core/deal_set.h"

namespace tarrow::cli {

inline const OptionSpec kSetFileOptions = {.values = {"--board", "--event"}, .flags = {}};

using SetFilePrinter = std::function<void(const DealSet& set, int onlyBoard, std::ostream& out)>;

// A wrong command line exits 2 (naming the command), a file that cannot be
// read 1 (naming the file), otherwise what print wrote goes to standard
// output and the exit status says whether that worked.
int RunOnSetFile(std::string_view command, const std::vector<std::string>& argList,
                 const SetFilePrinter& print);

}  // namespace tarrow::cli

// What the printing commands (print, pdf) print: "--what" and "--last-board",
// read and checked in one place.
//
//   Result<PrintChoice> choice = ReadPrintChoice(*args);
//   if (!choice.ok()) return UsageError("print", choice.message());
#pragma once

#include <string_view>

#include "cli/cli_args.h"
#include "core/result.h"

namespace tarrow::cli {

enum class PrintedOutput { kHandRecords, kSetupSheets, kTravelers };

struct PrintChoice {
  PrintedOutput what = PrintedOutput::kHandRecords;
  // Boards 1..lastBoard; 0 when not given: the settings' boards in play.
  int lastBoard = 0;
};

// "--what hand-records|setup-sheets|travelers" (default hand records) and
// "--last-board 1..36" (for all three).  The message names the option and
// what it takes.
Result<PrintChoice> ReadPrintChoice(const ParsedArgs& args);

// "--last-board 1..36", 0 when it is not given.
Result<int> ReadLastBoard(const ParsedArgs& args);

// "hand records", "setup sheets", "travelers".
std::string_view OutputName(PrintedOutput what);

}  // namespace tarrow::cli

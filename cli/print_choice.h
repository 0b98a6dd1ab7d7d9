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
  int lastBoard = 36;  // setup sheets and travelers: boards 1..lastBoard
};

// "--what hand-records|setup-sheets|travelers" (default hand records) and
// "--last-board 1..36" (default 36; only with setup sheets and travelers).
// The message names the option and what it takes.
Result<PrintChoice> ReadPrintChoice(const ParsedArgs& args);

// "hand records", "setup sheets", "travelers".
std::string_view OutputName(PrintedOutput what);

}  // namespace tarrow::cli

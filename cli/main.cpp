// tarrow-cli: the headless face of Tarrow, for scripts and batch work.
#include <algorithm>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/atomic_file.h"
#include "core/banner.h"
#include "core/deal_number.h"

namespace tarrow::cli {
namespace {

void PrintHelp(std::ostream& out) {
  out << kProgramBanner << ": duplicate bridge sets from a seed text\n\n"
      << "Usage: tarrow-cli COMMAND [OPTIONS]\n\nCommands:\n";
  for (const Command* command : AllCommands()) {
    out << "  " << command->name << std::string(10 - command->name.size(), ' ') << command->summary
        << "\n";
  }
  out << "\n'tarrow-cli COMMAND --help' tells more about a command.\n"
      << "Exit status: 0 done, 1 bad input or a failed write, 2 a wrong command line,\n"
      << "130 stopped by Ctrl-C, 143 by SIGTERM, 129 by SIGHUP (what was done is saved).\n";
}

// Edits (a letter added, dropped or changed) between two words.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command a mistyped or British-spelt name ("analyse") stands for.
const Command* NearestCommand(std::string_view name) {
  const Command* nearest = nullptr;
  size_t best = 3;  // two edits at most
  for (const Command* command : AllCommands()) {
    const size_t distance = EditDistance(name, command->name);
    if (distance < best) {
      best = distance;
      nearest = command;
    }
  }
  return nearest;
}

int Main(int argc, char** argv) {
  RemoveScratchFilesOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  if (args[0] == "--version") {
    std::cout << kProgramBanner << "\n";
    return kExitOk;
  }
  for (const Command* command : AllCommands()) {
    if (args[0] != command->name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    // Help wherever an option may stand, and nothing else: a run must not
    // start because "--help" came after other options.
    if (AsksForHelp(rest, command->options)) {
      std::cout << command->help;
      return std::cout.flush() ? kExitOk : kExitError;
    }
    return command->run(rest);
  }
  std::cerr << "tarrow-cli: unknown command " << Quoted(args[0]);
  if (const Command* nearest = NearestCommand(args[0])) {
    std::cerr << "; did you mean " << Quoted(std::string(nearest->name)) << "?";
  }
  std::cerr << "\n";
  PrintHelp(std::cerr);
  return kExitUsage;
}

}  // namespace
}  // namespace tarrow::cli

int main(int argc, char** argv) {
  tarrow::BuildNumberingTables();
  return tarrow::cli::Main(argc, argv);
}

// tarrow-cli: the headless face of Tarrow, for scripts and batch work.
#include <iostream>

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
  std::cerr << "tarrow-cli: unknown command " << Quoted(args[0]) << "\n";
  PrintHelp(std::cerr);
  return kExitUsage;
}

}  // namespace
}  // namespace tarrow::cli

int main(int argc, char** argv) {
  tarrow::BuildNumberingTables();
  return tarrow::cli::Main(argc, argv);
}

// tarrow-cli: the headless face of Tarrow, for scripts and batch work.
#include <array>
#include <iostream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/banner.h"
#include "core/deal_number.h"

namespace tarrow::cli {
namespace {

const std::array kCommands = {&kBoardsCommand,  &kNumberCommand,   &kSolveCommand,
                              &kDealCommand,    &kAnalyzeCommand,  &kShowCommand,
                              &kPdfCommand,     &kParCommand,      &kPrintersCommand,
                              &kPrintCommand,   &kMultiCommand,
#ifdef TARROW_CLI_RENDER
                              &kRenderCommand,
#endif
};

void PrintHelp(std::ostream& out) {
  out << kProgramBanner << ": duplicate bridge sets from a seed text\n\n"
      << "Usage: tarrow-cli COMMAND [OPTIONS]\n\nCommands:\n";
  for (const Command* command : kCommands) {
    out << "  " << command->name << std::string(10 - command->name.size(), ' ') << command->summary
        << "\n";
  }
  out << "\n'tarrow-cli COMMAND --help' tells more about a command.\n"
      << "Exit status: 0 done, 1 bad input or a failed write, 2 a wrong command line,\n"
      << "130 stopped by Ctrl-C.\n";
}

int Main(int argc, char** argv) {
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
  for (const Command* command : kCommands) {
    if (args[0] != command->name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    // Help is asked for only where an option stands: first, or wherever the
    // command's own options leave an option position.
    const bool helpFirst = !rest.empty() && (rest[0] == "--help" || rest[0] == "-h");
    const Result<ParsedArgs> parsed = ParseArgs(rest, command->options);
    if (helpFirst || (parsed.ok() && parsed->Has("--help"))) {
      std::cout << command->help;
      return kExitOk;
    }
    return command->run(rest);
  }
  std::cerr << "tarrow-cli: unknown command '" << args[0] << "'\n";
  PrintHelp(std::cerr);
  return kExitUsage;
}

}  // namespace
}  // namespace tarrow::cli

int main(int argc, char** argv) {
  tarrow::BuildNumberingTables();
  return tarrow::cli::Main(argc, argv);
}

// The commands of tarrow-cli.  Each lives in its own cmd_*.cpp and is listed
// once, in AllCommands.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"

namespace tarrow::cli {

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for the program's help
  std::string_view help;     // the command's own --help text
  int (*run)(const std::vector<std::string>& args);
  // The options the command knows, so that "--help" and "-h" are told
  // apart from an option's value ("deal --seed -h" deals the seed "-h").
  OptionSpec options = {};
};

extern const Command kBoardsCommand;
extern const Command kNumberCommand;
extern const Command kSolveCommand;
extern const Command kDealCommand;
extern const Command kAnalyzeCommand;
extern const Command kShowCommand;
extern const Command kPdfCommand;
extern const Command kHtmlCommand;
extern const Command kExportCommand;
extern const Command kPrintersCommand;
extern const Command kPrintCommand;
extern const Command kMultiCommand;
extern const Command kParCommand;
extern const Command kAnnotateCommand;
extern const Command kRenderCommand;

// Every command, in the order the program's help lists them.
inline std::span<const Command* const> AllCommands() {
  static const std::array kCommands = {
      &kBoardsCommand,   &kNumberCommand, &kSolveCommand, &kDealCommand,     &kAnalyzeCommand,
      &kShowCommand,     &kPdfCommand,    &kHtmlCommand,  &kExportCommand,   &kParCommand,
      &kPrintersCommand, &kPrintCommand,  &kMultiCommand, &kAnnotateCommand, &kRenderCommand,
  };
  return kCommands;
}

}  // namespace tarrow::cli

#include "cli/set_file_command.h"

#include <iostream>
#include <sstream>

#include "app/app.h"
#include "core/cp1252.h"

namespace tarrow::cli {

int RunOnSetFile(std::string_view command, const std::vector<std::string>& argList,
                 const SetFilePrinter& print) {
  const Result<ParsedArgs> args = ParseArgs(argList, kSetFileOptions);
  if (!args.ok()) return UsageError(command, args.message());
  if (args->positional.size() != 1) return UsageError(command, "give one set file");
  int only = 0;
  if (args->Has("--board")) {
    const Result<int> board = IntegerOption(*args, "--board", 1, kBoardsPerSet);
    if (!board.ok()) return UsageError(command, board.message());
    only = *board;
  }
  QueueExecutor executor;
  const std::unique_ptr<App> app = CommandApp(executor);
  const Status loaded = OpenSetFile(*app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());
  std::ostringstream out;
  print(app->Set(), only, out);
  std::cout << Cp1252ToUtf8(out.str());
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace tarrow::cli

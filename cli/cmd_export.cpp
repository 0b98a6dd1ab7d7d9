// tarrow-cli export FILE --format dup|bri|bre|ber [--out FILE] [--last-board N] [--force]
// (--boards N is the older name of --last-board N)
#include <iostream>

#include "app/exports.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"

namespace tarrow::cli {
namespace {

const OptionSpec kExportOptions = {
    .values = {"--event", "--format", "--out", "--last-board", "--boards"}, .flags = {"--force"}};

int RunExport(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kExportOptions);
  if (!args.ok()) return UsageError("export", args.message());
  if (args->positional.size() != 1) return UsageError("export", "give one set file");
  if (!args->Has("--format")) return UsageError("export", "give --format dup, bri, bre or ber");
  const std::optional<DealFileFormat> format = DealFileFormatFromName(args->Value("--format"));
  if (!format) {
    return UsageError(
        "export", "--format takes dup, bri, bre or ber, not " + Quoted(args->Value("--format")));
  }
  // --boards is the older name of --last-board; both may be given when they agree.
  int lastBoard = 0;
  for (const char* option : {"--last-board", "--boards"}) {
    if (!args->Has(option)) continue;
    const Result<int> last = IntegerOption(*args, option, 1, kBoardsPerSet);
    if (!last.ok()) return UsageError("export", last.message());
    if (lastBoard != 0 && *last != lastBoard) {
      return UsageError("export", "--last-board " + std::to_string(lastBoard) + " and --boards " +
                                      std::to_string(*last) + " disagree; give one of them");
    }
    lastBoard = *last;
  }

  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  const Status loaded = OpenSetFile(app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());
  if (lastBoard == 0) lastBoard = ExportLastBoard(app);
  if (lastBoard == 0) return Failure(args->positional[0] + " holds no board with a deal");

  std::filesystem::path out = ExportPath(app, DealFileExtension(*format));
  if (args->Has("--out")) out = args->Value("--out");
  const OutputVerdict verdict = ExportDealFile(app, *format, out, lastBoard, args->Has("--force"));
  if (const int refused = RefusedOutputs(verdict, "--force")) return refused;
  std::cout << "Wrote boards 1-" << lastBoard << " to " << out.string() << "\n";
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kExportCommand{
    "export", "write a set's boards as a file for a dealing machine",
    "Usage: tarrow-cli export FILE --format dup|bri|bre|ber [--out FILE]\n"
    "                         [--last-board N] [--force]\n\n"
    "Writes the boards of a PBN set (or of a .dup, .bri, .bre or .ber file) as a\n"
    "file a dealing machine reads, beside FILE with the format's extension, or\n"
    "to --out.  Every board from 1 to the last must have a deal: a machine\n"
    "cannot deal a board nobody knows.\n\n"
    "  --format F      dup (156 bytes a board, the form most club machines read),\n"
    "                  bri (card numbers), bre (hands by suit) or ber (seat digits)\n"
    "  --last-board N  boards 1 to N, 1 to 36 (default: the window program's\n"
    "                  boards in play, 36 until set there, or the set's last\n"
    "                  board with a deal when that comes first); --boards N is\n"
    "                  its older name\n"
    "  --out FILE      where to write; its name must not end in another deal or\n"
    "                  set file's extension\n"
    "  --force         replace a file that holds other deals or other data\n\n"
    "Examples:\n"
    "  tarrow-cli export club.pbn --format dup\n"
    "  tarrow-cli export club.pbn --format bri --last-board 24 --out tuesday.bri\n",
    RunExport, kExportOptions};

}  // namespace tarrow::cli

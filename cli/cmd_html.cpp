// tarrow-cli html FILE [--out FILE.html] [--show LIST] [--all-tricks] [--ltc-method 1|2|3]
//                      [--club TEXT] [--last-board N]
#include <iostream>

#include "app/exports.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"
#include "cli/print_choice.h"
#include "cli/show_list.h"

namespace tarrow::cli {
namespace {

const OptionSpec kHtmlOptions = {
    .values = {"--event", "--out", "--show", "--ltc-method", "--club", "--last-board"},
    .flags = {"--all-tricks", "--force"}};

int RunHtml(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kHtmlOptions);
  if (!args.ok()) return UsageError("html", args.message());
  if (args->positional.size() != 1) return UsageError("html", "give one set file");

  // The window's choices are the defaults; the options change them for
  // this run only (the settings file is only read).
  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  const Result<HandRecordOptions> chosen =
      HandRecordOptionsArgument(*args, app.HandRecordChoices());
  if (!chosen.ok()) return UsageError("html", chosen.message());
  const HandRecordOptions options = *chosen;
  const Result<std::string> club = ArgumentText(*args, "--club");
  if (!club.ok()) return UsageError("html", club.message());
  const Result<int> lastBoard = ReadLastBoard(*args);
  if (!lastBoard.ok()) return UsageError("html", lastBoard.message());
  if (*lastBoard != 0) app.SetNumber(NumberSetting::kBoardsInPlay, *lastBoard);

  const Status loaded = OpenSetFile(app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());
  if (args->Has("--club")) app.SetClub(*club);
  std::filesystem::path out = ExportPath(app, ".html");
  if (args->Has("--out")) out = args->Value("--out");
  const OutputVerdict written = WriteHandRecordsHtml(app, out, options, args->Has("--force"));
  if (const int refused = RefusedOutputs(written, "--force")) return refused;
  std::cout << "Wrote " << out.string() << "\n";
  return std::cout.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kHtmlCommand{
    "html", "write hand records as one web page",
    "Usage: tarrow-cli html FILE [--out FILE.html] [--show LIST] [--all-tricks]\n"
    "                       [--ltc-method 1|2|3] [--club TEXT] [--last-board N]\n"
    "                       [--force]\n\n"
    "Writes the hand records of a PBN set (or of a .dup, .bri, .bre or .ber file)\n"
    "as one self-contained web page (HTML, UTF-8, nothing fetched from elsewhere)\n"
    "beside FILE with the extension .html, or to --out.  It reads on a phone and\n"
    "a large screen and prints four boards to a row.  Each board's element\n"
    "carries its deal for scripts: data-deal=\"N:...\", North first.\n\n"
    "  --show LIST     what each board shows besides the hands and points: a\n"
    "                  comma list of distributions, numbers (deal numbers), ltc\n"
    "                  (losing trick counts), analysis (double-dummy results) and\n"
    "                  par, or none.  Default: what the window program's settings\n"
    "                  show.\n"
    "  --all-tricks    show the double-dummy trick table instead of the\n"
    "                  makeable contracts (default: the settings' choice)\n"
    "  --ltc-method    queen adjustment of the losing trick count (default:\n"
    "                  the settings' choice), as for 'tarrow-cli pdf'\n"
    "  --club TEXT     the club name at the top (default: the set's club)\n"
    "  --last-board N  boards 1 to N, 1 to 36 (default: the window program's\n"
    "                  boards in play, 36 until set there)\n"
    "  --force         replace a file at the page's name that this program did\n"
    "                  not write (a page of this program is replaced without it)\n\n"
    "Examples:\n"
    "  tarrow-cli html club.pbn\n"
    "  tarrow-cli html club.pbn --out web/tuesday.html --show analysis,par --all-tricks\n",
    RunHtml, kHtmlOptions};

}  // namespace tarrow::cli

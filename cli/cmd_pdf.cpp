// tarrow-cli pdf FILE [--out FILE.pdf] [--show LIST] [--all-tricks] [--ltc-method 1|2|3]
//                     [--club TEXT]
#include <iostream>
#include <sstream>

#include "app/app.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

namespace tarrow::cli {
namespace {

const OptionSpec kPdfOptions = {.values = {"--out", "--show", "--ltc-method", "--club"}, .flags = {"--all-tricks"}};

// "distributions,ltc,analysis" -> the show flags; "none" clears them all.
Status ReadShowList(const std::string& list, HandRecordOptions& options) {
  options.showDistributions = options.showDealNumbers = options.showLtc = options.showAnalysis =
      false;
  if (list == "none") return Status();
  std::istringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    if (item == "distributions") {
      options.showDistributions = true;
    } else if (item == "numbers") {
      options.showDealNumbers = true;
    } else if (item == "ltc") {
      options.showLtc = true;
    } else if (item == "analysis") {
      options.showAnalysis = true;
    } else {
      return Status::Error(
          "--show takes a comma list of distributions, numbers, ltc and "
          "analysis (or none), not \"" +
          item + "\"");
    }
  }
  return Status();
}

int RunPdf(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(
      argList,
      kPdfOptions);
  if (!args.ok()) return UsageError("pdf", args.message());
  if (args->positional.size() != 1) return UsageError("pdf", "give one set file");

  // The window's choices are the defaults; the options change them for
  // this run only (the settings file is only read).
  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  HandRecordOptions options = app.HandRecordChoices();
  if (args->Has("--show")) {
    const Status shown = ReadShowList(args->Value("--show"), options);
    if (!shown.ok()) return UsageError("pdf", shown.message());
  }
  if (args->Has("--all-tricks")) options.allTricks = true;
  if (args->Has("--ltc-method")) {
    const Result<int> method = IntegerOption(*args, "--ltc-method", 1, 3);
    if (!method.ok()) return UsageError("pdf", method.message());
    options.queenMethod = QueenMethodFromIndex(*method - 1);
  }
  app.SetHandRecordChoices(options);
  const Result<std::string> club = ArgumentText(*args, "--club");
  if (!club.ok()) return UsageError("pdf", club.message());

  const Status loaded = app.OpenFile(args->positional[0]);
  if (!loaded.ok()) return Failure(loaded.message());
  if (args->Has("--club")) app.fields.club = *club;
  std::filesystem::path out = app.PdfPath();
  if (args->Has("--out")) out = args->Value("--out");
  const Status written = app.WriteHandRecordsTo(out);
  if (!written.ok()) return Failure(written.message());
  std::cout << "Wrote " << out.string() << "\n";
  return kExitOk;
}

}  // namespace

const Command kPdfCommand{
    "pdf", "write the hand records of a set as a PDF",
    "Usage: tarrow-cli pdf FILE [--out FILE.pdf] [--show LIST] [--all-tricks]\n"
    "                      [--ltc-method 1|2|3] [--club TEXT]\n\n"
    "Writes the two A4 pages of hand records of a PBN set (or of a .bre, .ber\n"
    "or .bri deal file) beside FILE with the extension .pdf, or to --out.\n\n"
    "  --show LIST     what each board shows besides the hands and points: a\n"
    "                  comma list of distributions, numbers (deal numbers), ltc\n"
    "                  (losing trick counts) and analysis (double-dummy results),\n"
    "                  or none.  Default: what the window program's settings\n"
    "                  show (nothing of these before they are first saved).\n"
    "                  Analysis takes the place of distributions and LTC on\n"
    "                  analysed boards.\n"
    "  --all-tricks    show the double-dummy trick table instead of the\n"
    "                  makeable contracts (default: the settings' choice)\n"
    "  --ltc-method    queen adjustment of the losing trick count (default:\n"
    "                  the settings' choice):\n"
    "                  1 unguarded queens count half a loser,\n"
    "                  2 a loser more or less when queens and aces differ,\n"
    "                  3 half a loser per excess queen or ace\n"
    "  --club TEXT     the club name at the top (default: the set's club)\n\n"
    "Examples:\n"
    "  tarrow-cli pdf club.pbn\n"
    "  tarrow-cli pdf club.pbn --out records.pdf --show analysis,numbers --all-tricks\n",
    RunPdf,
    kPdfOptions};

}  // namespace tarrow::cli

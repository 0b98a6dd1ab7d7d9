// tarrow-cli pdf FILE [--out FILE.pdf] [--show LIST] [--all-tricks] [--ltc-method 1|2|3]
//                     [--club TEXT] [--last-board N]
#include <iostream>
#include <sstream>

#include "app/app.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"
#include "cli/print_choice.h"
#include "cli/show_list.h"

namespace tarrow::cli {
namespace {

const OptionSpec kPdfOptions = {
    .values = {"--event", "--out", "--show", "--ltc-method", "--club", "--what", "--last-board"},
    .flags = {"--all-tricks", "--force"}};

// When the boards in play cut the pages short: ": boards 1-5 (Last Board 5)".
std::string BoardsNote(const App& app) {
  if (app.BoardsInPlay() >= kBoardsPerSet) return "";
  const std::string last = std::to_string(app.BoardsInPlay());
  return ": boards 1-" + last + " (Last Board " + last + ")";
}

// Setup sheets or travelers as a PDF, page for page as the printer prints
// them: beside the set as NAME-setup-sheets.pdf or NAME-travelers.pdf, or
// to --out.
int WriteSheetsPdf(App& app, const PrintChoice& choice, const ParsedArgs& args) {
  const SheetKind kind =
      choice.what == PrintedOutput::kSetupSheets ? SheetKind::kSetupSheets : SheetKind::kTravelers;
  const std::filesystem::path out =
      args.Has("--out") ? std::filesystem::path(args.Value("--out")) : app.SheetsPdfPath(kind);
  const Verdict written = app.WriteSheetsPdf(kind, out, app.BoardsInPlay(), ForceWord(args));
  if (const int refused = Refused(written, "--force")) return refused;
  std::cout << "Wrote " << out.string() << BoardsNote(app) << "\n";
  return kExitOk;
}

int RunPdf(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kPdfOptions);
  if (!args.ok()) return UsageError("pdf", args.message());
  if (args->positional.size() != 1) return UsageError("pdf", "give one set file");
  const Result<PrintChoice> choice = ReadPrintChoice(*args);
  if (!choice.ok()) return UsageError("pdf", choice.message());
  if (choice->what != PrintedOutput::kHandRecords) {
    for (const char* option : {"--show", "--all-tricks", "--ltc-method", "--club"}) {
      if (args->Has(option))
        return UsageError("pdf", std::string(option) + " is for hand records only");
    }
  }

  // The window's choices are the defaults; the options change them for
  // this run only (the settings file is only read).
  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  const Result<HandRecordOptions> chosen =
      HandRecordOptionsArgument(*args, app.HandRecordChoices());
  if (!chosen.ok()) return UsageError("pdf", chosen.message());
  HandRecordOptions options = *chosen;
  app.SetHandRecordChoices(options);
  if (choice->lastBoard != 0) app.SetNumber(NumberSetting::kBoardsInPlay, choice->lastBoard);
  const Result<std::string> club = ArgumentText(*args, "--club");
  if (!club.ok()) return UsageError("pdf", club.message());

  const Status loaded = OpenSetFile(app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());
  if (choice->what != PrintedOutput::kHandRecords) return WriteSheetsPdf(app, *choice, *args);
  if (args->Has("--club")) app.SetClub(*club);
  std::filesystem::path out = app.PdfPath();
  if (args->Has("--out")) out = args->Value("--out");
  const OutputVerdict written = app.WriteHandRecordsTo(out, args->Has("--force"));
  if (const int refused = RefusedOutputs(written, "--force")) return refused;
  std::cout << "Wrote " << out.string() << BoardsNote(app) << "\n";
  return kExitOk;
}

}  // namespace

const Command kPdfCommand{
    "pdf", "write hand records, setup sheets or travelers as a PDF",
    "Usage: tarrow-cli pdf FILE [--out FILE.pdf] [--show LIST] [--all-tricks]\n"
    "                      [--ltc-method 1|2|3] [--club TEXT] [--last-board N]\n"
    "       tarrow-cli pdf FILE --what setup-sheets|travelers [--last-board N]\n"
    "                      [--out FILE.pdf]\n"
    "       (either form takes --force)\n\n"
    "Writes the A4 pages of hand records of a PBN set (or of a .dup, .bri, .bre or\n"
    ".ber file), 18 boards a page, beside FILE with the extension .pdf,\n"
    "or to --out.\n"
    "With --what, the setup sheets or travelers instead, page for page as\n"
    "'tarrow-cli print' prints them, beside FILE as NAME-setup-sheets.pdf or\n"
    "NAME-travelers.pdf.\n\n"
    "  --what          hand-records (default), setup-sheets or travelers\n"
    "  --last-board N  boards 1 to N, 1 to 36 (default: the window program's\n"
    "                  boards in play, 36 until set there)\n"
    "  --show LIST     what each board shows besides the hands and points: a\n"
    "                  comma list of distributions, numbers (deal numbers), ltc\n"
    "                  (losing trick counts), analysis (double-dummy results) and\n"
    "                  par (the par score and contracts of completely analysed\n"
    "                  boards, under the vulnerability), or none.  Default: what\n"
    "                  the window program's settings show (nothing of these\n"
    "                  before they are first saved).  Analysis takes the place\n"
    "                  of distributions and LTC on analysed boards.\n"
    "  --all-tricks    show the double-dummy trick table instead of the\n"
    "                  makeable contracts (default: the settings' choice)\n"
    "  --ltc-method    queen adjustment of the losing trick count (default:\n"
    "                  the settings' choice):\n"
    "                  1 unguarded queens count half a loser,\n"
    "                  2 a loser more or less when queens and aces differ,\n"
    "                  3 half a loser per excess queen or ace\n"
    "  --club TEXT     the club name at the top (default: the set's club)\n"
    "  --force         replace a file at the PDF's name that this program did\n"
    "                  not write (a PDF of this program is replaced without it)\n\n"
    "Examples:\n"
    "  tarrow-cli pdf club.pbn\n"
    "  tarrow-cli pdf club.pbn --out records.pdf --show analysis,numbers --all-tricks\n"
    "  tarrow-cli pdf club.pbn --last-board 24\n"
    "  tarrow-cli pdf club.pbn --what travelers --last-board 24\n"
    "  tarrow-cli pdf club.pbn --show analysis,par\n",
    RunPdf, kPdfOptions};

}  // namespace tarrow::cli

// tarrow-cli printers
// tarrow-cli print FILE [--what hand-records|setup-sheets|travelers] [--printer NAME]
//                       [--copies N] [--flip] [--last-board N]
#include <unistd.h>

#include <iostream>
#include <string>

#include "app/app.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/print_choice.h"
#include "core/cp1252.h"
#include "printing/qt_printer.h"

namespace tarrow::cli {
namespace {

int RunPrinters(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, {});
  if (!args.ok()) return UsageError("printers", args.message());
  if (!args->positional.empty()) return UsageError("printers", "takes no arguments");
  PrintingSession session;
  QtPrinter printer;
  const std::vector<std::string> names = printer.Printers();
  if (names.empty()) {
    std::cerr << "tarrow-cli: no printer is installed\n";
    return kExitOk;
  }
  const std::string defaultQueue = printer.QueueName();  // a new printer starts on the default
  for (const std::string& name : names) {
    const std::string shown = Cp1252ToUtf8(name);
    std::cout << shown << (shown == defaultQueue ? "  (default)" : "") << "\n";
  }
  return kExitOk;
}

// Between the two sides of flipped hand records: the operator turns the
// stack and presses Enter.  End of input (no one there) leaves the second
// side unprinted.
bool WaitForTheFlip() {
  std::cerr << "Wait for the first side to print\n"
            << "Then flip Hand Records and press Enter" << (isatty(0) ? ": " : "\n");
  std::string line;
  return static_cast<bool>(std::getline(std::cin, line));
}

int RunPrint(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kPrintCommand.options);
  if (!args.ok()) return UsageError("print", args.message());
  if (args->positional.size() != 1) return UsageError("print", "give one set file");
  const Result<PrintChoice> choice = ReadPrintChoice(*args);
  if (!choice.ok()) return UsageError("print", choice.message());
  const bool handRecords = choice->what == PrintedOutput::kHandRecords;
  if (!handRecords && (args->Has("--copies") || args->Has("--flip")))
    return UsageError("print", "--copies and --flip are for hand records only");
  int copies = 1;
  if (args->Has("--copies")) {
    const Result<int> n = IntegerOption(*args, "--copies", 1, 200);
    if (!n.ok()) return UsageError("print", n.message());
    copies = *n;
  }
  const Result<std::string> printerName = ArgumentText(*args, "--printer");
  if (!printerName.ok()) return UsageError("print", printerName.message());

  // The window's choices are the defaults; the settings file is only read.
  QueueExecutor executor;
  App app(executor, SettingsPath(), SettingsFileUse::kReadOnly);
  if (choice->lastBoard != 0) app.SetNumber(NumberSetting::kBoardsInPlay, choice->lastBoard);
  const Status loaded = OpenSetFile(app, args->positional[0], args->Value("--event"));
  if (!loaded.ok()) return Failure(loaded.message());

  PrintingSession session;
  QtPrinter printer;
  if (args->Has("--printer")) {
    const std::vector<std::string> names = printer.Printers();
    const auto found = std::find(names.begin(), names.end(), *printerName);
    if (found == names.end()) {
      std::string installed;
      for (const std::string& name : names)
        installed += (installed.empty() ? "" : ", ") + Cp1252ToUtf8(name);
      return Failure("no printer named " + Quoted(args->Value("--printer")) + " is installed" +
                     (installed.empty() ? "" : " (installed: " + installed + ")"));
    }
    printer.SetPrinterIndex(int(found - names.begin()));
  } else {
    app.SelectStoredPrinter(printer);
  }

  Status printed;
  switch (choice->what) {
    case PrintedOutput::kHandRecords:
      printed = app.PrintHandRecords(printer, copies, args->Has("--flip"), WaitForTheFlip);
      break;
    case PrintedOutput::kSetupSheets:
      printed = app.PrintSetupSheets(printer, app.BoardsInPlay());
      break;
    case PrintedOutput::kTravelers:
      printed = app.PrintTravelers(printer, app.BoardsInPlay());
      break;
  }
  if (!printed.ok()) return Failure(printed.message());
  std::cout << "Printed the " << OutputName(choice->what) << " on " << printer.QueueName() << "\n";
  return kExitOk;
}

}  // namespace

const Command kPrintersCommand{"printers", "list the installed printers",
                               "Usage: tarrow-cli printers\n\n"
                               "Lists the printers installed on this computer, one per line; the\n"
                               "system's default printer is marked \"(default)\".\n",
                               RunPrinters};

const Command kPrintCommand{
    "print",
    "print hand records, setup sheets or travelers",
    "Usage: tarrow-cli print FILE [--what hand-records|setup-sheets|travelers]\n"
    "                        [--printer NAME] [--copies N] [--flip] [--last-board N]\n\n"
    "Prints from a PBN set (or a .dup, .bri, .bre or .ber file) on one of the\n"
    "system's printers.\n\n"
    "  --what          hand-records (default): 18 boards a portrait page;\n"
    "                  setup-sheets: two boards a page, for dealing by hand;\n"
    "                  travelers: three score sheets a landscape page\n"
    "  --printer NAME  the printer (see 'tarrow-cli printers'); default: the\n"
    "                  window program's chosen printer, else the system's default\n"
    "  --copies N      copies of each hand-record page, 1 to 200 (default 1)\n"
    "  --flip          hand records for two-sided printing by hand: page 1 is\n"
    "                  printed, then the program waits for Enter while you turn\n"
    "                  the stack over, then page 2 goes on the backs\n"
    "  --last-board N  boards 1 to N, 1 to 36 (default: the window program's\n"
    "                  boards in play, 36 until set there)\n\n"
    "Exit status 1 when the printer is missing or refuses the job (the system's\n"
    "message says why).\n\n"
    "Examples:\n"
    "  tarrow-cli print club.pbn --copies 12 --flip\n"
    "  tarrow-cli print club.pbn --what travelers --last-board 24 --printer Office\n",
    RunPrint,
    {.values = {"--event", "--what", "--printer", "--copies", "--last-board"},
     .flags = {"--flip"}}};

}  // namespace tarrow::cli

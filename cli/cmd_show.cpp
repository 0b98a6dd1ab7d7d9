// tarrow-cli show FILE [--board N]
#include <iostream>
#include <sstream>

#include "app/app.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/set_file_command.h"
#include "core/cp1252.h"
#include "scoring/par.h"

namespace tarrow::cli {
namespace {

constexpr int kColumn = 26;  // where East's hand and South's indent start

// "A1092" as hand records print it; "-" for a void.
std::string Holding(const Deal& deal, Seat seat, Suit suit) {
  const std::string text = HoldingText(deal, seat, suit);
  return text.empty() ? "-" : text;
}

std::vector<std::string> HandLines(const Deal& deal, Seat seat) {
  std::vector<std::string> lines{std::string(kSeatNames[seat]) + " (" +
                                 std::to_string(deal.points[seat]) + " HCP)"};
  for (Suit s : kSuits)
    lines.push_back(std::string(1, kSuitLetters[s]) + " " + Holding(deal, seat, s));
  return lines;
}

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

void PrintBoard(std::ostream& out, const DealSet& set, int board) {
  const BoardEntry& entry = set.Board(board);
  out << "Board " << board << "   Dealer " << kSeatNames[BoardDealer(board)] << "   Vulnerable "
      << BoardVulnerabilityText(board) << "\n";
  if (!entry.number.valid) {
    out << "  (no deal)\n\n";
    return;
  }
  const Deal& deal = set.DealOf(board);
  const std::string indent(kColumn / 2, ' ');
  for (const std::string& line : HandLines(deal, kNorth)) out << indent << line << "\n";
  const auto west = HandLines(deal, kWest), east = HandLines(deal, kEast);
  for (size_t i = 0; i < west.size(); ++i) out << Pad(west[i], kColumn) << east[i] << "\n";
  for (const std::string& line : HandLines(deal, kSouth)) out << indent << line << "\n";
  if (entry.doneMask[0] != 0 || entry.doneMask[1] != 0) {
    out << "\nDouble dummy  NT   S   H   D   C\n";
    for (Seat declarer : kSeats) {
      out << "  " << kSeatLetters[declarer] << "         ";
      for (Strain strain : kStrains) {
        const std::string tricks =
            entry.Analysed(SideOf(declarer), strain)
                ? std::to_string(entry.table[size_t(DDIndex(declarer, strain))])
                : "?";
        out << std::string(4 - tricks.size(), ' ') << tricks;
      }
      out << "\n";
    }
  }
  const BoardParTexts par = ParTextsOfBoard(entry, board);
  if (par.known) {
    out << (par.fromFile ? "Par (from the file): " : "Par: ") << par.score;
    if (!par.contracts.empty()) out << "  " << par.contracts;
    out << "\n";
  }
  out << "\n";
}

int RunShow(const std::vector<std::string>& argList) {
  return RunOnSetFile("show", argList, [](const DealSet& set, int only, std::ostream& out) {
    if (only == 0) {
      const SetHeader& h = set.header;
      out << "Event: " << h.event.str() << "\nSite: " << h.site.str()
          << "\nDate: " << (h.eventDate == 0 ? std::string("?") : DateText(h.eventDate))
          << "\nSeed: " << h.seed.str() << "\n\n";
    }
    for (int board = 1; board <= kBoardsPerSet; ++board) {
      if (only != 0 && board != only) continue;
      if (only == 0 && !set.Board(board).number.valid) continue;
      PrintBoard(out, set, board);
    }
  });
}

}  // namespace

const Command kShowCommand{
    "show", "print the boards of a set file as diagrams",
    "Usage: tarrow-cli show FILE [--board N]\n\n"
    "Prints each board of a PBN set (or of a .dup, .bri, .bre or .ber file) as a\n"
    "diagram: dealer and vulnerability, North on top, West and East left and\n"
    "right, South below, each hand by suit with its high-card points, and the\n"
    "double-dummy tricks per declarer and strain when the board has them (\"?\"\n"
    "where a result is not known yet), with the board's par under a complete\n"
    "table (or the par the file gives for a board without one).\n\n"
    "Example:\n  tarrow-cli show club.pbn --board 7\n",
    RunShow, kSetFileOptions};

}  // namespace tarrow::cli

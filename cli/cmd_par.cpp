// tarrow-cli par FILE [--board N]
#include <string>

#include "cli/commands.h"
#include "cli/set_file_command.h"
#include "scoring/par.h"

namespace tarrow::cli {
namespace {

// "Board  7  NS 620    N 4S": board, par score, contracts; a board without
// a complete table (and no par in its file) says so instead.
std::string ParLine(const BoardEntry& entry, int board) {
  std::string line = "Board " + std::string(board < 10 ? " " : "") + std::to_string(board) + "  ";
  const BoardParTexts par = ParTextsOfBoard(entry, board);
  if (!par.known) return line + "-          not completely analysed";
  line += par.score + std::string(par.score.size() < 9 ? 9 - par.score.size() : 1, ' ') + "  ";
  line += par.contracts.empty() ? "?" : par.contracts;
  if (par.fromFile) line += "  (from the file)";
  return line;
}

int RunPar(const std::vector<std::string>& argList) {
  return RunOnSetFile("par", argList, [](const DealSet& set, int only, std::ostream& out) {
    for (int board = 1; board <= kBoardsPerSet; ++board) {
      if (only != 0 && board != only) continue;
      if (!set.Board(board).number.valid) {
        if (only != 0) out << "Board " << board << "  (no deal)\n";
        continue;
      }
      out << ParLine(set.Board(board), board) << "\n";
    }
  });
}

}  // namespace

const Command kParCommand{
    "par", "print the par score and contracts of every board",
    "Usage: tarrow-cli par FILE [--board N]\n\n"
    "Prints one line per board of a PBN set (or of a .dup, .bri, .bre or\n"
    ".ber file): the board number, the par score (\"NS 620\", \"EW 500\", \"0\" for a\n"
    "board passed out) and the par contracts, each with its declarers and the\n"
    "tricks over or under (\"N 4S\", \"EW 5DX-2\", \"W 4NT+1\").  Par is worked out\n"
    "from a board's complete double-dummy table, with the board's dealer and\n"
    "vulnerability; a board without one shows the par its file gives, if any,\n"
    "else \"not completely analysed\" ('tarrow-cli analyze' completes a file).\n\n"
    "Example:\n  tarrow-cli par club.pbn\n",
    RunPar, kSetFileOptions};

}  // namespace tarrow::cli

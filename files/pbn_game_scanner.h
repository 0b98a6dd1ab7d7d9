// A PBN file of any size, one game at a time, with every byte kept: the
// games the scanner hands out, put back together in order, are the file.
// Only one game is held at a time, so memory does not grow with the file.
//
//   std::ifstream in(path, std::ios::binary);
//   PbnGameScanner scanner(in);
//   for (PbnGame game; scanner.Next(game);) {
//     if (const PbnTag* deal = game.Find("Deal")) Use(deal->value, game.LineOf(*deal));
//     out << game.bytes;                     // the file again, byte for byte
//   }
//
// Where a game ends.  A game is its tags, sections and commentary up to and
// including the empty line (or the line of blanks) that follows them.  Lines
// before the first tag (a "% PBN 2.1" header, commentary, blank lines) go
// with the game that follows; what follows the last game is a piece of its
// own, without tags.  Commentary in braces may hold empty lines and even
// lines that look like tags: neither ends a game nor counts as a tag.  A
// Board or Deal tag at the start of a line in a game that already has one
// starts the next game, for files that leave out the empty lines.
//
// What the scanner reads of a game.  Tags ("[Name "value"]", several on a
// line allowed) with the value's escapes (\" and \\) undone, and where each
// stands: its line within the game and whether it is the only thing on that
// line (then the line can be replaced without touching anything else).  A
// "%" line, commentary in braces and ";" to the end of a line are skipped.
// Nothing is checked: what the tags mean is the caller's business.
//
// Lines end in CR LF, LF or CR; the ends are part of the bytes and are
// reported per line.  A UTF-8 byte order mark before the first tag is kept
// and skipped.  A game longer than kLargestPbnGame (a file that is no PBN,
// a game with a huge commentary) is handed out in pieces of at most that
// size with `tooLong` set and no tags, so that memory stays bounded; only
// the first piece of such a game counts as a game (`continued` is set on
// the others).
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace tarrow {

inline constexpr size_t kLargestPbnGame = size_t(1) << 20;

struct PbnTag {
  std::string name;    // as written
  std::string value;   // escapes undone
  int line = 0;        // index into PbnGame::lines
  bool alone = false;  // the only thing on its line but blanks
};

struct PbnLine {
  size_t begin = 0;  // offset in PbnGame::bytes
  size_t end = 0;    // offset after the line, its line end included
  size_t eol = 0;    // bytes of the line end at its close: 0 (last line of the file), 1 or 2
  std::string_view TextIn(const std::string& bytes) const {
    return std::string_view(bytes).substr(begin, end - eol - begin);
  }
};

struct PbnGame {
  std::string bytes;      // exactly as in the file
  uint64_t offset = 0;    // of the first byte in the file
  int64_t firstLine = 1;  // the file's line number of lines[0], from 1
  std::vector<PbnLine> lines;
  std::vector<PbnTag> tags;  // in the order they stand
  bool tooLong = false;      // a piece of a game longer than kLargestPbnGame; no tags read
  bool continued = false;    // a later piece of such a game

  // The first tag of that name (compared without case), or null.
  const PbnTag* Find(std::string_view name) const;
  // The file's line number of a tag.
  int64_t LineOf(const PbnTag& tag) const { return firstLine + tag.line; }
  // The text of a line without its line end.
  std::string_view Line(int index) const { return lines[size_t(index)].TextIn(bytes); }
  void Clear();
};

class PbnGameScanner {
 public:
  explicit PbnGameScanner(std::istream& in) : in_(in) {}
  PbnGameScanner(const PbnGameScanner&) = delete;
  PbnGameScanner& operator=(const PbnGameScanner&) = delete;

  // The next game into `game` (its old contents replaced); false at the end
  // of the file or when the stream fails (see status()).
  bool Next(PbnGame& game);
  // Ok, or why reading stopped early.
  const Status& status() const noexcept { return status_; }
  // Bytes handed out so far.
  uint64_t BytesRead() const noexcept { return offset_; }

 private:
  // The next line, its end included, into line; at most `limit` bytes (a
  // longer line is cut there and `cut` set).  False when nothing is left.
  bool ReadLine(std::string& line, size_t limit, bool& cut);
  bool Fill();
  // Reads the tags and commentary of a line that is part of a game.
  void ScanLine(PbnGame& game, int index, std::string_view text);
  bool StartsNewGame(const PbnGame& game, std::string_view text) const;

  std::istream& in_;
  std::vector<char> buffer_ = std::vector<char>(size_t(1) << 20);
  size_t bufferPos_ = 0;
  size_t bufferEnd_ = 0;
  bool eof_ = false;
  Status status_;
  uint64_t offset_ = 0;
  int64_t lineNumber_ = 1;
  bool inBraces_ = false;    // inside {commentary} that runs on
  bool atFileStart_ = true;  // for the byte order mark
  std::string heldLine_;     // a line read that starts the next game
  bool holding_ = false;
  bool overflow_ = false;  // handing out pieces of a game that is too long
};

}  // namespace tarrow

// The set of boards the program holds: 36 board slots with their analysis,
// the set header, the digest that tells whether the set changed since it was
// last written or loaded, and the expanded deals.
//
//   DealSet set;                                // all boards absent
//   set.Board(1).number = n;                     // boards are numbered 1..36
//   set.header.event = "Club night";             // cut to 64 characters
//   bool changed = ComputeSetDigest(set) != set.setDigest;
//
// The digest covers the board entries and the header, serialised field by
// field (little-endian, no padding, in the order of the structs below), so it
// never depends on the compiler's layout.  The expanded deals lie outside it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/cards.h"
#include "core/deal_number_type.h"
#include "core/texts.h"

namespace tarrow {

inline constexpr int kBoardsPerSet = 36;

// 8-bit (Windows-1252) text of at most N characters.  Longer text is cut on
// assignment, never refused.
template <size_t N>
class LimitedText {
 public:
  static constexpr size_t kLimit = N;
  LimitedText() = default;
  LimitedText(std::string_view text) : text_(text.substr(0, N)) {}  // NOLINT: cuts by design
  LimitedText& operator=(std::string_view text) {
    text_.assign(text.substr(0, N));
    return *this;
  }
  const std::string& str() const noexcept { return text_; }
  operator const std::string&() const noexcept { return text_; }  // NOLINT
  bool empty() const noexcept { return text_.empty(); }
  friend bool operator==(const LimitedText&, const LimitedText&) = default;

 private:
  std::string text_;
};

// Double-dummy tricks, seat-major: index = declarer * 5 + strain, declarers
// N E S W, strains NT S H D C; tricks 0..13.
using DDTable = std::array<uint8_t, 20>;
constexpr int DDIndex(Seat declarer, Strain strain) noexcept {
  return declarer * 5 + strain;
}

// Bit of a strain in a DoneMask: NT 1, S 2, H 4, D 8, C 16.
constexpr uint8_t StrainBit(Strain strain) noexcept {
  return uint8_t(1u << strain);
}
inline constexpr uint8_t kAllStrainsDone = 31;

// The par a file carried for a board (its OptimumScore and ParContract
// tags), as the reader understood them.  Outside the digest: the program's
// own par always follows from the table, this is only what the file said.
struct FilePar {
  bool hasScore = false;  // an OptimumScore tag that could be read
  int score = 0;          // North-South's
  std::string contracts;  // the ParContract value rewritten plainly, "" when absent or unreadable
};

struct BoardEntry {
  DealNumber number;                  // valid flag marks the slot as used
  DDTable table{};                    // tricks per declarer and strain
  std::array<uint8_t, 2> doneMask{};  // per side (NS, EW): strains whose tricks are known
  float solveTime[2][5] = {};         // per side and strain, the job's duration in days
  DateTime jobStart = 0;              // when the latest analysis job on this board started
  FilePar filePar;                    // par tags read from a file; not in the digest

  // Forgets the analysis: tricks, done bits, times and the file's par.
  void ClearAnalysis() noexcept;
  bool Analysed(int side, Strain strain) const noexcept {
    return (doneMask[side] & StrainBit(strain)) != 0;
  }
};

struct SetHeader {
  LimitedText<64> event;
  LimitedText<64> description;
  LimitedText<79> seed;
  DateTime eventDate = 0;
  float analysisDuration = 0;  // days, of the last analysis run
  DateTime generationTime = 0;
  LimitedText<64> site;
  LimitedText<32> banner;
  LimitedText<64> club;
  LimitedText<32> computerName;
};

using SetDigest = std::array<uint8_t, 20>;

struct DealSet {
  std::array<BoardEntry, kBoardsPerSet> boards;  // boards 1..36 at index 0..35
  SetHeader header;
  SetDigest setDigest{};                  // digest at the last write or load
  std::array<Deal, kBoardsPerSet> deals;  // expanded form of each board's number

  BoardEntry& Board(int board) { return boards.at(size_t(board - 1)); }
  const BoardEntry& Board(int board) const { return boards.at(size_t(board - 1)); }
  Deal& DealOf(int board) { return deals.at(size_t(board - 1)); }
  const Deal& DealOf(int board) const { return deals.at(size_t(board - 1)); }
  // Boards whose number is valid.
  int PresentBoards() const noexcept;
  // Rebuilds all 36 deals from the boards' numbers.
  void RefreshDeals();
};

// The explicit serialisation the digest is computed over.
std::vector<uint8_t> SerializeForDigest(const DealSet& set);
SetDigest ComputeSetDigest(const DealSet& set);
// True when the set differs from what was last written or loaded.
bool SetChangedSinceSave(const DealSet& set);

}  // namespace tarrow

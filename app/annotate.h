// Annotating a PBN file of any size: every game that has a deal gets its
// double-dummy tricks and par, and every other byte of the file stays as it
// was, so that taking the added lines out gives the file back.
//
//   AnnotateRequest request;
//   request.input = "results.pbn";          // output: results.dd.pbn
//   request.threads = 2;
//   AnnotateVerdict v = Annotate(request, hooks);
//   if (v.needsWord) ...ask, or tell about --force...;
//   else if (!v.ok()) ...v.status.message()...;      // nothing was written
//   else if (v.badGames > 0) ...exit 1 with the count...;
//
// What a game gets, right after its Deal line (or where it already has tags
// of these kinds), each tag on a line of its own with the line end of the
// Deal line:
//
//   | tag                | value                                                      |
//   |--------------------|------------------------------------------------------------|
//   | DoubleDummyTricks  | 20 hex digits: declarers N S E W, each NT S H D C          |
//   | OptimumScore       | "NS 620", "NS -500", "NS 0" (scoring/par.h)                |
//   | ParContract        | "N 4S", "EW 5DX-2", "Pass"                                 |
//   | OptimumResultTable | "Declarer;Denomination\2R;Result\2R" and 20 rows "N C 13", |
//   |                    |   declarers N E S W, strains C D H S NT, as a set is saved |
//
// A tag already there that says the same is left exactly as it is (its
// spelling and case included); one that says otherwise is replaced where it
// stands, with a warning naming its line.  Par follows from the game's
// Dealer and Vulnerable tags ("#" repeats the previous game's value), else
// from its board number, else the first hand of the deal deals and nobody
// is vulnerable.  A deal met again (the same board played at other tables)
// is solved once.
//
// A game whose deal does not read (a partial deal, a card twice) and one
// too long to hold (kLargestPbnGame) is named with its line and the reason,
// and left as it was; the run goes on and reports the count.
//
// Stopped (`stop` set: Ctrl-C, SIGTERM, SIGHUP, the window's Stop), the
// run writes what it has: the games done annotated, the rest as they were,
// a valid file.  Beside a file output it leaves a note (".NAME.annotate")
// of how far it came, so that the next run of the same input to the same
// output copies the games done and solves only the rest; the note goes
// when a run completes.  With parts (`part` K of `parts` N) only the K-th
// of N slices of the games is annotated and written, so that the N outputs
// put together in order are the whole annotated file.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

// The tags annotate writes, as bits of AnnotateRequest::tags.
enum AnnotateTag : unsigned {
  kTagDoubleDummyTricks = 1,
  kTagOptimumResultTable = 2,
  kTagOptimumScore = 4,
  kTagParContract = 8,
};
inline constexpr unsigned kAllAnnotateTags = 15;

// A list of tag names separated by commas ("DoubleDummyTricks,ParContract",
// any case; "all" for every one).  The message names a word that is no such tag.
Result<unsigned> ParseAnnotateTags(std::string_view list);

// The DoubleDummyTricks value of a table (lower-case hex digits), and the
// table a value gives (any case), nothing for a value that is not 20 hex
// digits of 0..13.
std::string DoubleDummyTricksText(const DDTable& table);
std::optional<DDTable> ParseDoubleDummyTricks(std::string_view value);

struct AnnotateRequest {
  std::filesystem::path input;   // "-": standard input
  std::filesystem::path output;  // "-": standard output; empty: the input's name + ".dd.pbn"
  bool inPlace = false;          // the output is the input, replaced when done
  bool replaceAllowed = false;   // the user's word to replace a file that is not ours (--force)
  int threads = 1;               // 1..8 solvers
  unsigned tags = kAllAnnotateTags;
  int part = 1;  // this slice, 1..parts
  int parts = 1;
  const std::atomic<bool>* stop = nullptr;  // set to stop; may be null
};

// The default output of an input: "club.pbn" -> "club.dd.pbn" beside it.
std::filesystem::path AnnotateDefaultOutput(const std::filesystem::path& input);

struct AnnotateProgress {
  int64_t gamesDone = 0;    // of this run's slice
  int64_t gamesTotal = 0;   // 0 when not known (standard input)
  int64_t dealsSolved = 0;  // by this run
  double seconds = 0;       // since the solving started
};

struct AnnotateHooks {
  // About five times a second while the run works, on the calling thread.
  std::function<void(const AnnotateProgress&)> progress;
  // A game named and why ("club.pbn line 12: ..."), on the calling thread.
  std::function<void(const std::string&)> warning;
  // Whether the game count should be known before the run starts (a
  // progress bar): costs one extra read of the file.
  bool countGames = false;
};

struct AnnotateVerdict {
  Status status;           // not ok: nothing was written (or an output failed)
  bool needsWord = false;  // refused only for want of the user's word
  bool stopped = false;    // stopped: the output holds what was done
  bool resumed = false;    // went on from an earlier stopped run
  std::filesystem::path output;
  int64_t games = 0;        // games of the slice (pieces without a tag included)
  int64_t annotated = 0;    // games that got or kept their tags
  int64_t badGames = 0;     // named and left as they were (an earlier stopped run's included)
  int64_t replaced = 0;     // tags that disagreed and were replaced
  int64_t dealsSolved = 0;  // by this run
  double seconds = 0;
  bool ok() const noexcept { return status.ok(); }
};

// The whole flow: check the output, read, solve, write.  Runs on the
// calling thread (the solvers on threads of their own); hooks are called
// on it.
AnnotateVerdict Annotate(const AnnotateRequest& request, const AnnotateHooks& hooks);

}  // namespace tarrow

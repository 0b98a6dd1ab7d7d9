#include "app/annotate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/solver.h"
#include "app/output_plan.h"
#include "core/atomic_file.h"
#include "core/cards.h"
#include "core/pbn_deal.h"
#include "files/pbn_game_scanner.h"
#include "scoring/contract_score.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kTableHeader = "Declarer;Denomination\\2R;Result\\2R";
constexpr int kTableRows = 20;
// The DoubleDummyTricks digits go declarer by declarer in this order, each
// NT S H D C.
constexpr Seat kTricksDeclarers[4] = {kNorth, kSouth, kEast, kWest};
// The rows of a saved set's table: declarers N E S W, strains C D H S NT.
constexpr Strain kRowStrains[5] = {Strain(4), Strain(3), Strain(2), Strain(1), kNotrump};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// ---------------------------------------------------------------------------
// The tags' texts.

struct TagKindName {
  AnnotateTag kind;
  std::string_view name;
};
constexpr TagKindName kTagNames[] = {
    {kTagDoubleDummyTricks, "DoubleDummyTricks"},
    {kTagOptimumScore, "OptimumScore"},
    {kTagParContract, "ParContract"},
    {kTagOptimumResultTable, "OptimumResultTable"},
};

// One row of an OptimumResultTable: "N NT 13", "e c ?".
struct TableRow {
  Seat declarer = kNorth;
  Strain strain = kNotrump;
  std::optional<int> tricks;  // nothing for "?"
};

std::optional<TableRow> ParseTableRow(std::string_view line) {
  std::istringstream words{std::string(line)};
  std::string seat, strain, tricks, more;
  if (!(words >> seat >> strain >> tricks) || (words >> more)) return std::nullopt;
  TableRow row;
  const size_t seatAt = std::string_view("nesw").find(seat.size() == 1 ? Lower(seat[0]) : '?');
  if (seatAt == std::string_view::npos) return std::nullopt;
  row.declarer = Seat(seatAt);
  bool strainFound = false;
  for (Strain s : kStrains) {
    if (EqualIgnoringCase(strain, kStrainLabels[size_t(s)]) ||
        (s == kNotrump && EqualIgnoringCase(strain, "N"))) {
      row.strain = s;
      strainFound = true;
    }
  }
  if (!strainFound) return std::nullopt;
  if (tricks == "?") return row;
  if (tricks.empty() || tricks.size() > 2 ||
      !std::all_of(tricks.begin(), tricks.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  row.tricks = std::stoi(tricks);
  return row;
}

std::string TagLine(std::string_view name, std::string_view value, std::string_view eol) {
  std::string line = "[";
  line += name;
  line += " \"";
  line += value;
  line += "\"]";
  line += eol;
  return line;
}

std::string TableLines(const DDTable& table, std::string_view eol) {
  std::string text = TagLine("OptimumResultTable", kTableHeader, eol);
  for (Seat declarer : kSeats) {
    for (Strain strain : kRowStrains) {
      text += kSeatLetters[size_t(declarer)];
      text += ' ';
      text += kStrainLabels[size_t(strain)];
      text += ' ';
      text += std::to_string(table[size_t(DDIndex(declarer, strain))]);
      text += eol;
    }
  }
  return text;
}

// The contracts of a par, each as ParContractText writes it, sorted: two
// ParContract values agree when these do, whatever their order.
std::vector<std::string> ContractTexts(const ParResult& par) {
  std::vector<std::string> texts;
  for (int i = 0; i < par.count; ++i) texts.push_back(ParContractText(par.contracts[size_t(i)]));
  std::sort(texts.begin(), texts.end());
  return texts;
}

// ---------------------------------------------------------------------------
// What a game is: its deal, dealer and vulnerability, with the values "#"
// (as the previous game) resolved.

struct GameContext {
  std::string board, dealer, vulnerable, deal;
};

// The game's value of a tag, "#" resolved, and remembered for the next
// game; empty when the game has no such tag.
std::string TakeValue(const PbnGame& game, std::string_view name, std::string& previous) {
  const PbnTag* tag = game.Find(name);
  if (tag == nullptr) return {};
  if (Trimmed(tag->value) != "#") previous = tag->value;
  return previous;
}

std::optional<int> BoardNumber(std::string_view text) {
  text = Trimmed(text);
  if (text.empty() || text.size() > 6 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int board = std::stoi(std::string(text));
  return board >= 1 ? std::optional<int>(board) : std::nullopt;
}

Seat DealerOf(std::string_view dealer, std::optional<int> board, const Deal& deal,
              std::string_view dealText) {
  dealer = Trimmed(dealer);
  if (dealer.size() == 1) {
    const size_t at = std::string_view("nesw").find(Lower(dealer[0]));
    if (at != std::string_view::npos) return Seat(at);
  }
  if (board) return BoardDealer(*board);
  (void)deal;
  const std::string_view first = Trimmed(dealText).substr(0, 1);
  const size_t at = first.empty() ? 0 : std::string_view("nesw").find(Lower(first[0]));
  return at == std::string_view::npos ? kNorth : Seat(at);
}

Vulnerability VulnerabilityOf(std::string_view text, std::optional<int> board) {
  text = Trimmed(text);
  if (EqualIgnoringCase(text, "None") || EqualIgnoringCase(text, "Love") || text == "-") {
    return Vulnerability::kNone;
  }
  if (EqualIgnoringCase(text, "NS")) return Vulnerability::kNorthSouth;
  if (EqualIgnoringCase(text, "EW")) return Vulnerability::kEastWest;
  if (EqualIgnoringCase(text, "All") || EqualIgnoringCase(text, "Both")) {
    return Vulnerability::kBoth;
  }
  return board ? BoardVulnerability(*board) : Vulnerability::kNone;
}

struct DealKeyHash {
  size_t operator()(const DealNumber& n) const noexcept {
    return size_t(n.low) ^ (size_t(n.middle) << 21) ^ (size_t(n.high) << 42) ^ size_t(n.high);
  }
};

// ---------------------------------------------------------------------------
// The edits of one game: lines replaced or added, everything else as it was.

struct Edit {
  int first = 0;  // lines [first, last) are replaced by text; first == last inserts
  int last = 0;
  std::string text;
};

struct GameEdits {
  std::vector<Edit> edits;
  int replaced = 0;
  std::vector<std::string> warnings;
};

std::string Apply(const PbnGame& game, std::vector<Edit> edits) {
  std::sort(edits.begin(), edits.end(),
            [](const Edit& a, const Edit& b) { return a.first < b.first; });
  std::string out;
  out.reserve(game.bytes.size() + 1024);
  size_t at = 0;  // bytes copied so far
  for (const Edit& edit : edits) {
    const size_t from = edit.first < int(game.lines.size()) ? game.lines[size_t(edit.first)].begin
                                                            : game.bytes.size();
    out.append(game.bytes, at, from - at);
    out += edit.text;
    at = edit.last < int(game.lines.size()) ? game.lines[size_t(edit.last)].begin
                                            : game.bytes.size();
  }
  out.append(game.bytes, at, std::string::npos);
  return out;
}

// Works out what a game with a solved deal gets.
GameEdits EditsFor(const PbnGame& game, const PbnTag& dealTag, const DDTable& table,
                   const ParResult& par, unsigned tags, std::string_view fileName) {
  GameEdits result;
  const PbnLine& dealLine = game.lines[size_t(dealTag.line)];
  std::string eol = game.bytes.substr(dealLine.end - dealLine.eol, dealLine.eol);
  if (eol.empty()) {
    for (const PbnLine& line : game.lines) {
      if (line.eol > 0) {
        eol = game.bytes.substr(line.end - line.eol, line.eol);
        break;
      }
    }
  }
  if (eol.empty()) eol = "\r\n";

  int insertAfter = dealTag.line;  // the last line of the game's tags of our kinds
  std::string inserted;
  const auto warn = [&](const PbnTag& tag, std::string_view what) {
    result.warnings.push_back(std::string(fileName) + " line " + std::to_string(game.LineOf(tag)) +
                              ": the " + tag.name + " tag " + std::string(what));
  };
  for (const TagKindName& kind : kTagNames) {
    const PbnTag* tag = game.Find(kind.name);
    int rows = 0;
    bool agrees = false;
    std::string ours;
    if (kind.kind == kTagOptimumResultTable) {
      ours = TableLines(table, eol);
      if (tag != nullptr) {
        std::array<int, 20> seen;
        seen.fill(-1);
        for (int line = tag->line + 1; line < int(game.lines.size()) && rows < kTableRows;
             ++line, ++rows) {
          const std::optional<TableRow> row = ParseTableRow(game.Line(line));
          if (!row) break;
          seen[size_t(DDIndex(row->declarer, row->strain))] = row->tricks.value_or(-2);
        }
        agrees = std::equal(seen.begin(), seen.end(), table.begin(),
                            [](int s, uint8_t t) { return s == int(t); });
      }
    } else if (kind.kind == kTagDoubleDummyTricks) {
      ours = TagLine(kind.name, DoubleDummyTricksText(table), eol);
      if (tag != nullptr) agrees = ParseDoubleDummyTricks(tag->value) == table;
    } else if (kind.kind == kTagOptimumScore) {
      ours = TagLine(kind.name, OptimumScoreTagValue(par), eol);
      if (tag != nullptr) agrees = ParseOptimumScore(tag->value) == par.score;
    } else {
      ours = TagLine(kind.name, ParContractsText(par), eol);
      if (tag != nullptr) {
        const std::optional<ParResult> theirs = ParseParContracts(tag->value);
        agrees = theirs && ContractTexts(*theirs) == ContractTexts(par);
      }
    }
    if (tag != nullptr) insertAfter = std::max(insertAfter, tag->line + rows);
    if ((tags & kind.kind) == 0) continue;
    if (tag == nullptr) {
      inserted += ours;
    } else if (agrees) {
      continue;
    } else if (!tag->alone) {
      warn(*tag,
           "differs from the double-dummy analysis but shares its line with other text; "
           "left as it was");
    } else {
      warn(*tag, "differs from the double-dummy analysis; replaced");
      result.edits.push_back(Edit{tag->line, tag->line + 1 + rows, ours});
      ++result.replaced;
    }
  }
  if (!inserted.empty()) {
    const PbnLine& after = game.lines[size_t(insertAfter)];
    if (after.eol == 0) {
      // The last line of a file without a line end: ours start on a new line
      // and leave the file without a final line end, as it was.
      inserted.insert(0, eol);
      inserted.resize(inserted.size() - eol.size());
    }
    result.edits.push_back(Edit{insertAfter + 1, insertAfter + 1, std::move(inserted)});
  }
  return result;
}

// ---------------------------------------------------------------------------
// Solvers on threads of their own, one whole deal at a time: a deal's ten
// searches share its solver's table.

class SolverPool {
 public:
  // An error when not one solver can be made.
  Status Start(int threads) {
    for (int i = 0; i < threads; ++i) {
      Result<std::unique_ptr<Solver>> solver = Solver::Create();
      if (!solver.ok()) {
        if (solvers_.empty()) return solver.status();
        break;
      }
      solvers_.push_back(std::move(*solver));
    }
    return {};
  }

  // Solves deals into tables; solved[i] is set for each deal finished before
  // a stop.  `tick` is called on this thread about five times a second.
  void Solve(const std::vector<DealNumber>& deals, std::vector<DDTable>& tables,
             std::vector<uint8_t>& solved, const std::atomic<bool>& stop,
             const std::function<void(int64_t)>& tick) {
    tables.assign(deals.size(), DDTable{});
    solved.assign(deals.size(), 0);
    std::atomic<size_t> next{0};
    std::atomic<int64_t> done{0};
    std::atomic<int> running{0};
    const auto body = [&](Solver& solver) {
      for (size_t i; (i = next.fetch_add(1)) < deals.size();) {
        if (stop.load(std::memory_order_relaxed)) break;
        const DDTable table = SolveDeal(solver, deals[i], stop);
        if (stop.load(std::memory_order_relaxed)) break;  // the table may be meaningless
        tables[i] = table;
        solved[i] = 1;
        done.fetch_add(1);
      }
      running.fetch_sub(1);
    };
    const size_t workers = std::min(solvers_.size(), deals.size());
    std::vector<std::thread> threads;
    running = int(workers);
    // Every solver on a thread of its own: this one shows the progress.
    for (size_t w = 0; w < workers; ++w) {
      try {
        threads.emplace_back(body, std::ref(*solvers_[w]));
      } catch (const std::system_error&) {
        running.fetch_sub(1);  // the others take its deals
      }
    }
    if (workers > 0 && threads.empty()) {
      running = 1;  // not one thread could be made: the deals are solved here
      body(*solvers_[0]);
    }
    while (running.load() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      tick(done.load());
    }
    for (std::thread& thread : threads) thread.join();
  }

 private:
  std::vector<std::unique_ptr<Solver>> solvers_;
};

// ---------------------------------------------------------------------------
// The note a stopped run leaves beside its output, and how a later run
// knows that it may go on from it: the same input (unchanged), the same
// output (unchanged since the note was written), the same tags and part.

struct FileId {
  int64_t size = -1;
  int64_t modified = 0;  // nanoseconds
  friend bool operator==(const FileId&, const FileId&) = default;
};

FileId IdOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {int64_t(info.st_size), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

struct ResumeNote {
  std::string input;  // resolved
  FileId inputId, outputId;
  unsigned tags = 0;
  int part = 1, parts = 1;
  int64_t pieces = 0;     // pieces of the input done (annotated or named as bad)
  int64_t bytes = 0;      // bytes of the output that hold them
  int64_t badGames = 0;   // named among them
  int64_t annotated = 0;  // annotated among them
};

std::string NoteText(const ResumeNote& note) {
  std::ostringstream out;
  out << "tarrow annotate 1\n"
      << "input " << note.input << "\n"
      << "input-id " << note.inputId.size << " " << note.inputId.modified << "\n"
      << "output-id " << note.outputId.size << " " << note.outputId.modified << "\n"
      << "tags " << note.tags << "\n"
      << "part " << note.part << " " << note.parts << "\n"
      << "done " << note.pieces << " " << note.bytes << " " << note.badGames << " "
      << note.annotated << "\n";
  return out.str();
}

std::optional<ResumeNote> ReadNote(const fs::path& path) {
  const Result<std::string> text = ReadWholeFile(path, size_t(64) << 10);
  if (!text.ok()) return std::nullopt;
  std::istringstream in(*text);
  ResumeNote note;
  std::string line, word;
  if (!std::getline(in, line) || line != "tarrow annotate 1") return std::nullopt;
  if (!std::getline(in, line) || line.rfind("input ", 0) != 0) return std::nullopt;
  note.input = line.substr(6);
  if (!(in >> word >> note.inputId.size >> note.inputId.modified) || word != "input-id") {
    return std::nullopt;
  }
  if (!(in >> word >> note.outputId.size >> note.outputId.modified) || word != "output-id") {
    return std::nullopt;
  }
  if (!(in >> word >> note.tags) || word != "tags") return std::nullopt;
  if (!(in >> word >> note.part >> note.parts) || word != "part") return std::nullopt;
  if (!(in >> word >> note.pieces >> note.bytes >> note.badGames >> note.annotated) ||
      word != "done") {
    return std::nullopt;
  }
  if (note.pieces < 0 || note.bytes < 0 || note.bytes > note.outputId.size) return std::nullopt;
  return note;
}

// ---------------------------------------------------------------------------
// Where annotate writes: through the program's write gate, as every flow.
// The plan is the input, read only (or, with --in-place, the file written
// back, which --in-place gives the word to replace), the output as a PBN
// file, and the note a stopped run leaves beside it.  The output is
// streamed: AtomicFileStream puts it in place whole only once the run has
// written it all, so a file of any size is never half replaced.  (Standard
// output is written as it comes.)  A stopped run's output, known by its
// note, is the flow's own file and needs no word.

struct AnnotateOutputPlan {
  fs::path input;   // "-" for standard input
  fs::path output;  // "-" for standard output
  bool inPlace = false;
  bool replaceAllowed = false;  // --force, or the window's Yes
  bool ours = false;            // the output is what a stopped run of ours left
};

class AnnotateOutput;

struct OpenedOutput {
  Status status;           // ok, or why not, naming the path
  bool needsWord = false;  // refused only for want of the user's word
  std::unique_ptr<AnnotateOutput> writer;
};

OpenedOutput OpenAnnotateOutput(const AnnotateOutputPlan& plan);

class AnnotateOutput {
 public:
  AnnotateOutput() = default;
  AnnotateOutput(const AnnotateOutput&) = delete;
  AnnotateOutput& operator=(const AnnotateOutput&) = delete;

  Status Write(std::string_view bytes) {
    if (!failure_.ok()) return failure_;
    buffer_ += bytes;
    if (buffer_.size() >= (size_t(1) << 20)) return Flush();
    return {};
  }
  uint64_t BytesWritten() const noexcept { return written_ + buffer_.size(); }

  // Puts the file in place (or flushes standard output); the note of an
  // earlier stopped run goes.
  Status Commit() {
    if (const Status flushed = Flush(); !flushed.ok()) return flushed;
    if (!stream_) return {};
    if (const Status committed = stream_->Commit(); !committed.ok()) {
      failure_ = committed;
      return failure_;
    }
    stream_.reset();
    std::error_code error;
    if (fs::exists(fs::symlink_status(NotePath(), error))) return gate_->Remove(NotePath());
    return {};
  }

  // After Commit: the note beside the file for a later run to go on from.
  Status LeaveNote(const std::string& text) {
    if (!gate_) return {};
    return gate_->Write(NotePath(), text);
  }

  const fs::path& Target() const noexcept { return target_; }
  fs::path NotePath() const { return NotePathOf(target_); }
  static fs::path NotePathOf(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + ".annotate");
  }

 private:
  friend OpenedOutput OpenAnnotateOutput(const AnnotateOutputPlan& plan);
  Status Flush() {
    if (!failure_.ok()) return failure_;
    if (stream_) {
      failure_ = stream_->Append(buffer_);
    } else {
      size_t at = 0;
      while (at < buffer_.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, buffer_.data() + at, buffer_.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          failure_ = Status::Error(std::string("cannot write the standard output: ") +
                                   std::strerror(errno));
          break;
        }
        at += size_t(n);
      }
    }
    if (!failure_.ok()) return failure_;
    written_ += buffer_.size();
    buffer_.clear();
    return {};
  }

  fs::path target_;  // links resolved; empty for standard output
  std::optional<PlanWriter> gate_;
  std::optional<AtomicFileStream> stream_;
  FileLock lock_;
  std::string buffer_;
  uint64_t written_ = 0;
  Status failure_;
};

OpenedOutput OpenAnnotateOutput(const AnnotateOutputPlan& plan) {
  OpenedOutput opened;
  opened.writer = std::make_unique<AnnotateOutput>();
  AnnotateOutput& writer = *opened.writer;
  if (plan.output == "-") return opened;
  writer.target_ = ResolvedPath(plan.output);
  if (plan.input != "-" && !plan.inPlace && ResolvedPath(plan.input) == writer.target_) {
    return {Status::Error("cannot write " + plan.output.string() +
                          ": it is the file being read; give --in-place to annotate it in place"),
            false, nullptr};
  }
  OutputPlan gatePlan;
  if (plan.input != "-") {
    gatePlan.inputs.push_back(
        {plan.input, plan.inPlace ? InputRole::kSetSource : InputRole::kReadOnly});
  }
  gatePlan.outputs.push_back({plan.output, OutputKind::kSet, ".pbn"});
  // A note of a stopped run (whatever it ran) is annotate's own file.
  const fs::path note = writer.NotePath();
  gatePlan.outputs.push_back({note, OutputKind::kLog});
  if (ReadNote(note)) {
    if (Result<std::string> bytes = ReadWholeFile(note); bytes.ok()) {
      gatePlan.outputs.back().knownBytes = std::move(*bytes);
    }
  }
  gatePlan.replaceAllowed = plan.replaceAllowed || plan.inPlace || plan.ours;
  GateResult gate = PassGate(gatePlan);
  if (!gate.writer) return {gate.verdict.status, gate.verdict.needsWord, nullptr};
  Result<FileLock> lock = FileLock::Acquire(writer.target_);
  if (!lock.ok()) return {lock.status(), false, nullptr};
  writer.lock_ = std::move(*lock);
  Result<AtomicFileStream> stream = AtomicFileStream::Open(gate.writer->Permit(plan.output));
  if (!stream.ok()) return {stream.status(), false, nullptr};
  writer.stream_ = std::move(*stream);
  writer.gate_ = std::move(gate.writer);
  return opened;
}

// ---------------------------------------------------------------------------
// The run.

struct PendingGame {
  PbnGame game;
  const PbnTag* deal = nullptr;  // into game.tags; null: passed through as it is
  DealNumber number;
  Seat dealer = kNorth;
  Vulnerability vulnerability = Vulnerability::kNone;
  int64_t piece = 0;
  std::string bad;  // why the game is left as it was, naming its line
};

class AnnotateRun {
 public:
  AnnotateRun(const AnnotateRequest& request, const AnnotateHooks& hooks, std::string fileName,
              AnnotateOutput& out, AnnotateVerdict& verdict)
      : request_(request),
        hooks_(hooks),
        fileName_(std::move(fileName)),
        out_(out),
        verdict_(verdict) {}

  Status Start() { return pool_.Start(std::clamp(request_.threads, 1, 8)); }

  // Reads every piece of the input; writes those of the slice.
  Status Run(std::istream& in, int64_t sliceFirst, int64_t sliceEnd, const ResumeNote* resume,
             bool inPlace) {
    PbnGameScanner scanner(in);
    int64_t piece = -1, game = -1;
    start_ = Clock::now();
    for (PbnGame read; scanner.Next(read);) {
      ++piece;
      if (!read.continued) ++game;
      if (game >= sliceEnd) break;
      Remember(read);
      if (game < sliceFirst) continue;
      if (!read.continued) ++verdict_.games;
      if (resume != nullptr && piece < resume->pieces) {
        // Done by the stopped run: in place the input holds them annotated,
        // otherwise the old output's first bytes were copied already.
        if (inPlace) {
          if (const Status s = out_.Write(read.bytes); !s.ok()) return s;
        }
        if (!read.continued) ++gamesDone_;
        continue;
      }
      if (!halted_ && Stopping()) {
        // What the window holds goes out first, as far as it was solved.
        if (const Status s = FlushWindow(); !s.ok()) return s;
        if (!halted_) Halt(piece);
      }
      if (halted_) {
        if (const Status s = out_.Write(read.bytes); !s.ok()) return s;
        continue;
      }
      PendingGame pending;
      pending.piece = piece;
      pending.game = std::move(read);
      Classify(pending);
      windowBytes_ += pending.game.bytes.size();
      window_.push_back(std::move(pending));
      if (int64_t(batch_.size()) >= BatchSize() || windowBytes_ >= (size_t(8) << 20) ||
          window_.size() >= 4096) {
        if (const Status s = FlushWindow(); !s.ok()) return s;
      }
    }
    if (const Status s = FlushWindow(); !s.ok()) return s;
    if (!scanner.status().ok()) return Status::Error(fileName_ + ": " + scanner.status().message());
    Report();
    return {};
  }

  bool Halted() const noexcept { return halted_; }
  int64_t HaltPiece() const noexcept { return haltPiece_; }
  uint64_t HaltBytes() const noexcept { return haltBytes_; }
  int64_t BadGames() const noexcept { return verdict_.badGames; }

 private:
  int64_t BatchSize() const { return 48 * std::clamp(request_.threads, 1, 8); }
  bool Stopping() const {
    return request_.stop != nullptr && request_.stop->load(std::memory_order_relaxed);
  }

  // The values "#" stands for, from every piece of the input in order.
  void Remember(const PbnGame& game) {
    if (game.tooLong) return;
    context_.board = TakeValue(game, "Board", previous_.board);
    context_.dealer = TakeValue(game, "Dealer", previous_.dealer);
    context_.vulnerable = TakeValue(game, "Vulnerable", previous_.vulnerable);
    context_.deal = TakeValue(game, "Deal", previous_.deal);
  }

  void Warn(const std::string& message) {
    if (hooks_.warning) hooks_.warning(message);
  }

  void Classify(PendingGame& pending) {
    const PbnGame& game = pending.game;
    if (game.tooLong) {
      if (!game.continued) {
        pending.bad = fileName_ + " line " + std::to_string(game.firstLine) +
                      ": a game longer than " + std::to_string(kLargestPbnGame >> 20) +
                      " MiB (is this a PBN file?); left as it was";
      }
      return;
    }
    const PbnTag* deal = game.Find("Deal");
    if (deal == nullptr || Trimmed(context_.deal).empty()) return;  // no deal: nothing to add
    const Result<Deal> parsed = ParsePbnDeal(context_.deal);
    if (!parsed.ok()) {
      pending.bad = fileName_ + " line " + std::to_string(game.LineOf(*deal)) +
                    ": the deal does not read (" + parsed.message() +
                    "); the game is left as it was";
      return;
    }
    pending.deal = deal;
    pending.number = parsed->number;
    const std::optional<int> board = BoardNumber(context_.board);
    pending.dealer = DealerOf(context_.dealer, board, *parsed, context_.deal);
    pending.vulnerability = VulnerabilityOf(context_.vulnerable, board);
    if (solved_.count(pending.number) == 0 && inBatch_.insert(pending.number).second) {
      batch_.push_back(pending.number);
    }
  }

  Status FlushWindow() {
    if (!batch_.empty() && !Stopping()) {
      std::vector<DDTable> tables;
      std::vector<uint8_t> done;
      const int64_t before = verdict_.dealsSolved;
      pool_.Solve(batch_, tables, done, StopFlag(), [&](int64_t count) {
        verdict_.dealsSolved = before + count;
        // The window's games go out together when its deals are done; until
        // then the bar moves by the share of them solved.
        gamesInWork_ = int64_t(window_.size()) * count / int64_t(batch_.size());
        Progress();
      });
      gamesInWork_ = 0;
      if (solved_.size() > (size_t(1) << 18)) solved_.clear();  // memory stays bounded
      for (size_t i = 0; i < batch_.size(); ++i) {
        if (done[i]) solved_.emplace(batch_[i], tables[i]);
      }
    }
    batch_.clear();
    inBatch_.clear();
    for (PendingGame& pending : window_) {
      if (!halted_ && pending.deal != nullptr && solved_.count(pending.number) == 0) {
        Halt(pending.piece);
      }
      if (!halted_ && !pending.bad.empty()) {
        // Named as it goes out, so that a stopped run and the run that goes
        // on from it name each game once.
        ++verdict_.badGames;
        Warn(pending.bad);
      }
      if (halted_ || pending.deal == nullptr) {
        if (const Status s = out_.Write(pending.game.bytes); !s.ok()) return s;
      } else {
        const DDTable& table = solved_.at(pending.number);
        const ParResult par = Par(table, pending.dealer, pending.vulnerability);
        GameEdits edits =
            EditsFor(pending.game, *pending.deal, table, par, request_.tags, fileName_);
        for (const std::string& warning : edits.warnings) Warn(warning);
        verdict_.replaced += edits.replaced;
        ++verdict_.annotated;
        if (const Status s = out_.Write(Apply(pending.game, std::move(edits.edits))); !s.ok()) {
          return s;
        }
      }
      if (!halted_ && !pending.game.continued) ++gamesDone_;
    }
    window_.clear();
    windowBytes_ = 0;
    Progress();
    return {};
  }

  // From this piece on everything is copied as it is.
  void Halt(int64_t piece) {
    halted_ = true;
    haltPiece_ = piece;
    haltBytes_ = out_.BytesWritten();
  }

  const std::atomic<bool>& StopFlag() const {
    return request_.stop != nullptr ? *request_.stop : neverStop_;
  }

  AnnotateProgress Now() const {
    AnnotateProgress now;
    now.gamesDone = gamesDone_ + gamesInWork_;
    now.gamesTotal = gamesTotal_;
    now.dealsSolved = verdict_.dealsSolved;
    now.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    return now;
  }
  void Progress() {
    if (!hooks_.progress) return;
    const auto now = Clock::now();
    if (now - lastProgress_ < std::chrono::milliseconds(200)) return;
    lastProgress_ = now;
    hooks_.progress(Now());
  }
  void Report() {
    if (hooks_.progress) hooks_.progress(Now());
  }

 public:
  int64_t gamesTotal_ = 0;

 private:
  const AnnotateRequest& request_;
  const AnnotateHooks& hooks_;
  const std::string fileName_;
  AnnotateOutput& out_;
  AnnotateVerdict& verdict_;
  SolverPool pool_;
  GameContext context_, previous_;
  std::vector<PendingGame> window_;
  size_t windowBytes_ = 0;
  std::vector<DealNumber> batch_;
  std::unordered_set<DealNumber, DealKeyHash> inBatch_;
  std::unordered_map<DealNumber, DDTable, DealKeyHash> solved_;
  int64_t gamesDone_ = 0;
  int64_t gamesInWork_ = 0;  // an estimate of the window's games done while it is solved
  bool halted_ = false;
  int64_t haltPiece_ = 0;
  uint64_t haltBytes_ = 0;
  std::atomic<bool> neverStop_{false};
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastProgress_ = Clock::now() - std::chrono::seconds(1);
};

// The games (pieces that start one) of a file, read once through.
Result<int64_t> CountGames(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error("cannot read " + path.string() + ": " + std::strerror(errno));
  PbnGameScanner scanner(in);
  int64_t games = 0;
  for (PbnGame game; scanner.Next(game);) games += game.continued ? 0 : 1;
  if (!scanner.status().ok())
    return Status::Error(path.string() + ": " + scanner.status().message());
  return games;
}

Status CopyPrefix(const fs::path& path, uint64_t bytes, AnnotateOutput& out) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(size_t(1) << 20);
  while (bytes > 0 && in) {
    in.read(buffer.data(), std::streamsize(std::min<uint64_t>(bytes, buffer.size())));
    const size_t got = size_t(in.gcount());
    if (got == 0) break;
    if (const Status s = out.Write(std::string_view(buffer.data(), got)); !s.ok()) return s;
    bytes -= got;
  }
  if (bytes > 0) return Status::Error("cannot read " + path.string() + " to go on from it");
  return {};
}

}  // namespace

Result<unsigned> ParseAnnotateTags(std::string_view list) {
  unsigned tags = 0;
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view word = Trimmed(list.substr(0, comma));
    bool known = EqualIgnoringCase(word, "all");
    if (known) tags |= kAllAnnotateTags;
    for (const TagKindName& kind : kTagNames) {
      if (EqualIgnoringCase(word, kind.name)) {
        tags |= kind.kind;
        known = true;
      }
    }
    if (!known) {
      return Status::Error("\"" + std::string(word) +
                           "\" is no tag annotate writes: give DoubleDummyTricks, "
                           "OptimumResultTable, OptimumScore, ParContract or all, "
                           "separated by commas");
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return tags;
}

std::string DoubleDummyTricksText(const DDTable& table) {
  constexpr std::string_view kDigits = "0123456789abcd";
  std::string text;
  for (Seat declarer : kTricksDeclarers) {
    for (Strain strain : kStrains) {
      text += kDigits[std::min<size_t>(table[size_t(DDIndex(declarer, strain))], 13)];
    }
  }
  return text;
}

std::optional<DDTable> ParseDoubleDummyTricks(std::string_view value) {
  value = Trimmed(value);
  if (value.size() != 20) return std::nullopt;
  DDTable table{};
  size_t at = 0;
  for (Seat declarer : kTricksDeclarers) {
    for (Strain strain : kStrains) {
      const char c = Lower(value[at++]);
      int tricks = -1;
      if (c >= '0' && c <= '9') tricks = c - '0';
      if (c >= 'a' && c <= 'd') tricks = c - 'a' + 10;
      if (tricks < 0) return std::nullopt;
      table[size_t(DDIndex(declarer, strain))] = uint8_t(tricks);
    }
  }
  return table;
}

fs::path AnnotateDefaultOutput(const fs::path& input) {
  fs::path output = input;
  output.replace_extension(".dd.pbn");
  return output;
}

AnnotateVerdict Annotate(const AnnotateRequest& request, const AnnotateHooks& hooks) {
  AnnotateVerdict verdict;
  const auto fail = [&](std::string message) {
    verdict.status = Status::Error(std::move(message));
    return verdict;
  };
  const bool fromStdin = request.input == "-";
  if (request.parts < 1 || request.part < 1 || request.part > request.parts) {
    return fail("the part must be K/N with 1 <= K <= N");
  }
  if (fromStdin && request.inPlace) return fail("standard input cannot be annotated in place");
  if (fromStdin && request.parts > 1) {
    return fail("parts need a file: the games must be counted before the first part is written");
  }
  if (!fromStdin) {
    std::error_code error;
    if (!fs::is_regular_file(request.input, error)) {
      return fail("cannot read " + request.input.string() + ": " +
                  (fs::exists(request.input, error) ? "it is not a regular file" : "no such file"));
    }
  }
  verdict.output = request.inPlace          ? request.input
                   : request.output.empty() ? AnnotateDefaultOutput(request.input)
                                            : request.output;
  if (fromStdin && request.output.empty()) verdict.output = "-";
  const bool toStdout = verdict.output == "-";
  const std::string fileName = fromStdin ? "standard input" : request.input.string();

  // A stopped run of the same input to the same output: go on from it.
  // A stopped run's output, unchanged since its note, is annotate's own
  // even when this run cannot go on from it (other tags or input).
  std::optional<ResumeNote> resume;
  bool ownOutput = false;
  if (!toStdout && !fromStdin) {
    const fs::path target = ResolvedPath(verdict.output);
    resume = ReadNote(AnnotateOutput::NotePathOf(target));
    ownOutput = resume && resume->outputId == IdOf(target);
    if (resume && (resume->input != ResolvedPath(request.input).string() ||
                   (!request.inPlace && !(resume->inputId == IdOf(request.input))) ||
                   !(resume->outputId == IdOf(target)) || resume->tags != request.tags ||
                   resume->part != request.part || resume->parts != request.parts)) {
      resume.reset();
    }
  }
  verdict.resumed = resume.has_value();

  OpenedOutput opened = OpenAnnotateOutput(
      {request.input, verdict.output, request.inPlace, request.replaceAllowed, ownOutput});
  if (!opened.status.ok()) {
    verdict.status = opened.status;
    verdict.needsWord = opened.needsWord;
    return verdict;
  }
  AnnotateOutput& out = *opened.writer;

  int64_t games = 0;
  if (request.parts > 1 || (hooks.countGames && !fromStdin)) {
    const Result<int64_t> counted = CountGames(request.input);
    if (!counted.ok()) return fail(counted.message());
    games = *counted;
  }
  const int64_t sliceFirst = request.parts > 1 ? games * (request.part - 1) / request.parts : 0;
  const int64_t sliceEnd = request.parts > 1 ? games * request.part / request.parts : INT64_MAX;

  std::ifstream file;
  if (!fromStdin) {
    file.open(request.input, std::ios::binary);
    if (!file) return fail("cannot read " + fileName + ": " + std::strerror(errno));
  }
  std::istream& in = fromStdin ? std::cin : file;
  if (resume && !request.inPlace) {
    if (const Status s = CopyPrefix(out.Target(), uint64_t(resume->bytes), out); !s.ok()) {
      return fail(s.message());
    }
  }

  AnnotateRun run(request, hooks, fileName, out, verdict);
  run.gamesTotal_ = request.parts > 1 ? sliceEnd - sliceFirst : games;
  if (const Status started = run.Start(); !started.ok()) return fail(started.message());
  const auto began = Clock::now();
  const Status ran =
      run.Run(in, sliceFirst, sliceEnd, resume ? &*resume : nullptr, request.inPlace);
  verdict.seconds = std::chrono::duration<double>(Clock::now() - began).count();
  if (!ran.ok()) return fail(ran.message());
  if (resume) {
    verdict.badGames += resume->badGames;
    verdict.annotated += resume->annotated;
  }

  if (const Status committed = out.Commit(); !committed.ok()) return fail(committed.message());
  if (run.Halted()) {
    verdict.stopped = true;
    if (!toStdout && !fromStdin) {
      ResumeNote note;
      note.input = ResolvedPath(request.input).string();
      note.outputId = IdOf(out.Target());
      note.inputId = request.inPlace ? note.outputId : IdOf(request.input);
      note.tags = request.tags;
      note.part = request.part;
      note.parts = request.parts;
      note.pieces = run.HaltPiece();
      note.bytes = int64_t(run.HaltBytes());
      note.badGames = verdict.badGames;
      note.annotated = verdict.annotated;
      if (const Status s = out.LeaveNote(NoteText(note)); !s.ok()) return fail(s.message());
    }
  }
  return verdict;
}

}  // namespace tarrow

#include "files/pbn_reader.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <vector>

#include "core/atomic_file.h"
#include "core/cards.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "core/texts.h"
#include "files/text_scan.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

using internal::NumberRanges;
using internal::ParseInteger;
using internal::QuotedForMessage;
using internal::TrimBlanks;

constexpr size_t kValueLimit = 128;
constexpr int kTableRows = 20;

enum class TagKind {
  kNone,
  kEvent,
  kSite,
  kDate,
  kBoard,
  kDealer,
  kVulnerable,
  kDeal,
  kOptimumResultTable,
  kGenerator,
  kApplication,
  kEventsponsor,
  kOptimumScore,
  kParContract,
  kDoubleDummyTricks,
};

struct TagName {
  std::string_view name;
  TagKind kind;
};
constexpr std::array<TagName, 14> kTags = {{
    {"event", TagKind::kEvent},
    {"site", TagKind::kSite},
    {"date", TagKind::kDate},
    {"board", TagKind::kBoard},
    {"dealer", TagKind::kDealer},
    {"vulnerable", TagKind::kVulnerable},
    {"deal", TagKind::kDeal},
    {"optimumresulttable", TagKind::kOptimumResultTable},
    {"generator", TagKind::kGenerator},
    {"application", TagKind::kApplication},
    {"eventsponsor", TagKind::kEventsponsor},
    {"optimumscore", TagKind::kOptimumScore},
    {"parcontract", TagKind::kParContract},
    {"doubledummytricks", TagKind::kDoubleDummyTricks},
}};

char Lower(char ch) {
  return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch;
}

std::string Lowered(std::string_view text) {
  std::string lower(text);
  for (char& ch : lower) ch = Lower(ch);
  return lower;
}

TagKind KindOf(std::string_view name) {
  const std::string lower = Lowered(name);
  for (const TagName& tag : kTags) {
    if (tag.name == lower) return tag.kind;
  }
  return TagKind::kNone;
}

struct Tag {
  bool isTag = false;  // the line is a tag line, known or not
  std::string name;    // as written
  TagKind kind = TagKind::kNone;
  std::string value;      // unescaped, cut to kValueLimit
  bool repeated = false;  // the value is "#" alone: same as the previous game
  bool cut = false;       // the value was longer than kValueLimit
  bool quoted = false;    // the line gives a value in double quotes
};

// The value runs from the first double quote after the name to the next
// unescaped one; without a closing quote it stops before the line's last
// character (normally the closing bracket).
void ReadTagValue(std::string_view line, size_t from, Tag& tag) {
  const size_t open = line.find('"', from);
  if (open == std::string_view::npos) return;
  tag.quoted = true;
  size_t end = open + 1;
  while (end < line.size() && line[end] != '"') {
    const bool escape = line[end] == '\\' && end + 1 < line.size() &&
                        (line[end + 1] == '"' || line[end + 1] == '\\');
    end += escape ? 2 : 1;
  }
  if (end >= line.size()) end = std::max(open + 1, line.size() - 1);
  const std::string_view raw = line.substr(open + 1, end - open - 1);
  // Only "#" alone repeats the previous game's value; "#3 Pairs" is a name.
  tag.repeated = raw == "#";
  size_t i = 0;
  for (; i < raw.size() && tag.value.size() < kValueLimit; ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '"' || raw[i + 1] == '\\')) ++i;
    tag.value += raw[i];
  }
  tag.cut = i < raw.size();
}

// A tag line starts with "[" (blanks before it allowed); the name runs to
// the next blank, tab or double quote, and the line's last character never
// belongs to it (so "[Board]" names Board).
Tag ParseTag(std::string_view line) {
  Tag tag;
  const std::string_view text = TrimBlanks(line);
  if (text.empty() || text.front() != '[') return tag;
  const size_t start = 1;
  size_t end = text.find_first_of(" \t\"", start);
  if (end == std::string_view::npos || end > text.size() - 1) end = text.size() - 1;
  if (end <= start) return tag;
  tag.isTag = true;
  tag.name = std::string(text.substr(start, end - start));
  tag.kind = KindOf(tag.name);
  ReadTagValue(text, end, tag);
  return tag;
}

// Commentary: "{" to "}" (over several lines too) and ";" to the end of the
// line, both outside tag values.  What is left of the line is what the
// reader reads.
class CommentaryFilter {
 public:
  // The line without its commentary; `had` says whether it held any.
  std::string Strip(std::string_view line, bool& had) {
    std::string kept;
    had = inBraces_;
    bool inQuotes = false;
    for (size_t i = 0; i < line.size(); ++i) {
      const char ch = line[i];
      if (inBraces_) {
        if (ch == '}') inBraces_ = false;
        continue;
      }
      if (inQuotes) {
        kept += ch;
        if (ch == '\\' && i + 1 < line.size()) {
          kept += line[++i];
        } else if (ch == '"') {
          inQuotes = false;
        }
        continue;
      }
      if (ch == '{') {
        inBraces_ = true;
        had = true;
        continue;
      }
      if (ch == ';') {
        had = true;
        break;
      }
      if (ch == '"') inQuotes = true;
      kept += ch;
    }
    return kept;
  }
  bool InBraces() const { return inBraces_; }

 private:
  bool inBraces_ = false;
};

// What the file holds that the set has no place for, gathered by kind so
// that the report says each once: how many, and where the first is.
class NotKeptList {
 public:
  void Add(const std::string& kind, size_t line, const std::string& detail = "") {
    Entry& entry = entries_[kind];
    if (entry.count++ == 0) {
      entry.firstLine = line;
      order_.push_back(kind);
    }
    entry.firstLine = std::min(entry.firstLine, line);
    if (!detail.empty() && entry.details.size() < kDetailsShown &&
        std::find(entry.details.begin(), entry.details.end(), detail) == entry.details.end()) {
      entry.details.push_back(detail);
    }
  }

  // "tags the set has no place for: West, North (first on line 5, 80 in all)"
  // In the order of the file.
  void AppendTo(std::vector<std::string>& out) const {
    std::vector<std::string> order = order_;
    std::stable_sort(order.begin(), order.end(), [&](const std::string& a, const std::string& b) {
      return entries_.at(a).firstLine < entries_.at(b).firstLine;
    });
    for (const std::string& kind : order) {
      const Entry& entry = entries_.at(kind);
      std::string text = kind;
      if (!entry.details.empty()) {
        text += ": ";
        for (size_t i = 0; i < entry.details.size(); ++i)
          text += (i ? ", " : "") + entry.details[i];
        if (entry.details.size() == kDetailsShown) text += ", ...";
      }
      text += " (";
      text += entry.count == 1 ? "line " : "first on line ";
      text += std::to_string(entry.firstLine);
      if (entry.count > 1) text += ", " + std::to_string(entry.count) + " in all";
      out.push_back(text + ")");
    }
  }

 private:
  static constexpr size_t kDetailsShown = 6;
  struct Entry {
    int count = 0;
    size_t firstLine = 0;
    std::vector<std::string> details;
  };
  std::map<std::string, Entry> entries_;
  std::vector<std::string> order_;
};

// Dealer and vulnerability by meaning: PBN writes a vulnerability as
// None/Love/-, NS, EW or All/Both in any case.
std::optional<int> VulnerabilityCode(std::string_view value) {
  const std::string text = Lowered(TrimBlanks(value));
  if (text == "none" || text == "love" || text == "-") return 0;
  if (text == "ns") return 1;
  if (text == "ew") return 2;
  if (text == "all" || text == "both") return 3;
  return std::nullopt;
}

std::optional<int> DealerCode(std::string_view value) {
  const std::string text = Lowered(TrimBlanks(value));
  if (text.size() != 1) return std::nullopt;
  const size_t seat = std::string_view("nesw").find(text[0]);
  if (seat == std::string_view::npos) return std::nullopt;
  return int(seat);
}

// What the file said of one board beyond its deal.
struct BoardNotes {
  std::array<bool, 20> known{};      // a row gave the declarer's tricks in the strain
  std::array<size_t, 20> rowLine{};  // where
  bool hasTable = false;             // a table tag or row for it
  size_t tableLine = 0;
  size_t dealLine = 0;                    // the Deal that gave the board, 0 before it
  std::array<uint8_t, 20> doubleDummy{};  // the DoubleDummyTricks value, seat-major N E S W
  size_t doubleDummyLine = 0;             // where, 0 when the board has none
  std::string optimumScore, parContract;  // the file's par values as written
  size_t optimumScoreLine = 0, parContractLine = 0;
};

// One event of a file that holds several, each numbering its boards from
// 1: from the first line of the game whose deal showed it.
struct EventSection {
  size_t firstLine = 1;
  std::string name;               // its Event value
  std::vector<long long> boards;  // its boards 1..36 with a deal
};

class PbnReader {
 public:
  PbnReader(std::string_view fileName, DateTime today) : fileName_(fileName), today_(today) {
    set_.header.eventDate = today_;
    set_.header.seed = "none";
    sections_.push_back({});
  }

  // Reads only lines from..to - 1 (one event of the file); line numbers stay
  // the file's.
  void OnlyLines(size_t from, size_t to) {
    fromLine_ = from;
    toLine_ = to;
    gameStartLine_ = from;
  }
  const std::vector<EventSection>& Sections() const { return sections_; }

  Result<DealSet> Read(std::string_view bytes, LoadReport& report) {
    if (const Status text = CheckEncoding(bytes); !text.ok()) return text;
    // A UTF-8 byte-order mark is no part of the first line.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    internal::LineReader lines(bytes);
    for (std::string_view line; lines.Next(line);) {
      lineNumber_ = lines.LineNumber();
      if (lineNumber_ < fromLine_) continue;
      if (lineNumber_ >= toLine_) break;
      Status status = ReadLine(line);
      if (!status.ok()) return status;
    }
    Status ended = EndOfFile();
    if (!ended.ok()) return ended;
    sections_.back().boards = PresentBoardNumbers();
    // A file without a single readable board is no set (a text file, random
    // bytes): loading it would replace the set in memory with nothing.
    if (set_.PresentBoards() == 0) {
      const std::string cannot = "cannot load " + std::string(fileName_) + ": ";
      if (!ignoredBoards_.empty()) {
        const std::vector<long long> ignored(ignoredBoards_.begin(), ignoredBoards_.end());
        return Status::Error(cannot + "its boards are numbered " + NumberRanges(ignored) +
                             ", and a set holds boards 1 to " + std::to_string(kBoardsPerSet) +
                             "; number them from 1 (a file of several events numbered on from " +
                             "each other: save each event as a file of its own)");
      }
      return Status::Error(cannot + "no board in it could be read; it is not a PBN set");
    }
    SettleBoards();
    set_.RefreshDeals();
    set_.setDigest = ComputeSetDigest(set_);
    report.warnings.insert(report.warnings.end(), warnings_.begin(), warnings_.end());
    notKept_.AppendTo(report.notKept);
    return std::move(set_);
  }

 private:
  enum class RowResult { kNotRow, kRow };

  bool BoardInRange() const { return board_ >= 1 && board_ <= kBoardsPerSet; }

  std::string At() const {
    return std::string(fileName_) + " line " + std::to_string(lineNumber_) + ": ";
  }
  Status Error(const std::string& what) const { return Status::Error(At() + what); }
  void Warn(const std::string& what) { warnings_.push_back(At() + what); }
  std::string BoardText() const { return "board " + std::to_string(board_); }

  std::vector<long long> PresentBoardNumbers() const {
    std::vector<long long> present;
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      if (set_.Board(n).number.valid) present.push_back(n);
    }
    return present;
  }

  // UTF-16 text reads as no PBN at all; say what it is instead.
  Status CheckEncoding(std::string_view bytes) const {
    const bool mark = bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
    // Without a mark: ASCII text in UTF-16 has every other byte zero.
    bool zeros = bytes.size() >= 4;
    for (size_t i = 0; zeros && i < std::min<size_t>(bytes.size(), 64) / 2 * 2; i += 2) {
      zeros = (bytes[i] == '\0') != (bytes[i + 1] == '\0');
    }
    if (!mark && !zeros) return Status();
    return Status::Error("cannot load " + std::string(fileName_) +
                         ": it is UTF-16 text; save it as UTF-8 or ANSI (Windows-1252) text, " +
                         "as most editors offer under Save As, and load it again");
  }

  Status ReadLine(std::string_view raw) {
    const bool inBraces = commentary_.InBraces();
    if (!inBraces && !raw.empty() && raw.front() == '%') {
      ReadPercentLine(raw);
      return Status();
    }
    bool hadCommentary = false;
    const std::string code = commentary_.Strip(raw, hadCommentary);
    if (hadCommentary) {
      notKept_.Add("commentary", lineNumber_);
      if (!commentary_.InBraces()) braceHidesTag_ = false;
    }
    if (inBraces && commentary_.InBraces() && TrimBlanks(raw).substr(0, 1) == "[") {
      braceHidesTag_ = true;
    }
    if (!inBraces && commentary_.InBraces()) braceLine_ = lineNumber_;
    const std::string_view line = TrimBlanks(code);
    if (line.empty() && hadCommentary) return Status();  // not even the end of a table

    if (pendingRows_ > 0) {
      Result<RowResult> row = ReadRow(line);
      if (!row.ok()) return row.status();
      if (*row == RowResult::kRow) {
        if (--pendingRows_ == 0) EndTable();
        return Status();
      }
      EndTable();  // a line that is no row ends the table and is read as itself
    }
    if (line.empty()) return EndGame();
    const Tag tag = ParseTag(line);
    if (tag.isTag && !tag.quoted) {
      // "[Event Random Deal #]": the value is lost, so say so.
      Warn("the tag line " + QuotedForMessage(line) +
           " gives no value in double quotes; it is ignored");
      notKept_.Add("tag lines without a value in double quotes", lineNumber_);
      section_.clear();
      return Status();
    }
    if (!tag.isTag) {
      if (!section_.empty()) {
        notKept_.Add("the " + section_ + " sections", lineNumber_);
      } else {
        notKept_.Add("lines that are neither tag nor table row", lineNumber_);
      }
      return Status();
    }
    section_.clear();
    if (tag.kind == TagKind::kNone) {
      notKept_.Add("tags the set has no place for", lineNumber_, tag.name);
      section_ = tag.name;  // lines under it (an auction, the play) are its section
      return Status();
    }
    if (tag.repeated) return Status();
    if (tag.cut) notKept_.Add("values cut to fit", lineNumber_, tag.name);
    return ApplyTag(tag);
  }

  // "% PBN 2.1", "% EXPORT", "% IMPORT" say which PBN the file is written
  // in; any other "%" line is a remark the set cannot keep.
  void ReadPercentLine(std::string_view line) {
    const std::string text = Lowered(TrimBlanks(line.substr(1)));
    if (text.rfind("pbn ", 0) == 0 || text == "export" || text == "import") return;
    notKept_.Add("remarks starting with %", lineNumber_);
  }

  Status ApplyTag(const Tag& tag) {
    SetHeader& header = set_.header;
    switch (tag.kind) {
      case TagKind::kEvent:
        KeepHeaderText(header.event, tag, "Event");
        gameEvent_ = tag.value;
        gameHasEvent_ = true;
        if (!sectionNamed_) sections_.back().name = tag.value;
        sectionNamed_ = true;
        break;
      case TagKind::kSite:
        KeepHeaderText(header.site, tag, "Site");
        break;
      case TagKind::kDate:
        NoteHeaderValue("Date", tag.value);
        ReadDate(tag.value);
        break;
      case TagKind::kBoard:
        return ReadBoard(tag.value);
      case TagKind::kDeal:
        return ReadDeal(tag.value);
      case TagKind::kOptimumResultTable:
        if (board_ == 0) return Error("a trick table before any Board tag");
        pendingRows_ = kTableRows;
        tableRows_ = 0;
        if (BoardInRange()) {
          BoardNotes& notes = notes_[size_t(board_ - 1)];
          if (!notes.hasTable) notes.tableLine = lineNumber_;
          notes.hasTable = true;
        }
        break;
      case TagKind::kGenerator:
        // The banner names the program that wrote the file; a rewrite puts
        // this program's own there by design, so nothing is lost.
        header.banner = tag.value;
        break;
      case TagKind::kApplication:
        ReadApplication(tag.value);
        break;
      case TagKind::kEventsponsor:
        KeepHeaderText(header.club, tag, "Eventsponsor");
        break;
      case TagKind::kOptimumScore:
      case TagKind::kParContract:
        if (BoardInRange()) ReadPar(tag);
        break;
      case TagKind::kDoubleDummyTricks:
        // Not written back: the set's own table is the OptimumResultTable.
        notKept_.Add("tags the set has no place for", lineNumber_, tag.name);
        if (BoardInRange() && gameHasBoard_) ReadDoubleDummyTricks(tag.value);
        break;
      case TagKind::kDealer:
      case TagKind::kVulnerable:
        CheckBoardConvention(tag);
        break;
      case TagKind::kNone:
        break;
    }
    return Status();
  }

  // A header value given again with another text (a file of several
  // events) keeps the later one; the earlier cannot be written back.
  void NoteHeaderValue(const std::string& name, std::string_view value) {
    const auto [at, fresh] = headerValues_.emplace(name, std::string(value));
    if (!fresh && at->second != value) {
      notKept_.Add("header values that change between games", lineNumber_, name);
      at->second = value;
    }
  }

  template <size_t N>
  void KeepHeaderText(LimitedText<N>& field, const Tag& tag, const std::string& name) {
    NoteHeaderValue(name, tag.value);
    if (tag.value.size() > N && !tag.cut) notKept_.Add("values cut to fit", lineNumber_, name);
    field = tag.value;
  }

  // Board numbers are strict: a board whose number does not read would
  // otherwise take the deal of the board before it.
  Status ReadBoard(std::string_view value) {
    const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char ch) {
      return ch >= '0' && ch <= '9';
    });
    if (!digits) {
      return Error("the Board value " + QuotedForMessage(value) + " is not a board number");
    }
    const long long n = *ParseInteger(value);
    if (n == 0)
      return Error("the Board value " + QuotedForMessage(value) +
                   " is no board: boards start at 1");
    if (gameHasBoard_ && gameHasDeal_) StartGameUnmarked();
    board_ = n;
    gameHasBoard_ = true;
    if (n > kBoardsPerSet) {
      if (ignoredBoards_.insert(n).second && ignoredBoards_.size() == 1) ignoredLine_ = lineNumber_;
      heldDeal_.reset();
      return Status();
    }
    for (const Tag& held : heldConventions_) CheckBoardConvention(held);
    heldConventions_.clear();
    if (heldDeal_) {
      // The game's Deal came before its Board tag: it is this board's.
      const size_t here = lineNumber_;
      lineNumber_ = heldDealLine_;
      const std::string value = *heldDeal_;
      heldDeal_.reset();
      gameHasDeal_ = false;  // given now
      Status status = ReadDeal(value);
      lineNumber_ = here;
      if (!status.ok()) return status;
    }
    return Status();
  }

  // A game that follows another without the empty line between them.
  void StartGameUnmarked() {
    gameHasBoard_ = gameHasDeal_ = gameHasEvent_ = false;
    gameStartLine_ = lineNumber_;
    heldConventions_.clear();
  }

  // Every fault of a deal is an error: a board is never left out unseen.
  // The deal itself is read by the program's one deal parser.
  Status ReadDeal(std::string_view value) {
    if (gameHasBoard_ && gameHasDeal_) StartGameUnmarked();
    if (!gameHasBoard_) {
      // A deal belongs to the game it is in, whose Board tag may follow.
      heldDeal_ = std::string(value);
      heldDealLine_ = lineNumber_;
      gameHasDeal_ = true;
      return Status();
    }
    gameHasDeal_ = true;
    if (!BoardInRange()) return Status();  // past 36: reported once at the end
    const Result<Deal> deal = ParsePbnDeal(value);
    if (!deal.ok()) return Error(BoardText() + ": " + deal.message());
    if (set_.Board(int(board_)).number.valid && !(set_.Board(int(board_)).number == deal->number) &&
        gameHasEvent_) {
      // Boards numbered again from 1 under an Event tag: the next event of
      // a file that holds several.
      StartSection();
    }
    BoardEntry& board = set_.Board(int(board_));
    BoardNotes& notes = notes_[size_t(board_ - 1)];
    if (board.number.valid && !(board.number == deal->number)) {
      return Error(BoardText() + " is given a second, different deal (the first on line " +
                   std::to_string(notes.dealLine) + ")");
    }
    // The same deal again is another game of the board (a results file).
    if (!board.number.valid) notes.dealLine = lineNumber_;
    board.number = deal->number;
    return Status();
  }

  // Dealer and vulnerability follow from the board number; a file that says
  // otherwise is read by its number, and the user is told.
  void CheckBoardConvention(const Tag& tag) {
    if (!gameHasBoard_) {
      heldConventions_.push_back(tag);  // checked when the game's Board tag comes
      return;
    }
    if (!BoardInRange()) return;
    const int n = int(board_);
    const bool isDealer = tag.kind == TagKind::kDealer;
    const std::optional<int> said = isDealer ? DealerCode(tag.value) : VulnerabilityCode(tag.value);
    const std::string ours = isDealer ? BoardDealerLetter(n) : BoardVulnerabilityShortText(n);
    const std::optional<int> expected = isDealer ? DealerCode(ours) : VulnerabilityCode(ours);
    if (said == expected) return;
    const std::string name = isDealer ? "Dealer" : "Vulnerable";
    Warn(BoardText() + ": the file says " + name + " " + QuotedForMessage(tag.value) +
         ", but board " + std::to_string(n) + " is " + QuotedForMessage(ours) +
         "; the board number decides");
    notKept_.Add("Dealer or Vulnerable values that differ from their board numbers'", lineNumber_,
                 "board " + std::to_string(n));
  }

  Status EndGame() {
    if (heldDeal_) {
      lineNumber_ = heldDealLine_;
      return Error("a Deal tag in a game without a Board tag");
    }
    gameHasBoard_ = gameHasDeal_ = gameHasEvent_ = false;
    gameStartLine_ = lineNumber_ + 1;
    section_.clear();
    heldConventions_.clear();
    return Status();
  }

  // The games from this one on are the next event: the boards read so far
  // are the last event's, and this reading starts afresh.
  void StartSection() {
    sections_.back().boards = PresentBoardNumbers();
    sections_.push_back({gameStartLine_, gameEvent_, {}});
    const SetHeader header = set_.header;
    set_ = DealSet();
    set_.header = header;
    notes_ = {};
    ignoredBoards_.clear();
    headerValues_.clear();
  }

  // "d8ddad8dda0500105001": a hexadecimal digit of tricks for each
  // declarer N, S, E, W, and in each the strains NT, S, H, D, C.
  void ReadDoubleDummyTricks(std::string_view value) {
    const std::string_view text = TrimBlanks(value);
    BoardNotes& notes = notes_[size_t(board_ - 1)];
    std::array<uint8_t, 20> tricks{};
    bool readable = text.size() == 20;
    constexpr Seat kOrder[4] = {kNorth, kSouth, kEast, kWest};
    for (size_t i = 0; readable && i < 20; ++i) {
      const char ch = Lower(text[i]);
      const size_t digit = std::string_view("0123456789abcd").find(ch);
      readable = digit != std::string_view::npos;
      if (readable) tricks[size_t(DDIndex(kOrder[i / 5], Strain(i % 5)))] = uint8_t(digit);
    }
    if (!readable) {
      Warn(BoardText() + ": the DoubleDummyTricks value " + QuotedForMessage(value) +
           " is not 20 hexadecimal digits 0..d; it is left out");
      return;
    }
    notes.doubleDummy = tricks;
    notes.doubleDummyLine = lineNumber_;
  }

  // Dates are lenient: a date that does not read becomes today's, and the
  // user is told when it is an impossible one.  The day-first forms are
  // told apart by their separators.
  void ReadDate(std::string_view value) {
    // "?" and "????.??.??" are PBN's unknown date: it stays unknown (zero),
    // and nothing prints a date for it.
    if (!value.empty() && value.find_first_not_of("?.") == std::string_view::npos) {
      set_.header.eventDate = 0;
      return;
    }
    set_.header.eventDate = today_;
    if (value.empty()) return;
    const std::string impossible = "the date " + QuotedForMessage(value) +
                                   " is not a possible date; the event date is today's";
    if (value.size() != 10) {
      notKept_.Add("dates that do not read", lineNumber_, QuotedForMessage(value));
      return;
    }
    const char mark = value[2];
    if ((mark == '/' || mark == '.') && value[5] == mark) {
      const std::optional<DateTime> date = ParseDateTime(value);
      if (!date) {
        Warn(impossible);
        notKept_.Add("dates that do not read", lineNumber_, QuotedForMessage(value));
        return;
      }
      set_.header.eventDate = *date;
      return;
    }
    const CivilDateTime today = CivilFromDateTime(today_);
    bool whole = true;
    const auto part = [&](size_t at, size_t count, int fallback) -> long long {
      const std::optional<long long> n = ParseInteger(value.substr(at, count));
      whole = whole && n.has_value();
      return n ? *n : fallback;
    };
    const long long year = part(0, 4, today.year);
    const long long month = part(5, 2, today.month);
    const long long day = part(8, 2, today.day);
    if (!IsValidCivilDate(int(year), int(month), int(day))) {
      Warn(impossible);
      notKept_.Add("dates that do not read", lineNumber_, QuotedForMessage(value));
      return;
    }
    // "????.10.07" is PBN for a year not known: today's year stands in.
    if (!whole) notKept_.Add("dates that do not read", lineNumber_, QuotedForMessage(value));
    set_.header.eventDate = DateFromCivil(int(year), int(month), int(day));
  }

  // The text after the digit comes back exactly as written: a seed " abc"
  // deals another set than "abc".  Only the generation time, read as a
  // date, may stand between blanks.
  void ReadApplication(std::string_view value) {
    if (value.empty()) {
      notKept_.Add("Application values the set has no place for", lineNumber_);
      return;
    }
    const std::string_view text = value.substr(1);
    SetHeader& header = set_.header;
    const std::string key = "Application " + std::string(1, value.front());
    switch (value.front()) {
      case '1':
        NoteHeaderValue(key, value);
        if (text.size() > decltype(header.seed)::kLimit)
          notKept_.Add("values cut to fit", lineNumber_, "the seed");
        header.seed = text;
        break;
      case '2':
        NoteHeaderValue(key, value);
        if (text.size() > decltype(header.description)::kLimit) {
          notKept_.Add("values cut to fit", lineNumber_, "the description");
        }
        header.description = text;
        break;
      case '3':
        NoteHeaderValue(key, value);
        if (const std::optional<DateTime> time = ParseDateTime(TrimBlanks(text))) {
          header.generationTime = *time;
        } else {
          header.generationTime = 0;
          Warn("the generation time " + QuotedForMessage(TrimBlanks(text)) +
               " is not a date and time; it is left empty");
          notKept_.Add("generation times that do not read", lineNumber_,
                       QuotedForMessage(TrimBlanks(text)));
        }
        break;
      case '4':
        // The computer that wrote the file: a rewrite names its own.
        header.computerName = text;
        break;
      default:
        notKept_.Add("Application values the set has no place for", lineNumber_);
        break;
    }
  }

  // Par is derived data: a value this reader cannot make sense of (another
  // program's form, a damaged line) is left out of FilePar, never an error;
  // whether a rewrite keeps it is settled once the table is known.
  void ReadPar(const Tag& tag) {
    FilePar& par = set_.Board(int(board_)).filePar;
    BoardNotes& notes = notes_[size_t(board_ - 1)];
    if (tag.kind == TagKind::kOptimumScore) {
      const std::optional<int> score = ParseOptimumScore(tag.value);
      par.hasScore = score.has_value();
      par.score = score.value_or(0);
      notes.optimumScore = tag.value;
      notes.optimumScoreLine = lineNumber_;
    } else {
      const std::optional<ParResult> contracts = ParseParContracts(tag.value);
      par.contracts = contracts ? ParContractsText(*contracts) : "";
      notes.parContract = tag.value;
      notes.parContractLine = lineNumber_;
    }
  }

  // "N NT 13", "e c ?": declarer, strain ("n" stands for "nt"), tricks or "?".
  Result<RowResult> ReadRow(std::string_view line) {
    std::string text(TrimBlanks(line));
    for (char& ch : text) ch = Lower(ch);
    size_t i = 0;
    const auto skipBlanks = [&] {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i >= text.size()) return RowResult::kNotRow;
    const size_t seatAt = std::string_view("nesw").find(text[i]);
    if (seatAt == std::string_view::npos) return RowResult::kNotRow;
    const Seat declarer = Seat(seatAt);
    ++i;
    skipBlanks();
    // A line that ends at or before its strain letter is no row.
    if (i + 1 >= text.size()) return RowResult::kNotRow;
    const size_t strainAt = std::string_view("nshdc").find(text[i]);
    if (strainAt == std::string_view::npos) return RowResult::kNotRow;
    const Strain strain = Strain(strainAt);
    i += strain == kNotrump ? 2 : 1;
    skipBlanks();
    ++tableRows_;
    if (i < text.size() && text[i] == '?') return RowResult::kRow;
    const std::string_view number = std::string_view(text).substr(std::min(i, text.size()));
    const std::optional<long long> tricks = ParseInteger(number);
    if (!tricks || *tricks < 0 || *tricks > 13) {
      return Error("the table row " + QuotedForMessage(TrimBlanks(line)) +
                   " does not end in a number of tricks 0..13 or \"?\"");
    }
    if (BoardInRange()) StoreRow(declarer, strain, uint8_t(*tricks), line);
    return RowResult::kRow;
  }

  void StoreRow(Seat declarer, Strain strain, uint8_t tricks, std::string_view line) {
    BoardEntry& board = set_.Board(int(board_));
    BoardNotes& notes = notes_[size_t(board_ - 1)];
    const size_t at = size_t(DDIndex(declarer, strain));
    if (notes.known[at] && board.table[at] != tricks) {
      // Two tables of one board disagree: the first stands.
      Warn(BoardText() + ": the table row " + QuotedForMessage(TrimBlanks(line)) +
           " differs from line " + std::to_string(notes.rowLine[at]) + ", which stands");
      notKept_.Add("table rows that contradict an earlier row", lineNumber_, BoardText());
      return;
    }
    if (!notes.known[at]) notes.rowLine[at] = lineNumber_;
    notes.known[at] = true;
    board.table[at] = tricks;
  }

  void EndTable() {
    if (tableRows_ < kTableRows && BoardInRange()) {
      Warn(BoardText() + ": the trick table holds " + std::to_string(tableRows_) + " of its " +
           std::to_string(kTableRows) + " rows");
    }
    pendingRows_ = 0;
    tableRows_ = 0;
  }

  Status EndOfFile() {
    if (pendingRows_ > 0) EndTable();
    if (heldDeal_) {
      lineNumber_ = heldDealLine_;
      return Error("a Deal tag in a game without a Board tag");
    }
    if (commentary_.InBraces()) {
      lineNumber_ = braceLine_;
      // Tags inside a commentary that never ends would be lost unseen.
      if (braceHidesTag_)
        return Error("the commentary \"{\" opened here is never closed, and tags follow it");
      Warn("the commentary \"{\" opened here is never closed");
    }
    return Status();
  }

  // After the last line: a side knows a strain only when both its seats'
  // rows give a number; what the set cannot write back is listed.
  void SettleBoards() {
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      BoardEntry& board = set_.Board(n);
      const BoardNotes& notes = notes_[size_t(n - 1)];
      if (!board.number.valid) {
        if (notes.hasTable)
          notKept_.Add("trick tables of boards without a deal", notes.tableLine,
                       "board " + std::to_string(n));
        board.table = {};
        board.filePar = {};
        continue;
      }
      CheckDoubleDummyTricks(n, board, notes_[size_t(n - 1)]);
      for (Strain strain : kStrains) {
        for (int side = 0; side < 2; ++side) {
          const size_t first = size_t(DDIndex(Seat(side), strain));
          const size_t second = size_t(DDIndex(Seat(side + 2), strain));
          if (notes.known[first] && notes.known[second]) {
            board.doneMask[size_t(side)] |= StrainBit(strain);
          } else {
            for (const size_t at : {first, second}) {
              if (!notes.known[at]) continue;
              notKept_.Add("table rows whose partner's row gives no number", notes.rowLine[at],
                           "board " + std::to_string(n));
            }
            board.table[first] = board.table[second] = 0;
          }
        }
      }
      SettlePar(n, board, notes);
    }
    if (!ignoredBoards_.empty()) {
      const std::vector<long long> ignored(ignoredBoards_.begin(), ignoredBoards_.end());
      const std::string which =
          (ignored.size() == 1 ? "board " : "boards ") + NumberRanges(ignored);
      warnings_.push_back(std::string(fileName_) + ": " + which + " ignored: a set holds " +
                          std::to_string(kBoardsPerSet));
      notKept_.Add("boards past the " + std::to_string(kBoardsPerSet) + " a set holds",
                   ignoredLine_, which);
    }
    std::vector<long long> present;
    for (int n = 1; n <= kBoardsPerSet; ++n) {
      if (set_.Board(n).number.valid) present.push_back(n);
    }
    if (present.size() < size_t(kBoardsPerSet)) {
      warnings_.push_back(std::string(fileName_) + ": " + std::to_string(present.size()) + " of " +
                          std::to_string(kBoardsPerSet) + " boards (" + NumberRanges(present) +
                          ")");
    }
  }

  // A board's DoubleDummyTricks stands in for a missing table; where the
  // board has both and they disagree, neither is trusted: the board is left
  // unanalysed, so that the solver gives the answer.
  void CheckDoubleDummyTricks(int n, BoardEntry& board, BoardNotes& notes) {
    if (notes.doubleDummyLine == 0) return;
    const bool anyRow =
        std::find(notes.known.begin(), notes.known.end(), true) != notes.known.end();
    if (!anyRow) {
      board.table = notes.doubleDummy;
      notes.known.fill(true);
      notes.rowLine.fill(notes.doubleDummyLine);
      return;
    }
    for (Seat seat : kSeats) {
      for (Strain strain : kStrains) {
        const size_t at = size_t(DDIndex(seat, strain));
        if (!notes.known[at] || board.table[at] == notes.doubleDummy[at]) continue;
        warnings_.push_back(
            std::string(fileName_) + " line " + std::to_string(notes.rowLine[at]) + ": board " +
            std::to_string(n) + ": the trick table says " + std::string(1, kSeatLetters[seat]) +
            " " + std::string(kStrainLabels[strain]) + " " + std::to_string(board.table[at]) +
            ", its DoubleDummyTricks (line " + std::to_string(notes.doubleDummyLine) + ") " +
            std::to_string(notes.doubleDummy[at]) +
            "; neither is used: analysing the set solves the board");
        notKept_.Add("trick tables unlike their DoubleDummyTricks", notes.rowLine[at],
                     "board " + std::to_string(n));
        notes.known.fill(false);
        board.table = {};
        return;
      }
    }
  }

  // The writer puts the par it works out from a complete table; a file's
  // own par survives a rewrite only when it says the same.
  void SettlePar(int n, const BoardEntry& board, const BoardNotes& notes) {
    const bool complete = ParAvailable(board);
    const ParResult par =
        complete ? Par(board.table, BoardDealer(n), BoardVulnerability(n)) : ParResult{};
    const std::string where = "board " + std::to_string(n);
    if (notes.optimumScoreLine != 0) {
      const std::optional<int> score = ParseOptimumScore(notes.optimumScore);
      if (!complete || !score || *score != par.score) {
        notKept_.Add("OptimumScore or ParContract values unlike the par the table gives",
                     notes.optimumScoreLine, where);
      }
    }
    if (notes.parContractLine != 0) {
      const std::optional<ParResult> contracts = ParseParContracts(notes.parContract);
      if (!complete || !contracts || ParContractsText(*contracts) != ParContractsText(par)) {
        notKept_.Add("OptimumScore or ParContract values unlike the par the table gives",
                     notes.parContractLine, where);
      }
    }
  }

  std::string_view fileName_;
  const DateTime today_;  // the date a file without one gets
  DealSet set_;
  std::array<BoardNotes, kBoardsPerSet> notes_;
  std::vector<std::string> warnings_;
  NotKeptList notKept_;
  CommentaryFilter commentary_;
  size_t braceLine_ = 0;        // where the open commentary began
  bool braceHidesTag_ = false;  // a line inside the open commentary starts with "["
  std::map<std::string, std::string> headerValues_;  // first value of each header tag
  std::string section_;                // the unknown tag whose lines follow (Auction, Play)
  std::vector<Tag> heldConventions_;   // Dealer/Vulnerable seen before the game's Board tag
  std::set<long long> ignoredBoards_;  // board numbers past 36
  size_t ignoredLine_ = 0;
  size_t lineNumber_ = 0;
  long long board_ = 0;        // current board; only 1..36 is stored to
  bool gameHasBoard_ = false;  // the current game (since the last empty line) named its board
  bool gameHasDeal_ = false;   // ... gave a deal
  bool gameHasEvent_ = false;  // ... gave an Event value (not "#")
  std::string gameEvent_;      // the last Event value given
  size_t gameStartLine_ = 1;   // the current game's first line
  std::optional<std::string> heldDeal_;  // a Deal before its game's Board tag
  size_t heldDealLine_ = 0;
  std::vector<EventSection> sections_;  // the file's events; one unless boards start again
  bool sectionNamed_ = false;           // the first event's Event tag was read
  size_t fromLine_ = 1, toLine_ = size_t(-1);
  int pendingRows_ = 0;  // lines after an OptimumResultTable tag still read as rows
  int tableRows_ = 0;    // rows the current table has had
};

}  // namespace

namespace {

// "1 \"Monday pairs\" (boards 1-24, from line 1)"
std::string SectionText(const std::vector<EventSection>& sections, size_t i) {
  return std::to_string(i + 1) + " " + QuotedForMessage(sections[i].name) + " (boards " +
         NumberRanges(sections[i].boards) + ", from line " + std::to_string(sections[i].firstLine) +
         ")";
}

// The event `choice` names: its number from 1, or its Event value (in any
// case); empty is the first.
Result<size_t> ChosenSection(const std::vector<EventSection>& sections, std::string_view choice,
                             std::string_view fileName) {
  if (choice.empty()) return size_t(0);
  const bool digits =
      std::all_of(choice.begin(), choice.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
  if (digits) {
    const long long n = ParseInteger(choice).value_or(0);
    if (n >= 1 && size_t(n) <= sections.size()) return size_t(n - 1);
  } else {
    for (size_t i = 0; i < sections.size(); ++i) {
      if (sections[i].name == choice) return i;
    }
    for (size_t i = 0; i < sections.size(); ++i) {
      if (Lowered(sections[i].name) == Lowered(choice)) return i;
    }
  }
  std::string known;
  for (size_t i = 0; i < sections.size(); ++i) known += (i ? ", " : "") + SectionText(sections, i);
  return Status::Error("cannot load " + std::string(fileName) + ": it holds no event " +
                       QuotedForMessage(choice) + "; its " +
                       (sections.size() == 1 ? "event is " : "events are ") + known);
}

}  // namespace

Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             LoadReport& report, DateTime today) {
  return ParsePbnEvent(bytes, fileNameForMessages, "", report, today);
}

Result<DealSet> ParsePbnEvent(std::string_view bytes, std::string_view fileNameForMessages,
                              std::string_view event, LoadReport& report, DateTime today) {
  PbnReader whole(fileNameForMessages, today);
  LoadReport wholeReport;
  Result<DealSet> read = whole.Read(bytes, wholeReport);
  if (!read.ok()) return read;
  const std::vector<EventSection>& sections = whole.Sections();
  const Result<size_t> chosen = ChosenSection(sections, event, fileNameForMessages);
  if (!chosen.ok()) return chosen.status();
  if (sections.size() == 1) {
    report.warnings.insert(report.warnings.end(), wholeReport.warnings.begin(),
                           wholeReport.warnings.end());
    report.notKept.insert(report.notKept.end(), wholeReport.notKept.begin(),
                          wholeReport.notKept.end());
    return read;
  }
  // Several events: the chosen one is read again on its own lines.
  PbnReader one(fileNameForMessages, today);
  one.OnlyLines(sections[*chosen].firstLine,
                *chosen + 1 < sections.size() ? sections[*chosen + 1].firstLine : size_t(-1));
  LoadReport oneReport;
  Result<DealSet> part = one.Read(bytes, oneReport);
  if (!part.ok()) return part;
  std::string list;
  for (size_t i = 0; i < sections.size(); ++i) {
    list += (i ? ", " : "") + SectionText(sections, i);
    report.events.push_back(sections[i].name);
  }
  report.eventLoaded = int(*chosen) + 1;
  report.warnings.push_back(std::string(fileNameForMessages) + " holds " +
                            std::to_string(sections.size()) + " events: " + list + "; event " +
                            std::to_string(*chosen + 1) + " is loaded");
  report.warnings.insert(report.warnings.end(), oneReport.warnings.begin(),
                         oneReport.warnings.end());
  report.notKept.push_back("the file's other events (" + std::to_string(sections.size() - 1) + ")");
  report.notKept.insert(report.notKept.end(), oneReport.notKept.begin(), oneReport.notKept.end());
  return part;
}

Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             DateTime today) {
  LoadReport ignored;
  return ParsePbnText(bytes, fileNameForMessages, ignored, today);
}

Result<DealSet> ReadPbnFile(const std::filesystem::path& path, LoadReport& report, DateTime today) {
  return ReadPbnEvent(path, "", report, today);
}

Result<DealSet> ReadPbnEvent(const std::filesystem::path& path, std::string_view event,
                             LoadReport& report, DateTime today) {
  const Result<std::string> bytes = ReadWholeFile(path, kLargestPbnFile);
  if (!bytes.ok()) return bytes.status();
  return ParsePbnEvent(*bytes, path.string(), event, report, today);
}

Result<DealSet> ReadPbnFile(const std::filesystem::path& path, DateTime today) {
  LoadReport ignored;
  return ReadPbnFile(path, ignored, today);
}

}  // namespace tarrow

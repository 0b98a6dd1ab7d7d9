#include "files/pbn_reader.h"

#include <algorithm>
#include <array>

#include "scoring/par.h"
#include "core/atomic_file.h"
#include "core/cards.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "core/texts.h"
#include "files/text_scan.h"

namespace tarrow {
namespace {

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
};

struct TagName {
  std::string_view name;
  TagKind kind;
};
constexpr std::array<TagName, 13> kTags = {{
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
}};

char Lower(char ch) {
  return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch;
}

TagKind KindOf(std::string_view name) {
  std::string lower(name);
  for (char& ch : lower) ch = Lower(ch);
  for (const TagName& tag : kTags) {
    if (tag.name == lower) return tag.kind;
  }
  return TagKind::kNone;
}

struct Tag {
  TagKind kind = TagKind::kNone;
  std::string value;      // unescaped, cut to kValueLimit
  bool repeated = false;  // the value is "#" alone: same as the previous game
};

// The value runs from the first double quote after the name to the next
// unescaped one; without a closing quote it stops before the line's last
// character (normally the closing bracket).
std::string TagValue(std::string_view line, size_t from, bool& repeated) {
  const size_t open = line.find('"', from);
  repeated = false;
  if (open == std::string_view::npos) return "";
  size_t end = open + 1;
  while (end < line.size() && line[end] != '"') {
    const bool escape = line[end] == '\\' && end + 1 < line.size() &&
                        (line[end + 1] == '"' || line[end + 1] == '\\');
    end += escape ? 2 : 1;
  }
  if (end >= line.size()) end = std::max(open + 1, line.size() - 1);
  const std::string_view raw = line.substr(open + 1, end - open - 1);
  // Only "#" alone repeats the previous game's value; "#3 Pairs" is a name.
  repeated = raw == "#";
  std::string value;
  for (size_t i = 0; i < raw.size() && value.size() < kValueLimit; ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '"' || raw[i + 1] == '\\')) ++i;
    value += raw[i];
  }
  return value;
}

Tag ParseTag(std::string_view line) {
  Tag tag;
  if (line.empty() || line.front() == '%') return tag;
  const size_t bracket = line.find('[');
  if (bracket == std::string_view::npos) return tag;
  // The name ends at the next blank; the line's last character never
  // belongs to it (so "[Board]" names Board).
  const size_t start = bracket + 1;
  size_t end = line.find(' ', start);
  if (end == std::string_view::npos || end > line.size() - 1) end = line.size() - 1;
  if (end <= start) return tag;
  tag.kind = KindOf(line.substr(start, end - start));
  if (tag.kind != TagKind::kNone) tag.value = TagValue(line, end, tag.repeated);
  return tag;
}

class PbnReader {
 public:
  PbnReader(std::string_view fileName, DateTime today) : fileName_(fileName), today_(today) {
    set_.header.eventDate = today_;
    set_.header.seed = "none";
  }

  Result<DealSet> Read(std::string_view bytes) {
    internal::LineReader lines(bytes);
    for (std::string_view line; lines.Next(line);) {
      lineNumber_ = lines.LineNumber();
      Status status = ReadLine(line);
      if (!status.ok()) return status;
    }
    // A file without a single readable board is no set (a text file, random
    // bytes): loading it would replace the set in memory with nothing.
    if (set_.PresentBoards() == 0) {
      return Status::Error("cannot load " + std::string(fileName_) +
                           ": no board in it could be read; it is not a PBN set");
    }
    set_.RefreshDeals();
    set_.setDigest = ComputeSetDigest(set_);
    return std::move(set_);
  }

 private:
  enum class RowResult { kNotRow, kRow };

  bool BoardInRange() const { return board_ >= 1 && board_ <= kBoardsPerSet; }

  Status Error(const std::string& what) const {
    return Status::Error(std::string(fileName_) + " line " + std::to_string(lineNumber_) + ": " +
                         what);
  }

  Status ReadLine(std::string_view line) {
    if (pendingRows_ > 0) {
      // Rows under a board outside 1..36 are counted but not stored.
      Result<RowResult> row = ReadRow(line);
      if (!row.ok()) return row.status();
      if (*row == RowResult::kRow) {
        --pendingRows_;
        return Status();
      }
      pendingRows_ = 0;
      return Status();  // the line that ended the table is dropped
    }
    const Tag tag = ParseTag(line);
    if (tag.kind == TagKind::kNone || tag.repeated) return Status();
    return ApplyTag(tag);
  }

  Status ApplyTag(const Tag& tag) {
    SetHeader& header = set_.header;
    switch (tag.kind) {
      case TagKind::kEvent:
        header.event = tag.value;
        break;
      case TagKind::kSite:
        header.site = tag.value;
        break;
      case TagKind::kDate:
        return ReadDate(tag.value);
      case TagKind::kBoard:
        if (const std::optional<long long> n = ParseInteger(tag.value)) board_ = *n;
        break;
      case TagKind::kDeal:
        if (BoardInRange()) ReadDeal(tag.value);
        break;
      case TagKind::kOptimumResultTable:
        pendingRows_ = kTableRows;
        break;
      case TagKind::kGenerator:
        header.banner = tag.value;
        break;
      case TagKind::kApplication:
        return ReadApplication(tag.value);
      case TagKind::kEventsponsor:
        header.club = tag.value;
        break;
      case TagKind::kOptimumScore:
      case TagKind::kParContract:
        if (BoardInRange()) ReadPar(tag);
        break;
      case TagKind::kDealer:
      case TagKind::kVulnerable:
      case TagKind::kNone:
        break;  // dealer and vulnerability follow from the board number
    }
    return Status();
  }

  // "YYYY.MM.DD" with unchecked separators; a part that is no number is
  // today's.  The day-first forms are told apart by their separators.
  Status ReadDate(std::string_view value) {
    if (value.size() != 10) {
      set_.header.eventDate = today_;
      return Status();
    }
    const char mark = value[2];
    if ((mark == '/' || mark == '.') && value[5] == mark) {
      const std::optional<DateTime> date = ParseDateTime(value);
      if (!date) return Error("the date " + QuotedForMessage(value) + " is not a possible date");
      set_.header.eventDate = *date;
      return Status();
    }
    const CivilDateTime today = CivilFromDateTime(today_);
    const auto part = [&](size_t at, size_t count, int fallback) -> long long {
      const std::optional<long long> n = ParseInteger(value.substr(at, count));
      return n ? *n : fallback;
    };
    const long long year = part(0, 4, today.year);
    const long long month = part(5, 2, today.month);
    const long long day = part(8, 2, today.day);
    if (!IsValidCivilDate(int(year), int(month), int(day))) {
      return Error("the date " + QuotedForMessage(value) + " is not a possible date");
    }
    set_.header.eventDate = DateFromCivil(int(year), int(month), int(day));
    return Status();
  }

  // The text after the digit comes back exactly as written: a seed " abc"
  // deals another set than "abc".  Only the generation time, read as a
  // date, may stand between blanks.
  Status ReadApplication(std::string_view value) {
    if (value.empty()) return Status();
    const std::string_view text = value.substr(1);
    SetHeader& header = set_.header;
    switch (value.front()) {
      case '1':
        header.seed = text;
        break;
      case '2':
        header.description = text;
        break;
      case '3':
        if (const std::optional<DateTime> time = ParseDateTime(TrimBlanks(text))) {
          header.generationTime = *time;
        } else {
          return Error("the generation time " + QuotedForMessage(TrimBlanks(text)) +
                       " is not a date and time");
        }
        break;
      case '4':
        header.computerName = text;
        break;
      default:
        break;
    }
    return Status();
  }

  // Par is derived data: a value this reader cannot make sense of (another
  // program's form, a damaged line) is left out, never an error.
  void ReadPar(const Tag& tag) {
    FilePar& par = set_.Board(int(board_)).filePar;
    if (tag.kind == TagKind::kOptimumScore) {
      const std::optional<int> score = ParseOptimumScore(tag.value);
      par.hasScore = score.has_value();
      par.score = score.value_or(0);
    } else {
      const std::optional<ParResult> contracts = ParseParContracts(tag.value);
      par.contracts = contracts ? ParContractsText(*contracts) : "";
    }
  }

  // A value whose second character is not ":" is no deal and changes
  // nothing; any other fault leaves the board absent, its table kept.
  // The deal itself is read by the program's one deal parser.
  void ReadDeal(std::string_view value) {
    const std::string_view text = TrimBlanks(value);
    if (text.size() < 2 || text[1] != ':') return;
    const Result<Deal> deal = ParsePbnDeal(text);
    set_.Board(int(board_)).number = deal.ok() ? deal->number : DealNumber{};
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
    if (i < text.size() && text[i] == '?') return RowResult::kRow;
    const std::string_view number = std::string_view(text).substr(std::min(i, text.size()));
    const std::optional<long long> tricks = ParseInteger(number);
    if (!tricks || *tricks < 0 || *tricks > 13) {
      return Error("the table row " + QuotedForMessage(TrimBlanks(line)) +
                   " does not end in a number of tricks 0..13 or \"?\"");
    }
    if (BoardInRange()) {
      BoardEntry& board = set_.Board(int(board_));
      board.table[size_t(DDIndex(declarer, strain))] = uint8_t(*tricks);
      board.doneMask[size_t(SideOf(declarer))] |= StrainBit(strain);
    }
    return RowResult::kRow;
  }

  std::string_view fileName_;
  const DateTime today_;  // the date a file without one gets
  DealSet set_;
  size_t lineNumber_ = 0;
  long long board_ = 0;  // current board; only 1..36 is stored to
  int pendingRows_ = 0;  // lines after an OptimumResultTable tag still read as rows
};

}  // namespace

Result<DealSet> ParsePbnText(std::string_view bytes, std::string_view fileNameForMessages,
                             DateTime today) {
  return PbnReader(fileNameForMessages, today).Read(bytes);
}

Result<DealSet> ReadPbnFile(const std::filesystem::path& path, DateTime today) {
  const Result<std::string> bytes = ReadWholeFile(path, kLargestPbnFile);
  if (!bytes.ok()) return bytes.status();
  return ParsePbnText(*bytes, path.string(), today);
}

}  // namespace tarrow

#include "files/deal_files.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/pbn_deal.h"
#include "files/text_scan.h"

namespace tarrow {
namespace {

// Where a fault is, for messages: "monday.bri byte offset 80: ".
std::string AtOffset(std::string_view fileName, size_t offset) {
  return std::string(fileName) + " byte offset " + std::to_string(offset) + ": ";
}
std::string AtLine(std::string_view fileName, size_t line) {
  return std::string(fileName) + " line " + std::to_string(line) + ": ";
}

// A byte shown in a message: 'x', or its code when it does not print.
std::string ByteForMessage(char ch) {
  const auto code = static_cast<unsigned char>(ch);
  if (code < 0x20 || code >= 0x7F) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("the byte ") + kHex[code >> 4] + kHex[code & 15] + " (hexadecimal)";
  }
  return "'" + std::string(1, ch) + "'";
}

// Old DOS programs end a text file with Ctrl-Z; it is no part of the deals.
std::string_view WithoutDosEnd(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\x1A') bytes.remove_suffix(1);
  return bytes;
}

// Collects the cards of one deal and says at the end whether they make one,
// and if not, why.
class DealBuilder {
 public:
  // Gives the card to the seat; the first card given twice is remembered.
  void Give(int card, Seat seat) {
    if (given_[size_t(card)]) {
      if (problem_.empty()) problem_ = CardName(card) + " is given twice";
      return;
    }
    given_[size_t(card)] = true;
    deal_.seatOf[size_t(card)] = seat;
    ++held_[seat];
  }

  // The deal when each seat holds 13 cards and no card was given twice;
  // otherwise the reason.
  Result<Deal> Finish() {
    if (!problem_.empty()) return Status::Error(problem_);
    for (Seat seat : kSeats) {
      if (held_[seat] != 13) {
        return Status::Error(std::string(kSeatNames[seat]) + " holds " +
                             std::to_string(held_[seat]) + " cards, not 13");
      }
    }
    deal_.valid = true;
    DeriveCounts(deal_);
    deal_.number = NumberFromDeal(deal_);
    return deal_;
  }

 private:
  Deal deal_;
  std::array<bool, kCards> given_{};
  int held_[4] = {0, 0, 0, 0};
  std::string problem_;
};

// The deals of a file in order: the first 36 are kept, the rest counted, and
// the user is told of both.
class DealCollector {
 public:
  explicit DealCollector(std::string_view fileName) : fileName_(fileName) {}

  void Add(const Deal& deal) {
    if (imported_.count < kBoardsPerSet) imported_.deals[size_t(imported_.count++)] = deal;
    ++total_;
  }

  // The number the next deal gets, counted from 1.
  int NextNumber() const { return total_ + 1; }

  Result<ImportBuffer> Finish(LoadReport& report) const {
    if (total_ == 0) return Status::Error(std::string(fileName_) + " holds no deal");
    const std::string name(fileName_);
    if (total_ > kBoardsPerSet) {
      const std::string past = std::to_string(total_ - kBoardsPerSet) + " deals past the " +
                               std::to_string(kBoardsPerSet) + "th";
      report.warnings.push_back(name + ": " + past + " ignored");
      report.notKept.push_back(past);
    } else if (total_ < kBoardsPerSet) {
      report.warnings.push_back(name + ": " + std::to_string(total_) + " of " +
                                std::to_string(kBoardsPerSet) + " boards");
    }
    return imported_;
  }

 private:
  std::string_view fileName_;
  ImportBuffer imported_;
  int total_ = 0;  // deals in the file, kept or not
};

std::optional<Suit> SuitOfMark(char ch) {
  switch (static_cast<unsigned char>(ch)) {
    case 0x06:
      return kSpades;
    case 0x03:
      return kHearts;
    case 0x04:
      return kDiamonds;
    case 0x05:
      return kClubs;
    default:
      return std::nullopt;
  }
}

constexpr size_t kBreField = 17;
constexpr size_t kBreDealBytes = 4 * kBreField;

// The four 17-byte hand fields of a .bre line or a .dup record.  On a
// fault, `badAt` is the index of the offending byte in `fields` (or
// kWholeDeal when the cards make no deal).
constexpr size_t kWholeDeal = size_t(-1);

Result<Deal> BreFields(std::string_view fields, size_t& badAt) {
  DealBuilder builder;
  for (Seat seat : kSeats) {
    Suit suit = kSpades;
    for (size_t i = 0; i < kBreField; ++i) {
      const size_t at = size_t(seat) * kBreField + i;
      const char ch = fields[at];
      if (const std::optional<Suit> mark = SuitOfMark(ch)) {
        suit = *mark;
      } else if (const std::optional<Rank> rank = RankOfLetter(ch)) {
        builder.Give(CardIndex(suit, *rank), seat);
      } else {
        badAt = at;
        return Status::Error(ByteForMessage(ch) +
                             ", is neither a suit mark nor a rank letter AKQJT98765432");
      }
    }
  }
  badAt = kWholeDeal;
  return builder.Finish();
}

Result<Deal> BreDeal(std::string_view line, std::string_view fileName, size_t lineNumber,
                     int dealNumber) {
  if (line.size() < kBreDealBytes) {
    return Status::Error(AtLine(fileName, lineNumber) + "deal " + std::to_string(dealNumber) +
                         " is " + std::to_string(line.size()) + " bytes long, not the " +
                         std::to_string(kBreDealBytes) + " of four hands");
  }
  size_t badAt = kWholeDeal;
  Result<Deal> deal = BreFields(line.substr(0, kBreDealBytes), badAt);
  if (deal.ok()) return deal;
  if (badAt != kWholeDeal) {
    return Status::Error(AtLine(fileName, lineNumber) + "byte " + std::to_string(badAt + 1) +
                         " of the line, " + deal.message());
  }
  return Status::Error(AtLine(fileName, lineNumber) + "deal " + std::to_string(dealNumber) + ": " +
                       deal.message());
}

// The two-digit stream of a .bri file: digits and padding (blanks, tabs
// and zero bytes, mapped to blanks), line ends removed, each byte with its
// offset in the file for messages.
class BriStream {
 public:
  BriStream(std::string text, std::vector<size_t> offsets)
      : text_(std::move(text)), offsets_(std::move(offsets)) {}

  bool Left() const { return position_ < text_.size(); }
  size_t Offset() const { return position_ < offsets_.size() ? offsets_[position_] : end_; }
  void SetEnd(size_t end) { end_ = end; }

  // The next number, stepping over padding between numbers (a dealing
  // program's 128-byte record pads its 78 digits with 32 blanks and 18 zero
  // bytes); nothing at the end of the text.  Padding inside a number is an
  // error.
  Result<std::optional<int>> Next(std::string_view fileName) {
    while (position_ < text_.size() && text_[position_] == ' ') ++position_;
    if (position_ >= text_.size()) return std::optional<int>();
    if (position_ + 1 >= text_.size()) {
      return Status::Error(AtOffset(fileName, Offset()) +
                           "a card number is cut short by the end of the file");
    }
    const char a = text_[position_], b = text_[position_ + 1];
    if (b == ' ') {
      return Status::Error(AtOffset(fileName, Offset()) +
                           "a blank splits a card number; a .bri file holds two-digit numbers");
    }
    position_ += 2;
    return std::optional<int>((a - '0') * 10 + (b - '0'));
  }

  // Steps over padding, so that padding at the end makes no further deal.
  void SkipPadding() {
    while (position_ < text_.size() && text_[position_] == ' ') ++position_;
  }

 private:
  std::string text_;             // digits and blanks
  std::vector<size_t> offsets_;  // the file offset of each byte of text_
  size_t position_ = 0;
  size_t end_ = 0;  // the file's size, the offset reported at the end
};

// One deal of 39 numbers; `deal` names it in messages ("deal 3").
Result<Deal> BriDeal(BriStream& stream, std::string_view fileName, const std::string& deal) {
  DealBuilder builder;
  const size_t start = stream.Offset();
  std::array<bool, kCards> named{};
  for (Seat seat : {kNorth, kEast, kSouth}) {
    for (int i = 0; i < 13; ++i) {
      const size_t at = stream.Offset();
      const Result<std::optional<int>> number = stream.Next(fileName);
      if (!number.ok()) return number.status();
      if (!number->has_value()) {
        return Status::Error(AtOffset(fileName, at) + deal +
                             " is cut short by the end of the file");
      }
      const int card = **number;
      if (card < 1 || card > kCards) {
        return Status::Error(AtOffset(fileName, at) + deal + ": " + std::to_string(card / 10) +
                             std::to_string(card % 10) + " is no card number 01..52");
      }
      named[size_t(card - 1)] = true;
      builder.Give(card - 1, seat);
    }
  }
  for (int card = 0; card < kCards; ++card) {
    if (!named[size_t(card)]) builder.Give(card, kWest);
  }
  Result<Deal> made = builder.Finish();
  if (!made.ok()) return Status::Error(AtOffset(fileName, start) + deal + ": " + made.message());
  return made;
}

Result<ImportBuffer> ReadWith(const std::filesystem::path& path, LoadReport& report,
                              Result<ImportBuffer> (*parse)(std::string_view, LoadReport&,
                                                            std::string_view)) {
  const Result<std::string> bytes = ReadWholeFile(path);
  if (!bytes.ok()) return bytes.status();
  return parse(*bytes, report, path.string());
}

}  // namespace

Result<ImportBuffer> ParseBreText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName) {
  DealCollector deals(fileName);
  bool started = false;
  size_t emptyLine = 0;  // the first empty line since the last deal
  internal::LineReader lines(WithoutDosEnd(bytes));
  for (std::string_view line; lines.Next(line);) {
    if (!started && (line.empty() || line.front() != '\x06')) continue;
    started = true;
    // Blanks only: the suit marks are control bytes, so TrimBlanks would
    // take a line of marks for an empty one.
    if (line.find_first_not_of(" \t") == std::string_view::npos) {
      if (emptyLine == 0) emptyLine = lines.LineNumber();
      continue;  // empty lines at the end are no boards
    }
    if (emptyLine != 0) {
      // A gap in the middle would shift every later board's number.
      return Status::Error(AtLine(fileName, emptyLine) + "an empty line between deals");
    }
    Result<Deal> deal = BreDeal(line, fileName, lines.LineNumber(), deals.NextNumber());
    if (!deal.ok()) return deal.status();
    deals.Add(*deal);
  }
  if (!started) {
    return Status::Error(std::string(fileName) +
                         ": no line starts with the spade mark (the byte 06), so it holds no deal");
  }
  return deals.Finish(report);
}

Result<ImportBuffer> ParseBerText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName) {
  // The whole file: line ends may break the digits anywhere (a line per
  // deal, or a wrapped line), and count for nothing.
  bytes = WithoutDosEnd(bytes);
  std::string seats;
  std::vector<size_t> offsets;
  seats.reserve(bytes.size());
  offsets.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char ch = bytes[i];
    if (ch == '\r' || ch == '\n') continue;
    if (ch < '1' || ch > '4') {
      return Status::Error(AtOffset(fileName, i) + ByteForMessage(ch) +
                           " is not a seat 1..4; a .ber file holds only seat digits and line ends");
    }
    seats += ch;
    offsets.push_back(i);
  }
  DealCollector deals(fileName);
  const size_t whole = seats.size() / size_t(kCards) * size_t(kCards);
  if (whole != seats.size()) {
    return Status::Error(AtOffset(fileName, offsets[whole]) + "the last " +
                         std::to_string(seats.size() - whole) +
                         " seat digits make no whole deal of " + std::to_string(kCards));
  }
  for (size_t at = 0; at < whole; at += size_t(kCards)) {
    DealBuilder builder;
    for (size_t card = 0; card < size_t(kCards); ++card) {
      builder.Give(int(card), Seat(seats[at + card] - '1'));
    }
    const Result<Deal> deal = builder.Finish();
    if (!deal.ok()) {
      return Status::Error(AtOffset(fileName, offsets[at]) + "deal " +
                           std::to_string(at / size_t(kCards) + 1) + ": " + deal.message());
    }
    deals.Add(*deal);
  }
  return deals.Finish(report);
}

Result<ImportBuffer> ParseBriText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName) {
  bytes = WithoutDosEnd(bytes);
  std::string text;
  std::vector<size_t> offsets;
  text.reserve(bytes.size());
  offsets.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char ch = bytes[i];
    if (ch == '\r' || ch == '\n') continue;
    const bool padding = ch == ' ' || ch == '\t' || ch == '\0';
    if (!(ch >= '0' && ch <= '9') && !padding) {
      return Status::Error(AtOffset(fileName, i) + ByteForMessage(ch) +
                           " is not a digit; a .bri file holds only two-digit card numbers" +
                           " (blanks and zero bytes may pad them)");
    }
    text += padding ? ' ' : ch;
    offsets.push_back(i);
  }
  // Blanks at both ends do not count.
  const size_t from = std::min(text.find_first_not_of(' '), text.size());
  const size_t to = text.find_last_not_of(' ') + 1;  // 0 when all blank
  BriStream stream(
      from < to ? text.substr(from, to - from) : "",
      from < to ? std::vector<size_t>(offsets.begin() + long(from), offsets.begin() + long(to))
                : std::vector<size_t>{});
  stream.SetEnd(bytes.size());
  DealCollector deals(fileName);
  for (int number = 1; stream.Left(); ++number) {
    const Result<Deal> deal = BriDeal(stream, fileName, "deal " + std::to_string(number));
    if (!deal.ok()) return deal.status();
    deals.Add(*deal);
    stream.SkipPadding();
  }
  return deals.Finish(report);
}

namespace {

constexpr size_t kBriDealBytes = 78;
constexpr size_t kRunDataBytes = 10;
constexpr size_t kDupRecord = kBriDealBytes + kBreDealBytes + kRunDataBytes;

// The run data of a .dup record: two flag letters, then the lowest board
// (3 bytes), the copies (2) and the highest board (3), each a number
// padded with blanks.
struct DupRunInfo {
  int lowest = 0;
  int highest = 0;
};

Result<DupRunInfo> ReadRunData(std::string_view run, std::string_view fileName, size_t offset) {
  const auto number = [&](size_t at, size_t width, const char* what) -> Result<int> {
    const std::string_view text = internal::TrimBlanks(run.substr(at, width));
    const std::optional<long long> n = internal::ParseInteger(text);
    if (!n || *n < 1 || *n > 999 || text.front() == '+' || text.front() == '-') {
      return Status::Error(AtOffset(fileName, offset + at) + "the run data's " + what + " " +
                           internal::QuotedForMessage(run.substr(at, width)) +
                           " is no number 1..999");
    }
    return int(*n);
  };
  const Result<int> lowest = number(2, 3, "lowest board");
  if (!lowest.ok()) return lowest.status();
  const Result<int> copies = number(5, 2, "number of copies");
  if (!copies.ok()) return copies.status();
  const Result<int> highest = number(7, 3, "highest board");
  if (!highest.ok()) return highest.status();
  if (*highest < *lowest) {
    return Status::Error(AtOffset(fileName, offset + 2) + "the run data gives boards " +
                         std::to_string(*lowest) + " to " + std::to_string(*highest) +
                         ", the highest below the lowest");
  }
  return DupRunInfo{*lowest, *highest};
}

}  // namespace

Result<ImportBuffer> ParseDupText(std::string_view bytes, LoadReport& report,
                                  std::string_view fileName) {
  bytes = WithoutDosEnd(bytes);
  // Records of 156 bytes; some programs end each with a line end.
  std::vector<size_t> records;
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes[at] == '\r' || bytes[at] == '\n') {
      ++at;
      continue;
    }
    if (bytes.size() - at < kDupRecord) {
      return Status::Error(AtOffset(fileName, at) + "the last record is " +
                           std::to_string(bytes.size() - at) + " bytes long, not the " +
                           std::to_string(kDupRecord) + " of a .dup board");
    }
    records.push_back(at);
    at += kDupRecord;
  }
  if (records.empty()) return Status::Error(std::string(fileName) + " holds no deal");

  const Result<DupRunInfo> run =
      ReadRunData(bytes.substr(records[0] + kBriDealBytes + kBreDealBytes, kRunDataBytes), fileName,
                  records[0] + kBriDealBytes + kBreDealBytes);
  if (!run.ok()) return run.status();
  if (run->lowest > kBoardsPerSet) {
    return Status::Error(std::string(fileName) + ": its run data numbers the boards " +
                         std::to_string(run->lowest) + " to " + std::to_string(run->highest) +
                         ", and a set holds boards 1 to " + std::to_string(kBoardsPerSet));
  }
  const size_t wanted = size_t(run->highest - run->lowest + 1);
  if (records.size() < wanted) {
    return Status::Error(std::string(fileName) + ": its run data gives boards " +
                         std::to_string(run->lowest) + " to " + std::to_string(run->highest) +
                         ", but it holds only " + std::to_string(records.size()) + " deals");
  }

  ImportBuffer imported;
  imported.firstBoard = run->lowest;
  const int last = std::min(run->highest, kBoardsPerSet);
  for (int board = run->lowest; board <= last; ++board) {
    const size_t start = records[size_t(board - run->lowest)];
    const std::string label = "board " + std::to_string(board);
    const std::string_view briPart = bytes.substr(start, kBriDealBytes);
    std::vector<size_t> offsets(kBriDealBytes);
    std::string text;
    for (size_t i = 0; i < kBriDealBytes; ++i) {
      const char ch = briPart[i];
      if (ch < '0' || ch > '9') {
        return Status::Error(AtOffset(fileName, start + i) + label + ": " + ByteForMessage(ch) +
                             " is not a digit; the first 78 bytes of a record are card numbers");
      }
      text += ch;
      offsets[i] = start + i;
    }
    BriStream stream(std::move(text), std::move(offsets));
    stream.SetEnd(start + kBriDealBytes);
    const Result<Deal> fromBri = BriDeal(stream, fileName, label);
    if (!fromBri.ok()) return fromBri.status();

    size_t badAt = kWholeDeal;
    const Result<Deal> fromBre =
        BreFields(bytes.substr(start + kBriDealBytes, kBreDealBytes), badAt);
    if (!fromBre.ok()) {
      const size_t where = start + kBriDealBytes + (badAt == kWholeDeal ? 0 : badAt);
      return Status::Error(AtOffset(fileName, where) + label + ": in the hands after the " +
                           "card numbers, " + fromBre.message());
    }
    if (!(fromBre->number == fromBri->number)) {
      return Status::Error(AtOffset(fileName, start + kBriDealBytes) + label +
                           ": the hands after the card numbers give another deal than the " +
                           "card numbers do");
    }
    imported.deals[size_t(imported.count++)] = *fromBri;
  }

  const std::string name(fileName);
  const std::string boards = std::to_string(run->lowest) + "-" + std::to_string(last);
  if (run->highest > kBoardsPerSet) {
    const std::string past = "boards " + std::to_string(kBoardsPerSet + 1) + "-" +
                             std::to_string(run->highest) + " of the run data";
    report.warnings.push_back(name + ": " + past + " ignored: a set holds " +
                              std::to_string(kBoardsPerSet));
    report.notKept.push_back(past);
  }
  if (records.size() > wanted) {
    const std::string extra = std::to_string(records.size() - wanted) +
                              " deals past the run data's boards " + std::to_string(run->lowest) +
                              "-" + std::to_string(run->highest);
    report.warnings.push_back(name + ": " + extra + " ignored");
    report.notKept.push_back(extra);
  }
  if (imported.count < kBoardsPerSet) {
    report.warnings.push_back(name + ": " + std::to_string(imported.count) + " of " +
                              std::to_string(kBoardsPerSet) + " boards (" + boards + ")");
  }
  return imported;
}

Result<ImportBuffer> ParseDupText(std::string_view bytes) {
  LoadReport ignored;
  return ParseDupText(bytes, ignored);
}

Result<ImportBuffer> ParseBreText(std::string_view bytes) {
  LoadReport ignored;
  return ParseBreText(bytes, ignored);
}
Result<ImportBuffer> ParseBerText(std::string_view bytes) {
  LoadReport ignored;
  return ParseBerText(bytes, ignored);
}
Result<ImportBuffer> ParseBriText(std::string_view bytes) {
  LoadReport ignored;
  return ParseBriText(bytes, ignored);
}

Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path, LoadReport& report) {
  return ReadWith(path, report, ParseBreText);
}
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path, LoadReport& report) {
  return ReadWith(path, report, ParseBerText);
}
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path, LoadReport& report) {
  return ReadWith(path, report, ParseBriText);
}

Result<ImportBuffer> ReadDupFile(const std::filesystem::path& path, LoadReport& report) {
  return ReadWith(path, report, ParseDupText);
}

Result<ImportBuffer> ReadDealFile(const std::filesystem::path& path, LoadReport& report) {
  switch (DealExtensionKind(path)) {
    case DealFileKind::kBer:
      return ReadBerFile(path, report);
    case DealFileKind::kBri:
      return ReadBriFile(path, report);
    case DealFileKind::kBre:
      return ReadBreFile(path, report);
    case DealFileKind::kDup:
      return ReadDupFile(path, report);
    case DealFileKind::kPbn:
    case DealFileKind::kUnknown:
      break;
  }
  return Status::Error("cannot import " + path.string() +
                       ": the extension is not .bre, .ber, .bri or .dup");
}

Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path) {
  LoadReport ignored;
  return ReadBreFile(path, ignored);
}
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path) {
  LoadReport ignored;
  return ReadBerFile(path, ignored);
}
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path) {
  LoadReport ignored;
  return ReadBriFile(path, ignored);
}

DealFileKind DealExtensionKind(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& ch : extension) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  constexpr std::pair<std::string_view, DealFileKind> kKinds[5] = {{".pbn", DealFileKind::kPbn},
                                                                   {".ber", DealFileKind::kBer},
                                                                   {".bri", DealFileKind::kBri},
                                                                   {".bre", DealFileKind::kBre},
                                                                   {".dup", DealFileKind::kDup}};
  for (const auto& [name, kind] : kKinds) {
    if (extension == name) return kind;
  }
  return DealFileKind::kUnknown;
}

DealSet DealSetFromImport(const ImportBuffer& imported) {
  DealSet set;
  const int first = std::max(imported.firstBoard, 1);
  for (int i = 0; i < imported.count && first - 1 + i < kBoardsPerSet; ++i) {
    set.boards[size_t(first - 1 + i)].number = NumberFromDeal(imported.deals[size_t(i)]);
  }
  set.RefreshDeals();
  set.header.seed = "None";
  return set;
}

}  // namespace tarrow

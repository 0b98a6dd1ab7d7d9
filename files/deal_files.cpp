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

Result<Deal> BreDeal(std::string_view line, std::string_view fileName, size_t lineNumber,
                     int dealNumber) {
  if (line.size() < kBreDealBytes) {
    return Status::Error(AtLine(fileName, lineNumber) + "deal " + std::to_string(dealNumber) +
                         " is " + std::to_string(line.size()) + " bytes long, not the " +
                         std::to_string(kBreDealBytes) + " of four hands");
  }
  DealBuilder builder;
  for (Seat seat : kSeats) {
    Suit suit = kSpades;
    for (size_t i = 0; i < kBreField; ++i) {
      const size_t at = size_t(seat) * kBreField + i;
      const char ch = line[at];
      if (const std::optional<Suit> mark = SuitOfMark(ch)) {
        suit = *mark;
      } else if (const std::optional<Rank> rank = RankOfLetter(ch)) {
        builder.Give(CardIndex(suit, *rank), seat);
      } else {
        return Status::Error(AtLine(fileName, lineNumber) + "byte " + std::to_string(at + 1) +
                             " of the line, " + ByteForMessage(ch) +
                             ", is neither a suit mark nor a rank letter AKQJT98765432");
      }
    }
  }
  Result<Deal> deal = builder.Finish();
  if (!deal.ok()) {
    return Status::Error(AtLine(fileName, lineNumber) + "deal " + std::to_string(dealNumber) +
                         ": " + deal.message());
  }
  return deal;
}

// The two-digit stream of a .bri file: digits and blanks, line ends
// removed, each byte with its offset in the file for messages.
class BriStream {
 public:
  BriStream(std::string text, std::vector<size_t> offsets)
      : text_(std::move(text)), offsets_(std::move(offsets)) {}

  bool Left() const { return position_ < text_.size(); }
  size_t Offset() const { return position_ < offsets_.size() ? offsets_[position_] : end_; }
  void SetEnd(size_t end) { end_ = end; }

  // The next number, stepping over pairs of blanks; nothing at the end of
  // the text.  A pair of a digit and a blank is an error.
  Result<std::optional<int>> Next(std::string_view fileName) {
    while (position_ < text_.size()) {
      if (position_ + 1 >= text_.size()) {
        return Status::Error(AtOffset(fileName, Offset()) +
                             "a card number is cut short by the end of the file");
      }
      const char a = text_[position_], b = text_[position_ + 1];
      if (a == ' ' && b == ' ') {
        position_ += 2;
        continue;
      }
      if (a == ' ' || b == ' ') {
        return Status::Error(AtOffset(fileName, Offset()) +
                             "a blank splits a card number; a .bri file holds two-digit numbers");
      }
      position_ += 2;
      return std::optional<int>((a - '0') * 10 + (b - '0'));
    }
    return std::optional<int>();
  }

 private:
  std::string text_;             // digits and blanks
  std::vector<size_t> offsets_;  // the file offset of each byte of text_
  size_t position_ = 0;
  size_t end_ = 0;  // the file's size, the offset reported at the end
};

Result<Deal> BriDeal(BriStream& stream, std::string_view fileName, int dealNumber) {
  DealBuilder builder;
  const size_t start = stream.Offset();
  const std::string deal = "deal " + std::to_string(dealNumber);
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
  DealCollector deals(fileName);
  std::string_view line;
  if (!internal::LineReader(WithoutDosEnd(bytes)).Next(line)) return deals.Finish(report);
  const std::string_view seats = internal::TrimBlanks(line);
  const size_t first = seats.empty() ? 0 : size_t(seats.data() - line.data());
  for (size_t i = 0; i < seats.size(); ++i) {
    if (seats[i] < '1' || seats[i] > '4') {
      return Status::Error(AtOffset(fileName, first + i) + ByteForMessage(seats[i]) +
                           " is not a seat 1..4; a .ber line holds only seat digits");
    }
  }
  const size_t whole = seats.size() / size_t(kCards) * size_t(kCards);
  if (whole != seats.size()) {
    return Status::Error(AtOffset(fileName, first + whole) + "the last " +
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
      return Status::Error(AtOffset(fileName, first + at) + "deal " +
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
    if (!(ch >= '0' && ch <= '9') && ch != ' ' && ch != '\t') {
      return Status::Error(AtOffset(fileName, i) + ByteForMessage(ch) +
                           " is not a digit; a .bri file holds only two-digit card numbers");
    }
    text += ch == '\t' ? ' ' : ch;
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
    const Result<Deal> deal = BriDeal(stream, fileName, number);
    if (!deal.ok()) return deal.status();
    deals.Add(*deal);
  }
  return deals.Finish(report);
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
  constexpr std::pair<std::string_view, DealFileKind> kKinds[4] = {{".pbn", DealFileKind::kPbn},
                                                                   {".ber", DealFileKind::kBer},
                                                                   {".bri", DealFileKind::kBri},
                                                                   {".bre", DealFileKind::kBre}};
  for (const auto& [name, kind] : kKinds) {
    if (extension == name) return kind;
  }
  return DealFileKind::kUnknown;
}

DealSet DealSetFromImport(const ImportBuffer& imported) {
  DealSet set;
  for (int i = 0; i < imported.count && i < kBoardsPerSet; ++i) {
    set.boards[size_t(i)].number = NumberFromDeal(imported.deals[size_t(i)]);
  }
  set.RefreshDeals();
  set.header.seed = "None";
  return set;
}

}  // namespace tarrow

#include "files/deal_files.h"

#include <utility>

#include <algorithm>

#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "files/text_scan.h"

namespace tarrow {
namespace {

// Collects the cards of one deal and says at the end whether they make one.
class DealBuilder {
 public:
  // Gives the card to the seat; a card given twice spoils the deal.
  void Give(int card, Seat seat) {
    if (card < 0 || card >= kCards || given_[size_t(card)]) {
      spoiled_ = true;
      return;
    }
    given_[size_t(card)] = true;
    deal_.seatOf[size_t(card)] = seat;
    ++held_[seat];
  }
  void Spoil() { spoiled_ = true; }

  // The deal, valid only when each seat holds 13 cards.
  Deal Finish() {
    bool whole = !spoiled_;
    for (const int count : held_) whole = whole && count == 13;
    if (!whole) return Deal{};
    deal_.valid = true;
    DeriveCounts(deal_);
    deal_.number = NumberFromDeal(deal_);
    return deal_;
  }

 private:
  Deal deal_;
  std::array<bool, kCards> given_{};
  int held_[4] = {0, 0, 0, 0};
  bool spoiled_ = false;
};

Deal BreDeal(std::string_view line) {
  constexpr size_t kField = 17;
  DealBuilder builder;
  if (line.size() < 4 * kField) return Deal{};
  for (Seat seat : kSeats) {
    Suit suit = kSpades;
    for (const char ch : line.substr(size_t(seat) * kField, kField)) {
      switch (static_cast<unsigned char>(ch)) {
        case 0x06:
          suit = kSpades;
          break;
        case 0x03:
          suit = kHearts;
          break;
        case 0x04:
          suit = kDiamonds;
          break;
        case 0x05:
          suit = kClubs;
          break;
        default: {
          const std::optional<Rank> rank = RankOfLetter(ch);
          if (!rank) {
            builder.Spoil();
          } else {
            builder.Give(CardIndex(suit, *rank), seat);
          }
        }
      }
    }
  }
  return builder.Finish();
}

Deal BerDeal(std::string_view group) {
  DealBuilder builder;
  for (size_t card = 0; card < size_t(kCards); ++card) {
    const char ch = group[card];
    if (ch < '1' || ch > '4') {
      builder.Spoil();
    } else {
      builder.Give(int(card), Seat(ch - '1'));
    }
  }
  return builder.Finish();
}

// The two-digit stream of a .bri file.
class BriStream {
 public:
  explicit BriStream(std::string_view text) : text_(text) {}

  bool Left() const { return position_ < text_.size(); }
  bool RanOut() const { return ranOut_; }
  void StartDeal() { ranOut_ = false; }

  // The next number; pairs that are not two digits are stepped over whole.
  int Next() {
    while (position_ + 1 < text_.size()) {
      const char a = text_[position_], b = text_[position_ + 1];
      position_ += 2;
      if (IsDigit(a) && IsDigit(b)) return (a - '0') * 10 + (b - '0');
    }
    position_ = std::max(position_, text_.size());
    ranOut_ = true;
    return 1;
  }

 private:
  static bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

  std::string_view text_;
  size_t position_ = 0;
  bool ranOut_ = false;  // the current deal met the end of the text
};

Deal BriDeal(BriStream& stream) {
  DealBuilder builder;
  stream.StartDeal();
  std::array<bool, kCards> named{};
  for (Seat seat : {kNorth, kEast, kSouth}) {
    for (int i = 0; i < 13; ++i) {
      const int number = stream.Next();
      if (number < 1 || number > kCards) {
        builder.Spoil();
        continue;
      }
      named[size_t(number - 1)] = true;
      builder.Give(number - 1, seat);
    }
  }
  for (int card = 0; card < kCards; ++card) {
    if (!named[size_t(card)]) builder.Give(card, kWest);
  }
  if (stream.RanOut()) return Deal{};
  return builder.Finish();
}

Result<ImportBuffer> ReadWith(const std::filesystem::path& path,
                              ImportBuffer (*parse)(std::string_view)) {
  const Result<std::string> bytes = ReadWholeFile(path);
  if (!bytes.ok()) return bytes.status();
  return parse(*bytes);
}

}  // namespace

ImportBuffer ParseBreText(std::string_view bytes) {
  ImportBuffer imported;
  bool started = false;
  internal::LineReader lines(bytes);
  for (std::string_view line; lines.Next(line);) {
    if (!started && (line.empty() || line.front() != '\x06')) continue;
    started = true;
    if (imported.count == kBoardsPerSet) break;
    imported.deals[size_t(imported.count++)] = BreDeal(line);
  }
  return imported;
}

ImportBuffer ParseBerText(std::string_view bytes) {
  ImportBuffer imported;
  std::string_view line;
  if (!internal::LineReader(bytes).Next(line)) return imported;
  for (size_t at = 0; at + size_t(kCards) <= line.size() && imported.count < kBoardsPerSet;
       at += size_t(kCards)) {
    imported.deals[size_t(imported.count++)] = BerDeal(line.substr(at, size_t(kCards)));
  }
  return imported;
}

ImportBuffer ParseBriText(std::string_view bytes) {
  std::string joined;
  joined.reserve(bytes.size());
  for (const char ch : bytes) {
    if (ch != '\r' && ch != '\n') joined += ch;
  }
  const std::string_view text = internal::TrimBlanks(joined);
  ImportBuffer imported;
  BriStream stream(text);
  while (stream.Left() && imported.count < kBoardsPerSet) {
    imported.deals[size_t(imported.count++)] = BriDeal(stream);
  }
  return imported;
}

Result<ImportBuffer> ReadBreFile(const std::filesystem::path& path) {
  return ReadWith(path, ParseBreText);
}
Result<ImportBuffer> ReadBerFile(const std::filesystem::path& path) {
  return ReadWith(path, ParseBerText);
}
Result<ImportBuffer> ReadBriFile(const std::filesystem::path& path) {
  return ReadWith(path, ParseBriText);
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

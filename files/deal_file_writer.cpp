#include "files/deal_file_writer.h"

#include <array>
#include <cassert>
#include <cstdio>

#include "core/deal_number.h"

namespace tarrow {
namespace {

// The byte that switches a .bre field to each suit, spades first.
constexpr std::array<char, 4> kSuitMarks = {'\x06', '\x03', '\x04', '\x05'};

// A number left-aligned in a field of `width` bytes, blanks after it.
std::string LeftAligned(int value, size_t width) {
  std::string text = std::to_string(value);
  assert(text.size() <= width);
  text.resize(width, ' ');
  return text;
}

}  // namespace

std::optional<DealFileFormat> DealFileFormatFromName(std::string_view name) {
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  std::string lower(name);
  for (char& ch : lower) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  for (DealFileFormat format :
       {DealFileFormat::kDup, DealFileFormat::kBri, DealFileFormat::kBre, DealFileFormat::kBer}) {
    if (lower == DealFileFormatName(format)) return format;
  }
  return std::nullopt;
}

std::string_view DealFileFormatName(DealFileFormat format) {
  switch (format) {
    case DealFileFormat::kDup:
      return "dup";
    case DealFileFormat::kBri:
      return "bri";
    case DealFileFormat::kBre:
      return "bre";
    case DealFileFormat::kBer:
      return "ber";
  }
  return "";
}

std::string DealFileExtension(DealFileFormat format) {
  return "." + std::string(DealFileFormatName(format));
}

int LastPresentBoard(const DealSet& set) noexcept {
  for (int board = kBoardsPerSet; board >= 1; --board) {
    if (set.Board(board).number.valid) return board;
  }
  return 0;
}

std::string BriDealText(const Deal& deal) {
  assert(deal.valid);
  std::string text;
  text.reserve(78);
  for (Seat seat : {kNorth, kEast, kSouth}) {
    for (int card = 0; card < kCards; ++card) {
      if (deal.seatOf[size_t(card)] != seat) continue;
      const int number = card + 1;
      text += char('0' + number / 10);
      text += char('0' + number % 10);
    }
  }
  assert(text.size() == 78);
  return text;
}

std::string BriRecord(const Deal& deal) {
  std::string record = BriDealText(deal);
  record.append(32, ' ');
  record.append(18, '\0');
  assert(record.size() == 128);
  return record;
}

std::string BerDealText(const Deal& deal) {
  assert(deal.valid);
  std::string text;
  text.reserve(kCards);
  for (int card = 0; card < kCards; ++card) text += char('1' + deal.seatOf[size_t(card)]);
  return text;
}

std::string BreDealText(const Deal& deal) {
  assert(deal.valid);
  std::string text;
  text.reserve(68);
  for (Seat seat : kSeats) {
    for (Suit suit : kSuits) {
      text += kSuitMarks[size_t(suit)];
      text += HandSuitText(deal, seat, suit);
    }
  }
  assert(text.size() == 68);
  return text;
}

std::string DupRunData(int lowest, int copies, int highest) {
  assert(lowest >= 1 && lowest <= 999 && highest >= 1 && highest <= 999);
  assert(copies >= 1 && copies <= 99);
  return "YN" + LeftAligned(lowest, 3) + LeftAligned(copies, 2) + LeftAligned(highest, 3);
}

Result<std::string> DealFileBytes(const DealSet& set, DealFileFormat format, int lastBoard) {
  if (lastBoard < 1 || lastBoard > kBoardsPerSet) {
    return Status::Error("the last board to export must be 1 to " + std::to_string(kBoardsPerSet) +
                         ", not " + std::to_string(lastBoard));
  }
  for (int board = 1; board <= lastBoard; ++board) {
    if (!set.Board(board).number.valid) {
      return Status::Error("board " + std::to_string(board) +
                           " has no deal, so a dealing machine cannot deal boards 1 to " +
                           std::to_string(lastBoard));
    }
  }
  std::string bytes;
  for (int board = 1; board <= lastBoard; ++board) {
    // From the number, so that a set whose expanded deals were not
    // refreshed still exports what it holds.
    const Deal deal = DealFromNumber(set.Board(board).number);
    if (!deal.valid) {
      return Status::Error("board " + std::to_string(board) + " holds no valid deal number");
    }
    switch (format) {
      case DealFileFormat::kBri:
        bytes += BriRecord(deal);
        break;
      case DealFileFormat::kBre:
        bytes += BreDealText(deal) + "\r\n";
        break;
      case DealFileFormat::kBer:
        bytes += BerDealText(deal);
        break;
      case DealFileFormat::kDup:
        bytes += BriDealText(deal) + BreDealText(deal) + DupRunData(1, 1, lastBoard);
        break;
    }
  }
  if (format == DealFileFormat::kBer) bytes += "\r\n";
  return bytes;
}

}  // namespace tarrow

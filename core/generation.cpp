#include "core/generation.h"

#include <cstdio>

#include "core/deal_number.h"
#include "core/words.h"

namespace tarrow {

Status CheckSeedText(std::string_view cp1252) {
  if (cp1252.empty()) return Status::Error("the seed is empty; type the text the set grows from");
  for (size_t i = 0; i < cp1252.size(); ++i) {
    const unsigned char ch = static_cast<unsigned char>(cp1252[i]);
    if (ch >= 0x20 && ch != 0x7F) continue;
    std::string name;
    if (ch == '\n' || ch == '\r') {
      name = "a line break";
    } else if (ch == '\t') {
      name = "a tab";
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "%02X", ch);
      name = std::string("the control character 0x") + code;
    }
    return Status::Error("the seed holds " + name + " at character " + std::to_string(i + 1) +
                         "; a seed is one line of printable text");
  }
  return Status();
}

DealNumber ReduceDigest(const Digest& digest) noexcept {
  // Long division one bit at a time: R starts as the top 96 bits; each of the
  // 64 remaining bits is shifted in and R is brought back below TotalDeals.
  // R < 2 * TotalDeals after every shift, so one subtraction suffices; a
  // 128-bit R holds the carry out of bit 96 that 96-bit words would lose.
  uint128 r = (uint128(digest[0]) << 64) | (uint128(digest[1]) << 32) | digest[2];
  const uint64_t rest = (uint64_t(digest[3]) << 32) | digest[4];
  if (r >= kTotalDeals) r -= kTotalDeals;
  for (int bit = 63; bit >= 0; --bit) {
    r = (r << 1) | ((rest >> bit) & 1);
    if (r >= kTotalDeals) r -= kTotalDeals;
  }
  return MakeDealNumber(r);
}

std::string BoardHashText(std::string_view seed, int board) {
  std::string text(seed.substr(0, kSeedLimit));
  text += NumberInWords(uint32_t(board));
  return text;
}

DealNumber SeededDealNumber(std::string_view seed, int board) {
  return ReduceDigest(HashText(BoardHashText(seed, board)));
}

void GenerateSet(DealSet& set, std::string_view seed, DateTime generationTime) {
  set.header.seed = seed;
  set.header.generationTime = generationTime;
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    BoardEntry& entry = set.Board(board);
    entry.number = SeededDealNumber(set.header.seed.str(), board);
    entry.ClearAnalysis();
  }
  set.RefreshDeals();
}

}  // namespace tarrow

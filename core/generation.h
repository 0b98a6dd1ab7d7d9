// Seeded generation: board k's deal number is the SHA-0 digest of the seed
// text followed by k in words, reduced modulo the number of deals.  No random
// generator, clock or machine property enters the deals, so anyone holding
// the seed regenerates the same 36 boards.
//
//   if (Status s = CheckSeedText(seed); !s.ok()) return s;   // before dealing
//   GenerateSet(set, "Club night", DateTimeNow());
//   BoardHashText("abc", 18);                   // "abceightteen"
#pragma once

#include <string>
#include <string_view>

#include "core/deal_set.h"
#include "core/result.h"
#include "core/sha0.h"

namespace tarrow {

inline constexpr size_t kSeedLimit = 79;

// Whether a seed (Windows-1252 bytes) can be dealt from and written down as
// it was typed.  Refused: an empty seed, and one holding a control character
// (bytes below 0x20 and 0x7F, line breaks and tabs included): a PBN tag or a
// run log cannot carry it as typed, and the seed read back from there would
// deal another set.  The message names the character and its position.
Status CheckSeedText(std::string_view cp1252);

// The 160-bit digest (h0 most significant) modulo the number of deals, valid.
DealNumber ReduceDigest(const Digest& digest) noexcept;

// The seed cut to its first 79 bytes, immediately followed by the board's
// number in words.
std::string BoardHashText(std::string_view seed, int board);

// The deal number of one board of a seed.
DealNumber SeededDealNumber(std::string_view seed, int board);

// Deals all 36 boards from the seed (Windows-1252 bytes): stores the seed
// (cut to 79) and the generation time in the header, sets every board's
// number, clears every board's analysis and refreshes the expanded deals.
// Pass the generation time the set already has to keep it unchanged.
void GenerateSet(DealSet& set, std::string_view seed, DateTime generationTime);

}  // namespace tarrow

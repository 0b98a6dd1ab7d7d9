// SHA-0, the Secure Hash Standard as first published (FIPS 180, 1993): SHA-1
// without the one-bit rotation in the message schedule.  It makes deals from
// seeds, so it must stay exactly this function, and it serves as the change
// detector of a set and the check value of the settings file.
//
//   Digest d = HashText("abcone");            // five words, h0 most significant
//   std::array<uint8_t, 20> b = HashBlock(bytes.data(), bytes.size());
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarrow {

using Digest = std::array<uint32_t, 5>;  // h0..h4; h0 is the most significant word

// One digest computation, fed in pieces.
class ShaState {
 public:
  ShaState() noexcept;
  void Update(const void* data, size_t length) noexcept;
  // Pads, compresses the last block(s) and returns the digest.  The state is
  // spent afterwards.
  Digest Finish() noexcept;

 private:
  void Compress() noexcept;

  uint32_t waiting_ = 0;  // bytes in block_, 0..63 between calls
  uint32_t h_[5];         // chaining words
  uint32_t total_ = 0;    // bytes absorbed in full blocks (mod 2^32)
  uint8_t block_[64];
};

// SHA-0 of the bytes of the text (8-bit characters, hashed in order).
Digest HashText(std::string_view text) noexcept;

// SHA-0 of a memory block as 20 bytes: h0..h4, each least significant byte
// first.  That byte order differs from the standard's printed digest; the
// settings file stores its check value this way.
std::array<uint8_t, 20> HashBlock(const void* data, size_t length) noexcept;

}  // namespace tarrow

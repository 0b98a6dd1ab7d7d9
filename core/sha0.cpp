#include "core/sha0.h"

#include <algorithm>
#include <cstring>

namespace tarrow {
namespace {

constexpr uint32_t Rotl(uint32_t x, int n) noexcept {
  return (x << n) | (x >> (32 - n));
}

uint32_t BigEndianWord(const uint8_t* p) noexcept {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

ShaState::ShaState() noexcept
    : h_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void ShaState::Compress() noexcept {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t) w[t] = BigEndianWord(block_ + 4 * t);
  // SHA-0's schedule: no rotation here (SHA-1 adds a rotl by one).
  for (int t = 16; t < 80; ++t) w[t] = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
  uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const uint32_t temp = Rotl(a, 5) + f + e + w[t] + k;
    e = d;
    d = c;
    c = Rotl(b, 30);
    b = a;
    a = temp;
  }
  h_[0] += a;
  h_[1] += b;
  h_[2] += c;
  h_[3] += d;
  h_[4] += e;
}

void ShaState::Update(const void* data, size_t length) noexcept {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const size_t take = std::min<size_t>(64 - waiting_, length);
    std::memcpy(block_ + waiting_, bytes, take);
    waiting_ += uint32_t(take);
    bytes += take;
    length -= take;
    if (waiting_ == 64) {
      Compress();
      total_ += 64;
      waiting_ = 0;
    }
  }
}

Digest ShaState::Finish() noexcept {
  const uint32_t waiting = waiting_;
  block_[waiting] = 0x80;
  std::memset(block_ + waiting + 1, 0, 63 - waiting);
  total_ += waiting;
  // Without room for the 64-bit length the padding spills into a second block.
  if (waiting > 55) {
    Compress();
    std::memset(block_, 0, 64);
  }
  const uint32_t bits = total_ * 8;  // inputs stay far below 2^29 bytes
  block_[60] = uint8_t(bits >> 24);
  block_[61] = uint8_t(bits >> 16);
  block_[62] = uint8_t(bits >> 8);
  block_[63] = uint8_t(bits);
  Compress();
  waiting_ = 0;
  return {h_[0], h_[1], h_[2], h_[3], h_[4]};
}

Digest HashText(std::string_view text) noexcept {
  ShaState state;
  state.Update(text.data(), text.size());
  return state.Finish();
}

std::array<uint8_t, 20> HashBlock(const void* data, size_t length) noexcept {
  ShaState state;
  state.Update(data, length);
  const Digest digest = state.Finish();
  std::array<uint8_t, 20> bytes;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) bytes[4 * i + j] = uint8_t(digest[i] >> (8 * j));
  }
  return bytes;
}

}  // namespace tarrow

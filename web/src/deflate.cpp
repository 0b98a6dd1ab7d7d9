// compress2 for the browser build (zlib/zlib.h): LZ77 over a 32 KiB window
// with hash chains, coded with deflate's fixed Huffman codes in one final
// block, inside the zlib wrapper (header 78 9C, Adler-32 at the end).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zlib.h"

namespace {

constexpr int kWindow = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kChainLimit = 64;
constexpr int kHashBits = 15;

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class BitWriter {
 public:
  // value's low `count` bits, least significant first (deflate's order for
  // everything but the Huffman codes).
  void Bits(uint32_t value, int count) {
    buffer_ |= uint64_t(value) << filled_;
    filled_ += count;
    while (filled_ >= 8) {
      bytes_.push_back(uint8_t(buffer_));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  // A Huffman code, most significant bit first.
  void Code(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    Bits(reversed, length);
  }
  void Byte(uint8_t value) {
    Flush();
    bytes_.push_back(value);
  }
  void Flush() {
    if (filled_ > 0) Bits(0, 8 - filled_);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t buffer_ = 0;
  int filled_ = 0;
};

void Literal(BitWriter& out, int symbol) {
  if (symbol < 144) {
    out.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    out.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    out.Code(symbol - 256, 7);
  } else {
    out.Code(0xC0 + symbol - 280, 8);
  }
}

void Match(BitWriter& out, int length, int distance) {
  int l = 28;
  while (kLengthBase[l] > length) --l;
  Literal(out, 257 + l);
  out.Bits(uint32_t(length - kLengthBase[l]), kLengthExtra[l]);
  int d = 29;
  while (kDistanceBase[d] > distance) --d;
  out.Code(uint32_t(d), 5);
  out.Bits(uint32_t(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

uint32_t Hash(const Bytef* p) {
  return ((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) * 2654435761u) >> (32 - kHashBits);
}

uint32_t Adler32(const Bytef* data, uLong size) {
  uint32_t a = 1, b = 0;
  for (uLong i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

}  // namespace

int compress2(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen, int) {
  BitWriter out;
  out.Byte(0x78);
  out.Byte(0x9C);
  out.Bits(1, 1);  // the final block
  out.Bits(1, 2);  // fixed codes
  std::vector<int> head(std::size_t(1) << kHashBits, -1);
  std::vector<int> previous(sourceLen, -1);
  const long size = long(sourceLen);
  auto insert = [&](long at) {
    if (at + kMinMatch > size) return;
    const uint32_t h = Hash(source + at);
    previous[std::size_t(at)] = head[h];
    head[h] = int(at);
  };
  long at = 0;
  while (at < size) {
    int bestLength = 0;
    int bestDistance = 0;
    if (at + kMinMatch <= size) {
      const long limit = std::min<long>(kMaxMatch, size - at);
      int candidate = head[Hash(source + at)];
      for (int chain = 0; candidate >= 0 && chain < kChainLimit; ++chain) {
        const long distance = at - candidate;
        if (distance > kWindow) break;
        int length = 0;
        while (length < limit && source[candidate + length] == source[at + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = int(distance);
          if (length == limit) break;
        }
        candidate = previous[std::size_t(candidate)];
      }
    }
    if (bestLength >= kMinMatch) {
      Match(out, bestLength, bestDistance);
      for (long i = 0; i < bestLength; ++i) insert(at + i);
      at += bestLength;
    } else {
      Literal(out, source[at]);
      insert(at);
      ++at;
    }
  }
  Literal(out, 256);
  out.Flush();
  const uint32_t adler = Adler32(source, sourceLen);
  for (int shift = 24; shift >= 0; shift -= 8) out.Byte(uint8_t(adler >> shift));
  const std::vector<uint8_t>& bytes = out.Bytes();
  if (bytes.size() > *destLen) return Z_BUF_ERROR;
  for (std::size_t i = 0; i < bytes.size(); ++i) dest[i] = bytes[i];
  *destLen = uLongf(bytes.size());
  return Z_OK;
}

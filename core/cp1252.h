// Windows-1252, the one 8-bit character set of every text the program keeps
// or writes (seeds, PBN files, settings), on every platform, so that a seed
// with accented letters gives the same set everywhere.  Conversion to and
// from UTF-8 happens only at the program's edges (command line, windows).
//
//   Result<std::string> seed = Utf8ToCp1252("Café");   // "Caf\xE9"
//   std::string shown = Cp1252ToUtf8(seed_bytes);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/result.h"

namespace tarrow {

// Code points of the bytes 80..9F, where Windows-1252 differs from Latin-1;
// 0 marks the five bytes it leaves undefined (81 8D 8F 90 9D).
inline constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Unicode character of a byte; 0 for the five undefined bytes.  Every
// other byte below 80 or from A0 up is its own code point.
constexpr char32_t Cp1252CodePoint(uint8_t byte) noexcept {
  return byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : char32_t(byte);
}

// Fails, naming the character, for text that is not UTF-8 or holds a
// character Windows-1252 cannot represent.
Result<std::string> Utf8ToCp1252(std::string_view utf8);

// Every byte has a meaning; the five bytes Windows-1252 leaves undefined
// (81 8D 8F 90 9D) are passed through as the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace tarrow

// Windows-1252, the one 8-bit character set of every text the program keeps
// or writes (seeds, PBN files, settings), on every platform, so that a seed
// with accented letters gives the same set everywhere.  Conversion to and
// from UTF-8 happens only at the program's edges (command line, windows).
//
//   Result<std::string> seed = Utf8ToCp1252("Café");   // "Caf\xE9"
//   std::string shown = Cp1252ToUtf8(seed_bytes);
#pragma once

#include <string>
#include <string_view>

#include "core/result.h"

namespace tarrow {

// Fails, naming the character, for text that is not UTF-8 or holds a
// character Windows-1252 cannot represent.
Result<std::string> Utf8ToCp1252(std::string_view utf8);

// Every byte has a meaning; the five bytes Windows-1252 leaves undefined
// (81 8D 8F 90 9D) are passed through as the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace tarrow

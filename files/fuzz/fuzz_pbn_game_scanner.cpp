// Any bytes as a PBN file for annotate: the pieces the scanner hands out put
// together are the bytes, no piece is larger than a game may be, and every
// tag and line lies inside its piece.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "files/fuzz/fuzz_check.h"
#include "files/pbn_game_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream in(bytes);
  tarrow::PbnGameScanner scanner(in);
  std::string joined;
  for (tarrow::PbnGame game; scanner.Next(game);) {
    FUZZ_CHECK(!game.bytes.empty());
    FUZZ_CHECK(game.bytes.size() <= tarrow::kLargestPbnGame + 2);
    FUZZ_CHECK(game.offset == joined.size());
    size_t at = 0;
    for (const tarrow::PbnLine& line : game.lines) {
      FUZZ_CHECK(line.begin == at && line.end >= line.begin + line.eol &&
                 line.end <= game.bytes.size());
      at = line.end;
    }
    FUZZ_CHECK(at == game.bytes.size());
    for (const tarrow::PbnTag& tag : game.tags) {
      FUZZ_CHECK(tag.line >= 0 && size_t(tag.line) < game.lines.size());
    }
    FUZZ_CHECK(!game.tooLong || game.tags.empty());
    joined += game.bytes;
  }
  FUZZ_CHECK(scanner.status().ok());
  FUZZ_CHECK(joined == bytes);
  return 0;
}

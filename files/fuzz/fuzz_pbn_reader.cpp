// Any bytes as a PBN file: the reader must not fail unsafely, and what it
// loads (boards, tables and every header field) must come back the same
// when written and read again, with nothing reported as not kept.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/texts.h"
#include "files/fuzz/fuzz_check.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "scoring/par.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarrow;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  LoadReport report;
  const Result<DealSet> set = ParsePbnText(bytes, "fuzz.pbn", report);
  if (!set.ok()) {
    // A fault on a line, or the whole file named with its cause (no board,
    // UTF-16 text, boards numbered past the set).
    FUZZ_CHECK(set.message().find("fuzz.pbn line ") == 0 ||
               set.message().find("cannot load fuzz.pbn: ") == 0);
    FUZZ_CHECK(report.warnings.empty() && report.notKept.empty());
    return 0;
  }
  FUZZ_CHECK(set->setDigest == ComputeSetDigest(*set));
  LoadReport againReport;
  const Result<DealSet> again = ParsePbnText(PbnText(*set, "fuzz"), "again.pbn", againReport);
  FUZZ_CHECK(again.ok());
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const BoardEntry& board = set->Board(n);
    const BoardEntry& back = again->Board(n);
    FUZZ_CHECK(back.number == (board.number.valid ? board.number : DealNumber{}));
    if (!board.number.valid) continue;
    FUZZ_CHECK(back.doneMask == board.doneMask);
    for (Seat declarer : kSeats) {
      for (Strain strain : kStrains) {
        if (board.Analysed(SideOf(declarer), strain)) {
          FUZZ_CHECK(back.table[size_t(DDIndex(declarer, strain))] ==
                     board.table[size_t(DDIndex(declarer, strain))]);
        }
      }
    }
    FUZZ_CHECK(again->DealOf(n).seatOf == set->DealOf(n).seatOf);
    // A complete table's par is written and read back as worked out.
    if (ParAvailable(board)) {
      const ParResult par = Par(board.table, BoardDealer(n), BoardVulnerability(n));
      FUZZ_CHECK(back.filePar.hasScore && back.filePar.score == par.score);
      FUZZ_CHECK(back.filePar.contracts == ParContractsText(par));
    }
  }
  // The header.  A line break inside a value is written as a blank, and a
  // value of "#" alone means "as before" in PBN, so those cannot come back.
  const auto same = [](const std::string& written, const std::string& read) {
    if (written == "#") return true;
    std::string expected = written;
    for (char& ch : expected) {
      if (ch == '\r' || ch == '\n') ch = ' ';
    }
    return expected == read;
  };
  const SetHeader& h = set->header;
  const SetHeader& b = again->header;
  FUZZ_CHECK(same(h.event, b.event));
  FUZZ_CHECK(same(h.site, b.site));
  FUZZ_CHECK(same(h.club, b.club));
  FUZZ_CHECK(same(h.seed, b.seed));
  FUZZ_CHECK(same(h.description, b.description));
  FUZZ_CHECK(b.computerName.str() == "fuzz");
  FUZZ_CHECK(b.generationTime == h.generationTime);
  const int year = CivilFromDateTime(h.eventDate).year;
  if (year >= 1000 && year <= 9999) {
    FUZZ_CHECK(b.eventDate == h.eventDate);
    // What the program wrote, it keeps whole.
    FUZZ_CHECK(againReport.RewriteLosesNothing());
  }
  return 0;
}

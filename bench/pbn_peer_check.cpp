// Checks the double-dummy tables of a PBN set against the peer library:
// every result the file gives (a "?" gives none) is compared with the peer's.
//
//   pbn_peer_check FILE.pbn
//
// Prints each disagreeing board, then "boards B, entries E, unknown U,
// mismatches M"; exits 1 on any mismatch or an unreadable file.
#include <iostream>

#include "analysis/solver_peer_for_test.h"
#include "core/deal_number.h"
#include "files/pbn_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pbn_peer_check FILE.pbn\n";
    return 2;
  }
  tarrow::testing::PeerSingleThreaded();
  const tarrow::Result<tarrow::DealSet> set = tarrow::ReadPbnFile(argv[1]);
  if (!set.ok()) {
    std::cerr << set.message() << "\n";
    return 1;
  }
  int boards = 0, entries = 0, unknown = 0, mismatches = 0;
  for (int board = 1; board <= tarrow::kBoardsPerSet; ++board) {
    const tarrow::BoardEntry& entry = set->Board(board);
    if (!entry.number.valid) continue;
    ++boards;
    const auto theirs = tarrow::testing::PeerDDTable(set->DealOf(board));
    if (!theirs.ok()) {
      std::cerr << theirs.message() << "\n";
      return 1;
    }
    for (tarrow::Seat declarer : tarrow::kSeats) {
      for (tarrow::Strain strain : tarrow::kStrains) {
        if (!entry.Analysed(tarrow::SideOf(declarer), strain)) {
          ++unknown;
          continue;
        }
        ++entries;
        const size_t i = size_t(tarrow::DDIndex(declarer, strain));
        if (entry.table[i] != (*theirs)[i]) {
          ++mismatches;
          std::cout << "board " << board << " declarer " << tarrow::kSeatLetters[declarer] << " "
                    << tarrow::kStrainLabels[size_t(strain)] << ": file " << int(entry.table[i])
                    << ", peer " << int((*theirs)[i]) << "\n";
        }
      }
    }
  }
  std::cout << "boards " << boards << ", entries " << entries << ", unknown " << unknown
            << ", mismatches " << mismatches << "\n";
  return mismatches == 0 ? 0 : 1;
}

#include "files/pbn_writer.h"

#include "core/atomic_file.h"
#include "core/banner.h"
#include "core/cards.h"
#include "core/deal_number.h"
#include "core/texts.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Declarer letters and the row order of the strains: C D H S NT.
constexpr Strain kRowStrains[5] = {StrainOfSuit(kClubs), StrainOfSuit(kDiamonds),
                                   StrainOfSuit(kHearts), StrainOfSuit(kSpades), kNotrump};

std::string Escaped(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char ch : value) {
    if (ch == '"' || ch == '\\') out += '\\';
    out += (ch == '\r' || ch == '\n') ? ' ' : ch;
  }
  return out;
}

void Tag(std::string& out, std::string_view name, std::string_view value) {
  out += '[';
  out += name;
  out += " \"";
  out += Escaped(value);
  out += "\"]";
  out += kLineEnd;
}

void HeaderLines(std::string& out, const SetHeader& header, std::string_view computerName) {
  Tag(out, "Event", header.event.str());
  Tag(out, "Site", header.site.str());
  // A date nobody knows (a file from another program gave "?") stays so.
  Tag(out, "Date", header.eventDate == 0 ? std::string("?") : DateText(header.eventDate));
  Tag(out, "Generator", kProgramBanner);
  Tag(out, "Application", "1" + header.seed.str());
  Tag(out, "Application", "2" + header.description.str());
  Tag(out, "Application", "3" + FormatDateTime(header.generationTime));
  Tag(out, "Application", "4" + std::string(computerName));
  Tag(out, "Eventsponsor", header.club.str());
}

void TableLines(std::string& out, const BoardEntry& board) {
  out += "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]";
  out += kLineEnd;
  for (Seat declarer : kSeats) {
    for (const Strain strain : kRowStrains) {
      out += kSeatLetters[size_t(declarer)];
      out += ' ';
      out += kStrainLabels[size_t(strain)];
      out += ' ';
      if (board.Analysed(SideOf(declarer), strain)) {
        out += std::to_string(board.table[size_t(DDIndex(declarer, strain))]);
      } else {
        out += '?';
      }
      out += kLineEnd;
    }
  }
}

}  // namespace

std::string PbnText(const DealSet& set, std::string_view computerName) {
  std::string out;
  bool headerWritten = false;
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const BoardEntry& board = set.Board(n);
    if (!board.number.valid) continue;
    if (!headerWritten) {
      HeaderLines(out, set.header, computerName);
      headerWritten = true;
    } else {
      Tag(out, "Event", "#");
      Tag(out, "Site", "#");
      Tag(out, "Date", "#");
    }
    Tag(out, "Board", std::to_string(n));
    Tag(out, "Dealer", BoardDealerLetter(n));
    Tag(out, "Vulnerable", BoardVulnerabilityShortText(n));
    Tag(out, "Deal", PbnDealText(DealFromNumber(board.number), BoardDealer(n)));
    if (ParAvailable(board)) {
      const ParResult par = Par(board.table, BoardDealer(n), BoardVulnerability(n));
      Tag(out, "OptimumScore", OptimumScoreTagValue(par));
      Tag(out, "ParContract", ParContractsText(par));
    }
    if (board.doneMask[0] != 0 || board.doneMask[1] != 0) TableLines(out, board);
    out += kLineEnd;
  }
  return out;
}

Status WritePbnFile(DealSet& set, const WritePermit& permit, std::string_view computerName) {
  Status written = WriteFileAtomically(permit, PbnText(set, computerName));
  if (written.ok()) set.setDigest = ComputeSetDigest(set);
  return written;
}

}  // namespace tarrow

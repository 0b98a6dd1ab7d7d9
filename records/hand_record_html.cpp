#include "records/hand_record_html.h"

#include <algorithm>
#include <array>

#include "core/banner.h"
#include "core/cp1252.h"
#include "core/deal_number.h"
#include "core/ltc.h"

namespace tarrow {
namespace {

// The suit symbols in UTF-8, each followed by the text variation selector
// (U+FE0E) so that no font turns the heart into a coloured emoji.
constexpr std::array<std::string_view, 4> kSuitSymbols = {
    "\xE2\x99\xA0\xEF\xB8\x8E", "\xE2\x99\xA5\xEF\xB8\x8E", "\xE2\x99\xA6\xEF\xB8\x8E",
    "\xE2\x99\xA3\xEF\xB8\x8E"};
constexpr std::array<std::string_view, 4> kSuitNames = {"spades", "hearts", "diamonds", "clubs"};
constexpr std::array<std::string_view, 4> kSeatClasses = {"north", "east", "south", "west"};

// The page's style.  Boards flow in a grid whose columns are at least 19
// rem wide but never wider than the screen, so a phone gets one column and
// nothing scrolls sideways; long holdings may break rather than overflow.
// On paper the boards are inline blocks, four to a row: an inline block is
// never split across pages.
constexpr std::string_view kStyle = R"(*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%;text-size-adjust:100%}
body{margin:0;padding:12px;font:15px/1.35 Arial,"Liberation Sans",Helvetica,sans-serif;color:#111;background:#fff}
.sr{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}
header.event{text-align:center;margin:0 0 12px}
header.event h1{font-size:1.45em;margin:.1em 0}
header.event p{margin:.15em 0}
.club{font-size:1.15em}
.facts{display:flex;flex-wrap:wrap;justify-content:center;gap:.1em 1.4em;margin:.4em 0 0;padding:0;font-size:.9em}
.facts div{display:flex;gap:.35em;min-width:0}
.facts dt{font-weight:bold}
.facts dd{margin:0;overflow-wrap:anywhere}
.boards{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(100%,19rem),1fr));gap:12px}
.board{border:1px solid #888;border-radius:6px;padding:8px 10px;min-width:0;break-inside:avoid;page-break-inside:avoid}
.board h2{font-size:1.05em;margin:0}
.conditions{margin:0 0 .3em;font-size:.9em}
.conditions span+span{margin-left:1em}
.compass{display:grid;grid-template-columns:minmax(0,1fr) 4.4em minmax(0,1fr);grid-template-areas:". n n" "w c e" ". s s";align-items:center;gap:4px 6px;max-width:22rem}
.hand{min-width:0}
.north{grid-area:n}
.south{grid-area:s}
.west{grid-area:w}
.east{grid-area:e;padding-left:.3em}
.hand ul{list-style:none;margin:0;padding:0}
.hand li{overflow-wrap:anywhere}
.suit{display:inline-block;width:1.15em;font-family:"DejaVu Sans","Segoe UI Symbol",Arial,sans-serif}
.red{color:#c8102e}
.points{grid-area:c;display:grid;grid-template-columns:repeat(3,1fr);grid-template-areas:". pn ." "pw . pe" ". ps .";text-align:center;font-size:.8em;border:1px solid #aaa;border-radius:4px;padding:2px 0}
.pn{grid-area:pn}.pe{grid-area:pe}.ps{grid-area:ps}.pw{grid-area:pw}
.extra{margin:.4em 0 0;font-size:.85em}
.extra table{border-collapse:collapse}
.extra th,.extra td{padding:0 .4em;text-align:center}
.extra thead th{border-bottom:1px solid #aaa}
.contracts{list-style:none;margin:.4em 0 0;padding:0;font-size:.85em}
.not-generated{color:#555;font-style:italic}
footer{margin-top:12px;font-size:.75em;color:#555;text-align:center}
@media print{
@page{size:A4;margin:10mm}
body{padding:0;font-size:8pt}
header.event{margin-bottom:3mm}
.boards{display:block;font-size:0}
.board{display:inline-block;vertical-align:top;width:calc(25% - 2mm);margin:0 1mm 2mm;padding:1.5mm 1.5mm;font-size:7.5pt;line-height:1.25;border-radius:0}
.compass{grid-template-columns:minmax(0,1fr) 3em minmax(0,1fr);gap:1px 2px}
.suit{width:1em}
.points{font-size:.75em}
div.extra{display:inline-block;vertical-align:top;margin-right:2mm}
.extra th,.extra td{padding:0 .2em}
.red{-webkit-print-color-adjust:exact;print-color-adjust:exact}
footer{display:none}
}
)";

std::string Escaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

// A suit symbol with its name for screen readers.
std::string SuitSymbol(Suit suit) {
  const bool red = suit == kHearts || suit == kDiamonds;
  return std::string("<span class=\"suit ") + std::string(kSuitNames[suit]) + (red ? " red" : "") +
         "\" role=\"img\" aria-label=\"" + std::string(kSuitNames[suit]) + "\">" +
         std::string(kSuitSymbols[suit]) + "</span>";
}

void AddHand(std::string& out, const Deal& deal, Seat seat) {
  out += "<div class=\"hand " + std::string(kSeatClasses[seat]) + "\" data-seat=\"";
  out += kSeatLetters[size_t(seat)];
  out += "\"><span class=\"sr\">" + std::string(kSeatNames[seat]) + "</span><ul>";
  for (Suit suit : kSuits) {
    const std::string holding = HoldingText(deal, seat, suit);
    out += "<li>" + SuitSymbol(suit);
    out += holding.empty()
               ? "<span aria-hidden=\"true\">&mdash;</span><span class=\"sr\">void</span>"
               : holding;
    out += "</li>";
  }
  out += "</ul></div>";
}

void AddPoints(std::string& out, const Deal& deal) {
  constexpr std::array<std::string_view, 4> kPlaces = {"pn", "pe", "ps", "pw"};
  out += "<div class=\"points\" title=\"high-card points\">";
  for (Seat seat : kSeats) {
    out += "<span class=\"" + std::string(kPlaces[seat]) + "\"><span class=\"sr\">" +
           std::string(kSeatNames[seat]) + " points </span>" + std::to_string(deal.points[seat]) +
           "</span>";
  }
  out += "</div>";
}

// The double-dummy tricks, a row per seat and a column per strain; "?"
// stands for a strain of a side whose job has not finished.
void AddTrickTable(std::string& out, const BoardEntry& entry) {
  out +=
      "<table class=\"tricks\"><caption class=\"sr\">Double-dummy tricks</caption><thead><tr>"
      "<td></td><th scope=\"col\">NT</th>";
  for (Suit suit : kSuits) out += "<th scope=\"col\">" + SuitSymbol(suit) + "</th>";
  out += "</tr></thead><tbody>";
  for (Seat seat : {kNorth, kSouth, kEast, kWest}) {
    out += "<tr><th scope=\"row\">";
    out += kSeatLetters[size_t(seat)];
    out += "</th>";
    for (Strain strain : kStrains) {
      out += "<td>";
      out += entry.Analysed(SideOf(seat), strain)
                 ? std::to_string(entry.table[size_t(DDIndex(seat, strain))])
                 : std::string("?");
      out += "</td>";
    }
    out += "</tr>";
  }
  out += "</tbody></table>";
}

// Distributions and losing trick counts, a row per seat.
void AddShapeTable(std::string& out, const Deal& deal, const HandRecordOptions& o) {
  out += "<table class=\"shapes\"><thead><tr><td></td>";
  if (o.showDistributions) out += "<th scope=\"col\">Distrb</th>";
  if (o.showLtc) out += "<th scope=\"col\">LTC</th>";
  out += "</tr></thead><tbody>";
  for (Seat seat : kSeats) {
    out += "<tr><th scope=\"row\">";
    out += kSeatLetters[size_t(seat)];
    out += "</th>";
    if (o.showDistributions) {
      out += "<td>";
      for (Suit suit : kSuits) {
        if (suit > 0) out += '-';
        out += std::to_string(deal.suitLength[seat][suit]);
      }
      out += "</td>";
    }
    if (o.showLtc) {
      out += "<td>" + HtmlText(LtcText(LosingTrickCount(seat, deal, o.queenMethod))) + "</td>";
    }
    out += "</tr>";
  }
  out += "</tbody></table>";
}

void AddBoard(std::string& out, int board, const BoardEntry& entry, const Deal& deal,
              const HandRecordOptions& o) {
  const std::string number = std::to_string(board);
  out += "<article class=\"board\" id=\"board-" + number + "\" data-board=\"" + number + "\"";
  const bool present = entry.number.valid && deal.valid;
  if (present) out += " data-deal=\"" + Escaped(PbnDealText(deal, kNorth)) + "\"";
  out += ">\n<h2>Board " + number + "</h2>\n";
  if (!present) {
    out += "<p class=\"not-generated\">Not Generated</p>\n</article>\n";
    return;
  }
  out += "<p class=\"conditions\"><span class=\"dealer\">Dlr " + BoardDealerLetter(board) +
         "</span><span class=\"vul\">Vul " + BoardVulnerabilityText(board) + "</span></p>\n";
  out += "<div class=\"compass\">";
  for (Seat seat : {kNorth, kWest, kEast, kSouth}) AddHand(out, deal, seat);
  AddPoints(out, deal);
  out += "</div>\n";

  if (o.showPar) {
    const std::string par = ParBoxText(entry, board);
    if (!par.empty()) out += "<p class=\"extra par\">" + HtmlText(par) + "</p>\n";
  }
  if (o.showAnalysis && (entry.doneMask[0] != 0 || entry.doneMask[1] != 0)) {
    if (o.allTricks) {
      out += "<div class=\"extra\">";
      AddTrickTable(out, entry);
      out += "</div>\n";
    } else {
      const std::vector<std::string> lines = ContractLineTexts(entry.table, entry.doneMask);
      if (!lines.empty()) {
        out += "<ul class=\"contracts\" title=\"makeable contracts\">";
        for (const std::string& line : lines) out += "<li>" + HtmlText(line) + "</li>";
        out += "</ul>\n";
      }
    }
  }
  if (o.showDistributions || o.showLtc) {
    out += "<div class=\"extra\">";
    AddShapeTable(out, deal, o);
    out += "</div>\n";
  }
  if (o.showDealNumbers) {
    out += "<p class=\"extra deal-number\">Deal # " + DealNumberHexText(entry.number) + "</p>\n";
  }
  out += "</article>\n";
}

void AddFact(std::string& out, std::string_view term, const std::string& cp1252) {
  if (cp1252.empty()) return;
  out += "<div><dt>" + std::string(term) + "</dt><dd>" + HtmlText(cp1252) + "</dd></div>";
}

}  // namespace

std::string HtmlText(std::string_view cp1252) {
  std::string kept;
  kept.reserve(cp1252.size());
  for (const char ch : cp1252) {
    const auto code = static_cast<unsigned char>(ch);
    if (code < 0x20 || code == 0x7F) continue;
    kept += ch;
  }
  return Escaped(Cp1252ToUtf8(kept));
}

std::string HandRecordsHtml(const DealSet& set, const HandRecordOptions& options,
                            std::string_view club, int lastBoard) {
  const SetHeader& h = set.header;
  std::string out;
  out.reserve(64 * 1024);
  out +=
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"generator\" content=\"" +
      Escaped(kProgramBanner) + "\">\n<title>";
  out +=
      h.event.empty() ? std::string("Hand records") : HtmlText(h.event.str()) + " - hand records";
  out += "</title>\n<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n";

  out += "<header class=\"event\">\n";
  if (!club.empty()) out += "<p class=\"club\">" + HtmlText(club) + "</p>\n";
  out += "<h1>" + (h.event.empty() ? std::string("Hand records") : HtmlText(h.event.str())) +
         "</h1>\n";
  if (!h.description.empty()) {
    out += "<p class=\"description\">" + HtmlText(h.description.str()) + "</p>\n";
  }
  out += "<dl class=\"facts\">";
  if (h.eventDate != 0) AddFact(out, "Date", EventDateText(h.eventDate));
  AddFact(out, "Seed", h.seed);
  AddFact(out, "Site", h.site);
  out += "</dl>\n</header>\n<main class=\"boards\">\n";
  for (int board = 1; board <= std::clamp(lastBoard, 1, kBoardsPerSet); ++board) {
    AddBoard(out, board, set.Board(board), set.DealOf(board), options);
  }
  out += "</main>\n<footer>" + Escaped(kProgramBanner) + "</footer>\n</body>\n</html>\n";
  return out;
}

}  // namespace tarrow

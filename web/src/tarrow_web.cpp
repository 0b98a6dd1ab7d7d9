// The browser's door into the core: plain C functions the page's scripts call
// through the WebAssembly instance (web/page/*.js).  Two kinds of instance use
// it: the page's own holds the set (deal, fields, the board view, every file
// written or read), and each solver worker's solves deals strain by strain on its
// own table.  Texts cross as UTF-8 and are Windows-1252 inside, as everywhere in
// the core; answers that are more than a number come back as JSON, and files
// as bytes in one output buffer.
//
//   page:    tw_deal("Club night", "2026-12-07 19:30:00");   // "" or the error
//            tw_board_json(1);                             // {"board":1,...}
//            int n = tw_write("pbn", 36);  bytes at tw_output_data(), n long
//   worker:  const uint8_t* tricks = tw_solve_strain("48DB1DE1 5ED13920 FC4FE771", 0);
#include <emscripten/emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/solver.h"
#include "core/banner.h"
#include "core/cp1252.h"
#include "core/deal_number.h"
#include "core/deal_set.h"
#include "core/generation.h"
#include "core/ltc.h"
#include "core/texts.h"
#include "files/deal_file_writer.h"
#include "files/deal_files.h"
#include "files/load_report.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "files/settings.h"
#include "records/hand_record.h"
#include "records/hand_record_html.h"
#include "records/hand_record_pdf.h"
#include "records/logo.h"
#include "records/output_drivers.h"
#include "records/pdf_printer.h"
#include "scoring/par.h"

namespace tarrow {
namespace {

// What the page's instance holds: one set, as App holds one in the window.
struct Session {
  DealSet set;
  bool holdsSet = false;
  std::string fileName;  // the file the set came from, or the seed's "<event>.pbn"
  RgbImage logo = Logo();
};

Session& TheSession() {
  static Session session;
  return session;
}

// What the instance starts with is not what the core expects of a process:
// - a umask of 0777, so the files the core writes and reads back would have
//   no permissions at all: a desktop's usual mask instead;
// - LANG set from the browser's language ("en_US.UTF-8"), though the C
//   library knows no locale but C, so dates would come out as the ambiguous
//   month-first "12/07/26": the C locale, whose dates the records write as
//   "2026-12-07", as the command line does without a locale.
bool PrepareInstance() {
  ::umask(022);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  return true;
}
[[maybe_unused]] const bool kPrepared = PrepareInstance();

// The last answer handed out; the page copies it before its next call.
std::string& Answer() {
  static std::string answer;
  return answer;
}

const char* Give(std::string text) {
  Answer() = std::move(text);
  return Answer().c_str();
}

std::string Json(std::string_view cp1252) {
  const std::string utf8 = Cp1252ToUtf8(cp1252);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const std::string& item : items) out += (out.size() > 1 ? "," : "") + Json(item);
  return out + "]";
}

HandRecordOptions RecordChoices() {
  // The window program's choices as they stand before anyone changes them,
  // so that the page prints what a new installation prints.
  return SettingsRecord::Defaults("").HandRecordChoices();
}

std::vector<uint8_t>& Output() {
  static std::vector<uint8_t> output;
  return output;
}

int GiveBytes(std::string_view bytes) {
  Output().assign(bytes.begin(), bytes.end());
  return int(Output().size());
}

Result<std::string> PrintToPdf(const std::function<Status(PdfPrinter&)>& print) {
  PdfPrinter printer;
  if (const Status printed = print(printer); !printed.ok()) return printed;
  return printer.Bytes();
}

Result<std::string> OutputBytes(std::string_view kind, int lastBoard) {
  Session& s = TheSession();
  if (kind == "pbn") return PbnText(s.set, s.set.header.computerName.str());
  if (kind == "html")
    return HandRecordsHtml(s.set, RecordChoices(), s.set.header.club.str(), lastBoard);
  if (kind == "pdf") {
    return HandRecordPdfBytes(s.set, RecordChoices(), s.set.header.club.str(), s.logo, s.fileName,
                              lastBoard);
  }
  if (kind == "setup") {
    SetupSheetOptions options;
    const SettingsRecord settings = SettingsRecord::Defaults("");
    options.showDealNumbers = settings.ShowDealNumbers();
    return PrintToPdf(
        [&](PdfPrinter& p) { return PrintSetupSheets(p, s.set, 1, lastBoard, options); });
  }
  if (kind == "travelers") {
    return PrintToPdf([&](PdfPrinter& p) { return PrintTravelers(p, s.set, lastBoard); });
  }
  if (const std::optional<DealFileFormat> format = DealFileFormatFromName(kind)) {
    return DealFileBytes(s.set, *format, lastBoard);
  }
  return Status::Error("no such output: " + std::string(kind));
}

std::string BoardJson(int board) {
  const Session& s = TheSession();
  const BoardEntry& entry = s.set.Board(board);
  const Deal& deal = s.set.DealOf(board);
  std::string out = "{\"board\":" + std::to_string(board);
  out += ",\"present\":" + std::string(entry.number.valid ? "true" : "false");
  out += ",\"dealer\":" + Json(kSeatNames[BoardDealer(board)]);
  out += ",\"vulnerable\":" + Json(BoardVulnerabilityText(board));
  out += ",\"number\":" + Json(DealNumberDecimalText(entry.number));
  out += ",\"numberHex\":" + Json(DealNumberHexText(entry.number));
  out += ",\"hands\":[";
  for (Seat seat : kSeats) {
    out += seat == kNorth ? "[" : ",[";
    for (Suit suit : kSuits) {
      out += (suit == kSpades ? "" : ",") + Json(HandSuitText(deal, seat, suit));
    }
    out += "]";
  }
  out += "],\"points\":[";
  for (Seat seat : kSeats) out += (seat == kNorth ? "" : ",") + std::to_string(deal.points[seat]);
  // Tricks per declarer N E S W and strain NT S H D C; null where not known.
  out += "],\"tricks\":[";
  for (Seat seat : kSeats) {
    out += seat == kNorth ? "[" : ",[";
    for (Strain strain : kStrains) {
      if (strain != kNotrump) out += ",";
      out += entry.Analysed(SideOf(seat), strain)
                 ? std::to_string(entry.table[DDIndex(seat, strain)])
                 : "null";
    }
    out += "]";
  }
  const BoardParTexts par = ParTextsOfBoard(entry, board);
  out += "],\"analysed\":";
  out += entry.doneMask[0] == kAllStrainsDone && entry.doneMask[1] == kAllStrainsDone ? "true"
                                                                                      : "false";
  out += ",\"par\":" +
         (par.known ? "{\"score\":" + Json(par.score) + ",\"contracts\":" + Json(par.contracts) +
                          ",\"fromFile\":" + (par.fromFile ? "true" : "false") + "}"
                    : std::string("null"));
  return out + "}";
}

Status SetFieldsOf(SetHeader& header, const char* event, const char* site, const char* club,
                   const char* description, const char* date) {
  const std::pair<const char*, const char*> fields[] = {
      {"event", event}, {"site", site}, {"club", club}, {"description", description}};
  std::string converted[4];
  for (size_t i = 0; i < std::size(fields); ++i) {
    Result<std::string> text = Utf8ToCp1252(fields[i].second);
    if (!text.ok()) return Status::Error(std::string(fields[i].first) + ": " + text.message());
    converted[i] = std::move(*text);
  }
  // No date is a set without one, as a PBN file's Date "?".
  const std::string dateText = date;
  const std::optional<DateTime> eventDate =
      dateText.empty() ? DateTime(0) : ParseDateTime(dateText);
  if (!eventDate || (!dateText.empty() && dateText.size() != 10)) {
    return Status::Error("the date is a date as YYYY-MM-DD, not \"" + dateText + "\"");
  }
  header.event = converted[0];
  header.site = converted[1];
  header.club = converted[2];
  header.description = converted[3];
  header.eventDate = *eventDate;
  header.banner = kProgramBanner;
  return Status();
}

// The reader's words; and, as the window says when it keeps such a file as
// it is, what the set cannot keep, since a PBN downloaded from the page over
// the director's file would drop it.
// The largest file the page hands in (it refuses larger ones before
// reading them), as the desktop's readers refuse larger files.
constexpr size_t kLargestInputFile = size_t(64) << 20;

// A file name from the browser (UTF-8) as the core's texts are, in
// Windows-1252; a character that has no place there becomes "?".
std::string FileNameText(const std::string& utf8) {
  if (Result<std::string> whole = Utf8ToCp1252(utf8); whole.ok()) return *whole;
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 1;
    const Result<std::string> one = Utf8ToCp1252(utf8.substr(i, length));
    out += one.ok() ? *one : "?";
    i += length;
  }
  return out;
}

std::string LoadAnswer(const Status& status, const LoadReport& report, std::string_view name) {
  std::string out = "{\"error\":" + (status.ok() ? std::string("null") : Json(status.message()));
  std::vector<std::string> warnings = report.warnings;
  if (status.ok() && !report.RewriteLosesNothing()) {
    std::string lost;
    for (const std::string& item : report.notKept) lost += (lost.empty() ? "" : "; ") + item;
    warnings.push_back(std::string(name) + " holds what a set of this program cannot keep (" +
                       lost +
                       "): a PBN set saved from here leaves that out, so keep the file as it is");
  }
  out += ",\"warnings\":" + JsonList(warnings);
  out += ",\"events\":" + JsonList(report.events);
  out += ",\"eventLoaded\":" + std::to_string(report.eventLoaded);
  return out + "}";
}

}  // namespace
}  // namespace tarrow

using namespace tarrow;

extern "C" {

// Deals the 36 boards of a seed; now is the local time, "YYYY-MM-DD HH:MM:SS",
// kept as the set's generation time.  "" or the reason nothing was dealt.
EMSCRIPTEN_KEEPALIVE const char* tw_deal(const char* seedUtf8, const char* now) {
  Result<std::string> seed = Utf8ToCp1252(seedUtf8);
  if (!seed.ok()) return Give("the seed: " + seed.message());
  if (const Status checked = CheckSeedText(*seed); !checked.ok()) return Give(checked.message());
  Session& s = TheSession();
  const SetHeader fields = s.set.header;
  GenerateSet(s.set, *seed, ParseDateTime(now).value_or(0));
  s.set.header.event = fields.event;
  s.set.header.site = fields.site;
  s.set.header.club = fields.club;
  s.set.header.description = fields.description;
  s.set.header.eventDate = fields.eventDate;
  s.set.header.banner = kProgramBanner;
  s.holdsSet = true;
  s.fileName.clear();
  return Give("");
}

// The event fields the files carry; date as YYYY-MM-DD.  "" or what is wrong.
EMSCRIPTEN_KEEPALIVE const char* tw_set_fields(const char* event, const char* site,
                                               const char* club, const char* description,
                                               const char* date) {
  SetHeader header = TheSession().set.header;
  if (const Status set = SetFieldsOf(header, event, site, club, description, date); !set.ok()) {
    return Give(set.message());
  }
  TheSession().set.header = header;
  return Give("");
}

// The set's header and which boards are present and analysed (and which
// strains of each are not), as JSON.
EMSCRIPTEN_KEEPALIVE const char* tw_set_json() {
  const Session& s = TheSession();
  const SetHeader& h = s.set.header;
  std::string out = "{\"holdsSet\":" + std::string(s.holdsSet ? "true" : "false");
  out += ",\"seed\":" + Json(h.seed.str()) + ",\"event\":" + Json(h.event.str());
  out += ",\"site\":" + Json(h.site.str()) + ",\"club\":" + Json(h.club.str());
  out += ",\"description\":" + Json(h.description.str());
  out += ",\"date\":" + Json(h.eventDate != 0 ? FormatDateTime(h.eventDate).substr(0, 10) : "");
  out += ",\"lastBoard\":" + std::to_string(LastPresentBoard(s.set));
  out += ",\"boards\":[";
  for (int board = 1; board <= kBoardsPerSet; ++board) {
    const BoardEntry& entry = s.set.Board(board);
    const char* state =
        !entry.number.valid                                                            ? "absent"
        : entry.doneMask[0] == kAllStrainsDone && entry.doneMask[1] == kAllStrainsDone ? "done"
                                                                                       : "open";
    // The strains a worker still has to solve (either side unknown).
    std::string todo;
    for (Strain strain : kStrains) {
      if (!entry.number.valid ||
          (entry.Analysed(kNorthSouth, strain) && entry.Analysed(kEastWest, strain))) {
        continue;
      }
      todo += (todo.empty() ? "" : ",") + std::to_string(strain);
    }
    out += (board == 1 ? "{\"number\":" : ",{\"number\":") + Json(DealNumberHexText(entry.number)) +
           ",\"state\":\"" + state + "\",\"todo\":[" + todo + "]}";
  }
  return Give(out + "]}");
}

// One board for the viewer, as JSON (hands clockwise from North, suits S H D C).
EMSCRIPTEN_KEEPALIVE const char* tw_board_json(int board) {
  if (board < 1 || board > kBoardsPerSet) return Give("null");
  return Give(BoardJson(board));
}

// Stores one strain of a board as a worker solved it: 4 tricks, declarer
// N E S W.  The board's par is its own once every strain is in.
EMSCRIPTEN_KEEPALIVE void tw_store_strain(int board, int strain, const uint8_t* tricks) {
  if (board < 1 || board > kBoardsPerSet || strain < 0 || strain >= int(kStrains.size())) return;
  BoardEntry& entry = TheSession().set.Board(board);
  for (Seat declarer : kSeats)
    entry.table[size_t(DDIndex(declarer, Strain(strain)))] = tricks[declarer];
  for (Side side : kSides) entry.doneMask[size_t(side)] |= StrainBit(Strain(strain));
  if (entry.doneMask[0] == kAllStrainsDone && entry.doneMask[1] == kAllStrainsDone)
    entry.filePar = FilePar();
}

// Writes one of the set's files into the output buffer and returns its
// length, or -1 with the reason in tw_error().  Kinds: pbn, pdf (hand
// records), html (hand records as a web page), setup (setup sheets, PDF),
// travelers (PDF), dup, bri, bre, ber; lastBoard for those that take it.
EMSCRIPTEN_KEEPALIVE int tw_write(const char* kind, int lastBoard) {
  if (!TheSession().holdsSet) {
    Answer() = "there is no set to write yet";
    return -1;
  }
  Result<std::string> bytes = OutputBytes(kind, lastBoard);
  if (!bytes.ok()) {
    Answer() = bytes.message();
    return -1;
  }
  return GiveBytes(*bytes);
}

EMSCRIPTEN_KEEPALIVE const uint8_t* tw_output_data() {
  return Output().data();
}

EMSCRIPTEN_KEEPALIVE const char* tw_error() {
  return Answer().c_str();
}

// A place in the instance's memory for size bytes the page hands in.
EMSCRIPTEN_KEEPALIVE uint8_t* tw_input_buffer(int size) {
  static std::vector<uint8_t> input;
  input.assign(size_t(size), 0);
  return input.data();
}

// Loads a set from the bytes of a file (.pbn, .dup, .bri, .bre, .ber) named as the
// director's file was, the bytes placed with tw_input_buffer; event chooses
// one of a PBN file's events by number or name ("" the first).  JSON: error
// (null when the set was taken), the warnings, worded as the command line
// words them, and a file's events when it holds several (events, the names
// in file order, and eventLoaded, from 1).  On an error the set in memory
// stays as it was.
EMSCRIPTEN_KEEPALIVE const char* tw_load(const char* name, const uint8_t* bytes, int size,
                                         const char* event) {
  const std::string fileName = FileNameText(std::filesystem::path(name).filename().string());
  const std::string_view text(reinterpret_cast<const char*>(bytes), size_t(size));
  const DealFileKind kind = DealExtensionKind(fileName);
  // The limits the file readers keep, in their words.
  const size_t largest = kind == DealFileKind::kPbn ? kLargestPbnFile : kLargestInputFile;
  LoadReport report;
  Result<DealSet> loaded = Status::Error("");
  if (text.size() > largest) {
    loaded = Status::Error("cannot read " + fileName + ": the file is larger than " +
                           std::to_string(largest >> 20) + " MiB");
  } else if (kind == DealFileKind::kPbn) {
    loaded = ParsePbnEvent(text, fileName, event, report);
  } else if (kind == DealFileKind::kUnknown) {
    loaded = Status::Error("cannot load " + fileName +
                           ": the extension is not .pbn, .bre, .ber, .bri or .dup");
  } else {
    using Parse = Result<ImportBuffer> (*)(std::string_view, LoadReport&, std::string_view);
    const Parse parse = kind == DealFileKind::kDup   ? Parse(&ParseDupText)
                        : kind == DealFileKind::kBri ? Parse(&ParseBriText)
                        : kind == DealFileKind::kBre ? Parse(&ParseBreText)
                                                     : Parse(&ParseBerText);
    if (Result<ImportBuffer> deals = parse(text, report, fileName); !deals.ok()) {
      loaded = deals.status();
    } else if (DealSet imported = DealSetFromImport(*deals); imported.PresentBoards() == 0) {
      loaded =
          Status::Error("cannot import " + fileName + ": it holds no deal this program can read");
    } else {
      loaded = std::move(imported);
    }
  }
  if (!loaded.ok()) return Give(LoadAnswer(loaded.status(), report, fileName));
  Session& s = TheSession();
  const SetHeader before = s.set.header;
  s.set = std::move(*loaded);
  s.set.RefreshDeals();
  // A dealing machine's file has no event date: the one the director has
  // stays.  A PBN file's Date "?" is a set without one, and stays so.
  SetHeader& header = s.set.header;
  if (kind != DealFileKind::kPbn && header.eventDate == 0) header.eventDate = before.eventDate;
  header.banner = kProgramBanner;
  s.holdsSet = true;
  s.fileName = fileName;
  return Give(LoadAnswer(Status(), report, fileName));
}

// Worker side: the tricks of one strain of a deal (given as
// DealNumberHexText) for every declarer, North's side first so that East's
// search reads the entries North's left on this worker's table: 4 bytes as
// tw_store_strain takes them, or null when the solver's table could not be
// had (the reason in tw_error()).
EMSCRIPTEN_KEEPALIVE const uint8_t* tw_solve_strain(const char* numberHex, int strain) {
  static std::unique_ptr<Solver> solver;
  static std::array<uint8_t, 4> tricks;
  static const std::atomic<bool> neverStop{false};
  if (!solver) {
    // A quarter of the desktop's table: eight workers ask a browser for
    // 256 MiB rather than 1 GiB, for about half a percent more searching.
    Result<std::unique_ptr<Solver>> made = Solver::Create(32);
    if (!made.ok()) {
      Answer() = made.message();
      return nullptr;
    }
    solver = std::move(*made);
  }
  const Result<DealNumber> number = ParseDealNumber(numberHex);
  if (!number.ok()) {
    Answer() = number.message();
    return nullptr;
  }
  if (strain < 0 || strain >= int(kStrains.size())) {
    Answer() = "no strain " + std::to_string(strain);
    return nullptr;
  }
  std::optional<SideTricks> north;
  for (Seat declarer : {kNorth, kEast}) {
    const SideTricks side =
        solver->SolveSide(*number, Strain(strain), declarer, neverStop, nullptr, north);
    tricks[declarer] = uint8_t(side.declarer);
    tricks[PartnerOf(declarer)] = uint8_t(side.partner);
    north = side;
  }
  return tricks.data();
}

}  // extern "C"

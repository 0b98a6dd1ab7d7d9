#include "files/deal_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/deal_number.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

std::vector<Deal> RandomDeals(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Deal> deals;
  for (int i = 0; i < count; ++i) {
    Deal deal;
    for (int c = 0; c < 52; ++c) deal.seatOf[size_t(c)] = Seat(c / 13);
    std::shuffle(deal.seatOf.begin(), deal.seatOf.end(), random);
    deal.valid = true;
    DeriveCounts(deal);
    deal.number = NumberFromDeal(deal);
    deals.push_back(deal);
  }
  return deals;
}

// Four 17-byte fields: suit byte, then the suit's rank letters.
std::string BreLine(const Deal& deal) {
  static constexpr char kSuitBytes[4] = {'\x06', '\x03', '\x04', '\x05'};
  std::string line;
  for (Seat seat : kSeats) {
    for (Suit suit : kSuits) {
      line += kSuitBytes[suit];
      line += HandSuitText(deal, seat, suit);
    }
  }
  return line;
}

std::string BerGroup(const Deal& deal) {
  std::string group;
  for (int c = 0; c < 52; ++c) group += char('1' + deal.seatOf[size_t(c)]);
  return group;
}

std::string BriDeal(const Deal& deal) {
  std::string text;
  for (Seat seat : {kNorth, kEast, kSouth}) {
    for (int c = 0; c < 52; ++c) {
      if (deal.seatOf[size_t(c)] != seat) continue;
      text += char('0' + (c + 1) / 10);
      text += char('0' + (c + 1) % 10);
    }
  }
  return text;
}

void ExpectDeals(const ImportBuffer& imported, const std::vector<Deal>& deals) {
  ASSERT_EQ(imported.count, int(deals.size()));
  for (size_t i = 0; i < deals.size(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_TRUE(imported.deals[i].valid);
    EXPECT_EQ(imported.deals[i].seatOf, deals[i].seatOf);
    EXPECT_EQ(imported.deals[i].number, deals[i].number);
  }
}

std::string BreText(const std::vector<Deal>& deals, const char* end = "\r\n") {
  std::string text;
  for (const Deal& deal : deals) text += BreLine(deal) + end;
  return text;
}
std::string BerText(const std::vector<Deal>& deals) {
  std::string line;
  for (const Deal& deal : deals) line += BerGroup(deal);
  return line + "\r\n";
}
std::string BriText(const std::vector<Deal>& deals) {
  std::string text;
  for (const Deal& deal : deals) text += BriDeal(deal) + "\r\n";
  return text;
}

// One reader by its format's name, for tables over all three.
Result<ImportBuffer> ParseAs(const std::string& format, std::string_view bytes,
                             LoadReport& report) {
  const std::string name = "deals." + format;
  if (format == "bre") return ParseBreText(bytes, report, name);
  if (format == "ber") return ParseBerText(bytes, report, name);
  return ParseBriText(bytes, report, name);
}

std::string TextAs(const std::string& format, const std::vector<Deal>& deals) {
  if (format == "bre") return BreText(deals);
  if (format == "ber") return BerText(deals);
  return BriText(deals);
}

TEST(BreTest, ReadsFromTheFirstSuitLineAndEmptyLinesAtTheEndAreNoBoards) {
  const std::vector<Deal> deals = RandomDeals(24, 1);
  const std::string text = "Dealing machine export\r\n\r\n" + BreText(deals) + "\r\n  \r\n";
  LoadReport report;
  const Result<ImportBuffer> imported = ParseBreText(text, report, "club.bre");
  ASSERT_TRUE(imported.ok()) << imported.message();
  ExpectDeals(*imported, deals);
  EXPECT_EQ(report.warnings, std::vector<std::string>{"club.bre: 24 of 36 boards"});
  // Bytes after the four hands are not read.
  const Result<ImportBuffer> trailing = ParseBreText(BreLine(deals[0]) + " 1\r\n");
  ASSERT_TRUE(trailing.ok()) << trailing.message();
  ExpectDeals(*trailing, {deals[0]});
}

TEST(BreTest, ADealThatDoesNotReadRefusesTheFileNamingItsLine) {
  const std::vector<Deal> deals = RandomDeals(3, 2);
  std::string lower = BreLine(deals[1]);
  lower[lower.find_first_of("AKQJT98765432", 1)] = 'x';
  std::string twice = BreLine(deals[1]);
  const size_t secondField = twice.find_first_of("AKQJT98765432", 17);
  std::string moved = twice;  // a card of East's given to North as well
  moved[1] = twice[secondField];
  struct Row {
    const char* name;
    std::string line;
    std::string message;  // after "club.bre line 3: "
  };
  const Row rows[] = {
      {"a byte that is no rank", lower,
       "byte " + std::to_string(lower.find('x') + 1) +
           " of the line, 'x', is neither a suit mark nor a rank "
           "letter AKQJT98765432"},
      {"one byte short", BreLine(deals[1]).substr(0, 67),
       "deal 2 is 67 bytes long, not the 68 of four hands"},
      {"a card twice", moved, "deal 2: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string text =
        "header\r\n" + BreLine(deals[0]) + "\r\n" + row.line + "\r\n" + BreLine(deals[2]) + "\r\n";
    LoadReport report;
    const Result<ImportBuffer> imported = ParseBreText(text, report, "club.bre");
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.message().rfind("club.bre line 3: " + row.message, 0), 0u)
        << imported.message();
    EXPECT_TRUE(report.warnings.empty());
  }
}

TEST(BreTest, AnEmptyLineBetweenDealsOrNoStartLineIsAnError) {
  const std::vector<Deal> deals = RandomDeals(2, 3);
  LoadReport report;
  const Result<ImportBuffer> gap =
      ParseBreText(BreLine(deals[0]) + "\r\n\r\n" + BreLine(deals[1]) + "\r\n", report, "club.bre");
  ASSERT_FALSE(gap.ok());
  EXPECT_EQ(gap.message(), "club.bre line 2: an empty line between deals");
  for (const std::string& text :
       {std::string("no deals here\n\n") + BreLine(deals[0]).substr(1), std::string()}) {
    const Result<ImportBuffer> none = ParseBreText(text, report, "club.bre");
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.message(),
              "club.bre: no line starts with the spade mark (the byte 06), so it holds no deal");
  }
}

TEST(BerTest, ReadsTheWholeFileInGroupsOfFiftyTwoWhereverTheLinesBreak) {
  const std::vector<Deal> deals = RandomDeals(25, 4);
  const std::string digits = BerText(deals).substr(0, 52 * 25);
  // A line per deal, a line end in the middle of a deal, old Mac line ends.
  std::string perDeal, split = digits, mac;
  for (size_t at = 0; at < digits.size(); at += 52) perDeal += digits.substr(at, 52) + "\r\n";
  split.insert(52 * 12 + 26, "\r\n");
  for (size_t at = 0; at < digits.size(); at += 100) mac += digits.substr(at, 100) + "\r";
  for (const std::string& text : {perDeal, split, mac, digits + "\r\n\r\n"}) {
    LoadReport report;
    const Result<ImportBuffer> imported = ParseBerText(text, report, "club.ber");
    ASSERT_TRUE(imported.ok()) << imported.message();
    ExpectDeals(*imported, deals);
    EXPECT_EQ(report.warnings, std::vector<std::string>{"club.ber: 25 of 36 boards"});
  }
  // Junk or a second set after the first line is no longer passed over.
  LoadReport report;
  const Result<ImportBuffer> junk = ParseBerText(digits + "\r\n" + "extra\r\n", report, "club.ber");
  ASSERT_FALSE(junk.ok());
  EXPECT_EQ(junk.message(), "club.ber byte offset " + std::to_string(digits.size() + 2) +
                                ": 'e' is not a seat 1..4; a .ber file holds only seat digits " +
                                "and line ends");
  const Result<ImportBuffer> half =
      ParseBerText(digits + "\r\n" + digits.substr(0, 30), report, "club.ber");
  ASSERT_FALSE(half.ok());
  EXPECT_EQ(half.message(), "club.ber byte offset " + std::to_string(digits.size() + 2) +
                                ": the last 30 seat digits make no whole deal of 52");
}

TEST(BerTest, AnythingButSeatDigitsOrWholeDealsRefusesTheFile) {
  const std::vector<Deal> deals = RandomDeals(3, 5);
  std::string five = BerText(deals);
  five[52 + 7] = '5';
  std::string uneven = BerText(deals);
  uneven[104 + uneven.substr(104).find('1')] = '2';  // East 14 cards, North 12
  struct Row {
    const char* name;
    std::string text;
    const char* message;
  };
  const Row rows[] = {
      {"a 5", five,
       "club.ber byte offset 59: '5' is not a seat 1..4; a .ber file holds only seat digits and "
       "line ends"},
      {"a blank inside", BerText(deals).insert(60, " "),
       "club.ber byte offset 60: ' ' is not a seat 1..4; a .ber file holds only seat digits and "
       "line ends"},
      {"14 cards", uneven, "club.ber byte offset 104: deal 3: North holds 12 cards, not 13"},
      {"a part deal", BerText(deals).substr(0, 52 * 3 - 1),
       "club.ber byte offset 104: the last 51 seat digits make no whole deal of 52"},
      {"empty", "\r\n", "club.ber holds no deal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadReport report;
    const Result<ImportBuffer> imported = ParseBerText(row.text, report, "club.ber");
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.message(), row.message);
  }
}

TEST(BriTest, ReadsTwoDigitNumbersAndGivesWestTheRest) {
  const std::vector<Deal> deals = RandomDeals(24, 6);
  std::string text;
  for (const Deal& deal : deals) text += BriDeal(deal);
  ASSERT_EQ(text.size(), 78u * 24);
  // Line breaks anywhere, pairs of blanks and blanks at both ends do not count.
  std::string wrapped = "  ";
  for (size_t i = 0; i < text.size(); i += 100) wrapped += text.substr(i, 100) + "  \r\n";
  wrapped += "   ";
  LoadReport report;
  const Result<ImportBuffer> imported = ParseBriText(wrapped, report, "club.bri");
  ASSERT_TRUE(imported.ok()) << imported.message();
  ExpectDeals(*imported, deals);
}

TEST(BriTest, ANonDigitOrABadNumberRefusesTheFileNamingTheOffset) {
  const std::vector<Deal> deals = RandomDeals(36, 8);
  const std::string good = BriText(deals);  // 80 bytes a deal with CR LF
  const auto with = [&](size_t at, const std::string& part) {
    std::string text = good;
    text.replace(at, part.size(), part);
    return text;
  };
  std::string twice = good;
  twice.replace(80 + 2, 2, twice.substr(80, 2));
  struct Row {
    const char* name;
    std::string text;
    const char* message;
  };
  const Row rows[] = {
      // Read leniently, "XX" would shift every later number by one card.
      {"a non-digit pair", with(800 + 40, "XX"),
       "club.bri byte offset 840: 'X' is not a digit; a .bri file holds only two-digit card "
       "numbers"},
      {"a control byte", with(5, std::string(1, '\x01')),
       "club.bri byte offset 5: the byte 01 (hexadecimal) is not a digit; a .bri file holds only "
       "two-digit card numbers"},
      {"a card twice", twice, "club.bri byte offset 80: deal 2: "},
      {"53", with(80 + 4, "53"), "club.bri byte offset 84: deal 2: 53 is no card number 01..52"},
      {"00", with(80 + 6, "00"), "club.bri byte offset 86: deal 2: 00 is no card number 01..52"},
      {"a split number", with(80 + 9, " "),
       "club.bri byte offset 88: a blank splits a card number; a .bri file holds two-digit "
       "numbers"},
      {"cut short", good.substr(0, 80 + 76),
       "club.bri byte offset 156: deal 2 is cut short by the end of the file"},
      {"an odd digit at the end", good.substr(0, 80) + "0",
       "club.bri byte offset 80: a card number is cut short by the end of the file"},
      {"only blanks", "   \r\n", "club.bri holds no deal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadReport report;
    const Result<ImportBuffer> imported = ParseBriText(row.text, report, "club.bri");
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.message().rfind(row.message, 0), 0u) << imported.message();
  }
  LoadReport report;
  const Result<ImportBuffer> named = ParseBriText(twice, report, "club.bri");
  ASSERT_FALSE(named.ok());
  EXPECT_NE(named.message().find("is given twice"), std::string::npos) << named.message();
}

TEST(BriTest, ReadsTheRecordsOfDealingProgramsPaddedWithBlanksAndZeroBytes) {
  const std::vector<Deal> deals = RandomDeals(24, 12);
  // 128 bytes a board: the 78 digits, 32 blanks, 18 zero bytes.
  std::string records;
  for (const Deal& deal : deals) {
    records += BriDeal(deal) + std::string(32, ' ') + std::string(18, '\0');
  }
  LoadReport report;
  const Result<ImportBuffer> imported = ParseBriText(records, report, "club.bri");
  ASSERT_TRUE(imported.ok()) << imported.message();
  ExpectDeals(*imported, deals);
  // Odd padding between deals is padding too; anything else is still named.
  const Result<ImportBuffer> odd =
      ParseBriText(BriDeal(deals[0]) + std::string(3, '\0') + BriDeal(deals[1]) + " \r\n");
  ASSERT_TRUE(odd.ok()) << odd.message();
  ExpectDeals(*odd, {deals[0], deals[1]});
  std::string bad = records;
  bad[128 + 100] = '\xFF';
  const Result<ImportBuffer> refused = ParseBriText(bad, report, "club.bri");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.message(),
            "club.bri byte offset 228: the byte FF (hexadecimal) is not a digit; a .bri file holds "
            "only two-digit card numbers (blanks and zero bytes may pad them)");
}

// A .dup record: the .bri digits, the .bre hands, the run data.
std::string DupRecord(const Deal& deal, const std::string& runData) {
  return BriDeal(deal) + BreLine(deal) + runData;
}

TEST(DupTest, ReadsRecordsNumberedByTheRunData) {
  const std::vector<Deal> deals = RandomDeals(24, 14);
  std::string text, withLineEnds;
  for (const Deal& deal : deals) {
    text += DupRecord(deal, "YN1  1 24 ");
    withLineEnds += DupRecord(deal, "YN1  1 24 ") + "\r\n";
  }
  for (const std::string& bytes : {text, withLineEnds, text + "\x1A"}) {
    LoadReport report;
    const Result<ImportBuffer> imported = ParseDupText(bytes, report, "club.dup");
    ASSERT_TRUE(imported.ok()) << imported.message();
    ExpectDeals(*imported, deals);
    EXPECT_EQ(imported->firstBoard, 1);
    EXPECT_EQ(report.warnings, std::vector<std::string>{"club.dup: 24 of 36 boards (1-24)"});
  }
  // Boards 13-24 are boards 13-24 of the set, with their dealers and
  // vulnerabilities.
  std::string later;
  for (size_t i = 0; i < 12; ++i) later += DupRecord(deals[i], "YN13 1 24 ");
  LoadReport report;
  const Result<ImportBuffer> imported = ParseDupText(later, report, "club.dup");
  ASSERT_TRUE(imported.ok()) << imported.message();
  EXPECT_EQ(imported->firstBoard, 13);
  const DealSet set = DealSetFromImport(*imported);
  EXPECT_FALSE(set.Board(12).number.valid);
  EXPECT_EQ(set.Board(13).number, deals[0].number);
  EXPECT_EQ(set.Board(24).number, deals[11].number);
  EXPECT_EQ(set.PresentBoards(), 12);
  // More records than the run data's boards: the rest is ignored and said.
  LoadReport extra;
  const Result<ImportBuffer> part = ParseDupText(
      DupRecord(deals[0], "YN1  1 1  ") + DupRecord(deals[1], "YN1  1 1  "), extra, "club.dup");
  ASSERT_TRUE(part.ok()) << part.message();
  EXPECT_EQ(part->count, 1);
  EXPECT_EQ(extra.notKept, std::vector<std::string>{"1 deals past the run data's boards 1-1"});
}

TEST(DupTest, AFaultIsNamedByItsOffsetAndBoard) {
  const std::vector<Deal> deals = RandomDeals(3, 15);
  const auto file = [&](const std::string& runData) {
    std::string text;
    for (const Deal& deal : deals) text += DupRecord(deal, runData);
    return text;
  };
  const std::string good = file("YN1  1 3  ");
  const auto with = [&](size_t at, const std::string& part) {
    std::string text = good;
    text.replace(at, part.size(), part);
    return text;
  };
  // Board 2's hands taken from board 3: the two halves disagree.
  std::string mixed = good;
  mixed.replace(156 + 78, 68, BreLine(deals[2]));
  struct Row {
    const char* name;
    std::string text;
    std::string message;
  };
  const Row rows[] = {
      {"the halves disagree", mixed,
       "club.dup byte offset 234: board 2: the hands after the card numbers give another deal "
       "than the card numbers do"},
      {"a letter in the digits", with(156 + 10, "x"),
       "club.dup byte offset 166: board 2: 'x' is not a digit; the first 78 bytes of a record "
       "are card numbers"},
      {"a bad hand byte", with(312 + 78 + 3, "x"),
       "club.dup byte offset 393: board 3: in the hands after the card numbers, 'x', is neither a "
       "suit mark nor a rank letter AKQJT98765432"},
      {"a short record", good.substr(0, 156 * 2 + 100),
       "club.dup byte offset 312: the last record is 100 bytes long, not the 156 of a .dup board"},
      {"bad run data", file("YNab 1 3  "),
       "club.dup byte offset 148: the run data's lowest board \"ab \" is no number 1..999"},
      {"too few records", file("YN1  1 4  "),
       "club.dup: its run data gives boards 1 to 4, but it holds only 3 deals"},
      {"boards past 36", file("YN37 1 39 "),
       "club.dup: its run data numbers the boards 37 to 39, and a set holds boards 1 to 36"},
      {"empty", "\r\n", "club.dup holds no deal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadReport report;
    const Result<ImportBuffer> imported = ParseDupText(row.text, report, "club.dup");
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.message(), row.message);
    EXPECT_TRUE(report.warnings.empty());
  }
}

TEST(DealFilesTest, TakeThirtySixDealsAndSayHowManyMoreOrFewer) {
  const std::vector<Deal> deals = RandomDeals(108, 9);
  for (const std::string format : {"bre", "ber", "bri"}) {
    SCOPED_TRACE(format);
    LoadReport report;
    const Result<ImportBuffer> many = ParseAs(format, TextAs(format, deals), report);
    ASSERT_TRUE(many.ok()) << many.message();
    ExpectDeals(*many, std::vector<Deal>(deals.begin(), deals.begin() + 36));
    EXPECT_EQ(report.warnings,
              std::vector<std::string>{"deals." + format + ": 72 deals past the 36th ignored"});
    EXPECT_EQ(report.notKept, std::vector<std::string>{"72 deals past the 36th"});

    LoadReport exact;
    const Result<ImportBuffer> set = ParseAs(
        format, TextAs(format, std::vector<Deal>(deals.begin(), deals.begin() + 36)), exact);
    ASSERT_TRUE(set.ok()) << set.message();
    EXPECT_TRUE(exact.warnings.empty() && exact.notKept.empty());
  }
}

TEST(DealFilesTest, ReadOldMacLineEndsAndADosEndMark) {
  const std::vector<Deal> deals = RandomDeals(3, 12);
  for (const std::string format : {"bre", "ber", "bri"}) {
    SCOPED_TRACE(format);
    std::string text = TextAs(format, deals);
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    text += '\x1A';
    LoadReport report;
    const Result<ImportBuffer> imported = ParseAs(format, text, report);
    ASSERT_TRUE(imported.ok()) << imported.message();
    ExpectDeals(*imported, deals);
  }
}

TEST(DealExtensionKindTest, KnowsTheFourExtensionsInAnyCase) {
  struct Row {
    const char* path;
    DealFileKind kind;
  };
  using enum DealFileKind;
  const Row rows[] = {{"a/set.pbn", kPbn}, {"SET.PBN", kPbn}, {"x.Ber", kBer},
                      {"m.DUP", kDup},     {"x.bri", kBri},   {"x.BRE", kBre},
                      {"x.txt", kUnknown}, {"pbn", kUnknown}, {"x.pbn.bak", kUnknown}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(DealExtensionKind(row.path), row.kind);
  }
}

TEST(DealSetFromImportTest, MakesAnUnsavedSetOfTheImportedBoards) {
  const std::vector<Deal> deals = RandomDeals(3, 10);
  ImportBuffer imported;
  imported.deals[0] = deals[0];
  imported.deals[2] = deals[2];  // board 2 holds no deal
  imported.count = 3;
  const DealSet set = DealSetFromImport(imported);
  EXPECT_EQ(set.PresentBoards(), 2);
  EXPECT_EQ(set.Board(1).number, deals[0].number);
  EXPECT_FALSE(set.Board(2).number.valid);
  EXPECT_EQ(set.DealOf(3).seatOf, deals[2].seatOf);
  EXPECT_EQ(set.DealOf(3).points[kNorth], deals[2].points[kNorth]);
  EXPECT_EQ(set.header.seed.str(), "None");
  EXPECT_EQ(set.setDigest, SetDigest{});
  EXPECT_TRUE(SetChangedSinceSave(set));
}

class DealFileTest : public testing::TempFolderTest {};

TEST_F(DealFileTest, ReadsFilesAndNamesOneThatCannotBeRead) {
  const std::vector<Deal> deals = RandomDeals(2, 11);
  const std::filesystem::path file = folder_ / "set.ber";
  { std::ofstream(file) << BerGroup(deals[0]) << BerGroup(deals[1]) << "\n"; }
  LoadReport report;
  const Result<ImportBuffer> imported = ReadBerFile(file, report);
  ASSERT_TRUE(imported.ok()) << imported.message();
  ExpectDeals(*imported, deals);
  EXPECT_EQ(report.warnings, std::vector<std::string>{file.string() + ": 2 of 36 boards"});
  // The file's path names a fault inside it.
  const std::string group = BerGroup(deals[0]);
  { std::ofstream(file) << (group[0] == '3' ? '4' : '3') << group.substr(1) << "\n"; }
  const Result<ImportBuffer> bad = ReadBerFile(file);
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.message().rfind(file.string() + " byte offset 0: deal 1: ", 0), 0u)
      << bad.message();
  using Reader = Result<ImportBuffer> (*)(const std::filesystem::path&, LoadReport&);
  for (const Reader reader : {Reader(ReadBreFile), Reader(ReadBerFile), Reader(ReadBriFile)}) {
    const Result<ImportBuffer> missing = reader(folder_ / "missing.bre", report);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.message().find("missing.bre"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarrow

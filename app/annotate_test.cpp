#include "app/annotate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/annotate_corpus_for_test.h"
#include "core/atomic_file.h"
#include "core/banner.h"
#include "core/deal_number.h"
#include "core/generation.h"
#include "core/pbn_deal.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"
#include "files/pbn_game_scanner.h"
#include "files/pbn_writer.h"
#include "scoring/par.h"
#ifdef TARROW_ANNOTATE_PEER
#include "analysis/solver_peer_for_test.h"
#endif

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// A results file as a scoring program leaves it, with what such files
// carry: two events, a board played at two tables (the deal solved once),
// "#" for repeated values, auctions and play, notes, commentary of both
// kinds (one holding an empty line), CR LF and LF lines, Windows-1252 and
// UTF-8 names, a game without a deal and text after the last game without a
// final line end.
const std::string kResultsFile =
    "% PBN 2.1\r\n"
    "% EXPORT\r\n"
    "%Content-type: text/x-pbn; charset=ISO-8859-1\r\n"
    "\r\n"
    "[Event \"Monday Pairs\"]\r\n"
    "[Site \"Caf\xE9 du Bridge\"]\r\n"
    "[Date \"2026.12.07\"]\r\n"
    "[Board \"1\"]\r\n"
    "[West \"Ren\xE9\"]\r\n"
    "[Dealer \"N\"]\r\n"
    "[Vulnerable \"None\"]\r\n"
    "[Deal \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83\"]\r\n"
    "[Declarer \"N\"]\r\n"
    "[Contract \"4H\"]\r\n"
    "[Result \"10\"]\r\n"
    "[Auction \"N\"]\r\n"
    "1H 2D 2NT =1= Pass\r\n"
    "4H Pass Pass Pass\r\n"
    "[Note \"1:Jacoby\"]\r\n"
    "[Play \"E\"]\r\n"
    "DA D5 D7 D3\r\n"
    "*\r\n"
    "{The lead of the ace\r\n"
    "\r\n"
    "was not the best.}\r\n"
    "\r\n"
    "[Event \"#\"]\r\n"
    "[Site \"#\"]\r\n"
    "[Date \"#\"]\r\n"
    "[Board \"1\"]\r\n"
    "[West \"Zo\xC3\xAB\"]\r\n"
    "[Dealer \"#\"]\r\n"
    "[Vulnerable \"#\"]\r\n"
    "[Deal \"N:KQ.KJ765.T5.KQ76 T865.2.AKJ642.95 J97.A83.Q97.AJ42 A432.QT94.83.T83\"]\r\n"
    "[Contract \"3NT\"] ; went down\r\n"
    "[Result \"8\"]\r\n"
    "\r\n"
    "[Event \"Tuesday Teams\"]\n"
    "[Board \"2\"]\n"
    "[Dealer \"E\"]\n"
    "[Vulnerable \"NS\"]\n"
    "[Deal \"E:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432\"]\n"
    "\n"
    "[Event \"#\"]\n"
    "[Board \"3\"]\n"
    "[Dealer \"S\"]\n"
    "[Vulnerable \"EW\"]\n"
    "[Deal \"S:AK.QJT9.876.5432 QJ.AK87.5432.T98 T98.65.AKQJ.AKQJ 765432.432.T9.76\"]\n"
    "[Result \"\"]\n"
    "\n"
    "[Event \"#\"]\n"
    "[Board \"4\"]\n"
    "[Contract \"Pass\"]\n"
    "\n"
    "trailing words without a line end";

// The lines of a text, each with its line end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

bool IsAddedLine(const std::string& line) {
  for (const char* tag :
       {"[DoubleDummyTricks \"", "[OptimumScore \"", "[ParContract \"", "[OptimumResultTable \""}) {
    if (line.rfind(tag, 0) == 0) return true;
  }
  // A table row: "N NT 13".
  std::istringstream words(line);
  std::string seat, strain, tricks, more;
  return (words >> seat >> strain >> tricks) && !(words >> more) && seat.size() == 1 &&
         std::string("NESW").find(seat) != std::string::npos &&
         std::set<std::string>{"NT", "S", "H", "D", "C"}.count(strain) > 0;
}

// The output with the lines annotate adds taken out.
std::string WithoutAddedLines(const std::string& output) {
  std::string kept;
  for (const std::string& line : Lines(output)) {
    if (!IsAddedLine(line)) kept += line;
  }
  return kept;
}

std::string Read(const fs::path& path) {
  const Result<std::string> text = ReadWholeFile(path);
  return text.ok() ? *text : "(unreadable: " + text.message() + ")";
}

void Write(const fs::path& path, const std::string& bytes) {
  ASSERT_TRUE(testing::WriteTestFile(path, bytes).ok());
}

struct AnnotatedGame {
  std::string deal;
  std::string dealer, vulnerable;
  std::map<std::string, std::string> tags;  // DoubleDummyTricks, OptimumScore, ParContract
  std::vector<std::string> rows;
};

// The games of an annotated text that carry a DoubleDummyTricks tag.
std::vector<AnnotatedGame> AnnotatedGames(const std::string& text) {
  std::istringstream in(text);
  PbnGameScanner scanner(in);
  std::vector<AnnotatedGame> games;
  for (PbnGame game; scanner.Next(game);) {
    if (game.Find("DoubleDummyTricks") == nullptr) continue;
    AnnotatedGame annotated;
    annotated.deal = game.Find("Deal")->value;
    for (const char* name : {"DoubleDummyTricks", "OptimumScore", "ParContract"}) {
      if (const PbnTag* tag = game.Find(name)) annotated.tags[name] = tag->value;
    }
    if (const PbnTag* table = game.Find("OptimumResultTable")) {
      for (int line = table->line + 1; line < int(game.lines.size()) && line <= table->line + 20;
           ++line) {
        annotated.rows.emplace_back(game.Line(line));
      }
    }
    games.push_back(annotated);
  }
  return games;
}

class AnnotateTest : public tarrow::testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    BuildNumberingTables();
  }

  AnnotateVerdict Run(AnnotateRequest request, AnnotateHooks hooks = {}) {
    warnings_.clear();
    hooks.warning = [this](const std::string& message) { warnings_.push_back(message); };
    return Annotate(request, hooks);
  }

  AnnotateRequest Request(const fs::path& input, int threads = 2) {
    AnnotateRequest request;
    request.input = input;
    request.threads = threads;
    return request;
  }

  std::vector<std::string> warnings_;
};

TEST_F(AnnotateTest, AResultsFileKeepsEveryByteAndGetsTablesAndParOnce) {
  const fs::path input = folder_ / "results.pbn";
  Write(input, kResultsFile);
  const AnnotateVerdict verdict = Run(Request(input));
  ASSERT_TRUE(verdict.ok()) << verdict.status.message();
  EXPECT_EQ(verdict.output, folder_ / "results.dd.pbn");
  EXPECT_EQ(verdict.games, 6);  // the piece after the last game counts as one
  EXPECT_EQ(verdict.annotated, 4);
  EXPECT_EQ(verdict.dealsSolved, 3) << "board 1, played twice, is solved once";
  EXPECT_EQ(verdict.badGames, 0);
  EXPECT_TRUE(warnings_.empty());
  EXPECT_EQ(Read(input), kResultsFile) << "the input is never touched";

  const std::string output = Read(verdict.output);
  EXPECT_EQ(WithoutAddedLines(output), kResultsFile);
  // Right after the Deal line, with its line end; rows as a saved set has them.
  EXPECT_NE(output.find("A432.QT94.83.T83\"]\r\n[DoubleDummyTricks \""), std::string::npos);
  EXPECT_NE(output.find("2.5432.5432.5432\"]\n[DoubleDummyTricks \""), std::string::npos);
  EXPECT_NE(output.find("[ParContract \"EW 7NT\"]\n"
                        "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]\nN C "),
            std::string::npos);
  // Board 2: East holds every top card and North-South are vulnerable.
  EXPECT_NE(output.find("[OptimumScore \"NS -1520\"]\n"), std::string::npos);

  const std::vector<AnnotatedGame> games = AnnotatedGames(output);
  ASSERT_EQ(games.size(), 4u);
  EXPECT_EQ(games[0].tags, games[1].tags) << "the same deal, dealer and vulnerability ('#')";
  for (const AnnotatedGame& game : games) {
    SCOPED_TRACE(game.deal);
    const Result<Deal> deal = ParsePbnDeal(game.deal);
    ASSERT_TRUE(deal.ok());
    const std::optional<DDTable> table = ParseDoubleDummyTricks(game.tags.at("DoubleDummyTricks"));
    ASSERT_TRUE(table.has_value());
    ASSERT_EQ(game.rows.size(), 20u);
    // The rows say what the hex digits say.
    for (const std::string& row : game.rows) {
      std::istringstream words(row);
      std::string seat, strain;
      int tricks = -1;
      words >> seat >> strain >> tricks;
      const Seat declarer = Seat(std::string("NESW").find(seat));
      const Strain denomination = Strain(
          std::find(kStrainLabels.begin(), kStrainLabels.end(), strain) - kStrainLabels.begin());
      EXPECT_EQ(tricks, (*table)[size_t(DDIndex(declarer, denomination))]) << row;
    }
#ifdef TARROW_ANNOTATE_PEER
    const Result<DDTable> peer = tarrow::testing::PeerDDTable(*deal);
    ASSERT_TRUE(peer.ok()) << peer.message();
    EXPECT_EQ(*table, *peer);
#endif
  }
}

TEST_F(AnnotateTest, DealersOutputKeepsEveryByte) {
  // Debian's dealer, as a teacher makes a corpus: one game a deal, LF lines.
  const fs::path script = folder_ / "script.dl";
  Write(script, "generate 200\nproduce 6\naction printpbn\n");
  const std::string command = "/usr/games/dealer -s 11 " + script.string();
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string dealt;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) dealt.append(buffer, n);
  ASSERT_EQ(::pclose(pipe), 0) << "dealer (Debian package dealer) must be installed";
  ASSERT_NE(dealt.find("[Deal \""), std::string::npos);

  const fs::path input = folder_ / "dealt.pbn";
  Write(input, dealt);
  AnnotateRequest request = Request(input);
  request.output = folder_ / "out.pbn";
  const AnnotateVerdict verdict = Run(request);
  ASSERT_TRUE(verdict.ok()) << verdict.status.message();
  EXPECT_EQ(verdict.annotated, 6);
  const std::string output = Read(request.output);
  EXPECT_EQ(WithoutAddedLines(output), dealt);
  for (const AnnotatedGame& game : AnnotatedGames(output)) {
    const Result<Deal> deal = ParsePbnDeal(game.deal);
    ASSERT_TRUE(deal.ok());
#ifdef TARROW_ANNOTATE_PEER
    EXPECT_EQ(ParseDoubleDummyTricks(game.tags.at("DoubleDummyTricks")),
              tarrow::testing::PeerDDTable(*deal).ok()
                  ? std::optional<DDTable>(*tarrow::testing::PeerDDTable(*deal))
                  : std::nullopt);
#endif
  }
}

TEST_F(AnnotateTest, AgreeingTagsStayAsTheyAreAndDisagreeingOnesAreReplacedWithAWarning) {
  const fs::path input = folder_ / "results.pbn";
  Write(input, kResultsFile);
  const AnnotateVerdict first = Run(Request(input));
  ASSERT_TRUE(first.ok());
  std::string annotated = Read(first.output);

  // Board 1's first game: the hex digits in capitals (they agree); board 3:
  // one row wrong and a par of another convention (they disagree).
  std::string edited = annotated;
  const size_t hex = edited.find("[DoubleDummyTricks \"") + 20;
  for (size_t i = hex; i < hex + 20; ++i) edited[i] = char(std::toupper(edited[i]));
  const size_t board3 = edited.find("[Board \"3\"]");
  const size_t row = edited.find("\nW NT ", board3) + 1;
  const size_t rowEnd = edited.find('\n', row);
  const std::string wrongRow = "W NT 13";
  edited.replace(row, rowEnd - row, wrongRow);
  const size_t score = edited.find("[OptimumScore \"", board3);
  const size_t scoreEnd = edited.find('\n', score);
  edited.replace(score, scoreEnd - score, "[OptimumScore \"EW 9990\"]");
  const fs::path again = folder_ / "again.pbn";
  Write(again, edited);

  AnnotateRequest request = Request(again);
  request.output = folder_ / "again.out.pbn";
  const AnnotateVerdict verdict = Run(request);
  ASSERT_TRUE(verdict.ok()) << verdict.status.message();
  EXPECT_EQ(verdict.replaced, 2);
  const std::string output = Read(request.output);
  // Only the two disagreeing tags changed: the table back to what it was,
  // the capitals left alone.
  std::string expected = annotated;
  for (size_t i = hex; i < hex + 20; ++i) expected[i] = char(std::toupper(expected[i]));
  EXPECT_EQ(output, expected);
  ASSERT_EQ(warnings_.size(), 2u);
  // The lines of the two tags in the edited file.
  const auto lineOf = [&](size_t offset) {
    return std::to_string(
        std::count(edited.begin(), edited.begin() + std::ptrdiff_t(offset), '\n') + 1);
  };
  EXPECT_NE(warnings_[0].find("again.pbn line " + lineOf(score) + ": the OptimumScore tag differs"),
            std::string::npos)
      << warnings_[0];
  EXPECT_NE(warnings_[1].find("line " + lineOf(edited.rfind("[OptimumResultTable", row)) +
                              ": the OptimumResultTable tag differs"),
            std::string::npos)
      << warnings_[1];
}

TEST_F(AnnotateTest, OnlyTheChosenTagsAreWritten) {
  const fs::path input = folder_ / "results.pbn";
  Write(input, kResultsFile);
  AnnotateRequest request = Request(input, 1);
  const Result<unsigned> tags = ParseAnnotateTags("doubledummytricks, ParContract");
  ASSERT_TRUE(tags.ok());
  request.tags = *tags;
  const AnnotateVerdict verdict = Run(request);
  ASSERT_TRUE(verdict.ok());
  const std::string output = Read(verdict.output);
  EXPECT_EQ(WithoutAddedLines(output), kResultsFile);
  EXPECT_NE(output.find("[ParContract \""), std::string::npos);
  EXPECT_EQ(output.find("[OptimumScore \""), std::string::npos);
  EXPECT_EQ(output.find("[OptimumResultTable \""), std::string::npos);
  EXPECT_FALSE(ParseAnnotateTags("DoubleDummyTricks,Contract").ok());
}

TEST_F(AnnotateTest, AGameWhoseDealDoesNotReadIsNamedAndKept) {
  std::string text = kResultsFile;
  const std::string twelveCards = "N:KQ.KJ765.T5.KQ7 T865.2.AKJ642.95";
  const size_t board3 = text.find("[Deal \"S:") + 7;
  text.replace(board3, text.find('"', board3) - board3, twelveCards);
  const fs::path input = folder_ / "bad.pbn";
  Write(input, text);
  const AnnotateVerdict verdict = Run(Request(input));
  ASSERT_TRUE(verdict.ok()) << verdict.status.message();
  EXPECT_EQ(verdict.badGames, 1);
  EXPECT_EQ(verdict.annotated, 3);
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_NE(warnings_[0].find("bad.pbn line 48: the deal does not read ("), std::string::npos)
      << warnings_[0];
  EXPECT_EQ(WithoutAddedLines(Read(verdict.output)), text);
}

// A corpus big enough that a stop comes half way.
std::string Corpus() {
  return tarrow::testing::ResultsCorpus("annotate stop", 8, 2, "\n");
}

TEST_F(AnnotateTest, StoppedHalfWayItSavesAValidFileAndTheNextRunGoesOn) {
  const fs::path input = folder_ / "corpus.pbn";
  const std::string corpus = Corpus();
  Write(input, corpus);
  AnnotateRequest whole = Request(input);
  whole.output = folder_ / "whole.pbn";
  const AnnotateVerdict uninterrupted = Run(whole);
  ASSERT_TRUE(uninterrupted.ok());
  ASSERT_EQ(uninterrupted.dealsSolved, 8);

  for (const bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "in place" : "beside");
    const fs::path source = folder_ / (inPlace ? "inplace.pbn" : "corpus.pbn");
    Write(source, corpus);
    std::atomic<bool> stop{false};
    // One solver, so that the deals done before the stop are the first ones.
    AnnotateRequest request = Request(source, 1);
    request.inPlace = inPlace;
    request.stop = &stop;
    AnnotateHooks hooks;
    hooks.progress = [&](const AnnotateProgress& now) {
      if (now.dealsSolved >= 3) stop = true;
    };
    const AnnotateVerdict stopped = Run(request, hooks);
    ASSERT_TRUE(stopped.ok()) << stopped.status.message();
    ASSERT_TRUE(stopped.stopped);
    const fs::path output = stopped.output;
    const std::string partial = Read(output);
    EXPECT_EQ(WithoutAddedLines(partial), corpus)
        << "a valid file: what was done, the rest as it was";
    EXPECT_GT(stopped.annotated, 0);
    EXPECT_LT(stopped.annotated, 16);
    EXPECT_TRUE(
        fs::exists(output.parent_path() / ("." + output.filename().string() + ".annotate")));

    request.stop = nullptr;
    request.threads = 2;
    const AnnotateVerdict resumed = Run(request);
    ASSERT_TRUE(resumed.ok()) << resumed.status.message();
    EXPECT_TRUE(resumed.resumed);
    EXPECT_FALSE(resumed.stopped);
    EXPECT_EQ(resumed.annotated, 16) << "the games the stopped run did count too";
    EXPECT_LE(resumed.dealsSolved, 8 - stopped.annotated / 2)
        << "the games done are not solved again";
    EXPECT_EQ(Read(output), Read(whole.output));
    EXPECT_FALSE(
        fs::exists(output.parent_path() / ("." + output.filename().string() + ".annotate")));
  }
}

TEST_F(AnnotateTest, PartsPutTogetherAreTheWholeFile) {
  const fs::path input = folder_ / "results.pbn";
  Write(input, kResultsFile);
  AnnotateRequest whole = Request(input, 1);
  whole.output = folder_ / "whole.pbn";
  ASSERT_TRUE(Run(whole).ok());
  for (const int parts : {1, 2, 3, 6, 9}) {
    SCOPED_TRACE(parts);
    std::string joined;
    int64_t games = 0;
    for (int part = 1; part <= parts; ++part) {
      AnnotateRequest request = Request(input, 1);
      request.part = part;
      request.parts = parts;
      request.output =
          folder_ / ("part" + std::to_string(part) + "of" + std::to_string(parts) + ".pbn");
      const AnnotateVerdict verdict = Run(request);
      ASSERT_TRUE(verdict.ok()) << verdict.status.message();
      games += verdict.games;
      joined += Read(request.output);
    }
    EXPECT_EQ(games, 6);
    EXPECT_EQ(joined, Read(whole.output));
  }
}

TEST_F(AnnotateTest, NoFileIsLostToTheOutput) {
  const fs::path input = folder_ / "results.pbn";
  Write(input, kResultsFile);
  const fs::path other = folder_ / "results.dd.pbn";
  Write(other, "the director's own notes\n");

  // Another file where the output would go: only with the user's word.
  AnnotateVerdict verdict = Run(Request(input));
  EXPECT_FALSE(verdict.ok());
  EXPECT_TRUE(verdict.needsWord);
  EXPECT_EQ(Read(other), "the director's own notes\n");
  AnnotateRequest forced = Request(input);
  forced.replaceAllowed = true;
  EXPECT_TRUE(Run(forced).ok());

  // A note another stopped run left there (other tags) is annotate's own:
  // it needs no word, and a finished run takes it away.
  const fs::path note = folder_ / ".results.dd.pbn.annotate";
  AnnotateRequest parred = Request(input);
  parred.replaceAllowed = true;
  parred.tags = kTagParContract;
  const std::atomic<bool> stopAtOnce{true};
  parred.stop = &stopAtOnce;
  ASSERT_TRUE(Run(parred).stopped);
  ASSERT_TRUE(fs::exists(note));
  EXPECT_TRUE(Run(Request(input)).ok()) << "the output of a stopped run needs no word";
  EXPECT_FALSE(fs::exists(note));

  // A set of ours where the output would go is not replaced unasked
  // either: the annotated file is not that set.
  const fs::path set = folder_ / "tuesday.pbn";
  DealSet dealt;
  GenerateSet(dealt, "tuesday", 0);
  dealt.header.banner = kProgramBanner;
  Write(set, PbnText(dealt, "club"));
  const std::string setBytes = Read(set);
  AnnotateRequest overSet = Request(input);
  overSet.output = set;
  verdict = Run(overSet);
  EXPECT_TRUE(verdict.needsWord) << verdict.status.message();
  EXPECT_EQ(Read(set), setBytes);

  // The input named as the output, without --in-place.
  AnnotateRequest onItself = Request(input);
  onItself.output = input;
  verdict = Run(onItself);
  EXPECT_FALSE(verdict.ok());
  EXPECT_FALSE(verdict.needsWord);
  EXPECT_NE(verdict.status.message().find("--in-place"), std::string::npos);

  // An output named as another kind of file.
  AnnotateRequest pdf = Request(input);
  pdf.output = folder_ / "results.pdf";
  EXPECT_FALSE(Run(pdf).ok());
  EXPECT_FALSE(fs::exists(pdf.output));

  // A write-protected file is not replaced in place, and one that another
  // process holds is not written at the same time.
  AnnotateRequest inPlace = Request(input);
  inPlace.inPlace = true;
  fs::permissions(input, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(Run(inPlace).ok());
  EXPECT_EQ(Read(input), kResultsFile);
  fs::permissions(input, fs::perms::owner_write, fs::perm_options::add);
  {
    Result<FileLock> held = FileLock::Acquire(input);
    ASSERT_TRUE(held.ok());
    EXPECT_FALSE(Run(inPlace).ok());
    EXPECT_EQ(Read(input), kResultsFile);
  }
  verdict = Run(inPlace);
  ASSERT_TRUE(verdict.ok()) << verdict.status.message();
  EXPECT_EQ(WithoutAddedLines(Read(input)), kResultsFile);
  // No scratch file is left behind.
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
    EXPECT_EQ(entry.path().filename().string().find(".results"), std::string::npos) << entry.path();
  }
}

TEST(AnnotateTagsTest, DoubleDummyTricksGoDeclarerByDeclarerNorthSouthEastWest) {
  DDTable table{};
  for (Seat seat : kSeats) {
    for (Strain strain : kStrains)
      table[size_t(DDIndex(seat, strain))] = uint8_t(seat * 3 + strain);
  }
  // N: 0..4, S: 6..a, E: 3..7, W: 9..d
  EXPECT_EQ(DoubleDummyTricksText(table), "012346789a345679abcd");
  EXPECT_EQ(ParseDoubleDummyTricks("012346789A345679ABCD"), table);
  EXPECT_FALSE(ParseDoubleDummyTricks("0123467893456789abce").has_value());
  EXPECT_FALSE(ParseDoubleDummyTricks("0123467893456789abc").has_value());
}

}  // namespace
}  // namespace tarrow

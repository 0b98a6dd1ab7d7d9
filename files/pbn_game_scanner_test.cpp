#include "files/pbn_game_scanner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarrow {
namespace {

std::vector<PbnGame> Scan(const std::string& text) {
  std::istringstream in(text);
  PbnGameScanner scanner(in);
  std::vector<PbnGame> games;
  for (PbnGame game; scanner.Next(game);) games.push_back(game);
  EXPECT_TRUE(scanner.status().ok());
  EXPECT_EQ(scanner.BytesRead(), text.size());
  return games;
}

std::string Joined(const std::vector<PbnGame>& games) {
  std::string all;
  for (const PbnGame& game : games) all += game.bytes;
  return all;
}

TEST(PbnGameScannerTest, GamesPutTogetherAreTheFileWhateverItsLineEnds) {
  const std::string cases[] = {
      "",
      "\n\n",
      "[Board \"1\"]\r\n[Deal \"N:...\"]\r\n\r\n[Board \"2\"]\r\n",  // no final empty line
      "[Board \"1\"]\n[Deal \"x\"]",                                 // no final line end
      "% PBN 2.1\r\n%\r\n\r\n[Board \"1\"]\r[Deal \"x\"]\r\r[Board \"2\"]\r",  // CR alone
      "[Board \"1\"]\n\n\n\n[Board \"2\"]\n\n  \t\n",  // several empty lines
      "\xEF\xBB\xBF[Event \"Caf\xC3\xA9\"]\n[Site \"Caf\xE9\"]\n\nafter the last game\n",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Joined(Scan(text)), text);
  }
}

TEST(PbnGameScannerTest, AGameEndsAtTheEmptyLineAfterItsTags) {
  const std::string text =
      "% PBN 2.1\r\n\r\n"  // goes with the first game
      "[Board \"1\"]\r\n[Deal \"N:a\"]\r\n\r\n"
      "[Board \"2\"]\n{a remark\n\n[Deal \"hidden\"]\n}\n[Deal \"N:b\"]\n\n"
      "[Board \"3\"]\n[Deal \"N:c\"]\n[Board \"4\"]\n[Deal \"N:d\"]\n";  // no empty line between
  const std::vector<PbnGame> games = Scan(text);
  ASSERT_EQ(games.size(), 4u);
  EXPECT_EQ(games[0].bytes, "% PBN 2.1\r\n\r\n[Board \"1\"]\r\n[Deal \"N:a\"]\r\n\r\n");
  EXPECT_EQ(games[0].firstLine, 1);
  ASSERT_NE(games[0].Find("deal"), nullptr);
  EXPECT_EQ(games[0].LineOf(*games[0].Find("deal")), 4);
  // Commentary hides its empty line and the tag inside it.
  EXPECT_EQ(games[1].Find("Deal")->value, "N:b");
  EXPECT_EQ(games[1].LineOf(*games[1].Find("Deal")), 11);
  EXPECT_EQ(games[2].Find("Deal")->value, "N:c");
  EXPECT_EQ(games[3].Find("Board")->value, "4");
  EXPECT_EQ(games[3].firstLine, 15);
  EXPECT_EQ(games[3].lines.back().eol, 1u);
}

TEST(PbnGameScannerTest, TagsWithEscapesSeveralOnALineAndCommentsAroundThem) {
  const std::vector<PbnGame> games = Scan(
      "[Event \"Say \\\"hi\\\" \\\\ bye\"]\n"
      "  [Board \"7\"]  \n"
      "[Dealer \"N\"][Vulnerable \"All\"]\n"
      "[Deal \"N:x\"] ; a remark\n"
      "% [Deal \"not a tag\"]\n"
      "[Note \"1:x\"] {remark [Contract \"not a tag\"]}\n");
  ASSERT_EQ(games.size(), 1u);
  const PbnGame& game = games[0];
  ASSERT_EQ(game.tags.size(), 6u);
  EXPECT_EQ(game.tags[0].value, "Say \"hi\" \\ bye");
  EXPECT_TRUE(game.tags[0].alone);
  EXPECT_TRUE(game.Find("Board")->alone) << "blanks around a tag leave it alone on its line";
  EXPECT_FALSE(game.Find("Dealer")->alone);
  EXPECT_FALSE(game.Find("Vulnerable")->alone);
  EXPECT_EQ(game.Find("Vulnerable")->value, "All");
  EXPECT_FALSE(game.Find("Deal")->alone);
  EXPECT_EQ(game.Find("Contract"), nullptr);
  EXPECT_EQ(game.Line(2), "[Dealer \"N\"][Vulnerable \"All\"]");
}

TEST(PbnGameScannerTest, AGameTooLongToHoldComesInPiecesWithoutTags) {
  std::string text = "[Board \"1\"]\n[Deal \"N:x\"]\n{";
  text += std::string(kLargestPbnGame + 100, 'x');  // one line longer than a game may be
  text += "}\n" + std::string(kLargestPbnGame / 2, '\n');
  text += "[Board \"2\"]\n[Deal \"N:y\"]\n\n";
  const std::vector<PbnGame> games = Scan(text);
  EXPECT_EQ(Joined(games), text);
  ASSERT_GE(games.size(), 3u);
  EXPECT_TRUE(games[0].tooLong);
  EXPECT_FALSE(games[0].continued);
  EXPECT_TRUE(games[0].tags.empty());
  EXPECT_TRUE(games[1].continued);
  for (const PbnGame& game : games) EXPECT_LE(game.bytes.size(), kLargestPbnGame + 2);
  EXPECT_EQ(games.back().Find("Deal")->value, "N:y") << "the game after it reads as usual";
}

}  // namespace
}  // namespace tarrow

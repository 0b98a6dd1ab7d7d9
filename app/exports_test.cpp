#include "app/exports.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "files/deal_files.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class ExportsTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    app_ = std::make_unique<App>(executor_, folder_ / "config" / "Tarrow.ini",
                                 SettingsFileUse::kReadOnly);
    app_->SetWritePdf(false);
  }

  void Deal(const fs::path& pbn, std::string_view seed) {
    app_->NameSetFile(pbn);
    app_->DealFromSeed(seed);
  }

  static std::string Bytes(const fs::path& path) {
    const Result<std::string> bytes = ReadWholeFile(path);
    return bytes.ok() ? *bytes : "<unreadable: " + bytes.message() + ">";
  }
  static void Put(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  QueueExecutor executor_;
  std::unique_ptr<App> app_;
};

TEST_F(ExportsTest, AFreshSetGoesBesideItsFile) {
  Deal(folder_ / "club.pbn", "Tuesday");
  const fs::path bri = ExportPath(*app_, ".bri");
  ASSERT_EQ(bri, folder_ / "club.bri");
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, bri, 36).ok());
  const Result<ImportBuffer> back = ReadBriFile(bri);
  ASSERT_TRUE(back.ok()) << back.message();
  ASSERT_EQ(back->count, 36);
  for (int board = 1; board <= 36; ++board) {
    EXPECT_EQ(back->deals[size_t(board - 1)].seatOf, app_->Set().DealOf(board).seatOf) << board;
  }
  const fs::path dup = ExportPath(*app_, ".dup");
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kDup, dup, 32).ok());
  const std::string bytes = Bytes(dup);
  ASSERT_EQ(bytes.size(), 32u * 156u);
  EXPECT_EQ(bytes.substr(0, 78), Bytes(bri).substr(0, 78));
  EXPECT_EQ(bytes.substr(146, 10), "YN1  1 32 ");
}

TEST_F(ExportsTest, AnImportedFileIsExportedButNeverOverItself) {
  Deal(folder_ / "dealt.pbn", "source");
  const fs::path bri = folder_ / "machine.bri";
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, bri, 20).ok());
  const std::string written = Bytes(bri);

  ASSERT_TRUE(app_->OpenFile(bri).ok());
  ASSERT_EQ(LastPresentBoard(app_->Set()), 20);
  // Beside the import, the .bri is the import itself: refused, kept.
  const OutputVerdict self =
      ExportDealFile(*app_, DealFileFormat::kBri, ExportPath(*app_, ".bri"), 20, true);
  EXPECT_FALSE(self.ok());
  EXPECT_NE(self.status.message().find("machine.bri"), std::string::npos) << self.status.message();
  EXPECT_EQ(Bytes(bri), written);

  const fs::path dup = ExportPath(*app_, ".dup");
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kDup, dup, 20).ok());
  EXPECT_EQ(Bytes(dup).substr(0, 78), written.substr(0, 78));
  // Boards 21..36 are absent: asking for them names the first.
  const OutputVerdict past = ExportDealFile(*app_, DealFileFormat::kDup, dup, 36, true);
  EXPECT_FALSE(past.ok());
  EXPECT_NE(past.status.message().find("board 21 "), std::string::npos) << past.status.message();
  EXPECT_EQ(Bytes(dup).size(), 20u * 156u);
}

TEST_F(ExportsTest, AnotherFileIsReplacedOnlyWithTheUsersWord) {
  Deal(folder_ / "club.pbn", "first");
  const fs::path out = folder_ / "club.bre";
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBre, out, 36).ok());
  // The same deals again: nothing is lost, no word needed.
  EXPECT_TRUE(ExportDealFile(*app_, DealFileFormat::kBre, out, 36).ok());
  const std::string first = Bytes(out);

  app_->DealFromSeed("second");
  const OutputVerdict asked = ExportDealFile(*app_, DealFileFormat::kBre, out, 36);
  EXPECT_FALSE(asked.ok());
  EXPECT_TRUE(asked.needsWord);
  EXPECT_EQ(Bytes(out), first);
  const OutputVerdict fewer = ExportDealFile(*app_, DealFileFormat::kBre, out, 10);
  EXPECT_TRUE(fewer.needsWord) << "fewer boards are other data too";
  EXPECT_EQ(Bytes(out), first);

  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBre, out, 36, true).ok());
  EXPECT_NE(Bytes(out), first);
  const Result<ImportBuffer> back = ReadBreFile(out);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back->deals[0].seatOf, app_->Set().DealOf(1).seatOf);
}

TEST_F(ExportsTest, WrongTargetsAreRefusedAndLeaveEverythingAsItWas) {
  Deal(folder_ / "club.pbn", "targets");
  ASSERT_TRUE(app_->SaveFile().ok());
  const std::string set = Bytes(folder_ / "club.pbn");
  const struct {
    const char* name;
    DealFileFormat format;
    const char* expected;  // in the message
  } kCases[] = {
      {"club.pbn", DealFileFormat::kBri, ".pbn"},   // the set itself
      {"other.bri", DealFileFormat::kDup, ".dup"},  // a .dup under a .bri name
      {"OTHER.DUP", DealFileFormat::kBer, ".ber"},
      {"missing/club.dup", DealFileFormat::kDup, "missing"},  // no such folder
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const OutputVerdict verdict = ExportDealFile(*app_, c.format, folder_ / c.name, 36, true);
    ASSERT_FALSE(verdict.ok());
    EXPECT_NE(verdict.status.message().find(c.expected), std::string::npos)
        << verdict.status.message();
    EXPECT_FALSE(fs::exists(folder_ / c.name) && std::string(c.name) != "club.pbn");
  }
  EXPECT_EQ(Bytes(folder_ / "club.pbn"), set);
  // A folder where the file should go.
  fs::create_directory(folder_ / "box.dup");
  EXPECT_FALSE(ExportDealFile(*app_, DealFileFormat::kDup, folder_ / "box.dup", 36, true).ok());
}

TEST_F(ExportsTest, TheWebPageIsWrittenBesideTheSetWithTheClub) {
  Deal(folder_ / "club.pbn", "web");
  app_->SetClub("Riverside & Co");
  HandRecordOptions options;
  options.showDealNumbers = true;
  const fs::path page = ExportPath(*app_, ".html");
  ASSERT_EQ(page, folder_ / "club.html");
  ASSERT_TRUE(WriteHandRecordsHtml(*app_, page, options).ok());
  const std::string html = Bytes(page);
  EXPECT_NE(html.find("Riverside &amp; Co"), std::string::npos);
  EXPECT_NE(html.find("data-deal=\"" + PbnDealText(app_->Set().DealOf(36), kNorth) + "\""),
            std::string::npos);
  EXPECT_NE(html.find("Deal # "), std::string::npos);

  ASSERT_TRUE(app_->SaveFile().ok());
  const std::string set = Bytes(folder_ / "club.pbn");
  for (const char* name : {"club.pbn", "club.bri", "elsewhere.pbn"}) {
    SCOPED_TRACE(name);
    const Status refused = WriteHandRecordsHtml(*app_, folder_ / name, options).status;
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find(name), std::string::npos) << refused.message();
  }
  EXPECT_EQ(Bytes(folder_ / "club.pbn"), set);
  EXPECT_FALSE(fs::exists(folder_ / "club.bri"));
}

TEST_F(ExportsTest, TheDefaultRangeAndTheWebPageFollowTheBoardsInPlay) {
  Deal(folder_ / "club.pbn", "Tuesday");
  EXPECT_EQ(ExportLastBoard(*app_), 36);  // nothing changes until asked
  app_->SetNumber(NumberSetting::kBoardsInPlay, 24);
  EXPECT_EQ(ExportLastBoard(*app_), 24);
  const fs::path page = ExportPath(*app_, ".html");
  ASSERT_TRUE(WriteHandRecordsHtml(*app_, page, app_->HandRecordChoices()).ok());
  const std::string html = Bytes(page);
  size_t boards = 0;
  for (size_t at = html.find("<article class=\"board\""); at != std::string::npos;
       at = html.find("<article class=\"board\"", at + 1)) {
    ++boards;
  }
  EXPECT_EQ(boards, 24u);
  EXPECT_NE(html.find("id=\"board-24\""), std::string::npos);
  EXPECT_EQ(html.find("id=\"board-25\""), std::string::npos);

  // A set that ends earlier than the boards in play ends the range itself.
  const fs::path bri = folder_ / "machine.bri";
  ASSERT_TRUE(ExportDealFile(*app_, DealFileFormat::kBri, bri, 20).ok());
  ASSERT_TRUE(app_->OpenFile(bri).ok());
  EXPECT_EQ(ExportLastBoard(*app_), 20);
  app_->SetNumber(NumberSetting::kBoardsInPlay, 12);
  EXPECT_EQ(ExportLastBoard(*app_), 12);
}

}  // namespace
}  // namespace tarrow

#include "records/hand_record_pdf.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/generation.h"
#include "records/logo.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

std::string CommandOutput(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

class HandRecordPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarrow_records_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    GenerateSet(set, "abc", 46000);
    set.header.event = "Tuesday Pairs";
    set.header.computerName = "clubpc";
    for (int b = 1; b <= 36; ++b) {
      BoardEntry& e = set.Board(b);
      e.doneMask = {kAllStrainsDone, kAllStrainsDone};
      for (size_t i = 0; i < e.table.size(); ++i) e.table[i] = uint8_t((b + i * 3) % 14);
    }
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  DealSet set;
};

TEST_F(HandRecordPdfTest, FullSetShowsEveryBoardAndPassesQpdf) {
  const fs::path file = dir / "abc.pdf";
  HandRecordOptions options;
  options.showDealNumbers = true;
  // The writer rebuilds the deals on its own copy: stale deals here must not matter.
  const std::array<Deal, kBoardsPerSet> before = set.deals;
  for (Deal& d : set.deals) d = Deal();
  const std::array<Deal, kBoardsPerSet> cleared = set.deals;
  const Status status = WriteHandRecordPdf(file, set, options, "Tarrow Bridge Club", Logo(),
                                           (dir / "abc.pbn").string());
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(set.deals[0].seatOf, cleared[0].seatOf);

  EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' > /dev/null").c_str()), 0);
  const std::string text = CommandOutput("pdftotext -layout '" + file.string() + "' -");
  EXPECT_NE(text.find("Tarrow Bridge Club"), std::string::npos);
  EXPECT_NE(text.find("clubpc: abc.pbn"), std::string::npos);
  for (int b = 1; b <= 36; ++b) {
    SCOPED_TRACE(b);
    EXPECT_NE(text.find("Board " + std::to_string(b) + " "), std::string::npos);
    for (Seat seat = 0; seat < 4; ++seat) {
      for (Suit suit = 0; suit < 4; ++suit) {
        std::string holding;
        for (Rank r = 0; r < 13; ++r)
          if (before[size_t(b - 1)].seatOf[size_t(CardIndex(suit, r))] == seat)
            holding += kPrintedRankNames[size_t(r)];
        if (holding.size() >= 4) {
          EXPECT_NE(text.find(holding), std::string::npos) << holding;
        }
      }
    }
  }
  const std::string fonts = CommandOutput("pdffonts '" + file.string() + "'");
  for (const char* name : {"Arial ", "Arial,Bold", "ArialNarrow", "Symbol"})
    EXPECT_NE(fonts.find(name), std::string::npos) << name << "\n" << fonts;
}

TEST_F(HandRecordPdfTest, EveryOptionCombinationWritesAValidFile) {
  for (int bits = 0; bits < 32; ++bits) {
    SCOPED_TRACE(bits);
    HandRecordOptions o;
    o.showDistributions = bits & 1;
    o.showDealNumbers = bits & 2;
    o.showLtc = bits & 4;
    o.showAnalysis = bits & 8;
    o.allTricks = bits & 16;
    const fs::path file = dir / ("set" + std::to_string(bits) + ".pdf");
    ASSERT_TRUE(WriteHandRecordPdf(file, set, o, "Club", Logo(32), "").ok());
    EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' > /dev/null").c_str()), 0);
  }
}

TEST_F(HandRecordPdfTest, FailedWriteNamesThePathAndKeepsTheOldFile) {
  const fs::path missing = dir / "no such folder" / "x.pdf";
  const Status status = WriteHandRecordPdf(missing, set, HandRecordOptions(), "", Logo(32), "");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find(missing.string()), std::string::npos) << status.message();

  // A read-only folder refuses the temporary file; the file already there stays.
  const fs::path locked = dir / "locked";
  fs::create_directories(locked);
  const fs::path file = locked / "x.pdf";
  ASSERT_TRUE(WriteHandRecordPdf(file, set, HandRecordOptions(), "", Logo(32), "").ok());
  const auto size = fs::file_size(file);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(locked.c_str(), W_OK) != 0) {  // root writes anyway
    EXPECT_FALSE(WriteHandRecordPdf(file, set, HandRecordOptions(), "Other", Logo(32), "").ok());
    EXPECT_EQ(fs::file_size(file), size);
  }
  fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace tarrow

#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::TempFolderTest {
 protected:
};

TEST_F(AtomicFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
  const fs::path file = folder_ / "set.pbn";
  ASSERT_TRUE(WriteFileAtomically(file, "first").ok());
  ASSERT_TRUE(WriteFileAtomically(file, "second\r\n").ok());
  const Result<std::string> back = ReadWholeFile(file);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, "second\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFileAndNamesThePath) {
  const fs::path file = folder_ / "set.pbn";
  ASSERT_TRUE(WriteFileAtomically(file, "old").ok());
  const Status status = [&] {
    const testing::FileSizeLimit limit(16);
    return WriteFileAtomically(file, std::string(100, 'n'));
  }();
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(file.string()), std::string::npos);
  EXPECT_EQ(*ReadWholeFile(file), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
      << "the temporary file is gone";
}

TEST_F(AtomicFileTest, AFailedRenameKeepsWhatWasThere) {
  // A folder in the way cannot be replaced by a file, even by root.
  const fs::path blocked = folder_ / "blocked.pbn";
  fs::create_directories(blocked / "inside");
  const Status status = WriteFileAtomically(blocked, "new");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("blocked.pbn"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AMissingFolderOrFileIsAnError) {
  EXPECT_FALSE(WriteFileAtomically(folder_ / "no" / "such.pbn", "x").ok());
  const Result<std::string> missing = ReadWholeFile(folder_ / "absent.pbn");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("absent.pbn"), std::string::npos);
}

TEST_F(AtomicFileTest, RefusesFilesAboveTheSizeLimit) {
  const fs::path file = folder_ / "big.bin";
  ASSERT_TRUE(WriteFileAtomically(file, std::string(5000, 'x')).ok());
  EXPECT_FALSE(ReadWholeFile(file, 4096).ok());
  EXPECT_TRUE(ReadWholeFile(file, 5000).ok());
}

}  // namespace
}  // namespace tarrow

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

TEST_F(AtomicFileTest, ANewFileTakesTheUmaskAndAReplacedOneKeepsItsMode) {
  const auto mode = [](const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
  };
  const mode_t before = ::umask(027);
  const fs::path fresh = folder_ / "fresh.pbn";
  ASSERT_TRUE(WriteFileAtomically(fresh, "x").ok());
  EXPECT_EQ(mode(fresh), 0640u);
  ::umask(0);
  const fs::path open = folder_ / "open.pbn";
  ASSERT_TRUE(WriteFileAtomically(open, "x").ok());
  EXPECT_EQ(mode(open), 0666u);
  ::umask(before);

  const fs::path kept = folder_ / "kept.pbn";
  ASSERT_TRUE(WriteFileAtomically(kept, "x").ok());
  ASSERT_EQ(::chmod(kept.c_str(), 0604), 0);
  ASSERT_TRUE(WriteFileAtomically(kept, "y").ok());
  EXPECT_EQ(mode(kept), 0604u);
}

TEST_F(AtomicFileTest, ASymbolicLinkIsFollowedAndStaysALink) {
  fs::create_directories(folder_ / "sets");
  const fs::path real = folder_ / "sets" / "real.pbn";
  ASSERT_TRUE(WriteFileAtomically(real, "old").ok());
  const fs::path link = folder_ / "link.pbn";
  fs::create_symlink(fs::path("sets") / "real.pbn", link);  // relative to the link's folder
  const fs::path chain = folder_ / "chain.pbn";
  fs::create_symlink(link, chain);
  ASSERT_TRUE(WriteFileAtomically(chain, "new").ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_EQ(*ReadWholeFile(real), "new");
  EXPECT_EQ(*ReadWholeFile(chain), "new");
  // A link to a file not yet there makes the file there.
  const fs::path dangling = folder_ / "dangling.pbn";
  fs::create_symlink(folder_ / "sets" / "later.pbn", dangling);
  ASSERT_TRUE(WriteFileAtomically(dangling, "made").ok());
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(*ReadWholeFile(folder_ / "sets" / "later.pbn"), "made");
}

TEST_F(AtomicFileTest, AnErrorNamesTheCallThatFailed) {
  const Status missing = WriteFileAtomically(folder_ / "no" / "such.pbn", "x");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("mkstemp: No such file or directory"), std::string::npos)
      << missing.message();
  const fs::path blocked = folder_ / "blocked.pbn";
  fs::create_directories(blocked / "inside");
  const Status rename = WriteFileAtomically(blocked, "x");
  EXPECT_NE(rename.message().find("it names a folder"), std::string::npos) << rename.message();
  const Status big = [&] {
    const testing::FileSizeLimit limit(16);
    return WriteFileAtomically(folder_ / "big.pbn", std::string(100, 'n'));
  }();
  EXPECT_NE(big.message().find("write: File too large"), std::string::npos) << big.message();
}

TEST_F(AtomicFileTest, RefusesFilesAboveTheSizeLimit) {
  const fs::path file = folder_ / "big.bin";
  ASSERT_TRUE(WriteFileAtomically(file, std::string(5000, 'x')).ok());
  EXPECT_FALSE(ReadWholeFile(file, 4096).ok());
  EXPECT_TRUE(ReadWholeFile(file, 5000).ok());
}

}  // namespace
}  // namespace tarrow

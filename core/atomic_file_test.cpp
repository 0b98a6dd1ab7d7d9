#include "core/atomic_file.h"
#include "core/temp_folder_for_test.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <csignal>
#include <fstream>

namespace tarrow {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::TempFolderTest {
 protected:
};

TEST_F(AtomicFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
  const fs::path file = folder_ / "set.pbn";
  ASSERT_TRUE(testing::WriteTestFile(file, "first").ok());
  ASSERT_TRUE(testing::WriteTestFile(file, "second\r\n").ok());
  const Result<std::string> back = ReadWholeFile(file);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, "second\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AStreamReplacesTheFileOnlyWhenCommitted) {
  const fs::path file = folder_ / "big.pbn";
  ASSERT_TRUE(testing::WriteTestFile(file, "old").ok());
  {
    // Stopped half way: the old file stays and the pieces go.
    Result<AtomicFileStream> stream = AtomicFileStream::Open(testing::PermitFor(file));
    ASSERT_TRUE(stream.ok()) << stream.message();
    ASSERT_TRUE(stream->Append("first ").ok());
    EXPECT_EQ(*ReadWholeFile(file), "old");
  }
  EXPECT_EQ(*ReadWholeFile(file), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);

  Result<AtomicFileStream> stream = AtomicFileStream::Open(testing::PermitFor(file));
  ASSERT_TRUE(stream.ok()) << stream.message();
  for (const char* piece : {"first ", "second ", "third"}) ASSERT_TRUE(stream->Append(piece).ok());
  EXPECT_EQ(*ReadWholeFile(file), "old");
  ASSERT_TRUE(stream->Commit().ok());
  EXPECT_EQ(*ReadWholeFile(file), "first second third");
  EXPECT_FALSE(stream->Append("more").ok());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);

  // A write-protected file is refused before anything is written.
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const Result<AtomicFileStream> refused = AtomicFileStream::Open(testing::PermitFor(file));
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("write-protected"), std::string::npos) << refused.message();
}

TEST_F(AtomicFileTest, AFailedWriteKeepsTheOldFileAndNamesThePath) {
  const fs::path file = folder_ / "set.pbn";
  ASSERT_TRUE(testing::WriteTestFile(file, "old").ok());
  const Status status = [&] {
    const testing::FileSizeLimit limit(16);
    return testing::WriteTestFile(file, std::string(100, 'n'));
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
  const Status status = testing::WriteTestFile(blocked, "new");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("blocked.pbn"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, AMissingFolderOrFileIsAnError) {
  EXPECT_FALSE(testing::WriteTestFile(folder_ / "no" / "such.pbn", "x").ok());
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
  ASSERT_TRUE(testing::WriteTestFile(fresh, "x").ok());
  EXPECT_EQ(mode(fresh), 0640u);
  ::umask(0);
  const fs::path open = folder_ / "open.pbn";
  ASSERT_TRUE(testing::WriteTestFile(open, "x").ok());
  EXPECT_EQ(mode(open), 0666u);
  ::umask(before);

  const fs::path kept = folder_ / "kept.pbn";
  ASSERT_TRUE(testing::WriteTestFile(kept, "x").ok());
  ASSERT_EQ(::chmod(kept.c_str(), 0604), 0);
  ASSERT_TRUE(testing::WriteTestFile(kept, "y").ok());
  EXPECT_EQ(mode(kept), 0604u);
}

TEST_F(AtomicFileTest, ASymbolicLinkIsFollowedAndStaysALink) {
  fs::create_directories(folder_ / "sets");
  const fs::path real = folder_ / "sets" / "real.pbn";
  ASSERT_TRUE(testing::WriteTestFile(real, "old").ok());
  const fs::path link = folder_ / "link.pbn";
  fs::create_symlink(fs::path("sets") / "real.pbn", link);  // relative to the link's folder
  const fs::path chain = folder_ / "chain.pbn";
  fs::create_symlink(link, chain);
  ASSERT_TRUE(testing::WriteTestFile(chain, "new").ok());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_EQ(*ReadWholeFile(real), "new");
  EXPECT_EQ(*ReadWholeFile(chain), "new");
  // A link to a file not yet there makes the file there.
  const fs::path dangling = folder_ / "dangling.pbn";
  fs::create_symlink(folder_ / "sets" / "later.pbn", dangling);
  ASSERT_TRUE(testing::WriteTestFile(dangling, "made").ok());
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(*ReadWholeFile(folder_ / "sets" / "later.pbn"), "made");
}

TEST_F(AtomicFileTest, AnErrorNamesTheCallThatFailed) {
  const Status missing = testing::WriteTestFile(folder_ / "no" / "such.pbn", "x");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("mkstemp: No such file or directory"), std::string::npos)
      << missing.message();
  const fs::path blocked = folder_ / "blocked.pbn";
  fs::create_directories(blocked / "inside");
  const Status rename = testing::WriteTestFile(blocked, "x");
  EXPECT_NE(rename.message().find("it names a folder"), std::string::npos) << rename.message();
  const Status big = [&] {
    const testing::FileSizeLimit limit(16);
    return testing::WriteTestFile(folder_ / "big.pbn", std::string(100, 'n'));
  }();
  EXPECT_NE(big.message().find("write: File too large"), std::string::npos) << big.message();
}

TEST_F(AtomicFileTest, RefusesFilesAboveTheSizeLimit) {
  const fs::path file = folder_ / "big.bin";
  ASSERT_TRUE(testing::WriteTestFile(file, std::string(5000, 'x')).ok());
  EXPECT_FALSE(ReadWholeFile(file, 4096).ok());
  EXPECT_TRUE(ReadWholeFile(file, 5000).ok());
}

// The lock: never through a link, never truncating a file in its place, by
// the file's identity, a stale one taken over with a word, and removed on
// a signal.
TEST_F(AtomicFileTest, TheLockNeverOpensALinkNorTruncatesAFileInItsPlace) {
  const fs::path precious = folder_ / "precious.pbn";
  const std::string bytes(15000, 'p');
  ASSERT_TRUE(testing::WriteTestFile(precious, bytes).ok());
  fs::create_symlink("precious.pbn", folder_ / ".club.pbn.lock");
  const Result<FileLock> linked = FileLock::Acquire(folder_ / "club.pbn");
  ASSERT_FALSE(linked.ok());
  EXPECT_NE(linked.message().find("symbolic link"), std::string::npos) << linked.message();
  EXPECT_EQ(*ReadWholeFile(precious), bytes);
  fs::remove(folder_ / ".club.pbn.lock");

  // A hard link in its place, or a file of other content, is left alone.
  fs::create_hard_link(precious, folder_ / ".club.pbn.lock");
  EXPECT_FALSE(FileLock::Acquire(folder_ / "club.pbn").ok());
  EXPECT_EQ(*ReadWholeFile(precious), bytes);
  fs::remove(folder_ / ".club.pbn.lock");
  ASSERT_TRUE(testing::WriteTestFile(folder_ / ".club.pbn.lock", "my notes").ok());
  EXPECT_FALSE(FileLock::Acquire(folder_ / "club.pbn").ok());
  EXPECT_EQ(*ReadWholeFile(folder_ / ".club.pbn.lock"), "my notes");
}

TEST_F(AtomicFileTest, AHardLinkOfALockedSetIsLockedToo) {
  const fs::path set = folder_ / "s.pbn";
  ASSERT_TRUE(testing::WriteTestFile(set, "set").ok());
  fs::create_hard_link(set, folder_ / "copy.pbn");
  Result<FileLock> first = FileLock::Acquire(set);
  ASSERT_TRUE(first.ok()) << first.message();
  const Result<FileLock> second = FileLock::Acquire(folder_ / "copy.pbn");
  ASSERT_FALSE(second.ok());
  EXPECT_NE(second.message().find("another name"), std::string::npos) << second.message();
  EXPECT_FALSE(fs::exists(folder_ / ".copy.pbn.lock")) << "the refused lock leaves nothing";
  first->Release();
  EXPECT_TRUE(FileLock::Acquire(folder_ / "copy.pbn").ok());
}

TEST_F(AtomicFileTest, AStaleLockIsTakenOverWithAWord) {
  // A lock file whose process is gone: nobody holds its flock.
  ASSERT_TRUE(testing::WriteTestFile(folder_ / ".s.pbn.lock", "999999\n").ok());
  Result<FileLock> lock = FileLock::Acquire(folder_ / "s.pbn");
  ASSERT_TRUE(lock.ok()) << lock.message();
  EXPECT_NE(lock->TakenOver().find("process 999999"), std::string::npos) << lock->TakenOver();
  lock->Release();
  EXPECT_FALSE(fs::exists(folder_ / ".s.pbn.lock"));
  Result<FileLock> fresh = FileLock::Acquire(folder_ / "s.pbn");
  ASSERT_TRUE(fresh.ok());
  EXPECT_TRUE(fresh->TakenOver().empty());
}

TEST_F(AtomicFileTest, ASignalRemovesTheLockAndTheProbe) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RemoveScratchFilesOnSignals();
    Result<FileLock> lock = FileLock::Acquire(folder_ / "s.pbn");
    if (!lock.ok()) ::_exit(3);
    ::raise(SIGTERM);
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_TRUE(fs::is_empty(folder_)) << "no lock and no probe left behind";
}

}  // namespace
}  // namespace tarrow

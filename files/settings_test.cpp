#include "files/settings.h"
#include "core/write_permit_for_test.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <set>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/atomic_file.h"
#include "core/sha0.h"
#include "files/test_support.h"

namespace tarrow {
namespace {

// A list's stored index as the file holds it, 255 for none.
uint8_t StoredIndex(const SettingsRecord& record, ListSetting list) {
  return record.Bytes()[FieldOf(list).indexOffset];
}

// A load as the window program makes it: the defaults written where the
// file is missing, or over a damaged file once it is kept aside.
SettingsLoad LoadWritingDefaults(const std::filesystem::path& file = SettingsPath()) {
  SettingsLoad load = LoadSettings(file);
  WriteDefaultSettings(load, testing::PermitFor(file));
  return load;
}

namespace fs = std::filesystem;

std::string BytesOf(const SettingsRecord& record) {
  return std::string(reinterpret_cast<const char*>(record.Bytes().data()), SettingsRecord::kSize);
}

// The bytes with the digest made right again after a patch.
std::string WithDigest(std::string bytes) {
  const std::array<uint8_t, 20> digest = HashBlock(bytes.data(), SettingsRecord::kDigestOffset);
  std::copy(digest.begin(), digest.end(), bytes.begin() + SettingsRecord::kDigestOffset);
  return bytes;
}

// Points HOME, the configuration variables and so the settings file at the
// test's own folder; the real home is never touched.
class SettingsTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    home_ = folder_ / "home";
    fs::create_directories(home_);
    Keep("HOME", home_.c_str());
    Keep("XDG_CONFIG_HOME", nullptr);
    Keep("TARROW_CONFIG_DIR", (folder_ / "config").c_str());
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    TempFolderTest::TearDown();
  }
  void Keep(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  std::string FileBytes() { return *ReadWholeFile(SettingsPath()); }
  void WriteBytes(const std::string& bytes) {
    std::ofstream(SettingsPath(), std::ios::binary | std::ios::trunc) << bytes;
  }
  // A valid file whose threads field is 7.
  std::string ValidBytes() {
    SettingsRecord record = SettingsRecord::Defaults("/data");
    record.SetThreads(7);
    record.StoreDigest();
    return BytesOf(record);
  }

  fs::path home_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

int32_t Int32At(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(uint8_t(bytes[offset + i])) << (8 * i);
  return int32_t(value);
}

TEST_F(SettingsTest, FirstStartWritesTheDefaults) {
  fs::create_directories(home_ / "Documents");
  const SettingsLoad load = LoadWritingDefaults();
  EXPECT_TRUE(load.madeDefaults);
  ASSERT_TRUE(load.written.ok()) << load.written.message();
  EXPECT_EQ(SettingsPath(), folder_ / "config" / "Tarrow.ini");
  const std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 65536u);
  EXPECT_EQ(Int32At(bytes, 400), 179);
  EXPECT_EQ(Int32At(bytes, 392), 1);
  EXPECT_EQ(Int32At(bytes, 396), 1);
  const SettingsRecord& r = load.record;
  EXPECT_EQ(r.OutputDirectory(), (home_ / "Documents").string());
  EXPECT_EQ(r.Site(), kDefaultSite);
  EXPECT_EQ(r.PrinterName(), "");
  EXPECT_EQ(r.Threads(), 1);
  EXPECT_EQ(r.QueenAdjustment(), QueenMethod::kUnguardedQueenHalf);
  EXPECT_EQ(r.DealNumberForm(), DealNumberForm::kBase64);
  EXPECT_FALSE(r.ShowDealNumbers() || r.ShowAnalysis() || r.ShowLtc() || r.AllTricks() ||
               r.ShowDistributions() || r.FlipPages() || r.AutoFillDescription() || r.ShowPar());
  EXPECT_TRUE(r.ClubNames().empty());
  EXPECT_TRUE(r.EventNames().empty());
  EXPECT_EQ(r.SelectedClub(), "");

  const SettingsLoad again = LoadWritingDefaults();
  EXPECT_FALSE(again.madeDefaults);
  EXPECT_EQ(again.record.Bytes(), load.record.Bytes());
}

TEST_F(SettingsTest, ADamagedFileIsKeptAsideBeforeTheDefaultsAreWritten) {
  struct Row {
    const char* what;
    std::string bytes;
    const char* why;
  };
  std::string changed = ValidBytes();
  changed[1000] ^= 1;
  std::string digest = ValidBytes();
  digest[65530] ^= 0x80;
  std::string version = ValidBytes();
  version[400] = char(178);
  version = WithDigest(version);
  const Row rows[] = {
      {"one byte changed", changed, "the digest does not match"},
      {"digest changed", digest, "the digest does not match"},
      {"65 535 bytes", ValidBytes().substr(0, 65535), "65535 bytes where 65536 belong"},
      {"wrong version", version, "format version 178, not 179"},
      {"empty file", "", "the file is empty"},
  };
  fs::create_directories(SettingsPath().parent_path());
  const std::string base = SettingsPath().string();
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.what);
    WriteBytes(row.bytes);
    const SettingsLoad load = LoadWritingDefaults();
    EXPECT_TRUE(load.madeDefaults);
    EXPECT_EQ(load.record.Threads(), 1);
    EXPECT_TRUE(load.written.ok()) << load.written.message();
    EXPECT_TRUE(SettingsRecord::FromBytes(FileBytes()).has_value());
    // Each damaged file gets a name of its own; no earlier copy is replaced.
    const std::string aside = i == 0 ? base + ".bad" : base + ".bad." + std::to_string(i + 1);
    const Result<std::string> kept = ReadWholeFile(aside);
    ASSERT_TRUE(kept.ok()) << aside;
    EXPECT_EQ(*kept, row.bytes);
    ASSERT_FALSE(load.problem.ok());
    const std::string& message = load.problem.message();
    EXPECT_NE(message.find("the settings " + base + " were damaged"), std::string::npos) << message;
    EXPECT_NE(message.find(row.why), std::string::npos) << message;
    EXPECT_NE(message.find("the old file is now " + aside + " and the defaults are used"),
              std::string::npos)
        << message;
  }
  EXPECT_EQ(*ReadWholeFile(base + ".bad"), changed) << "the first copy is still the first file";
  // A good file written meanwhile is read as it is, and nothing more is kept.
  const SettingsLoad good = LoadWritingDefaults();
  EXPECT_FALSE(good.madeDefaults);
  EXPECT_TRUE(good.problem.ok()) << good.problem.message();
  EXPECT_FALSE(fs::exists(base + ".bad.6"));
}

TEST_F(SettingsTest, ReadingOnlyLeavesADamagedFileWhereItIsAndSaysSo) {
  fs::create_directories(SettingsPath().parent_path());
  std::string damaged = ValidBytes();
  damaged[259] ^= 0x20;
  WriteBytes(damaged);
  const SettingsLoad load = LoadSettings(SettingsPath());
  EXPECT_TRUE(load.madeDefaults);
  EXPECT_EQ(load.record.Threads(), 1);
  ASSERT_FALSE(load.problem.ok());
  EXPECT_NE(load.problem.message().find(SettingsPath().string() + " are damaged"),
            std::string::npos)
      << load.problem.message();
  EXPECT_NE(load.problem.message().find("running on the defaults"), std::string::npos);
  EXPECT_EQ(FileBytes(), damaged);
  EXPECT_FALSE(fs::exists(SettingsPath().string() + ".bad"));
}

TEST_F(SettingsTest, ADamagedFileThatCannotBeKeptAsideIsNotWrittenOver) {
  // Every name for a copy is taken (a permission would not stop root).
  fs::create_directories(SettingsPath().parent_path());
  const std::string base = SettingsPath().string();
  std::ofstream(base + ".bad") << "first";
  for (int copy = 2; copy <= 1000; ++copy) std::ofstream(base + ".bad." + std::to_string(copy));
  std::string damaged = ValidBytes();
  damaged[2000] ^= 1;
  WriteBytes(damaged);
  const SettingsLoad load = LoadWritingDefaults();
  EXPECT_TRUE(load.madeDefaults);
  EXPECT_EQ(load.record.Threads(), 1);
  ASSERT_FALSE(load.problem.ok());
  EXPECT_NE(load.problem.message().find("could not be kept aside"), std::string::npos)
      << load.problem.message();
  EXPECT_NE(load.problem.message().find("the file is left as it is"), std::string::npos);
  EXPECT_EQ(FileBytes(), damaged);
  EXPECT_EQ(*ReadWholeFile(base + ".bad"), "first");
  EXPECT_FALSE(fs::exists(base + ".bad.1001"));
}

TEST_F(SettingsTest, ANamedPipeOrFolderIsRefusedWithoutWaitingAndLeftAlone) {
  fs::create_directories(SettingsPath().parent_path());
  ASSERT_EQ(::mkfifo(SettingsPath().c_str(), 0600), 0);
  // Opening a pipe for reading would wait for a writer forever.
  for (const bool write : {true, false}) {
    const SettingsLoad load = write ? LoadWritingDefaults() : LoadSettings(SettingsPath());
    EXPECT_TRUE(load.madeDefaults);
    EXPECT_EQ(load.record.Version(), 179);
    ASSERT_FALSE(load.problem.ok());
    EXPECT_NE(load.problem.message().find("cannot read the settings " + SettingsPath().string() +
                                          ": it is a named pipe, not a file"),
              std::string::npos)
        << load.problem.message();
    EXPECT_TRUE(fs::is_fifo(SettingsPath()));
    EXPECT_FALSE(fs::exists(SettingsPath().string() + ".bad"));
  }
  fs::remove(SettingsPath());
  fs::create_directory(SettingsPath());
  const SettingsLoad folder = LoadWritingDefaults();
  EXPECT_NE(folder.problem.message().find("it is a folder, not a file"), std::string::npos)
      << folder.problem.message();
  EXPECT_TRUE(fs::is_directory(SettingsPath()));
}

TEST_F(SettingsTest, ALongerFileIsReadOnlyAsFarAsTheRecord) {
  fs::create_directories(SettingsPath().parent_path());
  WriteBytes(ValidBytes() + "x");
  const SettingsLoad load = LoadWritingDefaults();
  EXPECT_FALSE(load.madeDefaults);
  EXPECT_EQ(load.record.Threads(), 7);
  EXPECT_EQ(FileBytes().size(), 65537u);  // accepted as it is, not rewritten
}

TEST_F(SettingsTest, EveryFieldSurvivesSaveAndLoad) {
  SettingsRecord r = SettingsRecord::Defaults("/out");
  r.SetOutputDirectory("/srv/club/sets");
  r.SetSite("Hall");
  r.SetPrinterName("Laser");
  r.SetDealNumberForm(DealNumberForm::kDecimal);
  r.SetShowDealNumbers(true);
  r.SetShowAnalysis(true);
  r.SetShowLtc(true);
  r.SetAllTricks(true);
  r.SetShowDistributions(true);
  r.SetFlipPages(true);
  r.SetAutoFillDescription(true);
  r.SetShowPar(true);
  r.SetBoardsInPlay(24);
  r.SetThreads(32);
  r.SetQueenAdjustment(QueenMethod::kQueensAgainstAces);
  r.Set(NumberSetting::kMonitor, 1);
  r.SetClubList({"North Club", "South Club"}, "South Club");
  r.SetEventList({"Pairs", "Teams"}, "Pairs");
  ASSERT_TRUE(SaveSettings(r, testing::PermitFor(SettingsPath())).ok());
  const SettingsLoad load = LoadWritingDefaults();
  ASSERT_FALSE(load.madeDefaults);
  const SettingsRecord& b = load.record;
  EXPECT_EQ(b.OutputDirectory(), "/srv/club/sets");
  EXPECT_EQ(b.Site(), "Hall");
  EXPECT_EQ(b.PrinterName(), "Laser");
  EXPECT_EQ(b.DealNumberForm(), DealNumberForm::kDecimal);
  EXPECT_TRUE(b.ShowDealNumbers() && b.ShowAnalysis() && b.ShowLtc() && b.AllTricks() &&
              b.ShowDistributions() && b.FlipPages() && b.AutoFillDescription() && b.ShowPar());
  EXPECT_EQ(b.Threads(), 32);
  EXPECT_EQ(b.QueenAdjustment(), QueenMethod::kQueensAgainstAces);
  EXPECT_EQ(b.Monitor(), 1);
  EXPECT_EQ(b.SelectedClub(), "South Club");
  EXPECT_EQ(b.SelectedEvent(), "Pairs");
  EXPECT_EQ(b.Bytes()[411], 1);
  EXPECT_EQ(b.Bytes()[407], 1);  // booleans are written as 1
  EXPECT_EQ(b.Bytes()[413], 1);  // Show Par sits in a byte that used to be spare
  EXPECT_EQ(b.Version(), 179);
  const std::string bytes = BytesOf(b);
  EXPECT_EQ(Int32At(bytes, 392), 0);
  EXPECT_EQ(bytes[414], 1);
  EXPECT_EQ(b.BoardsInPlay(), 24);
  EXPECT_EQ(bytes[415], 24);
}

// testdata/settings holds two settings files as an earlier build of the
// program wrote them, each option on in one of them, and numbers, texts and
// lists set in the first: they read as they were set, and written back each
// is the same file, byte for byte.
TEST_F(SettingsTest, AnEarlierBuildsFilesReadTheSameAndAreWrittenBackByteForByte) {
  const struct {
    const char* file;
    std::set<Switch> on;  // the others are off
  } rows[] = {
      {"Tarrow-1.ini",
       {Switch::kShowDealNumbers, Switch::kShowLtc, Switch::kAllTricks, Switch::kShowPar,
        Switch::kAutoFillDescription}},
      {"Tarrow-2.ini", {Switch::kShowAnalysis, Switch::kShowDistributions, Switch::kFlipPages}}};
  std::vector<SettingsRecord> records;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const fs::path earlier = fs::path(TARROW_FILES_TESTDATA) / "settings" / row.file;
    const Result<std::string> before = ReadWholeFile(earlier);
    ASSERT_TRUE(before.ok()) << before.message();
    const SettingsLoad load = LoadSettings(earlier);
    ASSERT_TRUE(load.problem.ok()) << load.problem.message();
    ASSERT_FALSE(load.madeDefaults);
    const SettingsRecord& r = load.record;
    const HandRecordOptions shown = r.HandRecordChoices();
    for (const SwitchField& field : kSwitchFields) {
      const bool on = row.on.count(field.which) > 0;
      EXPECT_EQ(r.Get(field.which), on) << field.name;
      if (field.handRecord != kNotOnHandRecords) {
        EXPECT_EQ(shown.*field.handRecord, on) << field.name;
      }
    }

    // Every option and the hand records' choices set again as they read.
    SettingsRecord again = r;
    for (const SwitchField& field : kSwitchFields) again.Set(field.which, r.Get(field.which));
    again.SetHandRecordChoices(shown);
    const fs::path written = folder_ / row.file;
    ASSERT_TRUE(SaveSettings(again, testing::PermitFor(written)).ok());
    EXPECT_TRUE(*ReadWholeFile(written) == *before) << "the file is written back byte for byte";
    records.push_back(r);
  }

  const SettingsRecord& r = records[0];
  EXPECT_TRUE(r.ShowDealNumbers() && r.ShowLtc() && r.AllTricks() && r.ShowPar() &&
              r.AutoFillDescription());
  EXPECT_FALSE(r.ShowAnalysis() || r.ShowDistributions() || r.FlipPages());
  EXPECT_EQ(r.OutputDirectory(), "/home/club/Bridge sets");
  EXPECT_EQ(r.Site(), "Caf\xE9 Riverside");
  EXPECT_EQ(r.PrinterName(), "Laser 2");
  EXPECT_EQ(r.DealNumberForm(), DealNumberForm::kHex);
  EXPECT_EQ(r.Threads(), 6);
  EXPECT_EQ(r.QueenAdjustment(), QueenMethod::kQueensAgainstAces);
  EXPECT_EQ(r.HandRecordChoices().queenMethod, QueenMethod::kQueensAgainstAces);
  EXPECT_EQ(r.BoardsInPlay(), 24);
  EXPECT_EQ(r.Monitor(), 1);
  EXPECT_EQ(r.ClubNames(), (std::vector<std::string>{"Riverside BC", "Hilltop"}));
  EXPECT_EQ(r.SelectedClub(), "Hilltop");
  EXPECT_EQ(r.EventNames(), (std::vector<std::string>{"Monday Pairs", "Teams"}));
  EXPECT_EQ(r.SelectedEvent(), "Monday Pairs");
  EXPECT_EQ(records[1].HandRecordChoices().queenMethod, QueenMethod::kHalfPerExcess);
}

// Each option the hand records show is the one member of HandRecordOptions
// named alike, both ways; the others are on no hand record.
TEST(SettingsRecordTest, TheHandRecordsChoicesAreTheirOptions) {
  const struct {
    Switch which;
    bool HandRecordOptions::*member;
  } rows[] = {{Switch::kShowDistributions, &HandRecordOptions::showDistributions},
              {Switch::kShowDealNumbers, &HandRecordOptions::showDealNumbers},
              {Switch::kShowLtc, &HandRecordOptions::showLtc},
              {Switch::kShowAnalysis, &HandRecordOptions::showAnalysis},
              {Switch::kAllTricks, &HandRecordOptions::allTricks},
              {Switch::kShowPar, &HandRecordOptions::showPar},
              {Switch::kFlipPages, nullptr},
              {Switch::kAutoFillDescription, nullptr}};
  const auto onlyOn = [](bool HandRecordOptions::*member) {
    HandRecordOptions o;
    if (member != nullptr) o.*member = true;
    return o;
  };
  const auto same = [](const HandRecordOptions& a, const HandRecordOptions& b) {
    return a.showDistributions == b.showDistributions && a.showDealNumbers == b.showDealNumbers &&
           a.showLtc == b.showLtc && a.showAnalysis == b.showAnalysis &&
           a.allTricks == b.allTricks && a.showPar == b.showPar && a.queenMethod == b.queenMethod;
  };
  ASSERT_EQ(std::size(rows), kSwitchFields.size());
  const SettingsRecord fresh = SettingsRecord::Defaults("/out");
  for (const auto& row : rows) {
    SCOPED_TRACE(FieldOf(row.which).name);
    SettingsRecord record = fresh;
    record.Set(row.which, true);
    EXPECT_TRUE(same(record.HandRecordChoices(), onlyOn(row.member)));

    SettingsRecord back = fresh;
    back.SetHandRecordChoices(onlyOn(row.member));
    for (const SwitchField& field : kSwitchFields) {
      EXPECT_EQ(back.Get(field.which), row.member != nullptr && field.which == row.which)
          << field.name;
    }
  }
  HandRecordOptions queen;
  queen.queenMethod = QueenMethod::kHalfPerExcess;
  SettingsRecord record = fresh;
  record.SetHandRecordChoices(queen);
  EXPECT_EQ(record.QueenAdjustment(), QueenMethod::kHalfPerExcess);
  EXPECT_TRUE(same(record.HandRecordChoices(), queen));
}

TEST(SettingsRecordTest, BoardsInPlayReadsAsThirtySixFromOlderFilesAndStrayValues) {
  EXPECT_EQ(SettingsRecord::Defaults("/out").BoardsInPlay(), 36);
  EXPECT_EQ(SettingsRecord::Defaults("/out").Bytes()[415], 36);
  const struct {
    uint8_t stored;
    int read;
  } rows[] = {{0, 36}, {1, 1}, {18, 18}, {24, 24}, {36, 36}, {37, 36}, {255, 36}};
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.stored));
    // A file written before the setting existed holds 0 in its byte.
    std::string bytes = BytesOf(SettingsRecord::Defaults("/out"));
    bytes[415] = char(row.stored);
    bytes = WithDigest(bytes);
    const std::optional<SettingsRecord> loaded = SettingsRecord::FromBytes(bytes);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->BoardsInPlay(), row.read);
    EXPECT_EQ(BytesOf(*loaded), bytes);  // reading alone changes nothing
  }
  SettingsRecord r = SettingsRecord::Defaults("/out");
  for (const auto& [given, kept] : {std::pair{0, 1}, {-5, 1}, {40, 36}, {19, 19}}) {
    SCOPED_TRACE(given);
    r.SetBoardsInPlay(given);
    EXPECT_EQ(r.BoardsInPlay(), kept);
    EXPECT_EQ(r.Bytes()[415], kept);
  }
}

TEST(SettingsRecordTest, ChoicesStoredOutsideTheirItemsReadAsTheLastAndAreKept) {
  const struct {
    int32_t form;
    uint8_t queen;
    DealNumberForm readForm;
    QueenMethod readQueen;
  } rows[] = {
      {0, 0, DealNumberForm::kDecimal, QueenMethod::kUnguardedQueenHalf},
      {1, 1, DealNumberForm::kBase64, QueenMethod::kQueensAgainstAces},
      {2, 2, DealNumberForm::kHex, QueenMethod::kHalfPerExcess},
      {7, 3, DealNumberForm::kHex, QueenMethod::kHalfPerExcess},
      {-1, 255, DealNumberForm::kHex, QueenMethod::kHalfPerExcess},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.form) + " " + std::to_string(row.queen));
    std::string bytes = BytesOf(SettingsRecord::Defaults("/out"));
    for (int i = 0; i < 4; ++i) bytes[392 + size_t(i)] = char(uint32_t(row.form) >> (8 * i));
    bytes[414] = char(row.queen);
    bytes = WithDigest(bytes);
    std::optional<SettingsRecord> loaded = SettingsRecord::FromBytes(bytes);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->DealNumberForm(), row.readForm);
    EXPECT_EQ(loaded->QueenAdjustment(), row.readQueen);
    // Reading changes nothing: the record writes back what the file held.
    EXPECT_EQ(BytesOf(*loaded), bytes);
  }
  // Setting a method out of range still stores one of the three items.
  SettingsRecord r = SettingsRecord::Defaults("/out");
  r.SetQueenAdjustment(QueenMethod(9));
  EXPECT_EQ(r.Bytes()[414], 2);
  r.SetQueenAdjustment(QueenMethod(-3));
  EXPECT_EQ(r.Bytes()[414], 0);
}

TEST(SettingsRecordTest, ListsDropEmptyAndRepeatedEntries) {
  SettingsRecord r = SettingsRecord::Defaults("/out");
  r.SetClubList({"A", "", "B", "A", "C"}, "C");
  EXPECT_EQ(r.ClubNames(), (std::vector<std::string>{"A", "B", "C"}));
  // The stored index counts entries, the box counts items: entry 4 is item 2,
  // and the box takes item [4], which is absent.  The index stays an entry
  // index so that files written by the window program read the same in
  // every version of it.
  EXPECT_EQ(StoredIndex(r, ListSetting::kClubs), 4);
  EXPECT_EQ(r.SelectedClub(), "");
  r.SetClubList({"A", "B"}, "B");
  EXPECT_EQ(r.SelectedClub(), "B");
}

TEST(SettingsRecordTest, KeepsTenEntriesAndAnIndexOfTenOrMoreSelectsTheFirst) {
  std::vector<std::string> names;
  for (int i = 0; i < 11; ++i) names.push_back("Club " + std::to_string(i));
  names.push_back(std::string(80, 'L'));
  SettingsRecord r = SettingsRecord::Defaults("/out");
  r.SetClubList(names, "Club 10");  // the eleventh name is not kept
  EXPECT_EQ(r.ClubNames().size(), 10u);
  EXPECT_EQ(StoredIndex(r, ListSetting::kClubs), SettingsRecord::kNoIndex);
  EXPECT_EQ(r.SelectedClub(), "Club 0");
  r.SetEventList({std::string(80, 'E')}, std::string(80, 'E'));
  EXPECT_EQ(r.EventNames(), (std::vector<std::string>{std::string(64, 'E')}));
  EXPECT_EQ(StoredIndex(r, ListSetting::kEvents), 0);
  r.SetEventList({}, "");
  EXPECT_EQ(StoredIndex(r, ListSetting::kEvents), SettingsRecord::kNoIndex);
  EXPECT_EQ(r.SelectedEvent(), "");
}

TEST(SettingsRecordTest, ALengthByteAboveTheFieldReadsAsTheField) {
  std::string bytes = BytesOf(SettingsRecord::Defaults("/out"));
  bytes[259] = char(200);                                      // site, string(64)
  bytes[799] = char(255);                                      // club entry 0
  EXPECT_FALSE(SettingsRecord::FromBytes(bytes).has_value());  // the digest no longer matches
  const std::optional<SettingsRecord> loaded = SettingsRecord::FromBytes(WithDigest(bytes));
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->Site().size(), 64u);
  ASSERT_EQ(loaded->ClubNames().size(), 1u);
  EXPECT_EQ(loaded->ClubNames()[0].size(), 64u);
}

TEST_F(SettingsTest, FollowsTheConfigurationVariables) {
  EXPECT_EQ(SettingsPath(), folder_ / "config" / "Tarrow.ini");
  unsetenv("TARROW_CONFIG_DIR");
  EXPECT_EQ(SettingsPath(), home_ / ".config" / "tarrow" / "Tarrow.ini");
  setenv("XDG_CONFIG_HOME", (folder_ / "xdg").c_str(), 1);
  EXPECT_EQ(SettingsPath(), folder_ / "xdg" / "tarrow" / "Tarrow.ini");
  const SettingsLoad load = LoadWritingDefaults();  // creates the folder
  EXPECT_TRUE(load.written.ok()) << load.written.message();
  EXPECT_TRUE(fs::exists(folder_ / "xdg" / "tarrow" / "Tarrow.ini"));
}

TEST_F(SettingsTest, TheOutputDirectoryDefaultsToTheDocumentsFolder) {
  EXPECT_EQ(DefaultOutputDirectory(), home_);
  fs::create_directories(home_ / "Documents");
  EXPECT_EQ(DefaultOutputDirectory(), home_ / "Documents");
  fs::create_directories(home_ / "Papiers");
  fs::create_directories(home_ / ".config");
  std::ofstream(home_ / ".config" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
      << "XDG_DOCUMENTS_DIR=\"$HOME/Papiers\"\n";
  EXPECT_EQ(DefaultOutputDirectory(), home_ / "Papiers");
}

TEST_F(SettingsTest, AFailedSaveKeepsTheOldFileAndNamesThePath) {
  SettingsRecord r = SettingsRecord::Defaults("/out");
  const fs::path blocked = folder_ / "blocked" / "Tarrow.ini";
  fs::create_directories(blocked / "inside");
  const Status status = SaveSettings(r, testing::PermitFor(blocked));
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("Tarrow.ini"), std::string::npos);
  // Loading from it gives the defaults in memory, says why, and leaves what
  // stands there alone.
  const SettingsLoad load = LoadWritingDefaults(blocked);
  EXPECT_TRUE(load.madeDefaults);
  EXPECT_EQ(load.record.Version(), 179);
  ASSERT_FALSE(load.problem.ok());
  EXPECT_NE(load.problem.message().find("Tarrow.ini"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsLeftAloneAndOnlyAMissingOneIsCreated) {
  // A file the program may not read: the settings in it may be good, so it
  // is never overwritten.  (Root reads anything, so the test also needs a
  // case that root cannot read: a folder where the file should be.)
  fs::create_directories(SettingsPath().parent_path());
  WriteBytes(ValidBytes());
  fs::permissions(SettingsPath(), fs::perms::none);
  if (std::FILE* probe = std::fopen(SettingsPath().c_str(), "rb")) {
    std::fclose(probe);  // running as root: the permission case cannot be made
  } else {
    const SettingsLoad load = LoadWritingDefaults();
    EXPECT_TRUE(load.madeDefaults);
    EXPECT_EQ(load.record.Threads(), 1);
    EXPECT_NE(load.problem.message().find("Permission denied"), std::string::npos)
        << load.problem.message();
    fs::permissions(SettingsPath(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FileBytes(), ValidBytes()) << "the unreadable file was overwritten";
  }
  fs::remove(SettingsPath());

  // The command line reads only: a missing file gives defaults and no file.
  const SettingsLoad readOnly = LoadSettings(SettingsPath());
  EXPECT_TRUE(readOnly.madeDefaults);
  EXPECT_TRUE(readOnly.problem.ok());
  EXPECT_FALSE(fs::exists(SettingsPath()));
  const SettingsLoad created = LoadWritingDefaults();
  EXPECT_TRUE(created.problem.ok());
  EXPECT_TRUE(created.written.ok());
  EXPECT_TRUE(fs::exists(SettingsPath()));
}

// The four tables of fields: every field has one row, its bytes are its
// own (no two fields, nor the fixed words, the reserved bytes or the
// digest, share one), a new record holds each row's default, and setting a
// field changes its own bytes and no other.
TEST(SettingsFieldsTest, EveryFieldHasOneRowAndBytesOfItsOwn) {
  struct Span {
    size_t first, size;
    std::string name;
  };
  std::vector<Span> spans = {{392, 4, "deal-number form"},
                             {396, 4, "unused"},
                             {400, 4, "version"},
                             {2104, 32, "reserved"},
                             {SettingsRecord::kDigestOffset, 20, "digest"}};
  const SettingsRecord fresh = SettingsRecord::Defaults("/tmp");
  // Sets a field through `change` and checks that only its own bytes moved.
  const auto onlyItsOwnBytes = [&](std::vector<Span> own, const auto& change) {
    SettingsRecord record = fresh;
    change(record);
    for (size_t b = 0; b < SettingsRecord::kSize; ++b) {
      const bool itsOwn = std::any_of(own.begin(), own.end(), [b](const Span& span) {
        return b >= span.first && b < span.first + span.size;
      });
      if (!itsOwn) {
        ASSERT_EQ(record.Bytes()[b], fresh.Bytes()[b]) << own[0].name << " changed " << b;
      }
    }
  };
  std::set<Switch> switches;
  for (const SwitchField& field : kSwitchFields) {
    EXPECT_TRUE(switches.insert(field.which).second) << field.name;
    EXPECT_FALSE(fresh.Get(field.which)) << field.name << ": a new record has it off";
    const Span span{field.offset, 1, std::string(field.name)};
    spans.push_back(span);
    onlyItsOwnBytes({span}, [&](SettingsRecord& r) { r.Set(field.which, true); });
  }
  std::set<NumberSetting> numbers;
  for (const NumberField& field : kNumberFields) {
    const std::string name = "the number at " + std::to_string(field.offset);
    SCOPED_TRACE(name);
    EXPECT_TRUE(numbers.insert(field.which).second);
    EXPECT_EQ(fresh.Get(field.which), field.byDefault);
    const Span span{field.offset, 1, name};
    spans.push_back(span);
    onlyItsOwnBytes({span}, [&](SettingsRecord& r) { r.Set(field.which, field.highest); });
    SettingsRecord record = fresh;
    record.Set(field.which, field.highest + 1);
    EXPECT_EQ(record.Get(field.which), field.highest) << "cut to the range";
  }
  std::set<TextSetting> texts;
  for (const TextField& field : kTextFields) {
    const std::string name = "the text at " + std::to_string(field.offset);
    SCOPED_TRACE(name);
    EXPECT_TRUE(texts.insert(field.which).second);
    if (field.which != TextSetting::kOutputDirectory) {
      EXPECT_EQ(fresh.Get(field.which), field.byDefault);
    }
    const Span span{field.offset, field.limit + 1, name};
    spans.push_back(span);
    const std::string longest(field.limit + 5, 'x');
    onlyItsOwnBytes({span}, [&](SettingsRecord& r) { r.Set(field.which, longest); });
  }
  std::set<ListSetting> lists;
  for (const ListField& field : kListFields) {
    const std::string name = "the list at " + std::to_string(field.offset);
    SCOPED_TRACE(name);
    EXPECT_TRUE(lists.insert(field.which).second);
    EXPECT_TRUE(fresh.Items(field.which).empty());
    const size_t entries = size_t(SettingsRecord::kListEntries);
    const Span items{field.offset, entries * (SettingsRecord::kNameLimit + 1), name};
    const Span index{field.indexOffset, 1, name + "'s index"};
    spans.push_back(items);
    spans.push_back(index);
    const std::vector<std::string> many(12, std::string(70, 'n'));
    onlyItsOwnBytes({items, index}, [&](SettingsRecord& r) { r.SetList(field.which, many, ""); });
  }
  EXPECT_EQ(switches.size(), 8u);
  EXPECT_EQ(numbers.size(), 4u);
  EXPECT_EQ(texts.size(), 3u);
  EXPECT_EQ(lists.size(), 2u);
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.first < b.first; });
  for (size_t i = 1; i < spans.size(); ++i) {
    EXPECT_LE(spans[i - 1].first + spans[i - 1].size, spans[i].first)
        << spans[i - 1].name << " runs into " << spans[i].name;
  }
  EXPECT_LE(spans.back().first + spans.back().size, SettingsRecord::kSize);
}

}  // namespace
}  // namespace tarrow

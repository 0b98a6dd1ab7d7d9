// The settings file Tarrow.ini: the options and recent entries kept between
// runs, as one fixed-size binary record guarded by a digest.  Despite its
// name it is no text file.
//
//   SettingsLoad loaded = LoadSettings();       // defaults when missing or damaged
//   if (!loaded.problem.ok()) ShowStatus(loaded.problem.message());
//   SettingsRecord& settings = loaded.record;
//   settings.SetThreads(4);
//   Status s = SaveSettings(settings, permit);  // temporary file and rename
//
// The file is written only with a permit of the output gate (App does it),
// which replaces it only while it holds settings.
//
// Location: $TARROW_CONFIG_DIR/Tarrow.ini when that variable is set, else
// $XDG_CONFIG_HOME/tarrow/Tarrow.ini, else ~/.config/tarrow/Tarrow.ini.
//
// Layout: 65 536 bytes, little-endian, no padding.  A string(n) is one length
// byte 0..n and n bytes whose first `length` are the Windows-1252 characters
// (a larger length byte reads as n).  Booleans are one byte, read as nonzero,
// written as 0 or 1.  Unused bytes are written as zero.
//
//   | offset | size | type            | field                                      | default  |
//   |--------|------|-----------------|--------------------------------------------|----------|
//   |      0 |  129 | string(128)     | output directory                           | see note |
//   |    259 |   65 | string(64)      | site                                       | club name|
//   |    324 |   65 | string(64)      | printer name                               | empty    |
//   |    392 |    4 | int32           | deal-number text: 0 decimal, 1 base64,     | 1        |
//   |        |      |                 |   other hex                                |          |
//   |    396 |    4 | int32           | not used                                   | 1        |
//   |    400 |    4 | int32           | format version; valid only with 179        | 179      |
//   |    404 |    1 | Boolean         | Show Deal Numbers                          | false    |
//   |    405 |    1 | Boolean         | Show Analysis                              | false    |
//   |    406 |    1 | Boolean         | Show LTC                                   | false    |
//   |    407 |    1 | Boolean         | All Tricks (true) or All Contracts (false) | false    |
//   |    408 |    1 | Boolean         | Show Distributions                         | false    |
//   |    409 |    1 | Boolean         | Flip Pages                                 | false    |
//   |    410 |    1 | uint8           | threads to use, 1..32                      | 1        |
//   |    411 |    1 | uint8           | current club: list index, 255 none         | 0        |
//   |    412 |    1 | uint8           | current event: list index, 255 none        | 0        |
//   |    413 |    1 | Boolean         | Show Par (a spare byte, zero in older      | false    |
//   |        |      |                 |   files, so they read with it off)         |          |
//   |    414 |    1 | uint8           | LTC queen adjustment, 0..2                 | 0        |
//   |    415 |    1 | uint8           | boards in play, 1..36: the last board of   | 36       |
//   |        |      |                 |   hand records, setup sheets, travelers    |          |
//   |        |      |                 |   and exports (a spare byte: 0 in older    |          |
//   |        |      |                 |   files, and any value outside 1..36,      |          |
//   |        |      |                 |   reads as 36)                             |          |
//   |    799 |  650 | 10 x string(64) | club names, entry 0 first                  | empty    |
//   |   1449 |  650 | 10 x string(64) | event names                                | empty    |
//   |   2099 |    1 | uint8           | monitor of the deal viewer                 | 0        |
//   |   2102 |    1 | Boolean         | Auto Fill Description with Filename        | false    |
//   |   2104 |   32 | reserved        | cleared when defaults are made             | zero     |
//   | 65 516 |   20 | digest          | HashBlock of bytes 0..65 515               | computed |
//
// A file is accepted only when exactly 65 536 bytes could be read (a longer
// file is read only that far), the version is 179 and the digest matches.
// A missing file gives the defaults, written at once.  A damaged record
// (short, empty, another version, a digest that does not match) is renamed
// to Tarrow.ini.bad (.bad.2, .bad.3, ... when older copies are there; none
// is replaced) before the defaults are written, and the load says so: the
// lists and folders in it may be worth recovering.  A file that exists but
// cannot be read (no permission, an I/O error, a folder or a named pipe
// where the file should be) is left alone: the program runs on defaults in
// memory and says why, since overwriting it would throw away settings that
// may be perfectly good.  The default output
// directory is the user's documents folder (XDG_DOCUMENTS_DIR, else
// ~/Documents when it exists), else the home folder.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "core/deal_number.h"
#include "core/deal_set.h"
#include "core/hand_record_options.h"
#include "core/ltc.h"
#include "core/result.h"

namespace tarrow {

// The record's fields, in four tables by kind: where each lives and what a
// new record holds.  The record, its defaults and App's commands all go by
// them, so a field is added by a row (and its control in the window, which
// maps the fields to its controls).

// The on/off options: one byte each, 0 off and anything else on; a new
// record has them all off.  An option is one row here: its name, from which
// follow Switch::k<Name> and the record's <Name>() and Set<Name>(bool); its
// byte in the record; and the member of HandRecordOptions it gives, for the
// options the hand records show (kNotOnHandRecords for the others).  "All
// Tricks" is the double-dummy display: on "All Tricks", off "All Contracts".
// clang-format off
#define TARROW_SWITCHES(Row)                                          \
  Row(ShowDealNumbers, 404, &HandRecordOptions::showDealNumbers)     \
  Row(ShowAnalysis, 405, &HandRecordOptions::showAnalysis)           \
  Row(ShowLtc, 406, &HandRecordOptions::showLtc)                     \
  Row(AllTricks, 407, &HandRecordOptions::allTricks)                 \
  Row(ShowDistributions, 408, &HandRecordOptions::showDistributions) \
  Row(FlipPages, 409, kNotOnHandRecords)                             \
  Row(ShowPar, 413, &HandRecordOptions::showPar)                     \
  Row(AutoFillDescription, 2102, kNotOnHandRecords)
// clang-format on

#define TARROW_SWITCH_NAME(name, offset, choice) k##name,
enum class Switch { TARROW_SWITCHES(TARROW_SWITCH_NAME) };
#undef TARROW_SWITCH_NAME

inline constexpr bool HandRecordOptions::*kNotOnHandRecords = nullptr;

struct SwitchField {
  Switch which;
  std::string_view name;                // as in the row: "ShowDealNumbers"
  size_t offset;                        // the byte in the record: 0 off, anything else on
  bool HandRecordOptions::*handRecord;  // the hand records' choice, or kNotOnHandRecords
};

#define TARROW_SWITCH_FIELD(name, offset, choice) \
  SwitchField{Switch::k##name, #name, offset, choice},
inline constexpr std::array kSwitchFields = {TARROW_SWITCHES(TARROW_SWITCH_FIELD)};
#undef TARROW_SWITCH_FIELD

// The small numbers: one byte each.  A stored value outside lowest..highest
// (older files hold 0 in the spare bytes) reads as `outside` and is kept
// until the number is set; a number set is cut to the range.
enum class NumberSetting {
  kThreads,          // Threads to Use
  kQueenAdjustment,  // the LTC queen adjustment's item, int(QueenMethod)
  kBoardsInPlay,     // the last board of hand records, setup sheets, travelers, exports
  kMonitor,          // the deal viewer's monitor
};

struct NumberField {
  NumberSetting which;
  size_t offset;
  int lowest, highest;
  int byDefault;  // what a new record holds
  int outside;    // what a stored value outside the range reads as
};

inline constexpr std::array<NumberField, 4> kNumberFields = {{
    {NumberSetting::kThreads, 410, 1, 32, 1, 1},
    {NumberSetting::kQueenAdjustment, 414, 0, 2, 0, 2},
    {NumberSetting::kBoardsInPlay, 415, 1, 36, 36, 36},
    {NumberSetting::kMonitor, 2099, 0, 255, 0, 0},
}};

// The texts: a length byte and `limit` bytes of Windows-1252 characters.
enum class TextSetting { kOutputDirectory, kSite, kPrinterName };

struct TextField {
  TextSetting which;
  size_t offset;
  size_t limit;
  // What a new record holds; the output folder's is the user's documents
  // folder, found when the defaults are made.
  std::string_view byDefault;
};

inline constexpr std::array<TextField, 3> kTextFields = {{
    {TextSetting::kOutputDirectory, 0, 128, ""},
    {TextSetting::kSite, 259, 64, "Bridge Club"},
    {TextSetting::kPrinterName, 324, 64, ""},
}};

// The lists of recent names: ten texts of 64 and the index (one byte, 255
// for none) of the one the box shows; a new record has empty lists and
// index 0.
enum class ListSetting { kClubs, kEvents };

struct ListField {
  ListSetting which;
  size_t offset;
  size_t indexOffset;
};

inline constexpr std::array<ListField, 2> kListFields = {{
    {ListSetting::kClubs, 799, 411},
    {ListSetting::kEvents, 1449, 412},
}};

// A field's row in its table.  Every field has one (checked by a test).
template <typename Row, size_t N, typename Which>
constexpr const Row& RowOf(const std::array<Row, N>& table, Which which) {
  for (const Row& row : table) {
    if (row.which == which) return row;
  }
  return table[0];
}
constexpr const SwitchField& FieldOf(Switch which) {
  return RowOf(kSwitchFields, which);
}
constexpr const NumberField& FieldOf(NumberSetting which) {
  return RowOf(kNumberFields, which);
}
constexpr const TextField& FieldOf(TextSetting which) {
  return RowOf(kTextFields, which);
}
constexpr const ListField& FieldOf(ListSetting which) {
  return RowOf(kListFields, which);
}

class SettingsRecord {
 public:
  static constexpr size_t kSize = 65536;
  static constexpr size_t kDigestOffset = 65516;
  static constexpr int32_t kVersion = 179;
  static constexpr int kListEntries = 10;
  static constexpr uint8_t kNoIndex = 255;
  static constexpr size_t kDirectoryLimit = FieldOf(TextSetting::kOutputDirectory).limit;
  // Site, printer, club and event names.
  static constexpr size_t kNameLimit = FieldOf(TextSetting::kSite).limit;

  // All bytes zero: not a valid record (version 0) until fields are set.
  SettingsRecord() = default;

  // The defaults with this output directory (cut to 128 characters).
  static SettingsRecord Defaults(std::string_view outputDirectory);
  // The record in bytes, when they are one: exactly kSize bytes given (more
  // are ignored), version 179, digest correct.
  static std::optional<SettingsRecord> FromBytes(std::string_view bytes);

  // The 65 536 bytes as they stand; StoreDigest first for a file image.
  const std::array<uint8_t, kSize>& Bytes() const noexcept { return bytes_; }
  void StoreDigest() noexcept;
  bool DigestMatches() const noexcept;

  // The fields by their tables.
  std::string Get(TextSetting which) const;
  void Set(TextSetting which, std::string_view text);  // cut to the field's limit
  int Get(NumberSetting which) const noexcept;
  void Set(NumberSetting which, int value) noexcept;  // cut to the field's range
  bool Get(Switch which) const noexcept { return bytes_[FieldOf(which).offset] != 0; }
  void Set(Switch which, bool on) noexcept { bytes_[FieldOf(which).offset] = on; }
  // A list's items: the ten entries in order, empty and repeated ones left
  // out.
  std::vector<std::string> Items(ListSetting which) const;
  // The box text: item [index] when the stored index is below 10, else item
  // 0; empty when there is no such item.
  std::string Selected(ListSetting which) const;
  // Stores the first ten items (each cut to 64) and the index of the first
  // one equal to current, 255 when none is.
  void SetList(ListSetting which, const std::vector<std::string>& items, std::string_view current);

  std::string OutputDirectory() const { return Get(TextSetting::kOutputDirectory); }
  void SetOutputDirectory(std::string_view path) { Set(TextSetting::kOutputDirectory, path); }
  std::string Site() const { return Get(TextSetting::kSite); }
  void SetSite(std::string_view site) { Set(TextSetting::kSite, site); }
  std::string PrinterName() const { return Get(TextSetting::kPrinterName); }
  void SetPrinterName(std::string_view name) { Set(TextSetting::kPrinterName, name); }

  // Stored as 0 decimal, 1 base64, any other value hex; a stored value is
  // kept as it is until a form is set.
  tarrow::DealNumberForm DealNumberForm() const noexcept {
    return DealNumberFormOf(Int32(kDealNumberForm));
  }
  void SetDealNumberForm(tarrow::DealNumberForm form) noexcept {
    SetInt32(kDealNumberForm, int32_t(form));
  }
  int32_t Version() const noexcept { return Int32(kVersionOffset); }

  // The on/off options by name: ShowLtc(), SetShowLtc(bool), ...
  // clang-format off
#define TARROW_SWITCH_ACCESS(name, offset, choice)                  \
  bool name() const noexcept { return Get(Switch::k##name); }        \
  void Set##name(bool on) noexcept { Set(Switch::k##name, on); }
  TARROW_SWITCHES(TARROW_SWITCH_ACCESS)
  // clang-format on
#undef TARROW_SWITCH_ACCESS
#undef TARROW_SWITCHES

  // What the hand records show: the options with a member of
  // HandRecordOptions, and the LTC queen adjustment.
  HandRecordOptions HandRecordChoices() const noexcept;
  void SetHandRecordChoices(const HandRecordOptions& choices) noexcept;

  int Threads() const noexcept {
    return Get(NumberSetting::kThreads);
  }
  void SetThreads(int threads) noexcept {
    Set(NumberSetting::kThreads, threads);
  }
  // A stored item outside 0..2 reads as the third, as the window's choice
  // shows it.
  QueenMethod QueenAdjustment() const noexcept {
    return QueenMethod(Get(NumberSetting::kQueenAdjustment));
  }
  void SetQueenAdjustment(QueenMethod method) noexcept {
    Set(NumberSetting::kQueenAdjustment, int(method));
  }
  // 1..36; a file from before the setting reads as 36.
  int BoardsInPlay() const noexcept {
    return Get(NumberSetting::kBoardsInPlay);
  }
  void SetBoardsInPlay(int boards) noexcept {
    Set(NumberSetting::kBoardsInPlay, boards);
  }
  int Monitor() const noexcept {
    return Get(NumberSetting::kMonitor);
  }
  std::vector<std::string> ClubNames() const {
    return Items(ListSetting::kClubs);
  }
  std::vector<std::string> EventNames() const {
    return Items(ListSetting::kEvents);
  }
  std::string SelectedClub() const {
    return Selected(ListSetting::kClubs);
  }
  std::string SelectedEvent() const {
    return Selected(ListSetting::kEvents);
  }
  void SetClubList(const std::vector<std::string>& items, std::string_view current) {
    SetList(ListSetting::kClubs, items, current);
  }
  void SetEventList(const std::vector<std::string>& items, std::string_view current) {
    SetList(ListSetting::kEvents, items, current);
  }

 private:
  // The fields outside the tables: the deal-number form, the unused word
  // and the version.
  static constexpr size_t kDealNumberForm = 392, kUnused396 = 396, kVersionOffset = 400;

  std::string String(size_t offset, size_t limit) const;
  void SetString(size_t offset, size_t limit, std::string_view text);
  int32_t Int32(size_t offset) const noexcept;
  void SetInt32(size_t offset, int32_t value) noexcept;

  std::array<uint8_t, kSize> bytes_{};
};

// Where the settings file lives (see the header comment); the folder is not
// created here.
std::filesystem::path SettingsPath();

// The user's documents folder, else the home folder.
std::filesystem::path DefaultOutputDirectory();

// The name the site field starts with.
inline constexpr std::string_view kDefaultSite = FieldOf(TextSetting::kSite).byDefault;

struct SettingsLoad {
  SettingsRecord record;
  bool madeDefaults = false;  // no valid record could be read: record holds the defaults
  // For the user, when the file was there but gave no record: why it could
  // not be read (then it is left alone), or that it was damaged, where it
  // now is and that the defaults are used.  Ok for a valid or missing file.
  Status problem;
  Status written;  // writing the defaults back; ok when nothing was written
  // The defaults may be written: the file is missing, or damaged and to be
  // kept aside first (WriteDefaultSettings).
  bool defaultsWanted = false;
};

// Reads the record at file; never writes.  A missing file gives the
// defaults.  A damaged record gives the defaults and a `problem` saying so,
// the file left as it is.  A file that cannot be opened or read for another
// reason, or is no regular file, gives the defaults in memory only and the
// reason in `problem`.  Never blocks on a named pipe.  Always gives a usable
// record.
SettingsLoad LoadSettings(const std::filesystem::path& file);
SettingsLoad LoadSettings();  // at SettingsPath()

// After a load that wants the defaults written (the window program does
// this): keeps a damaged file aside (see the header comment), then writes
// the defaults to the permit's file, saying so in `load.problem` and
// `load.written`.  The permit's folder is made when missing.
void WriteDefaultSettings(SettingsLoad& load, const WritePermit& permit);

// Stores the digest and replaces the permit's file whole (creating its
// folder); on failure the old file stays and the message names the path
// and reason.
Status SaveSettings(SettingsRecord& record, const WritePermit& permit);

}  // namespace tarrow

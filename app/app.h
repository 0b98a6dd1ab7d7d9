// The App object: the one owner of the program's state.  It holds the set,
// its file paths, the event fields the operator edits and the settings
// record (loaded once at creation, saved through App), and runs the flows
// behind the main window's buttons (deal, analyse, save, load, import)
// without any widgets or terminal I/O.  The window program and tarrow-cli
// both drive this class; failures come back as Status values for them to
// show.
//
//   QueueExecutor executor;
//   App app(executor);                          // reads Tarrow.ini
//   int threads = app.Settings().Threads();     // the window shows the record
//   app.NameSetFile("/home/club/tuesday.pbn");
//   app.DealFromSeed("Tuesday pairs");          // 36 boards, analysis cleared
//   Status saved = app.StartAnalysis();         // workers start, the set is saved
//   ... app.Tick() once a second until it reports completion ...
//   app.SetNumber(NumberSetting::kThreads, 4);  // a control's change is a command
//   app.CloseSession();                         // at closing: settings and set saved
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/runner.h"
#include "app/multi_run.h"
#include "app/output_plan.h"
#include "core/atomic_file.h"
#include "core/deal_set.h"
#include "core/result.h"
#include "files/load_report.h"
#include "files/settings.h"
#include "records/hand_record.h"
#include "records/output_drivers.h"
#include "records/printer.h"
#include "records/surface.h"

namespace tarrow {

// The header fields the operator edits, as Windows-1252 text.  SaveFile
// copies them into the set header (cut to their limits) before each save.
struct EventFields {
  std::string event;
  std::string description;
  std::string club;
  std::string site;
  DateTime eventDate = 0;
};

// The user's word to replace a file in the way that this program did not
// write, or that holds another set: the command line's --force, Yes to the
// question of a NeedsWord verdict, or a save dialog that asked already.
enum class Word { kNotGiven, kGiven };

// What a flow's command did, for the front end to show or ask about.  A
// front end asks the question of a verdict that needs the word and, on Yes,
// calls the command again with Word::kGiven:
//
//   Verdict dealt = app.Deal(seed, file, Word::kNotGiven);
//   if (dealt.needsWord() && Ask(dealt.message + ".\n\n" + dealt.question)) {
//     dealt = app.Deal(seed, file, Word::kGiven);
//   }
//   if (dealt.refused()) Show(dealt.message);
struct Verdict {
  enum class Kind { kDone, kNeedsWord, kRefused };

  static Verdict Done() { return {}; }
  // `inTheWay` names the file and why it is not replaced unasked; `question`
  // says what Yes does ("Replace it with ...?").
  static Verdict NeedsWord(std::string inTheWay, std::string question) {
    return {Kind::kNeedsWord, std::move(inTheWay), std::move(question)};
  }
  static Verdict Refused(std::string message) { return {Kind::kRefused, std::move(message), {}}; }

  bool done() const noexcept { return kind == Kind::kDone; }
  bool needsWord() const noexcept { return kind == Kind::kNeedsWord; }
  bool refused() const noexcept { return kind == Kind::kRefused; }

  Kind kind = Kind::kDone;
  std::string message;   // kNeedsWord: what is in the way; kRefused: why not
  std::string question;  // kNeedsWord: what the word would do
};

// The sheets printed for the tables besides the hand records.
enum class SheetKind { kSetupSheets, kTravelers };

// Whether App may write the settings file: the window program writes it
// (defaults over a missing or damaged file, and at closing); the command
// line only reads it.
enum class SettingsFileUse { kReadWrite, kReadOnly };

class App {
 public:
  // Reads the settings record from settingsFile once (see LoadSettings);
  // the event fields start from it (site, selected club and event).
  explicit App(OwnerExecutor& executor, std::filesystem::path settingsFile = SettingsPath(),
               SettingsFileUse use = SettingsFileUse::kReadWrite);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // The set in hand, to read; it changes only through App's commands.
  const DealSet& Set() const noexcept { return *set_; }
  // For tests that set up a state no command makes (results on a board).
  DealSet& MutableSetForTest() noexcept { return *set_; }
  // True from a deal or load until the set is set aside.
  bool HasReadySet() const noexcept { return setReady_; }
  // The window sets a set aside while the operator edits the seed: the
  // analysis stops and what it found is saved (LeaveSet, whose status this
  // is); then the set is not ready and nothing is saved until a set is
  // dealt or loaded again.
  Status SetAside();

  // What changes whenever another set comes into hand (dealt, loaded,
  // imported): a front end keeps what it showed for one set by this.
  std::uint64_t SetIdentity() const noexcept { return setIdentity_; }

  // The set's file and where its PBN goes.  Naming the file of the next set
  // ("Browse") sets both to the chosen path; `word` is the word a save
  // dialog gave when it asked before choosing a file that exists, and holds
  // for the next Deal into that file.
  const std::filesystem::path& SetFilePath() const noexcept { return setFilePath_; }
  const std::filesystem::path& PbnPath() const noexcept { return pbnPath_; }
  void NameSetFile(const std::filesystem::path& path, Word word = Word::kNotGiven);
  // Sends the PBN elsewhere, keeping SetFilePath (and so the PDF's place).
  // The set is not saved there yet, so the next SaveFile writes it.
  void SetPbnPath(const std::filesystem::path& path);
  // Where the hand-record PDF goes: beside the set's PBN, with the extension
  // ".pdf", so a set and its hand records always travel together.
  std::filesystem::path PdfPath() const;

  // Before a flow writes the set (Deal and Load do it themselves): checks PbnPath and (with
  // writePdf) PdfPath for `set` at the output gate (the set's own file may take it back; another
  // set, or a file this program did not write, needs replaceAllowed, which then holds for the set's
  // next write) and then takes the lock beside PbnPath, held until the set's file changes. Nothing
  // is written.
  OutputVerdict ClaimSetOutputs(const DealSet& set, bool replaceAllowed);
  // The same for the set in memory.
  OutputVerdict ClaimSetOutputs(bool replaceAllowed) {
    return ClaimSetOutputs(*set_, replaceAllowed);
  }
  // The plan of a document made from the set (a PDF, a page, a picture, an
  // export), for the output gate: never the set's own file, never over a
  // set, a folder that takes it, and a file in the way that this program
  // did not write only with replaceAllowed.  `extension` says what the
  // document is (".pdf", ".png", ...): a name ending in another of the
  // program's kinds of file is refused.
  OutputPlan DocumentPlan(const std::filesystem::path& path, std::string_view extension,
                          bool replaceAllowed = false) const;
  // The verdict on such a document's file before it is made (a picture
  // drawn, a printer's file written by the print system): refused or
  // needing the word as the gate would be when it is written.
  Verdict CheckDocument(const std::filesystem::path& path, std::string_view extension,
                        Word word = Word::kNotGiven) const;
  // Writes such a document through the gate.
  OutputVerdict WriteDocument(const std::filesystem::path& path, std::string_view bytes,
                              std::string_view extension, bool replaceAllowed = false) const;
  // True while another Tarrow holds the set's file: the set is shown but
  // never saved here.
  bool ReadOnly() const noexcept { return readOnly_; }
  // What the program did or found beside a flow and the user should know
  // (a lock taken over, hand records left out of date); the caller shows
  // and clears them.
  std::vector<std::string> TakeNotes() { return std::exchange(notes_, {}); }

  // The header fields the operator edits; SaveFile copies them into the
  // set header.  Each setter is a command of the window's controls.
  const EventFields& Fields() const noexcept { return fields_; }
  void SetFields(const EventFields& fields) { fields_ = fields; }
  // The event and club are also the texts of the record's lists: the
  // box's text becomes the list's selected entry.
  void SetEventName(std::string_view text);
  void SetDescription(std::string_view text) { fields_.description = text; }
  void SetClub(std::string_view text);
  // The site is the record's site too.
  void SetSite(std::string_view text);
  void SetEventDate(DateTime date) noexcept { fields_.eventDate = date; }
  // The computer the set is written on, for the set header.
  // The companion of another program's file keeps that file's origin.
  void StoreComputerName(std::string_view name);
  // The analysis duration (days) of the set in hand, for its header.
  void SetAnalysisDuration(double days) noexcept { set_->header.analysisDuration = float(days); }

  // Whether SaveFile also writes the hand records beside the set.
  bool WritesPdf() const noexcept { return writePdf_; }
  void SetWritePdf(bool write) noexcept { writePdf_ = write; }
  // The emblem in the hand-record header.
  const RgbImage& Logo() const noexcept { return logo_; }

  // The settings record: the options, the Threads to Use, the output
  // directory, the club and event lists, to read.  Changes go through the
  // commands below (one per kind of field, by the record's tables) and are
  // kept in memory until SaveSettings or CloseSession.
  const SettingsRecord& Settings() const noexcept { return settings_; }
  // For tests that set up a record no command makes.
  SettingsRecord& MutableSettingsForTest() noexcept { return settings_; }
  // An on/off option (kSwitchFields).
  void SetSwitch(Switch which, bool on) noexcept { settings_.Set(which, on); }
  // A number (kNumberFields), cut to its range.
  void SetNumber(NumberSetting which, int value) noexcept { settings_.Set(which, value); }
  // A text (kTextFields), cut to its limit: the caller checks a folder's
  // length, since a cut path names another folder.  The site is the event
  // field's too.
  void SetText(TextSetting which, std::string_view text);
  // A list's items as the box holds them (kListFields): stored without
  // empty and repeated names, the first ten, with the event field's text
  // as the selected entry.
  void SetListItems(ListSetting which, const std::vector<std::string>& items);
  // Boards in play, 1..36 (default 36): the last board of the hand records
  // (printed, PDF, web page), of the exports' default range and of the
  // window's Last Board.
  int BoardsInPlay() const noexcept { return settings_.BoardsInPlay(); }
  // The Threads to Use setting, 1..32.
  int ThreadsSetting() const noexcept { return settings_.Threads(); }
  // True when the record came from a valid file, false when it holds the
  // defaults (first start, a damaged or unreadable file).
  bool SettingsFromFile() const noexcept { return settingsFromFile_; }
  // Why the settings file could not be read or the defaults not written
  // there; ok when all went well.  For the window's status line.
  const Status& SettingsProblem() const noexcept { return settingsProblem_; }
  // Writes the record to the settings file (an error in read-only use).
  Status SaveSettings();
  // At closing: writes the settings file, then saves the set when one is
  // ready.  The first failure is returned.
  Status CloseSession();

  // What the hand records show, from the record, and back into it.
  HandRecordOptions HandRecordChoices() const;
  void SetHandRecordChoices(const HandRecordOptions& options);

  // The Deal button and `tarrow-cli deal`: deals the set of `seed` (a
  // checked seed text) into `file`.  The PBN there, and with WritesPdf the
  // hand records beside it, are checked for the new set first and the lock
  // is taken (ClaimSetOutputs): another set or a file this program did not
  // write needs the word, given here or by NameSetFile.  On Done the set is
  // dealt as DealFromSeed does, not yet saved (StartAnalysis or SaveFile
  // writes it); otherwise the set in hand stays as it was.
  Verdict Deal(std::string_view seed, const std::filesystem::path& file, Word word);

  // Deals the set from the seed: generation time now, 36 boards, analysis
  // cleared, the set ready.  An analysis still running on the previous set
  // is stopped and waited for first, so that none of its results can land
  // on the new boards.
  void DealFromSeed(std::string_view seed);
  // The same with a given generation time (a multiple-set run keeps the one
  // the set already has).
  void DealFromSeed(std::string_view seed, DateTime generationTime);

  // Starts the analysis of every job not yet done on the Threads to Use
  // setting's workers and saves the set.  An error when no worker could be
  // started (the analysis is then not running), else the save's status
  // (the analysis runs either way).
  Status StartAnalysis();
  void StopAnalysis() noexcept;
  bool AnalysisRunning() const noexcept;
  // What the window and the command line show of the analysis: jobs and
  // boards done, the time since StartAnalysis started this run and the
  // estimate by its pace (ProgressSummary, one baseline for both).
  std::string AnalysisSummary() const;
  // Workers actually started by the last StartAnalysis.
  int WorkersStarted() const noexcept { return workersStarted_; }
  const AnalysisRunner& Runner() const noexcept { return *runner_; }

  struct TickOutcome {
    bool analysed = false;  // the analysis was running at this tick
    AnalysisRunner::TickResult tick;
    Status save;           // of the periodic or final save, when one ran
    bool stepped = false;  // a multiple-set run was going at this tick
    Status run;            // of the run's step
  };
  // Once a second, for the window's timer and the command line's loop
  // alike: the analysis's progress, its periodic save (every 61st tick) and
  // final save, then the step of a multiple-set run that is going.
  TickOutcome Tick();

  // The multiple-set run of this session (idle until started).
  MultiSetRun& MultiRun() noexcept { return *run_; }
  const MultiSetRun& MultiRun() const noexcept { return *run_; }
  // Tests put in a host whose analysis ends at once; only while idle.
  void SetRunHostForTest(std::unique_ptr<MultiRunHost> host);
  // Stops the analysis, waits for the workers and saves what is done.
  TickOutcome StopAndWait();

  // Copies the fields into the header and writes the PBN only when the set
  // changed since it was last written or loaded; then the hand-record PDF
  // when the PBN was written now or the PDF failed at an earlier save (a
  // failed PDF is tried again at every save until it is written, and
  // reported each time).
  Status SaveFile();
  // Writes the PBN whether or not anything changed ("Force PBN Write").
  Status ForcePbnWrite();
  // Writes the hand records of boards 1..BoardsInPlay to PdfPath ("Re-Write
  // PDF of Hand Records"), through the gate.
  OutputVerdict WriteHandRecords(bool replaceAllowed = false);
  // The same to another file (the command line's --out).
  OutputVerdict WriteHandRecordsTo(const std::filesystem::path& pdfPath,
                                   bool replaceAllowed = false);

  // Printing ("Print Hand Records", "Print Setup Sheets", "Print Travelers")
  // on the system's printer or a PdfPrinter.  Each run takes the options,
  // the club text and the settings as they stand now; printer failures come
  // back with the system's message.
  //
  // Makes the stored printer current; a name no longer installed selects
  // the default printer and is stored as "Default Printer".  Returns the
  // name to show.
  std::string SelectStoredPrinter(Printer& printer);
  // Stores the name of the printer now current (after the print dialog, or
  // a printer named on the command line), cut to 64; returns it.
  std::string TakePrinterChoice(Printer& printer);
  // Hand records of boards 1..BoardsInPlay, copies 1..200 of each page;
  // with flip and a second page two jobs with the pause between them.
  Status PrintHandRecords(Printer& printer, int copies, bool flip, const FlipPause& pause);
  // Setup sheets or travelers as a PDF, page for page as PrintSetupSheets
  // and PrintTravelers print them, through the gate: at `path`, or empty
  // for SheetsPdfPath.
  Verdict WriteSheetsPdf(SheetKind kind, std::filesystem::path path, int lastBoard, Word word);
  // Beside the set: NAME-setup-sheets.pdf or NAME-travelers.pdf.
  std::filesystem::path SheetsPdfPath(SheetKind kind) const;
  // Setup sheets of boards 1..lastBoard (1..36); the "Deal # " line as the
  // settings' Show Deal Numbers and deal-number form say.
  Status PrintSetupSheets(Printer& printer, int lastBoard);
  // Travelers of boards 1..lastBoard (1..36).
  Status PrintTravelers(Printer& printer, int lastBoard);

  // Load and "Load Test Set", and the commands that work on a set file:
  // loads `path` (OpenFile) and readies the set's outputs, its own file or
  // `pbnPath` when one is given (the command line's --out), with the hand
  // records beside it.  Refused, with the set in memory as it was, when the
  // file cannot be read (a file of another kind also sets the set in hand
  // aside); NeedsWord, with the set loaded, when a file in the way of its
  // outputs is not ours to replace: Load again with the word replaces it,
  // KeepLoadedSetBeside saves the set beside it instead.  Refused, with the
  // set loaded, when the outputs cannot be written at all.  A set another
  // Tarrow is writing is loaded read-only (Done).
  Verdict Load(const std::filesystem::path& path, std::string_view event, Word word,
               const std::filesystem::path& pbnPath = {});
  // After a Load that needed the word and did not get it: the set goes to
  // FreeSetPathBeside, and a load warning says so.
  Verdict KeepLoadedSetBeside();
  // The events of a PBN file that holds several, in file order, for the
  // operator to choose one before Load; empty for a file of one event, of
  // another kind, or one that cannot be read (Load says why).
  std::vector<std::string> EventsIn(const std::filesystem::path& path) const;

  // Loads a file by its extension: ".pbn" as a saved set (LoadSetFile),
  // ".bre", ".ber", ".bri" and ".dup" as dealing-machine files (ImportDealFile).  On
  // any failure the set in memory and both paths stay exactly as they were.
  // `event` chooses one event of a PBN file that holds several (its number
  // from 1 or its name; empty: the first).
  Status OpenFile(const std::filesystem::path& path, std::string_view event = {});
  // A saved PBN set: its boards, tables and header, counted as saved.
  // SetFilePath and PbnPath become the file.  A file of another program
  // that the set cannot be written back into is read but never written: its
  // set is kept in its companion beside it (companion.h), which a later
  // load uses again while it holds the same deals.
  Status LoadSetFile(const std::filesystem::path& path, std::string_view event = {});
  // The file the program was started with, read again (LoadSetFile) when
  // the operator comes back to the window: another program may have changed
  // it.  Read when no set is in hand, or when the set in hand is this
  // file's and the file changed on disk since.  Never during an analysis or
  // a multiple-set run (their results would be thrown away), nor once the
  // operator has moved on to another set, nor when the file is unchanged or
  // holds what this session last wrote there (reading it would undo what
  // was typed since).  True when the set was read again; an error, with the
  // set in hand as it was, when the file could not be read.
  Result<bool> ReloadIfChanged(const std::filesystem::path& path);

  // The hand editor's change of a board: the board gets the new deal and
  // loses its analysis, and the set is saved.  A running analysis is
  // stopped first (a job in flight would store the old deal's tricks on the
  // new one) and started again, which queues the board afresh.
  Status ReplaceBoard(int board, const DealNumber& number);

  // Forgets the DoneMasks of every board and starts the analysis again.
  // Until it has found every result again the file keeps the old ones: no
  // save writes fewer results than it holds.
  Status RepeatDoubleDummy();
  bool RepeatPending() const noexcept { return repeatPending_; }

  // Before the operator moves away from the set (a new seed, a new file, a
  // new deal, a load, closing): stops the analysis, waits for the workers
  // and saves what is done, so nothing found since the last save is lost.
  Status LeaveSet();
  // What the last load or import told the user (boards missing or ignored,
  // metadata that did not read, a new file name for the set): shown as
  // warnings, the load went on.
  const std::vector<std::string>& LoadWarnings() const noexcept { return loadWarnings_; }

 private:
  // A dealing-machine file: its deals as boards 1.., seed "None", not yet
  // saved; the PBN goes beside it with the extension ".pbn".  With " Auto
  // Fill Description with Filename" set, an empty description becomes
  // "File: " and the file's name after any load.
  Status ImportDealFile(const std::filesystem::path& path);
  // A name beside `path` for a set that may not go to `path` itself:
  // "NAME.tarrow.pbn", else "NAME.tarrow-2.pbn", ..., the first that is free
  // or holds this same set.
  std::filesystem::path FreeSetPathBeside(const std::filesystem::path& path) const;
  // The event field that is a list's box text (club or event), and setting
  // it: the field and the list's selected entry at once.
  std::string& ListText(ListSetting which) noexcept;
  void SelectListEntry(ListSetting which, std::string_view text);
  void CopyFieldsIntoHeader();
  Status WritePbn();  // the header as it stands
  Status WritePbn(const DealSet& written);
  // Takes the lock beside PbnPath unless it is held already.
  Status ClaimSetFile();
  // After a load: takes the lock, or shows the set read-only.
  void ClaimLoadedSet();
  // The plan of writing `set` to PbnPath: the set's own file as its input.
  OutputPlan SetPlan(const DealSet& set) const;
  // Lets go of the lock when the set's file is no longer PbnPath.
  void ReleaseStaleLock();
  // Puts a freshly read set in place of the current one, after stopping any
  // analysis, and takes the paths and fields from it.
  // Clears the last load's warnings.
  void AdoptLoadedSet(DealSet loaded, const std::filesystem::path& path);
  // A file of another program: its set goes to the file's companion, or the
  // companion's analysed set is used (app/companion.cpp).
  Status AdoptForeignSet(DealSet loaded, const std::filesystem::path& path,
                         const LoadReport& report);
  // Puts a freshly dealt set in place of the current one.
  void TakeDealtSet(DealSet dealt);
  // A set whose file gives its date as unknown keeps it so (no date printed).
  void KeepDateUnknown() noexcept;

  std::filesystem::path settingsFile_;
  SettingsFileUse settingsUse_;
  SettingsRecord settings_;
  bool settingsFromFile_ = false;
  Status settingsProblem_;
  std::unique_ptr<DealSet> set_;
  EventFields fields_;
  bool writePdf_ = true;
  RgbImage logo_;
  bool setReady_ = false;
  std::uint64_t setIdentity_ = 0;
  std::filesystem::path fileWord_;  // the file NameSetFile had the word for
  bool holdsSet_ = false;           // a set dealt or loaded for the current file
  std::vector<std::string> loadWarnings_;
  // What ReloadIfChanged last read, and its time on disk then.
  std::filesystem::path reloadedFile_;
  std::filesystem::file_time_type reloadedTime_{};
  bool pdfPending_ = false;  // the PBN was written but its PDF is not yet
  std::filesystem::path setFilePath_;
  std::filesystem::path pbnPath_;
  FileLock setLock_;  // beside PbnPath, from a load, the first write or ClaimSetOutputs
  bool readOnly_ = false;
  // What this session last wrote or read at PbnPath: the file still holding
  // it is the set's own.
  std::optional<std::string> setBytes_;
  std::filesystem::path setWord_;  // the user's word to replace what is at this path
  std::filesystem::path pdfWord_;
  bool repeatPending_ = false;
  std::unique_ptr<DealSet> repeatBase_;  // the set as it was before Repeat Double Dummy
  std::filesystem::path setPathSeen_;    // the file setBytes_ and readOnly_ are of
  std::vector<std::string> notes_;
  std::filesystem::path stalePdfNoted_;
  std::unique_ptr<AnalysisRunner> runner_;
  int workersStarted_ = 0;
  std::chrono::steady_clock::time_point analysisStart_{};  // of the run now going
  int jobsAtStart_ = 0;                                    // jobs known when it started
  std::unique_ptr<MultiRunHost> runHost_;
  std::unique_ptr<MultiSetRun> run_;
};

}  // namespace tarrow

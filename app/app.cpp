#include "app/app.h"

#include <algorithm>
#include <cassert>
#include <thread>

#include "app/analysis_display.h"
#include "app/companion.h"
#include "app/ownership.h"
#include "core/banner.h"
#include "core/generation.h"
#include "files/deal_files.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "records/hand_record_pdf.h"
#include "records/logo.h"
#include "records/pdf_printer.h"

namespace tarrow {
namespace {

namespace fs = std::filesystem;

// A box's items as the lists keep them: no empty names, each name once.
std::vector<std::string> DistinctNames(const std::vector<std::string>& items) {
  std::vector<std::string> names;
  for (const std::string& item : items) {
    if (!item.empty() && std::find(names.begin(), names.end(), item) == names.end()) {
      names.push_back(item);
    }
  }
  return names;
}

}  // namespace

App::App(OwnerExecutor& executor, std::filesystem::path settingsFile, SettingsFileUse use)
    : settingsFile_(std::move(settingsFile)),
      settingsUse_(use),
      set_(std::make_unique<DealSet>()),
      runner_(std::make_unique<AnalysisRunner>(*set_, executor)),
      runHost_(std::make_unique<AppRunHost>(*this)),
      run_(std::make_unique<MultiSetRun>(*runHost_)) {
  SettingsLoad load = LoadSettings(settingsFile_);
  if (use == SettingsFileUse::kReadWrite && load.defaultsWanted) {
    // The defaults go where no settings are, or over a damaged file once it
    // is kept aside (its bytes live on as Tarrow.ini.bad): the program's
    // own word for the settings file.
    std::error_code error;
    if (settingsFile_.has_parent_path()) fs::create_directories(settingsFile_.parent_path(), error);
    OutputPlan plan;
    plan.outputs.push_back({settingsFile_, OutputKind::kSettings});
    plan.replaceAllowed = !load.problem.ok();
    GateResult gate = PassGate(plan);
    if (gate.writer) {
      WriteDefaultSettings(load, gate.writer->Permit(settingsFile_));
    } else {
      load.written = gate.verdict.status;
    }
  }
  settings_ = load.record;
  settingsFromFile_ = !load.madeDefaults;
  // Without a settings file the analysis uses the machine: as many workers
  // as processors, at most the eight the runner has.
  if (load.madeDefaults) {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    settings_.SetThreads(uint8_t(std::min(processors, unsigned(kMaxWorkers))));
  }
  settingsProblem_ = !load.problem.ok() ? load.problem : load.written;
  fields_.eventDate = Today();
  fields_.site = settings_.Site();
  fields_.club = settings_.SelectedClub();
  fields_.event = settings_.SelectedEvent();
  logo_ = ::tarrow::Logo();
}

App::~App() {
  runner_->StopAndWait();
}

void App::NameSetFile(const std::filesystem::path& path, Word word) {
  // The set in memory belongs to the file it came from: it is never saved
  // under a name chosen for the next set.
  if (path != setFilePath_) holdsSet_ = false;
  if (word == Word::kGiven) {
    fileWord_ = path;
  } else if (path != fileWord_) {
    fileWord_.clear();
  }
  setFilePath_ = path;
  pbnPath_ = path;
  ReleaseStaleLock();
}

void App::SetPbnPath(const std::filesystem::path& path) {
  pbnPath_ = path;
  set_->setDigest = {};
  ReleaseStaleLock();
}

OutputPlan App::DocumentPlan(const std::filesystem::path& path, std::string_view extension,
                             bool replaceAllowed) const {
  OutputPlan plan;
  for (const std::filesystem::path& input : {setFilePath_, pbnPath_}) {
    if (!input.empty()) plan.inputs.push_back({input, InputRole::kReadOnly});
  }
  plan.outputs.push_back({path, OutputKind::kDocument, std::string(extension)});
  plan.replaceAllowed = replaceAllowed;
  return plan;
}

OutputVerdict App::WriteDocument(const std::filesystem::path& path, std::string_view bytes,
                                 std::string_view extension, bool replaceAllowed) const {
  const GateResult gate = PassGate(DocumentPlan(path, extension, replaceAllowed));
  if (!gate.writer) return gate.verdict;
  return {gate.writer->Write(path, bytes), false};
}

Verdict App::CheckDocument(const std::filesystem::path& path, std::string_view extension,
                           Word word) const {
  const OutputVerdict verdict = CheckOutputs(DocumentPlan(path, extension, word == Word::kGiven));
  if (verdict.needsWord) return Verdict::NeedsWord(verdict.status.message(), "Replace it?");
  if (!verdict.ok()) return Verdict::Refused(verdict.status.message());
  return Verdict::Done();
}

std::filesystem::path App::PdfPath() const {
  std::filesystem::path pdf = pbnPath_;
  return pdf.replace_extension(".pdf");
}

OutputPlan App::SetPlan(const DealSet& set) const {
  OutputPlan plan;
  if (!setFilePath_.empty()) {
    const bool source = DealExtensionKind(setFilePath_) == DealFileKind::kPbn;
    plan.inputs.push_back({setFilePath_, source ? InputRole::kSetSource : InputRole::kReadOnly});
  }
  plan.outputs.push_back({pbnPath_, OutputKind::kSet, ".pbn"});
  // What the file holds is the set's own only for the set in hand; a set
  // about to be dealt there is another.
  if (&set == set_.get()) plan.outputs.back().knownBytes = setBytes_;
  plan.newSet = &set;
  return plan;
}

OutputVerdict App::ClaimSetOutputs(const DealSet& set, bool replaceAllowed) {
  if (pbnPath_.empty()) return {Status::Error("the set has no file name yet"), false};
  OutputPlan plan = SetPlan(set);
  if (writePdf_) plan.outputs.push_back({PdfPath(), OutputKind::kDocument, ".pdf"});
  plan.replaceAllowed = replaceAllowed;
  OutputVerdict verdict = CheckOutputs(plan);
  if (verdict.ok()) verdict.status = ClaimSetFile();
  if (verdict.ok() && replaceAllowed) {
    setWord_ = pbnPath_;
    pdfWord_ = PdfPath();
  }
  return verdict;
}

Status App::ClaimSetFile() {
  if (pbnPath_.empty()) return Status::Error("the set has no file name yet");
  if (setLock_.Held() && setLock_.File() == ResolvedPath(pbnPath_)) return Status();
  if (readOnly_) {
    return Status::Error(pbnPath_.string() +
                         " is open read-only: another Tarrow was writing it "
                         "when it was loaded; nothing is saved here (load it again, or save it "
                         "under another name)");
  }
  setLock_.Release();
  Result<FileLock> lock = FileLock::Acquire(pbnPath_);
  if (!lock.ok()) return lock.status();
  setLock_ = std::move(*lock);
  if (!setLock_.TakenOver().empty()) notes_.push_back("Tarrow " + setLock_.TakenOver());
  return Status();
}

void App::ClaimLoadedSet() {
  readOnly_ = false;
  if (settingsUse_ != SettingsFileUse::kReadWrite) return;  // the commands claim as they write
  const Status claimed = ClaimSetFile();
  if (claimed.ok()) return;
  readOnly_ = true;
  loadWarnings_.push_back(claimed.message() + "; the set is shown read-only and is not saved here");
}

void App::ReleaseStaleLock() {
  if (pbnPath_.empty() || ResolvedPath(pbnPath_) != setPathSeen_) {
    // Another file: what was known of the last one, and the word given for
    // it, do not carry over.
    setBytes_.reset();
    readOnly_ = false;
    setPathSeen_ = pbnPath_.empty() ? std::filesystem::path() : ResolvedPath(pbnPath_);
  }
  if (setLock_.Held() && (pbnPath_.empty() || setLock_.File() != ResolvedPath(pbnPath_))) {
    setLock_.Release();
  }
}

Status App::SaveSettings() {
  if (settingsUse_ == SettingsFileUse::kReadOnly) {
    return Status::Error("the settings " + settingsFile_.string() + " are only read here");
  }
  std::error_code error;
  if (settingsFile_.has_parent_path()) fs::create_directories(settingsFile_.parent_path(), error);
  OutputPlan plan;
  plan.outputs.push_back({settingsFile_, OutputKind::kSettings});
  const GateResult gate = PassGate(plan);
  if (!gate.writer) {
    return Status::Error(gate.verdict.status.message() +
                         (gate.verdict.needsWord ? "; the settings are not saved there" : ""));
  }
  return tarrow::SaveSettings(settings_, gate.writer->Permit(settingsFile_));
}

Status App::CloseSession() {
  const Status saved = SaveSettings();
  const Status set = SaveFile();
  return saved.ok() ? set : saved;
}

std::string& App::ListText(ListSetting which) noexcept {
  return which == ListSetting::kClubs ? fields_.club : fields_.event;
}

void App::SelectListEntry(ListSetting which, std::string_view text) {
  ListText(which) = text;
  settings_.SetList(which, settings_.Items(which), text);
}

void App::SetEventName(std::string_view text) {
  SelectListEntry(ListSetting::kEvents, text);
}

void App::SetClub(std::string_view text) {
  SelectListEntry(ListSetting::kClubs, text);
}

void App::SetSite(std::string_view text) {
  SetText(TextSetting::kSite, text);
}

void App::SetText(TextSetting which, std::string_view text) {
  settings_.Set(which, text);
  if (which == TextSetting::kSite) fields_.site = text;
}

void App::SetListItems(ListSetting which, const std::vector<std::string>& items) {
  settings_.SetList(which, DistinctNames(items), ListText(which));
}

HandRecordOptions App::HandRecordChoices() const {
  return settings_.HandRecordChoices();
}

void App::SetHandRecordChoices(const HandRecordOptions& o) {
  settings_.SetHandRecordChoices(o);
}

void App::DealFromSeed(std::string_view seed) {
  DealFromSeed(seed, DateTimeNow());
}

Verdict App::Deal(std::string_view seed, const std::filesystem::path& file, Word word) {
  if (const Status usable = CheckSeedText(seed); !usable.ok())
    return Verdict::Refused(usable.message());
  if (file != setFilePath_) NameSetFile(file);
  // The file may hold another set (an earlier seed): it is replaced only
  // with the word, given now or when the file was named.
  const bool replaceAllowed = word == Word::kGiven || (!fileWord_.empty() && fileWord_ == file);
  DealSet dealt;
  GenerateSet(dealt, seed, DateTimeNow());
  const OutputVerdict outputs = ClaimSetOutputs(dealt, replaceAllowed);
  if (outputs.needsWord) {
    return Verdict::NeedsWord(outputs.status.message(), "Replace it with the set of this seed?");
  }
  if (!outputs.ok()) return Verdict::Refused(outputs.status.message());
  fileWord_.clear();
  TakeDealtSet(std::move(dealt));
  return Verdict::Done();
}

void App::DealFromSeed(std::string_view seed, DateTime generationTime) {
  DealSet dealt;
  GenerateSet(dealt, seed, generationTime);
  TakeDealtSet(std::move(dealt));
}

void App::TakeDealtSet(DealSet dealt) {
  runner_->StopAndWait();
  *set_ = std::move(dealt);
  ++setIdentity_;
  setBytes_.reset();  // another set: what the file holds is no longer its own
  set_->header.computerName = ComputerNameText();
  setReady_ = true;
  holdsSet_ = true;
  pdfPending_ = false;
  repeatPending_ = false;
}

Status App::StartAnalysis() {
  if (runner_->Running()) return Status();
  const Result<int> started = runner_->Start(ThreadsSetting());
  workersStarted_ = started.ok() ? *started : 0;
  if (!started.ok()) return started.status();
  analysisStart_ = std::chrono::steady_clock::now();
  jobsAtStart_ = CountProgress(*set_).jobs;
  return SaveFile();
}

std::string App::AnalysisSummary() const {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - analysisStart_).count();
  return ProgressSummary(CountProgress(*set_), jobsAtStart_, elapsed);
}

void App::StopAnalysis() noexcept {
  runner_->RequestStop();
}

bool App::AnalysisRunning() const noexcept {
  return runner_->Running();
}

App::TickOutcome App::Tick() {
  TickOutcome outcome;
  if (runner_->Running()) {
    outcome.analysed = true;
    outcome.tick = runner_->Tick();
    if (outcome.tick.completed && SetAnalysed(*set_)) repeatPending_ = false;
    if (outcome.tick.saveDue || outcome.tick.completed) outcome.save = SaveFile();
  }
  if (run_->Busy()) {
    outcome.stepped = true;
    outcome.run = run_->Step();
  }
  return outcome;
}

void App::SetRunHostForTest(std::unique_ptr<MultiRunHost> host) {
  assert(!run_->Busy());
  runHost_ = std::move(host);
  run_ = std::make_unique<MultiSetRun>(*runHost_);
}

App::TickOutcome App::StopAndWait() {
  TickOutcome outcome;
  outcome.tick = runner_->StopAndWait();
  if (outcome.tick.completed && SetAnalysed(*set_)) repeatPending_ = false;
  if (outcome.tick.completed) outcome.save = SaveFile();
  return outcome;
}

void App::CopyFieldsIntoHeader() {
  SetHeader& header = set_->header;
  header.event = fields_.event;
  header.description = fields_.description;
  header.eventDate = fields_.eventDate;
  header.club = fields_.club;
  header.site = fields_.site;
  header.banner = kProgramBanner;
}

Status App::SaveFile() {
  if (!holdsSet_) return Status();
  CopyFieldsIntoHeader();
  if (SetChangedSinceSave(*set_)) {
    const Status pbn = WritePbn();
    if (!pbn.ok()) return pbn;
    pdfPending_ = true;
  }
  // Hand records without the results the repeat has yet to find again
  // would be handed out as complete: they wait for it.
  if (!pdfPending_ || repeatPending_) return Status();
  if (!writePdf_) {
    // Hand records beside the set that do not show it now would be handed
    // out as its own: say so, once.
    std::error_code error;
    if (std::filesystem::exists(PdfPath(), error) && stalePdfNoted_ != PdfPath()) {
      stalePdfNoted_ = PdfPath();
      notes_.push_back(PdfPath().string() + " is out of date: it does not show what " +
                       pbnPath_.filename().string() +
                       " now holds (its hand records were not written)");
    }
    pdfPending_ = false;
    return Status();
  }
  const Status pdf = WriteHandRecords().status;
  if (pdf.ok()) {
    pdfPending_ = false;
    return pdf;
  }
  // Hand records of other boards beside the new set would be handed out as
  // this set's: say so, rather than leave the director to find out.
  std::error_code error;
  if (std::filesystem::exists(PdfPath(), error)) {
    return Status::Error(pdf.message() + "; the hand records in " + PdfPath().filename().string() +
                         " are out of date: they do not show the set now in " +
                         pbnPath_.filename().string());
  }
  return pdf;
}

OutputVerdict App::WriteHandRecords(bool replaceAllowed) {
  if (pbnPath_.empty()) return {Status::Error("the set has no file name yet"), false};
  const bool word = replaceAllowed || (!pdfWord_.empty() && pdfWord_ == PdfPath());
  OutputVerdict written = WriteHandRecordsTo(PdfPath(), word);
  if (written.ok()) pdfWord_.clear();
  return written;
}

OutputVerdict App::WriteHandRecordsTo(const std::filesystem::path& pdfPath, bool replaceAllowed) {
  const GateResult gate = PassGate(DocumentPlan(pdfPath, ".pdf", replaceAllowed));
  if (!gate.writer) return gate.verdict;
  return {WriteHandRecordPdf(gate.writer->Permit(pdfPath), *set_, HandRecordChoices(), fields_.club,
                             logo_, setFilePath_.string(), BoardsInPlay()),
          false};
}

std::string App::SelectStoredPrinter(Printer& printer) {
  const std::string name = ::tarrow::SelectStoredPrinter(printer, settings_.PrinterName());
  settings_.SetPrinterName(name);
  return name;
}

std::string App::TakePrinterChoice(Printer& printer) {
  const std::string name = CurrentPrinterName(printer);
  settings_.SetPrinterName(name);
  return name;
}

Status App::PrintHandRecords(Printer& printer, int copies, bool flip, const FlipPause& pause) {
  return ::tarrow::PrintHandRecords(printer, *set_, HandRecordChoices(), fields_.club, logo_,
                                    setFilePath_.string(), copies, flip, pause, BoardsInPlay());
}

std::filesystem::path App::SheetsPdfPath(SheetKind kind) const {
  std::filesystem::path out = PdfPath();
  out.replace_extension();
  out += kind == SheetKind::kSetupSheets ? "-setup-sheets.pdf" : "-travelers.pdf";
  return out;
}

Verdict App::WriteSheetsPdf(SheetKind kind, std::filesystem::path path, int lastBoard, Word word) {
  if (path.empty()) path = SheetsPdfPath(kind);
  const GateResult gate = PassGate(DocumentPlan(path, ".pdf", word == Word::kGiven));
  if (gate.verdict.needsWord)
    return Verdict::NeedsWord(gate.verdict.status.message(), "Replace it?");
  if (!gate.writer) return Verdict::Refused(gate.verdict.status.message());
  PdfPrinter pdf;
  Status status = kind == SheetKind::kSetupSheets ? PrintSetupSheets(pdf, lastBoard)
                                                  : PrintTravelers(pdf, lastBoard);
  if (status.ok()) status = pdf.Save(gate.writer->Permit(path));
  if (!status.ok()) return Verdict::Refused(status.message());
  return Verdict::Done();
}

Status App::PrintSetupSheets(Printer& printer, int lastBoard) {
  const SetupSheetOptions options{settings_.ShowDealNumbers(), settings_.DealNumberForm()};
  return ::tarrow::PrintSetupSheets(printer, *set_, 1, lastBoard, options);
}

Status App::PrintTravelers(Printer& printer, int lastBoard) {
  return ::tarrow::PrintTravelers(printer, *set_, lastBoard);
}

Status App::ForcePbnWrite() {
  CopyFieldsIntoHeader();
  return WritePbn();
}

Status App::WritePbn() {
  if (!repeatPending_) return WritePbn(*set_);
  // A repeated analysis has forgotten results the file still holds: a
  // board not yet analysed again keeps them there (the same deal has the
  // same results) until every one is found again.
  DealSet written = *set_;
  for (int n = 1; n <= kBoardsPerSet; ++n) {
    const BoardEntry& before = repeatBase_->Board(n);
    BoardEntry& now = written.Board(n);
    const bool again = now.doneMask[0] == kAllStrainsDone && now.doneMask[1] == kAllStrainsDone;
    if (!again && now.number == before.number) {
      now.doneMask = before.doneMask;
      now.table = before.table;
    }
  }
  return WritePbn(written);
}

Status App::WritePbn(const DealSet& written) {
  if (const Status claimed = ClaimSetFile(); !claimed.ok()) return claimed;
  OutputPlan plan = SetPlan(written);
  plan.outputs.back().knownBytes = setBytes_;  // what is written is the set in hand
  plan.replaceAllowed = !setWord_.empty() && setWord_ == pbnPath_;
  const GateResult gate = PassGate(plan);
  if (!gate.writer) {
    // Changed on disk since this session read or wrote it (another
    // program, another Tarrow before the lock): never written over unasked.
    return Status::Error(gate.verdict.status.message() +
                         (gate.verdict.needsWord ? "; the set is not saved there" : ""));
  }
  // The companion of another program's file keeps that file's own origin,
  // not this computer's name.
  const bool foreign = IsCompanionOf(pbnPath_, setFilePath_);
  const std::string text =
      PbnText(written, foreign ? written.header.computerName.str() : ComputerNameText());
  const Status saved = gate.writer->Write(pbnPath_, text);
  if (!saved.ok()) return saved;
  set_->setDigest = ComputeSetDigest(*set_);
  setBytes_ = text;
  setWord_.clear();
  return saved;
}

Verdict App::Load(const std::filesystem::path& path, std::string_view event, Word word,
                  const std::filesystem::path& pbnPath) {
  const Status loaded = OpenFile(path, event);
  if (!loaded.ok()) {
    // A file of another kind puts the window back to editing the seed; a
    // file that cannot be read leaves the set as it was.
    if (DealExtensionKind(path) == DealFileKind::kUnknown) setReady_ = false;
    return Verdict::Refused(loaded.message());
  }
  if (!pbnPath.empty()) SetPbnPath(pbnPath);
  if (readOnly_) return Verdict::Done();
  const OutputVerdict outputs = ClaimSetOutputs(word == Word::kGiven);
  if (outputs.needsWord) {
    return Verdict::NeedsWord(outputs.status.message(), "Replace it with the set just loaded?");
  }
  if (!outputs.ok()) return Verdict::Refused(outputs.status.message());
  return Verdict::Done();
}

Verdict App::KeepLoadedSetBeside() {
  SetPbnPath(FreeSetPathBeside(pbnPath_));
  loadWarnings_.push_back("The set will be saved as " + pbnPath_.string() + ".");
  const OutputVerdict outputs = ClaimSetOutputs(false);
  if (!outputs.ok()) return Verdict::Refused(outputs.status.message());
  return Verdict::Done();
}

std::vector<std::string> App::EventsIn(const std::filesystem::path& path) const {
  if (DealExtensionKind(path) != DealFileKind::kPbn) return {};
  LoadReport report;
  if (!ReadPbnEvent(path, "", report).ok() || report.events.size() < 2) return {};
  return report.events;
}

Status App::OpenFile(const std::filesystem::path& path, std::string_view event) {
  switch (DealExtensionKind(path)) {
    case DealFileKind::kPbn:
      return LoadSetFile(path, event);
    case DealFileKind::kBer:
    case DealFileKind::kBri:
    case DealFileKind::kBre:
    case DealFileKind::kDup:
      return ImportDealFile(path);
    case DealFileKind::kUnknown:
      break;
  }
  return Status::Error("cannot load " + path.string() +
                       ": the extension is not .pbn, .bre, .ber, .bri or .dup");
}

Status App::LoadSetFile(const std::filesystem::path& path, std::string_view event) {
  LoadReport report;
  Result<DealSet> loaded = ReadPbnEvent(path, event, report);
  if (!loaded.ok()) return loaded.status();
  // Only a set of ours that loses nothing on the way back is saved into
  // the file it came from; any other file stays as it is and the set goes
  // to its companion beside it.
  if (!report.RewriteLosesNothing() || !IsOurSetHeader(loaded->header)) {
    const Status adopted = AdoptForeignSet(std::move(*loaded), path, report);
    if (adopted.ok()) ClaimLoadedSet();
    return adopted;
  }
  const bool dateKnown = loaded->header.eventDate != 0;
  AdoptLoadedSet(std::move(*loaded), path);
  if (!dateKnown) KeepDateUnknown();
  loadWarnings_ = report.warnings;
  if (const Result<std::string> bytes = ReadWholeFile(path); bytes.ok()) setBytes_ = *bytes;
  ClaimLoadedSet();
  return Status();
}

Result<bool> App::ReloadIfChanged(const std::filesystem::path& path) {
  std::error_code ignored;
  if (path.empty() || !fs::exists(path, ignored)) return false;
  if (AnalysisRunning() || run_->Busy()) return false;
  if (setReady_ && setFilePath_ != path) return false;
  const fs::file_time_type changed = fs::last_write_time(path, ignored);
  if (setReady_ && path == reloadedFile_ && changed == reloadedTime_) return false;
  if (setReady_ && path == pbnPath_ && setBytes_) {
    // The set's own save is no change from outside: reading it back would
    // undo only what was typed since.
    const Result<std::string> bytes = ReadWholeFile(path);
    if (bytes.ok() && *bytes == *setBytes_) {
      reloadedFile_ = path;
      reloadedTime_ = changed;
      return false;
    }
  }
  if (const Status loaded = LoadSetFile(path); !loaded.ok()) return loaded;
  reloadedFile_ = path;
  reloadedTime_ = changed;
  return true;
}

Status App::ImportDealFile(const std::filesystem::path& path) {
  LoadReport report;
  Result<ImportBuffer> deals = ReadDealFile(path, report);
  if (!deals.ok()) return deals.status();
  DealSet imported = DealSetFromImport(*deals);
  // An empty set would silently replace the one in memory with nothing.
  if (imported.PresentBoards() == 0) {
    return Status::Error("cannot import " + path.string() +
                         ": it holds no deal this program can read");
  }
  AdoptLoadedSet(std::move(imported), path);
  loadWarnings_ = report.warnings;
  ClaimLoadedSet();
  return Status();
}

void App::AdoptLoadedSet(DealSet loaded, const std::filesystem::path& path) {
  runner_->StopAndWait();
  *set_ = std::move(loaded);
  ++setIdentity_;
  loadWarnings_.clear();
  pdfPending_ = false;  // a PDF owed for the set that was there is owed no more
  repeatPending_ = false;
  setFilePath_ = path;
  pbnPath_ = path;
  // A set goes back to the PBN file it was read from, whatever the case of
  // its extension ("UP.PBN"); an imported file's set goes beside it.
  if (DealExtensionKind(path) != DealFileKind::kPbn) pbnPath_.replace_extension(".pbn");
  ReleaseStaleLock();
  const SetHeader& header = set_->header;
  fields_.event = header.event.str();
  fields_.description = header.description.str();
  fields_.club = header.club.str();
  fields_.site = header.site.str();
  // An imported file has no event date; the one the operator has stays,
  // and the set shows it before its first save, never the zero date.
  if (header.eventDate != 0) {
    fields_.eventDate = header.eventDate;
  } else {
    set_->header.eventDate = fields_.eventDate;
  }
  setReady_ = true;
  holdsSet_ = true;
  if (settings_.AutoFillDescription() && fields_.description.empty()) {
    fields_.description = "File: " + path.filename().string();
  }
}

Status App::SetAside() {
  const Status saved = LeaveSet();
  setReady_ = false;
  return saved;
}

Status App::LeaveSet() {
  const TickOutcome stopped = StopAndWait();
  if (!stopped.save.ok()) return stopped.save;
  return SaveFile();
}

std::filesystem::path App::FreeSetPathBeside(const std::filesystem::path& path) const {
  const std::filesystem::path folder = path.parent_path();
  const std::string stem = path.stem().string();
  for (int n = 1;; ++n) {
    const std::filesystem::path candidate =
        folder / (stem + (n == 1 ? ".tarrow" : ".tarrow-" + std::to_string(n)) + ".pbn");
    std::error_code error;
    if (!std::filesystem::exists(candidate, error)) return candidate;
    const Result<DealSet> there = ReadPbnFile(candidate);
    if (there.ok() && ReplacingLosesNothing(*there, *set_)) return candidate;
  }
}

Status App::ReplaceBoard(int board, const DealNumber& number) {
  const bool wasRunning = AnalysisRunning();
  if (wasRunning) (void)StopAndWait();
  BoardEntry& entry = set_->Board(board);
  entry.number = number;
  entry.ClearAnalysis();
  set_->DealOf(board) = DealFromNumber(number);
  return wasRunning ? StartAnalysis() : SaveFile();
}

Status App::RepeatDoubleDummy() {
  if (readOnly_) return ClaimSetFile();
  runner_->StopAndWait();
  repeatBase_ = std::make_unique<DealSet>(*set_);
  for (BoardEntry& entry : set_->boards) entry.doneMask = {0, 0};
  repeatPending_ = true;
  const Status started = StartAnalysis();
  if (!AnalysisRunning()) repeatPending_ = false;
  return started;
}

}  // namespace tarrow

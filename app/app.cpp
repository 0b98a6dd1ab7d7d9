#include "app/app.h"

#include "core/banner.h"
#include "core/generation.h"
#include "files/deal_files.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"
#include "records/hand_record_pdf.h"
#include "records/logo.h"

namespace tarrow {

App::App(OwnerExecutor& executor)
    : set_(std::make_unique<DealSet>()),
      runner_(std::make_unique<AnalysisRunner>(*set_, executor)) {
  fields.eventDate = Today();
  logo = Logo();
}

App::~App() {
  runner_->StopAndWait();
}

void App::SetSetFilePath(const std::filesystem::path& path) {
  setFilePath_ = path;
  pbnPath_ = path;
}

void App::SetPbnPath(const std::filesystem::path& path) {
  pbnPath_ = path;
  set_->setDigest = {};
}

std::filesystem::path App::PdfPath() const {
  std::filesystem::path pdf = setFilePath_;
  return pdf.replace_extension(".pdf");
}

void App::Deal(std::string_view seed) {
  Deal(seed, DateTimeNow());
}

void App::Deal(std::string_view seed, DateTime generationTime) {
  runner_->StopAndWait();
  GenerateSet(*set_, seed, generationTime);
  set_->header.computerName = ComputerNameText();
  setReady_ = true;
}

Status App::StartAnalysis() {
  if (runner_->Running()) return Status();
  workersStarted_ = runner_->Start(threadsSetting);
  return SaveFile();
}

void App::StopAnalysis() noexcept {
  runner_->RequestStop();
}

bool App::AnalysisRunning() const noexcept {
  return runner_->Running();
}

App::TickOutcome App::Tick() {
  TickOutcome outcome;
  outcome.tick = runner_->Tick();
  if (outcome.tick.saveDue || outcome.tick.completed) outcome.save = SaveFile();
  return outcome;
}

App::TickOutcome App::StopAndWait() {
  TickOutcome outcome;
  outcome.tick = runner_->StopAndWait();
  if (outcome.tick.completed) outcome.save = SaveFile();
  return outcome;
}

void App::CopyFieldsIntoHeader() {
  SetHeader& header = set_->header;
  header.event = fields.event;
  header.description = fields.description;
  header.eventDate = fields.eventDate;
  header.club = fields.club;
  header.site = fields.site;
  header.banner = kProgramBanner;
}

Status App::SaveFile() {
  if (!setReady_) return Status();
  CopyFieldsIntoHeader();
  if (!SetChangedSinceSave(*set_)) return Status();
  const Status pbn = WritePbn();
  if (!pbn.ok() || !writePdf) return pbn;
  return WriteHandRecords();
}

Status App::WriteHandRecords() {
  if (setFilePath_.empty()) return Status::Error("the set has no file name yet");
  return WriteHandRecordPdf(PdfPath(), *set_, handRecordOptions, fields.club, logo,
                            setFilePath_.string());
}

Status App::ForcePbnWrite() {
  CopyFieldsIntoHeader();
  return WritePbn();
}

Status App::WritePbn() {
  if (pbnPath_.empty()) return Status::Error("the set has no file name yet");
  return WritePbnFile(*set_, pbnPath_, ComputerNameText());
}

Status App::OpenFile(const std::filesystem::path& path) {
  switch (DealExtensionKind(path)) {
    case 0:
      return LoadSetFile(path);
    case 1:
    case 2:
    case 3:
      return ImportDealFile(path);
    default:
      return Status::Error("cannot load " + path.string() +
                           ": the extension is not .pbn, .bre, .ber or .bri");
  }
}

Status App::LoadSetFile(const std::filesystem::path& path) {
  Result<DealSet> loaded = ReadPbnFile(path);
  if (!loaded.ok()) return loaded.status();
  AdoptLoadedSet(std::move(*loaded), path);
  return Status();
}

Status App::ImportDealFile(const std::filesystem::path& path) {
  Result<ImportBuffer> deals = [&]() -> Result<ImportBuffer> {
    switch (DealExtensionKind(path)) {
      case 1:
        return ReadBerFile(path);
      case 2:
        return ReadBriFile(path);
      case 3:
        return ReadBreFile(path);
      default:
        return Status::Error("cannot import " + path.string() +
                             ": the extension is not .bre, .ber or .bri");
    }
  }();
  if (!deals.ok()) return deals.status();
  DealSet imported = DealSetFromImport(*deals);
  // An empty set would silently replace the one in memory with nothing.
  if (imported.PresentBoards() == 0) {
    return Status::Error("cannot import " + path.string() +
                         ": it holds no deal this program can read");
  }
  AdoptLoadedSet(std::move(imported), path);
  return Status();
}

void App::AdoptLoadedSet(DealSet loaded, const std::filesystem::path& path) {
  runner_->StopAndWait();
  *set_ = std::move(loaded);
  setFilePath_ = path;
  pbnPath_ = path;
  pbnPath_.replace_extension(".pbn");
  const SetHeader& header = set_->header;
  fields.event = header.event.str();
  fields.description = header.description.str();
  fields.club = header.club.str();
  fields.site = header.site.str();
  // An imported file has no event date; the one the operator has stays.
  if (header.eventDate != 0) fields.eventDate = header.eventDate;
  setReady_ = true;
  if (autoFillDescription && fields.description.empty()) {
    fields.description = "File: " + path.filename().string();
  }
}

void App::RepeatDoubleDummy() noexcept {
  for (BoardEntry& entry : set_->boards) entry.doneMask = {0, 0};
}

}  // namespace tarrow

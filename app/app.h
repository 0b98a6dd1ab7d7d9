// The App object: the one set the program holds, its file paths, the event
// fields the operator edits, and the flows behind the main window's buttons
// (deal, analyse, save, load, import), without any widgets or terminal I/O.
// The window program and tarrow-cli both drive this class; failures come
// back as Status values for them to show.
//
//   QueueExecutor executor;
//   App app(executor);
//   app.SetSetFilePath("/home/club/tuesday.pbn");
//   app.Deal("Tuesday pairs");                 // 36 boards, analysis cleared
//   Status saved = app.StartAnalysis();         // workers start, the set is saved
//   ... app.Tick() once a second until it reports completion ...
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "analysis/runner.h"
#include "core/deal_set.h"
#include "core/result.h"
#include "records/hand_record.h"
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

class App {
 public:
  explicit App(OwnerExecutor& executor);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  DealSet& Set() noexcept { return *set_; }
  const DealSet& Set() const noexcept { return *set_; }
  bool SetReady() const noexcept { return setReady_; }
  // The window sets a set aside while the operator edits the seed: not ready,
  // nothing is saved, until it is dealt or loaded again.
  void SetReady(bool ready) noexcept { setReady_ = ready; }

  // The set's file and where its PBN goes.  Naming a new set ("Browse")
  // sets both to the chosen path.
  const std::filesystem::path& SetFilePath() const noexcept { return setFilePath_; }
  const std::filesystem::path& PbnPath() const noexcept { return pbnPath_; }
  void SetSetFilePath(const std::filesystem::path& path);
  // Sends the PBN elsewhere, keeping SetFilePath (and so the PDF's place).
  // The set is not saved there yet, so the next SaveFile writes it.
  void SetPbnPath(const std::filesystem::path& path);
  // Where the hand-record PDF goes: SetFilePath with the extension ".pdf".
  std::filesystem::path PdfPath() const;

  EventFields fields;
  int threadsSetting = 1;               // Threads to Use, 1..32
  bool writePdf = true;                 // SaveFile also writes the hand records beside the set
  HandRecordOptions handRecordOptions;  // what the hand records show
  RgbImage logo;                        // the emblem in the hand-record header

  // Deals the set from the seed: generation time now, 36 boards, analysis
  // cleared, the set ready.  An analysis still running on the previous set
  // is stopped and waited for first, so that none of its results can land
  // on the new boards.
  void Deal(std::string_view seed);
  // The same with a given generation time (a multiple-set run keeps the one
  // the set already has).
  void Deal(std::string_view seed, DateTime generationTime);

  // Starts the analysis of every job not yet done and saves the set (the
  // save's status is returned; the analysis runs either way).
  Status StartAnalysis();
  void StopAnalysis() noexcept;
  bool AnalysisRunning() const noexcept;
  // Workers actually started by the last StartAnalysis.
  int WorkersStarted() const noexcept { return workersStarted_; }
  const AnalysisRunner& Runner() const noexcept { return *runner_; }

  struct TickOutcome {
    AnalysisRunner::TickResult tick;
    Status save;  // of the periodic or final save, when one ran
  };
  // Once a second while the analysis runs: progress, the periodic save
  // (every 61st tick) and, at the end, the final save.
  TickOutcome Tick();
  // Stops the analysis, waits for the workers and saves what is done.
  TickOutcome StopAndWait();

  // Copies the fields into the header and writes the PBN (and the PDF) only
  // when the set changed since it was last written or loaded.
  Status SaveFile();
  // Writes the PBN whether or not anything changed ("Force PBN Write").
  Status ForcePbnWrite();
  // Writes the hand records to PdfPath ("Re-Write PDF of Hand Records").
  Status WriteHandRecords();

  // Loads a file by its extension: ".pbn" as a saved set (LoadSetFile),
  // ".bre", ".ber" and ".bri" as dealing-machine files (ImportDealFile).  On
  // any failure the set in memory and both paths stay exactly as they were.
  Status OpenFile(const std::filesystem::path& path);
  // A saved PBN set: its boards, tables and header, counted as saved.
  // SetFilePath becomes the file, PbnPath the same with ".pbn".
  Status LoadSetFile(const std::filesystem::path& path);
  // A dealing-machine file: its deals as boards 1.., seed "None", not yet
  // saved; the PBN goes beside it with the extension ".pbn".
  Status ImportDealFile(const std::filesystem::path& path);
  // " Auto Fill Description with Filename": after a load, an empty
  // description becomes "File: " and the file's name.
  bool autoFillDescription = false;

  // Forgets the DoneMasks of every board so the next run recomputes all.
  void RepeatDoubleDummy() noexcept;

 private:
  void CopyFieldsIntoHeader();
  Status WritePbn();  // the header as it stands
  // Puts a freshly read set in place of the current one, after stopping any
  // analysis, and takes the paths and fields from it.
  void AdoptLoadedSet(DealSet loaded, const std::filesystem::path& path);

  std::unique_ptr<DealSet> set_;
  bool setReady_ = false;
  std::filesystem::path setFilePath_;
  std::filesystem::path pbnPath_;
  std::unique_ptr<AnalysisRunner> runner_;
  int workersStarted_ = 0;
};

}  // namespace tarrow

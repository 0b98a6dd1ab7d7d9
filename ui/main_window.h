// The main window (TForm1): seed and event fields, the Deal and analysis
// buttons, loading and importing sets, hand-record options, printing and
// multiple-set runs, on five tabs.  Every widget carries its control name as
// objectName ("BDeal", "LESeed", "SENprocs", ...) so that tests find it.
//
//   QtOwnerExecutor executor;
//   App app(executor);
//   TForm1 window(app, {.commandLineFile = argv[1]});
//   window.show();
//
// The window only wires: the set flow is App's, the multiple-set run is
// MultiSetRun's, the settings file is SettingsRecord's.  Failures from them
// become a message box naming the file and the reason; the set in memory
// stays as it was.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/analysis_display.h"
#include "app/app.h"
#include "app/multi_run.h"
#include "files/settings.h"
#include "printing/qt_printer.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace tarrow {

class TDGForm;

struct WindowOptions {
  // A set named on the command line: loaded each time the window becomes
  // active.  Empty for none.
  std::filesystem::path commandLineFile;
  // Where "Load Test Set" finds Test.pbn.
  std::filesystem::path workingDirectory = std::filesystem::current_path();
  // The set flow of multiple-set runs; the App's own when null.
  std::unique_ptr<MultiRunHost> runHost;
};

class TForm1 : public QMainWindow {
 public:
  TForm1(App& app, WindowOptions options);
  ~TForm1() override;

  // Shows the settings record in the controls (and selects the stored
  // printer, or the default one).
  void ApplySettings();
  // Takes the controls back into the record, writes the settings file and
  // saves the set when one is ready.
  Status CollectSettings();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  QWidget* BuildGeneralTab();
  QWidget* BuildHandRecordsTab();
  QWidget* BuildOptionsTab();
  QWidget* BuildPrintingTab();
  QWidget* BuildMultipleSetsTab();
  void FormCreate();
  void FormActivate();
  // Whether activation should read the command line's set again.
  bool CommandLineFileToReload() const;

  // The one switch between editing the seed and having a set.
  void SetReady(bool ready);
  void SetDealButton(bool allowed);
  void LESeedChange();
  // The operator changed the seed (typing, "Add Date/Time", "Clear").
  void SeedEdited();
  // Stops the analysis, saves the set and puts the window to seed editing.
  void SetAside();
  // Copies the event fields and options of the controls into the App.
  void CopyControlsToApp();
  // Shows the set's seed, file names and header fields after a load.
  void ShowLoadedSet();
  void ShowFileNames();
  void SaveFile();
  // A failure of the set flow: a message box naming the file and reason.
  void ShowFailure(const QString& title, const Status& status);
  void SaveSettingsNow();
  // What the settings controls show.
  SettingsControls ControlsShown() const;
  void LoadFile(const std::filesystem::path& path);
  void ComboLeft(QComboBox* box);

  void BAddDTClick();
  void BClearSeedClick();
  void BFNBrowseClick();
  void BDealClick();
  void BLoadClick();
  void BTestClick();
  void BDDAnalysisClick();
  void BViewClick();
  void CreateViewer();
  void BSaveClick();
  void BPDFClick();
  void BReDoDDClick();
  void BCHDirClick();
  void BPrintClick();
  void BPrintSelClick();
  void BPSetupsClick();
  void BTravelersClick();
  void BMultiClick();
  void BViewLogClick();
  void AllTricksClick(QCheckBox* clicked);
  void Timer1Timer();
  void Timer2Timer();
  void DrawProgressGrid();
  void ShowRunLabels();
  // Enables the controls that would disturb a multiple-set run, or not.
  void SetRunControls(bool running);

  App& app_;
  WindowOptions options_;
  std::unique_ptr<MultiRunHost> runHost_;
  MultiSetRun run_;
  ProgressGrid grid_;
  QtPrinter printer_;  // the system printer the print buttons use
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  // The deal viewer, a window of its own created hidden with this one.
  std::unique_ptr<TDGForm> viewer_;
  bool closed_ = false;
  // The file the save dialog confirmed replacing, for the next deal.
  std::filesystem::path replaceConfirmed_;
  bool reportedActivationFailure_ = false;
  std::filesystem::file_time_type commandLineFileTime_{};  // when it was last read

  QTabWidget* pageControl_ = nullptr;
  // General
  QLineEdit* leSeed_ = nullptr;
  QPushButton* bAddDT_ = nullptr;
  QPushButton* bClearSeed_ = nullptr;
  QPushButton* bFNBrowse_ = nullptr;
  QLabel* lFn_ = nullptr;
  QPushButton* bDeal_ = nullptr;
  QPushButton* bLoad_ = nullptr;
  QPushButton* bTest_ = nullptr;
  QLabel* lRev_ = nullptr;
  QGroupBox* shape2_ = nullptr;  // frames the event fields
  QLabel* lEvent_ = nullptr;
  QComboBox* cbEvent_ = nullptr;
  QLabel* leDescLabel_ = nullptr;
  QLineEdit* leDesc_ = nullptr;
  QLabel* label6_ = nullptr;
  QDateEdit* dtDate_ = nullptr;
  QLabel* label9_ = nullptr;
  QComboBox* cbClub_ = nullptr;
  QPushButton* bDDAnalysis_ = nullptr;
  QLabel* lDDProg_ = nullptr;
  QPushButton* bView_ = nullptr;
  QLabel* iPrg_ = nullptr;
  // Hand Records
  QCheckBox* cbShowD_ = nullptr;
  QCheckBox* cbShowN_ = nullptr;
  QCheckBox* cbShowL_ = nullptr;
  QCheckBox* cbShowPar_ = nullptr;
  QCheckBox* cbShowDD_ = nullptr;
  QCheckBox* cbAllTricks_ = nullptr;
  QCheckBox* cbContracts_ = nullptr;
  QCheckBox* cbAuto_ = nullptr;
  QGroupBox* rgLTC_ = nullptr;
  QRadioButton* ltcItems_[3] = {};
  // Options
  QLabel* lDir_ = nullptr;
  QPushButton* bCHDir_ = nullptr;
  QSpinBox* seNprocs_ = nullptr;
  QLabel* lMaxThreads_ = nullptr;
  QLabel* lNumProc_ = nullptr;
  QLineEdit* leSite_ = nullptr;
  QGroupBox* rgMon_ = nullptr;
  QLabel* lDispName_ = nullptr;
  QLabel* lFN2_ = nullptr;
  QPushButton* bReDoDD_ = nullptr;
  QPushButton* bPDF_ = nullptr;
  QPushButton* bSave_ = nullptr;
  // Printing
  QPushButton* bPrint_ = nullptr;
  QSpinBox* spNCop_ = nullptr;
  QCheckBox* cbFlip_ = nullptr;
  QPushButton* bPrintSel_ = nullptr;
  QLabel* lPrinter_ = nullptr;
  QPushButton* bPSetups_ = nullptr;
  QPushButton* bTravelers_ = nullptr;
  QSpinBox* seLast_ = nullptr;
  // Multiple Sets
  QLineEdit* eName_ = nullptr;
  QSpinBox* seDeals_ = nullptr;
  QPushButton* bMulti_ = nullptr;
  QPushButton* bViewLog_ = nullptr;
  QLabel* lSaveDir_ = nullptr;
  QLabel* lMCnt_ = nullptr;
  QLabel* lseed_ = nullptr;
  QLabel* lTime_ = nullptr;
  QLabel* lTime2_ = nullptr;
  QLabel* lWorking_ = nullptr;
  // Outside the tabs
  QLabel* lSetNum_ = nullptr;
  QLabel* lCurrent_ = nullptr;
};

}  // namespace tarrow

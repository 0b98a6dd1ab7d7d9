// The main window (MainWindow): seed and event fields, the Deal and analysis
// buttons, loading and importing sets, hand-record options, printing and
// multiple-set runs, on five tabs.  Every widget carries its control name as
// objectName ("BDeal", "LESeed", "SENprocs", ...) so that tests find it.
//
//   QtOwnerExecutor executor;
//   App app(executor);
//   MainWindow window(app, {.commandLineFile = argv[1]});
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

class DealViewer;

struct WindowOptions {
  // A set named on the command line: loaded each time the window becomes
  // active.  Empty for none.
  std::filesystem::path commandLineFile;
  // Where "Load Test Set" finds Test.pbn.
  std::filesystem::path workingDirectory = std::filesystem::current_path();
  // The set flow of multiple-set runs; the App's own when null.
  std::unique_ptr<MultiRunHost> runHost;
};

class MainWindow : public QMainWindow {
 public:
  MainWindow(App& app, WindowOptions options);
  ~MainWindow() override;

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
  void OnCreated();
  void OnActivated();
  // Whether activation should read the command line's set again.
  bool CommandLineFileToReload() const;

  // The one switch between editing the seed and having a set.
  void SetReady(bool ready);
  void ShowDealButton(bool allowed);
  void UpdateDealButton();
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

  void OnAddDateTimeClicked();
  void OnClearSeedClicked();
  void OnBrowseClicked();
  void OnDealClicked();
  void OnLoadClicked();
  void OnLoadTestSetClicked();
  void OnAnalysisClicked();
  void OnViewerClicked();
  void CreateViewer();
  void OnForceWriteClicked();
  void OnRewritePdfClicked();
  void OnRepeatAnalysisClicked();
  void OnChangeFolderClicked();
  void OnPrintClicked();
  void OnSelectPrinterClicked();
  void OnPrintSetupSheetsClicked();
  void OnPrintTravelersClicked();
  void OnRunClicked();
  void OnViewLogClicked();
  void OnDisplayChoiceClicked(QCheckBox* clicked);
  void OnAnalysisTick();
  void OnRunTick();
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
  QTimer* analysisTimer_ = nullptr;
  QTimer* runTimer_ = nullptr;
  // The deal viewer, a window of its own created hidden with this one.
  std::unique_ptr<DealViewer> viewer_;
  bool closed_ = false;
  // The file the save dialog confirmed replacing, for the next deal.
  std::filesystem::path replaceConfirmed_;
  bool reportedActivationFailure_ = false;
  std::filesystem::file_time_type commandLineFileTime_{};  // when it was last read

  QTabWidget* tabs_ = nullptr;
  // General
  QLineEdit* seedEdit_ = nullptr;
  QPushButton* addDateTimeButton_ = nullptr;
  QPushButton* clearSeedButton_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QLabel* fileNameLabel_ = nullptr;
  QPushButton* dealButton_ = nullptr;
  QPushButton* loadButton_ = nullptr;
  QPushButton* loadTestSetButton_ = nullptr;
  QLabel* bannerLabel_ = nullptr;
  QGroupBox* eventBox_ = nullptr;  // frames the event fields
  QLabel* eventLabel_ = nullptr;
  QComboBox* eventCombo_ = nullptr;
  QLabel* descriptionLabel_ = nullptr;
  QLineEdit* descriptionEdit_ = nullptr;
  QLabel* eventDateLabel_ = nullptr;
  QDateEdit* eventDateEdit_ = nullptr;
  QLabel* clubLabel_ = nullptr;
  QComboBox* clubCombo_ = nullptr;
  QPushButton* analysisButton_ = nullptr;
  QLabel* analysisProgressLabel_ = nullptr;
  QPushButton* viewerButton_ = nullptr;
  QLabel* progressImage_ = nullptr;
  // Hand Records
  QCheckBox* showDistributionsCheck_ = nullptr;
  QCheckBox* showNumbersCheck_ = nullptr;
  QCheckBox* showLtcCheck_ = nullptr;
  QCheckBox* showParCheck_ = nullptr;
  QCheckBox* showAnalysisCheck_ = nullptr;
  QCheckBox* allTricksCheck_ = nullptr;
  QCheckBox* allContractsCheck_ = nullptr;
  QCheckBox* autoDescriptionCheck_ = nullptr;
  QGroupBox* ltcGroup_ = nullptr;
  QRadioButton* ltcButtons_[3] = {};
  // Options
  QLabel* folderLabel_ = nullptr;
  QPushButton* changeFolderButton_ = nullptr;
  QSpinBox* threadsSpin_ = nullptr;
  QLabel* threadsInUseLabel_ = nullptr;
  QLabel* processorsLabel_ = nullptr;
  QLineEdit* siteEdit_ = nullptr;
  QGroupBox* monitorGroup_ = nullptr;
  QLabel* monitorLabel_ = nullptr;
  QLabel* savedInLabel_ = nullptr;
  QPushButton* repeatAnalysisButton_ = nullptr;
  QPushButton* rewritePdfButton_ = nullptr;
  QPushButton* forceWriteButton_ = nullptr;
  // Printing
  QPushButton* printButton_ = nullptr;
  QSpinBox* copiesSpin_ = nullptr;
  QCheckBox* flipPagesCheck_ = nullptr;
  QPushButton* selectPrinterButton_ = nullptr;
  QLabel* printerLabel_ = nullptr;
  QPushButton* setupSheetsButton_ = nullptr;
  QPushButton* travelersButton_ = nullptr;
  QSpinBox* lastBoardSpin_ = nullptr;
  // Multiple Sets
  QLineEdit* runNameEdit_ = nullptr;
  QSpinBox* setsSpin_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QPushButton* viewLogButton_ = nullptr;
  QLabel* runFolderLabel_ = nullptr;
  QLabel* runSetLabel_ = nullptr;
  QLabel* runSeedLabel_ = nullptr;
  QLabel* setTimeLabel_ = nullptr;
  QLabel* runTimeLabel_ = nullptr;
  QLabel* workingLabel_ = nullptr;
  // Outside the tabs
  QLabel* setNumberLabel_ = nullptr;
  QLabel* currentFileLabel_ = nullptr;
};

}  // namespace tarrow

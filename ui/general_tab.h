// The General tab: the seed and the set's file, Deal and Load, the event
// fields, and the double-dummy analysis with its progress grid.  Its
// controls are commands to App (a changed description is App's new
// description); Refresh shows what App holds.
#pragma once

#include <QWidget>
#include <filesystem>

#include "app/analysis_display.h"
#include "app/app.h"

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarrow {

class WindowServices;

class GeneralTab : public QWidget {
 public:
  // testSetFolder: where "Load Test Set" finds Test.pbn (the button shows
  // only when it is there).
  GeneralTab(App& app, WindowServices& window, const std::filesystem::path& testSetFolder);

  // Shows App's state: the set in hand or the seed being edited, the file
  // names, what the buttons say and allow, the progress grid.
  void Refresh();
  // The set App just loaded (a file, the command line's set): its seed and
  // event fields in the controls.
  void ShowLoadedSet();
  // The seed of a set a multiple-set run dealt.
  void ShowSeed(const std::string& seed);
  // The analysis progress line and its counts.
  void ShowProgress(const QString& progress, const QString& counts);
  // The club and event lists from the settings; the boxes' items and texts
  // are App's as they change.
  void ShowSettings();
  // Whether the analysis button stops (true) or starts a run.
  void OnAnalysisClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BindControls();
  void OnSeedEdited();
  // Stops the analysis, saves the set and turns to editing the seed.
  void SetAside();
  void OnBrowseClicked();
  void OnDealClicked();
  void OnLoadClicked();
  void LoadFile(const std::filesystem::path& path);
  // A name typed into a box joins its list when the box is left.
  void OnComboLeft(QComboBox* box);
  // The set as a deal file for the dealing machine, beside the set.
  void OnExportClicked();
  void DrawProgressGrid();

  App& app_;
  WindowServices& window_;
  const std::filesystem::path testSetFolder_;
  ProgressGrid grid_;
  bool analysisStarted_ = false;  // the button has started a run before

  QLineEdit* seedEdit_ = nullptr;
  QPushButton* addDateTimeButton_ = nullptr;
  QPushButton* clearSeedButton_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QLabel* fileNameLabel_ = nullptr;
  QLabel* dealHint_ = nullptr;
  QLabel* boardsInPlayLabel_ = nullptr;
  QPushButton* dealButton_ = nullptr;
  QPushButton* loadButton_ = nullptr;
  QPushButton* loadTestSetButton_ = nullptr;
  QGroupBox* eventBox_ = nullptr;
  QComboBox* eventCombo_ = nullptr;
  QLineEdit* descriptionEdit_ = nullptr;
  QDateEdit* eventDateEdit_ = nullptr;
  QComboBox* clubCombo_ = nullptr;
  QLabel* progressImage_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QLabel* countsLabel_ = nullptr;
  QPushButton* analysisButton_ = nullptr;
  QPushButton* viewerButton_ = nullptr;
  QGroupBox* exportBox_ = nullptr;
  QComboBox* exportFormatCombo_ = nullptr;
  QPushButton* exportButton_ = nullptr;
};

}  // namespace tarrow

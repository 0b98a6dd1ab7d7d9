// The Multiple Sets tab: the run's name and number of sets, Start/Halt,
// View Log, the button that opens the annotate dialog, and the run's progress.
// The run itself is App's.
#pragma once

#include <QWidget>

#include "app/app.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tarrow {

class AnnotateDialog;
class WindowServices;

class MultipleSetsTab : public QWidget {
 public:
  MultipleSetsTab(App& app, WindowServices& window);

  // The run's labels and what the buttons allow.
  void Refresh();
  // The analysis progress of the set in hand, or "Stopped by Operator".
  void ShowWorking(const QString& text);

 private:
  void OnRunClicked();
  void OnViewLogClicked();
  // Opens the dialog that annotates any PBN file (one dialog, kept).
  void OnAnnotateClicked();

  App& app_;
  WindowServices& window_;
  QLineEdit* runNameEdit_ = nullptr;
  QSpinBox* setsSpin_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QPushButton* viewLogButton_ = nullptr;
  QPushButton* annotateButton_ = nullptr;
  AnnotateDialog* annotateDialog_ = nullptr;
  QLabel* runFolderLabel_ = nullptr;
  QLabel* runSetLabel_ = nullptr;
  QLabel* runSeedLabel_ = nullptr;
  QLabel* setTimeLabel_ = nullptr;
  QLabel* runTimeLabel_ = nullptr;
  QLabel* workingLabel_ = nullptr;
};

}  // namespace tarrow

// The Hand Records tab: what the hand records show, the LTC queen
// adjustment and the description filled from a loaded file's name.  Every
// change is App's at once; "All Tricks" and "All Contracts" are opposite and
// saved to the settings file when clicked.
#pragma once

#include <QWidget>

#include "app/app.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace tarrow {

class WindowServices;

class HandRecordsTab : public QWidget {
 public:
  HandRecordsTab(App& app, WindowServices& window);

  void ShowSettings(const SettingsControls& shown);
  void TakeSettings(SettingsControls& controls) const;
  // The deal viewer changed the double-dummy display: the boxes follow.
  void ShowAllTricks(bool allTricks);

 private:
  HandRecordOptions Choices() const;
  // The checks are App's hand-record choices.
  void Apply();
  void OnDisplayChoiceClicked(QCheckBox* clicked);

  static constexpr int kLtcItems = 3;

  App& app_;
  WindowServices& window_;
  QCheckBox* showDistributionsCheck_ = nullptr;
  QCheckBox* showNumbersCheck_ = nullptr;
  QCheckBox* showLtcCheck_ = nullptr;
  QCheckBox* showAnalysisCheck_ = nullptr;
  QCheckBox* showParCheck_ = nullptr;
  QCheckBox* allTricksCheck_ = nullptr;
  QCheckBox* allContractsCheck_ = nullptr;
  QCheckBox* autoDescriptionCheck_ = nullptr;
  QGroupBox* ltcGroup_ = nullptr;
  QRadioButton* ltcButtons_[kLtcItems] = {};
};

}  // namespace tarrow

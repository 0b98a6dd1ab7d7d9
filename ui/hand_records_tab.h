// The Hand Records tab: what the hand records show, the LTC queen
// adjustment and the description filled from a loaded file's name.  Its
// check boxes are made from the window's table of switches and each is
// App's switch at once; "All Tricks" and "All Contracts" are opposite and
// saved to the settings file when clicked.
#pragma once

#include <QWidget>
#include <array>

#include "app/app.h"
#include "ui/setting_controls.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace tarrow {

class WindowServices;

class HandRecordsTab : public QWidget {
 public:
  HandRecordsTab(App& app, WindowServices& window);

  // The switches and the queen adjustment as App's record holds them.
  void ShowSettings();
  // The deal viewer changed the double-dummy display: the boxes follow.
  void ShowAllTricks(bool allTricks);

 private:
  QCheckBox* Check(Switch which) const;
  void OnDisplayChoiceClicked(QCheckBox* clicked);

  static constexpr int kLtcItems = 3;

  App& app_;
  WindowServices& window_;
  // The boxes of kSwitchControls, row for row (flip pages lives on the
  // Printing tab: null here).
  std::array<QCheckBox*, kSwitchControls.size()> checks_{};
  QCheckBox* allContractsCheck_ = nullptr;
  QGroupBox* ltcGroup_ = nullptr;
  QRadioButton* ltcButtons_[kLtcItems] = {};
};

}  // namespace tarrow

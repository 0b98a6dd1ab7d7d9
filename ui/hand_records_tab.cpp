#include "ui/hand_records_tab.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ltc.h"
#include "ui/setting_controls.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

namespace {

const char* const kLtcTexts[] = {
    "1 -Count unguarded Queens as half losers",
    "2 -Add a loser if more Q's than A's.  Subtract a loser if more A's than Q's.",
    "3 -Add a half for each excess Queen.  Subtract a half for each excess Ace."};

// Where each switch's box stands in the "show" group: row, column.
struct Place {
  Switch which;
  int row, column;
};
constexpr Place kShowPlaces[] = {
    {Switch::kShowDistributions, 0, 0}, {Switch::kShowDealNumbers, 1, 0}, {Switch::kShowLtc, 2, 0},
    {Switch::kShowAnalysis, 0, 1},      {Switch::kAllTricks, 1, 1},       {Switch::kShowPar, 3, 1},
};

}  // namespace

HandRecordsTab::HandRecordsTab(App& app, WindowServices& window) : app_(app), window_(window) {
  for (size_t i = 0; i < kSwitchControls.size(); ++i) {
    const SwitchControl& control = kSwitchControls[i];
    if (control.which == Switch::kFlipPages) continue;  // a printing choice
    checks_[i] = MakeCheck(QString::fromLatin1(control.caption), control.objectName);
  }
  Check(Switch::kAllTricks)->setProperty("tag", 1);
  Check(Switch::kShowPar)->setToolTip("the par score and contracts of completely analysed boards");
  allContractsCheck_ = MakeCheck("All Contracts", "CBContracts");

  auto* layout = new QVBoxLayout(this);
  QGroupBox* show = MakeGroup("What the hand records show");
  auto* showLayout = new QGridLayout(show);
  for (const Place& place : kShowPlaces) {
    showLayout->addWidget(Check(place.which), place.row, place.column);
  }
  showLayout->addWidget(allContractsCheck_, 2, 1);
  layout->addWidget(show);

  ltcGroup_ = MakeGroup("   Losing Trick Count Queen Adjustment   ",
                        ControlName(NumberSetting::kQueenAdjustment));
  auto* ltcLayout = new QVBoxLayout(ltcGroup_);
  for (int i = 0; i < kLtcItems; ++i) {
    ltcButtons_[i] = new QRadioButton(kLtcTexts[i]);
    ltcButtons_[i]->setObjectName(ltcGroup_->objectName() + QString::number(i));
    ltcLayout->addWidget(ltcButtons_[i]);
  }
  layout->addWidget(ltcGroup_);

  QGroupBox* loading = MakeGroup("Loading sets");
  auto* loadingLayout = new QVBoxLayout(loading);
  loadingLayout->addWidget(Check(Switch::kAutoFillDescription));
  layout->addWidget(loading);
  layout->addStretch(1);

  ShowSettings();
  for (size_t i = 0; i < kSwitchControls.size(); ++i) {
    if (checks_[i] == nullptr || kSwitchControls[i].which == Switch::kAllTricks) continue;
    const Switch which = kSwitchControls[i].which;
    connect(checks_[i], &QCheckBox::toggled, this,
            [this, which](bool on) { app_.SetSwitch(which, on); });
  }
  connect(Check(Switch::kShowLtc), &QCheckBox::toggled, ltcGroup_, &QWidget::setVisible);
  for (int i = 0; i < kLtcItems; ++i) {
    connect(ltcButtons_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) app_.SetNumber(NumberSetting::kQueenAdjustment, i);
    });
  }
  QCheckBox* allTricks = Check(Switch::kAllTricks);
  connect(allTricks, &QCheckBox::clicked, this,
          [this, allTricks] { OnDisplayChoiceClicked(allTricks); });
  connect(allContractsCheck_, &QCheckBox::clicked, this,
          [this] { OnDisplayChoiceClicked(allContractsCheck_); });
}

QCheckBox* HandRecordsTab::Check(Switch which) const {
  for (size_t i = 0; i < kSwitchControls.size(); ++i) {
    if (kSwitchControls[i].which == which) return checks_[i];
  }
  return nullptr;
}

void HandRecordsTab::ShowSettings() {
  const SettingsRecord& record = app_.Settings();
  for (size_t i = 0; i < kSwitchControls.size(); ++i) {
    if (checks_[i] != nullptr) checks_[i]->setChecked(record.Get(kSwitchControls[i].which));
  }
  allContractsCheck_->setChecked(!record.AllTricks());
  ltcButtons_[std::clamp(int(record.QueenAdjustment()), 0, kLtcItems - 1)]->setChecked(true);
  ltcGroup_->setVisible(record.ShowLtc());
}

void HandRecordsTab::ShowAllTricks(bool allTricks) {
  Check(Switch::kAllTricks)->setChecked(allTricks);
  allContractsCheck_->setChecked(!allTricks);
  app_.SetSwitch(Switch::kAllTricks, allTricks);
}

void HandRecordsTab::OnDisplayChoiceClicked(QCheckBox* clicked) {
  QCheckBox* allTricks = Check(Switch::kAllTricks);
  QCheckBox* other = clicked == allTricks ? allContractsCheck_ : allTricks;
  other->setChecked(!clicked->isChecked());
  app_.SetSwitch(Switch::kAllTricks, allTricks->isChecked());
  const Status saved = app_.SaveSettings();
  if (!saved.ok()) window_.ShowStatus(QString::fromStdString(saved.message()));
}

}  // namespace tarrow

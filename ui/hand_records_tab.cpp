#include "ui/hand_records_tab.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ltc.h"
#include "ui/widget_helpers.h"
#include "ui/window_services.h"

namespace tarrow {

namespace {

const char* const kLtcTexts[] = {
    "1 -Count unguarded Queens as half losers",
    "2 -Add a loser if more Q's than A's.  Subtract a loser if more A's than Q's.",
    "3 -Add a half for each excess Queen.  Subtract a half for each excess Ace."};

}  // namespace

HandRecordsTab::HandRecordsTab(App& app, WindowServices& window) : app_(app), window_(window) {
  auto* layout = new QVBoxLayout(this);
  QGroupBox* show = MakeGroup("What the hand records show");
  auto* showLayout = new QGridLayout(show);
  showDistributionsCheck_ = MakeCheck("Show Distributions", "CBShowD");
  showNumbersCheck_ = MakeCheck("Show Deal Numbers", "CBShowN");
  showLtcCheck_ = MakeCheck("Show LTC", "CBShowL");
  showAnalysisCheck_ = MakeCheck("Show Analysis", "CBShowDD");
  showParCheck_ = MakeCheck("Show Par", "CBShowPar");
  showParCheck_->setToolTip("the par score and contracts of completely analysed boards");
  allTricksCheck_ = MakeCheck("All Tricks", "CBAllTricks");
  allTricksCheck_->setProperty("tag", 1);
  allContractsCheck_ = MakeCheck("All Contracts", "CBContracts");
  autoDescriptionCheck_ = MakeCheck(" Auto Fill Description with Filename", "CBAuto");
  showDistributionsCheck_->setChecked(true);
  showLtcCheck_->setChecked(true);
  showAnalysisCheck_->setChecked(true);
  allContractsCheck_->setChecked(true);
  showLayout->addWidget(showDistributionsCheck_, 0, 0);
  showLayout->addWidget(showNumbersCheck_, 1, 0);
  showLayout->addWidget(showLtcCheck_, 2, 0);
  showLayout->addWidget(showAnalysisCheck_, 0, 1);
  showLayout->addWidget(allTricksCheck_, 1, 1);
  showLayout->addWidget(allContractsCheck_, 2, 1);
  showLayout->addWidget(showParCheck_, 3, 1);
  layout->addWidget(show);

  ltcGroup_ = MakeGroup("   Losing Trick Count Queen Adjustment   ", "RGLTC");
  auto* ltcLayout = new QVBoxLayout(ltcGroup_);
  for (int i = 0; i < kLtcItems; ++i) {
    ltcButtons_[i] = new QRadioButton(kLtcTexts[i]);
    ltcButtons_[i]->setObjectName(QString("RGLTC%1").arg(i));
    ltcLayout->addWidget(ltcButtons_[i]);
  }
  ltcButtons_[0]->setChecked(true);
  layout->addWidget(ltcGroup_);

  QGroupBox* loading = MakeGroup("Loading sets");
  auto* loadingLayout = new QVBoxLayout(loading);
  loadingLayout->addWidget(autoDescriptionCheck_);
  layout->addWidget(loading);
  layout->addStretch(1);

  connect(showLtcCheck_, &QCheckBox::toggled, ltcGroup_, &QWidget::setVisible);
  for (QCheckBox* check : {showDistributionsCheck_, showNumbersCheck_, showLtcCheck_,
                           showAnalysisCheck_, showParCheck_, autoDescriptionCheck_}) {
    connect(check, &QCheckBox::toggled, this, [this] { Apply(); });
  }
  for (QRadioButton* item : ltcButtons_) {
    connect(item, &QRadioButton::toggled, this, [this] { Apply(); });
  }
  connect(allTricksCheck_, &QCheckBox::clicked, this,
          [this] { OnDisplayChoiceClicked(allTricksCheck_); });
  connect(allContractsCheck_, &QCheckBox::clicked, this,
          [this] { OnDisplayChoiceClicked(allContractsCheck_); });
}

HandRecordOptions HandRecordsTab::Choices() const {
  HandRecordOptions o;
  o.showDistributions = showDistributionsCheck_->isChecked();
  o.showDealNumbers = showNumbersCheck_->isChecked();
  o.showLtc = showLtcCheck_->isChecked();
  o.showPar = showParCheck_->isChecked();
  o.showAnalysis = showAnalysisCheck_->isChecked();
  o.allTricks = allTricksCheck_->isChecked();
  for (int i = 0; i < kLtcItems; ++i) {
    if (ltcButtons_[i]->isChecked()) o.queenMethod = QueenMethodFromIndex(i);
  }
  return o;
}

void HandRecordsTab::Apply() {
  app_.SetHandRecordChoices(Choices());
  app_.SetAutoFillDescription(autoDescriptionCheck_->isChecked());
}

void HandRecordsTab::ShowSettings(const SettingsControls& shown) {
  const HandRecordOptions& options = shown.handRecords;
  showDistributionsCheck_->setChecked(options.showDistributions);
  showNumbersCheck_->setChecked(options.showDealNumbers);
  showLtcCheck_->setChecked(options.showLtc);
  showParCheck_->setChecked(options.showPar);
  showAnalysisCheck_->setChecked(options.showAnalysis);
  allTricksCheck_->setChecked(options.allTricks);
  allContractsCheck_->setChecked(!options.allTricks);
  autoDescriptionCheck_->setChecked(shown.autoFillDescription);
  ltcButtons_[std::clamp(int(options.queenMethod), 0, kLtcItems - 1)]->setChecked(true);
  ltcGroup_->setVisible(showLtcCheck_->isChecked());
  Apply();
}

void HandRecordsTab::TakeSettings(SettingsControls& c) const {
  c.handRecords = Choices();
  c.autoFillDescription = autoDescriptionCheck_->isChecked();
}

void HandRecordsTab::ShowAllTricks(bool allTricks) {
  allTricksCheck_->setChecked(allTricks);
  allContractsCheck_->setChecked(!allTricks);
  Apply();
}

void HandRecordsTab::OnDisplayChoiceClicked(QCheckBox* clicked) {
  QCheckBox* other = clicked == allTricksCheck_ ? allContractsCheck_ : allTricksCheck_;
  other->setChecked(!clicked->isChecked());
  app_.SetAllTricks(allTricksCheck_->isChecked());
  Apply();
  const Status saved = app_.SaveSettings();
  if (!saved.ok()) window_.ShowStatus(QString::fromStdString(saved.message()));
}

}  // namespace tarrow

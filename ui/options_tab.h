// The Options tab: the output folder, the threads to use, the site, the
// deal viewer's monitor, where the set is saved, and the special commands
// (repeat the analysis, rewrite the PDF, force the PBN write).
#pragma once

#include <QWidget>

#include "app/app.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tarrow {

class WindowServices;

class OptionsTab : public QWidget {
 public:
  OptionsTab(App& app, WindowServices& window);

  void Refresh();
  // Shows the record's fields; a change of a control is App's at once.
  void ShowSettings();

 private:
  void OnChangeFolderClicked();
  void OnRepeatAnalysisClicked();
  void OnRewritePdfClicked();
  void OnWriteWebPageClicked();
  void OnForceWriteClicked();

  App& app_;
  WindowServices& window_;
  QLabel* folderLabel_ = nullptr;
  QPushButton* changeFolderButton_ = nullptr;
  QLabel* savedInLabel_ = nullptr;
  QSpinBox* threadsSpin_ = nullptr;
  QLabel* threadsInUseLabel_ = nullptr;
  QLabel* processorsLabel_ = nullptr;
  QLineEdit* siteEdit_ = nullptr;
  QGroupBox* monitorGroup_ = nullptr;
  QLabel* monitorLabel_ = nullptr;
  QPushButton* repeatAnalysisButton_ = nullptr;
  QPushButton* rewritePdfButton_ = nullptr;
  QPushButton* webPageButton_ = nullptr;
  QPushButton* forceWriteButton_ = nullptr;
};

}  // namespace tarrow

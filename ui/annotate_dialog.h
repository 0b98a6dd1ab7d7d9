// The window's face of annotate (app/annotate.h): any PBN file, of any size,
// gets its double-dummy tricks and par, every other byte kept.  The dialog
// asks for the file and the output (IN.dd.pbn beside it unless chosen
// otherwise), runs the annotation on a thread of its own with a progress
// bar, and lists the games it named; Stop saves what is done, and Start on
// the same files goes on from there.  Replacing a file that is not an
// earlier output of the same run needs the operator's Yes.
//
//   AnnotateDialog dialog(app.ThreadsSetting(), [&](const QString& q) { return Ask(q); });
//   dialog.show();
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/annotate.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tarrow {

class AnnotateDialog : public QDialog {
 public:
  // `ask` puts a Yes/No question (the text says what Yes does); true for Yes.
  AnnotateDialog(int threads, std::function<bool(const QString&)> ask, QWidget* parent = nullptr);
  ~AnnotateDialog() override;  // stops a run and waits for it

  bool Running() const noexcept { return running_; }

 protected:
  void reject() override;  // Escape and the close button stop a run first

 private:
  void OnStartClicked();
  void OnBrowseInput();
  void OnBrowseOutput();
  void Start(bool replaceAllowed);
  void OnProgress(const AnnotateProgress& progress);
  void OnFinished(const AnnotateVerdict& verdict, bool replaceAllowed);
  void ShowIdle();

  std::function<bool(const QString&)> ask_;
  QLineEdit* inputEdit_ = nullptr;
  QLineEdit* outputEdit_ = nullptr;
  QSpinBox* threadsSpin_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  bool running_ = false;
  bool closeWhenDone_ = false;  // closed while running: closes once the run has saved
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

}  // namespace tarrow

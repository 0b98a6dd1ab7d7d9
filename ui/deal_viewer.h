// The deal viewer "Bridge Hand Viewer": one board of the set at a time as
// the board picture draws it, with the panel's controls over the picture's
// left panel.  Steps through the boards (Previous/Next, the wheel, the
// arrow, Page and Home/End keys, a click on a board button), shows the deal
// number, switches the double-dummy display, and edits the shown board with
// the hand editor.
//
//   DealViewer viewer(app);
//   viewer.show();                            // on the settings' monitor
//   ... viewer.ShowDD() on every progress tick of the analysis ...
//
// The window holds no state of its own beyond the board shown, the number
// mode and the display option remembered at activation; everything else is
// read from the App whenever it paints.
#pragma once

#include <functional>

#include <QWidget>

#include "picture/board_picture.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace tarrow {

class App;
class HandEditor;

class DealViewer : public QWidget {
  Q_OBJECT
 public:
  explicit DealViewer(App& app, QWidget* parent = nullptr);

  int CurrentBoard() const noexcept { return currentBoard_; }
  // Shows board 1..36 (other values are clamped).
  void SetCurrentBoard(int board);
  NumberMode CurrentNumberMode() const noexcept { return numberMode_; }
  HandEditor& Editor() const noexcept { return *editor_; }

  // Redraws everything for the current board.
  void ShowHand();
  // Redraws the seats' results and the workers' lines (the progress tick).
  void ShowDD();

  // Asks a Yes/No question; the close question goes through it, so that a
  // caller can answer without a message box.  Default: a modal box.
  std::function<bool(const QString& title, const QString& text)> ask;

 signals:
  // A board got new cards: its analysis is cleared and the set was saved.
  void BoardEdited(int board);
  // The viewer changed the double-dummy display (its radio group, or the
  // close question answered No); the main window's boxes follow it.
  void DisplayOptionChanged(bool allTricks);
  // The close question was answered Yes: the display option is kept, the
  // settings file was written and, when the set in hand has a file and its
  // hand records are kept as a PDF, that PDF was written again.
  void DisplayOptionConfirmed(bool allTricks);
  // Writing the set after an edit, or the settings file or the hand-record
  // PDF after the close question, failed; the message names the file and
  // the reason.
  void SaveFailed(const QString& message);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnPreviousClicked();
  void OnNextClicked();
  void OnShowNumberClicked();
  void OnEditClicked();
  void OnDisplayChosen(int item);
  void OnActivated();
  void PlaceOnMonitor();
  void LayOutControls();
  void UpdateCaption();
  void ApplyEdit(int board, const DealNumber& number);
  BoardView View() const;

  App& app_;
  HandEditor* editor_;
  int currentBoard_ = 1;
  NumberMode numberMode_ = NumberMode::kHidden;
  bool rememberedAllTricks_ = false;
  QPushButton* previousButton_;
  QPushButton* nextButton_;
  QPushButton* showNumberButton_;
  QPushButton* editButton_;
  QGroupBox* displayGroup_;
  QButtonGroup* displayButtons_;
  QPushButton* quitButton_;
};

}  // namespace tarrow

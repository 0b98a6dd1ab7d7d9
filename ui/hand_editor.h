// The hand editor "Edit this Hand": a modal dialog with one text field per
// seat and suit, checked at every keystroke, whose Apply gives back a
// complete deal and its number.  The rules live in hand_edit.h.
//
//   HandEditor editor(parent);
//   editor.Load(board, set.Board(board).number);   // fields from the board's deal
//   if (editor.exec() == QDialog::Accepted) Use(editor.WorkingDeal().number);
#pragma once

#include <array>

#include <QDialog>
#include <QLabel>

#include "core/cards.h"
#include "core/deal_number_type.h"
#include "ui/hand_edit.h"

class QLineEdit;
class QPushButton;

namespace tarrow {

// A label that reports clicks: the status line, which fills the short seat.
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class HandEditor : public QDialog {
  Q_OBJECT
 public:
  explicit HandEditor(QWidget* parent = nullptr);

  // Shows board `board`'s cards: "Deal # n" and the sixteen fields filled
  // from the deal of `number` (left empty when the number is out of range).
  void Load(int board, const DealNumber& number);

  HandStatus Status() const noexcept { return status_; }
  // The last deal that passed the check; after Apply, the edited deal with
  // its number.
  const Deal& WorkingDeal() const noexcept { return workingDeal_; }
  QLineEdit* Field(Seat seat, Suit suit) const { return fields_[size_t(FieldIndex(seat, suit))]; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FieldChanged(int index);  // the shared change handler
  void CheckDeal();
  void OnFillClicked();
  void OnClearClicked();
  HandFields FieldTexts() const;
  void LayOut();

  std::array<QLineEdit*, 16> fields_{};
  std::array<QLabel*, 16> suitLabels_{};
  std::array<QLabel*, 4> seatLabels_{};
  QLabel* boardLabel_;
  ClickableLabel* statusLabel_;
  QPushButton* clearButton_;
  QPushButton* applyButton_;
  QPushButton* cancelButton_;
  HandStatus status_ = HandStatus::kInvalid;
  Deal workingDeal_;
};

}  // namespace tarrow

#include "ui/hand_editor.h"

#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "core/deal_number.h"
#include "picture/board_picture.h"
#include "picture/card_art.h"

namespace tarrow {
namespace {

QPixmap SuitPixmap(Suit suit, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintSuitSymbol(painter, QRectF(0, 0, size, size), suit, false);
  return pixmap;
}

void SetTextColour(QWidget* widget, unsigned rgb) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(0xFF000000u | rgb)));
  widget->setPalette(palette);
}

constexpr int kFieldHeight = 26;

}  // namespace

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  emit clicked();
}

HandEditor::HandEditor(QWidget* parent) : QDialog(parent) {
  setObjectName("TFHandMod");
  setWindowTitle("Edit this Hand");
  setModal(true);
  // Below this the status line between North's fields and South has no
  // room for a problem of three lines.
  setMinimumSize(640, 500);
  resize(640, 500);

  QFont seatFont = font();
  seatFont.setBold(true);
  seatFont.setPointSize(seatFont.pointSize() + 2);
  for (Seat seat : kSeats) {
    auto* label = new QLabel(QString::fromLatin1(kSeatNames[size_t(seat)].data()), this);
    label->setObjectName(QStringLiteral("LDir") + QChar(kSeatLetters[size_t(seat)]));
    label->setFont(seatFont);
    seatLabels_[size_t(seat)] = label;
  }
  // Fields in tab order North spades .. West clubs, each with its suit's
  // symbol on the left (hearts and diamonds red).
  for (int i = 0; i < 16; ++i) {
    const Seat seat = kSeats[size_t(i / 4)];
    const Suit suit = kSuits[size_t(i % 4)];
    auto* symbol = new QLabel(this);
    symbol->setPixmap(SuitPixmap(suit, 16));
    symbol->setObjectName(QStringLiteral("Symbol") + QChar(kSeatLetters[size_t(seat)]) +
                          QChar(kSuitLetters[suit]));
    suitLabels_[size_t(i)] = symbol;
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("Field") + QChar(kSeatLetters[size_t(seat)]) +
                         QChar(kSuitLetters[suit]));
    field->setProperty("tag", i);
    connect(field, &QLineEdit::textChanged, this, [this, i] { FieldChanged(i); });
    fields_[size_t(i)] = field;
    if (i > 0) setTabOrder(fields_[size_t(i - 1)], field);
  }

  boardLabel_ = new QLabel(this);
  boardLabel_->setObjectName("LHNum");
  boardLabel_->setFont(seatFont);
  statusLabel_ = new ClickableLabel("Invalid Hand", this);
  statusLabel_->setObjectName("LDealOK");
  statusLabel_->setFont(seatFont);
  statusLabel_->setAlignment(Qt::AlignCenter);
  statusLabel_->setWordWrap(true);
  connect(statusLabel_, &ClickableLabel::clicked, this, &HandEditor::OnFillClicked);
  clearButton_ = new QPushButton("Clear Hands", this);
  clearButton_->setObjectName("BClear");
  connect(clearButton_, &QPushButton::clicked, this, &HandEditor::OnClearClicked);
  applyButton_ = new QPushButton("Apply", this);
  applyButton_->setObjectName("BApplyMod");
  connect(applyButton_, &QPushButton::clicked, this, &QDialog::accept);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("BCanMod");
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  // Enter applies a valid deal and does nothing otherwise; it must never
  // reach "Clear Hands".
  applyButton_->setDefault(true);
  clearButton_->setAutoDefault(false);
  cancelButton_->setAutoDefault(false);
  setTabOrder(fields_[15], applyButton_);
  setTabOrder(applyButton_, cancelButton_);
  setTabOrder(cancelButton_, clearButton_);
  CheckDeal();
  LayOut();
}

void HandEditor::Load(int board, const DealNumber& number) {
  boardLabel_->setText("Deal # " + QString::number(board));
  for (QLineEdit* field : fields_) field->clear();
  const Deal deal = DealFromNumber(number);
  if (deal.valid) {
    const HandFields texts = FieldsFromDeal(deal);
    for (int i = 0; i < 16; ++i) fields_[size_t(i)]->setText(QString::fromLatin1(texts[size_t(i)]));
  }
  CheckDeal();
  fields_[0]->setFocus();
  // Centred on the screen it opens on.
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void HandEditor::FieldChanged(int index) {
  QLineEdit* field = fields_[size_t(index)];
  const QString normal =
      QString::fromLatin1(NormaliseSuitField(field->text().toLatin1().toStdString()));
  if (normal != field->text()) {
    field->setText(normal);  // runs this handler again, which then finds nothing to change
    return;
  }
  CheckDeal();
}

HandFields HandEditor::FieldTexts() const {
  HandFields texts;
  for (int i = 0; i < 16; ++i)
    texts[size_t(i)] = fields_[size_t(i)]->text().toLatin1().toStdString();
  return texts;
}

void HandEditor::CheckDeal() {
  const HandCheck check = CheckHands(FieldTexts());
  status_ = check.status;
  if (check.status == HandStatus::kValid) workingDeal_ = check.deal;
  statusLabel_->setText(QString::fromLatin1(HandStatusLine(check)));
  SetTextColour(statusLabel_, HandStatusColour(status_));
  // "Fill West" is a link: underlined, with the hand cursor, while it can
  // be clicked; the other statuses read as plain text.
  const bool fills = status_ != HandStatus::kInvalid && status_ != HandStatus::kValid;
  QFont font = statusLabel_->font();
  font.setUnderline(fills);
  statusLabel_->setFont(font);
  statusLabel_->setCursor(fills ? Qt::PointingHandCursor : Qt::ArrowCursor);
  const QString seat =
      fills ? QString::fromLatin1(kSeatNames[size_t(SeatToFill(status_))].data()) : "";
  statusLabel_->setToolTip(fills ? "Click to give " + seat + " the cards nobody holds" : "");
  applyButton_->setEnabled(status_ == HandStatus::kValid);
}

void HandEditor::OnFillClicked() {
  HandFields texts = FieldTexts();
  if (!FillShortSeat(texts)) return;
  for (int i = 0; i < 16; ++i) {
    const QString text = QString::fromLatin1(texts[size_t(i)]);
    if (text != fields_[size_t(i)]->text()) fields_[size_t(i)]->setText(text);
  }
}

void HandEditor::OnClearClicked() {
  for (QLineEdit* field : fields_) field->clear();
  CheckDeal();
}

void HandEditor::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayOut();
}

// Seats at fixed fractions of the width and of 0.7 of the height, the
// four suit fields under each seat's name, 30 pixels apart.
void HandEditor::LayOut() {
  const int cw = width(), ch = height();
  const int area = RoundEven(0.7 * ch);
  const double at[4][2] = {{0.4, 0.1}, {0.75, 0.4}, {0.4, 0.7}, {0.1, 0.4}};
  const int fieldWidth = RoundEven(0.22 * cw);
  for (Seat seat : kSeats) {
    QLabel* label = seatLabels_[size_t(seat)];
    label->adjustSize();
    label->move(RoundEven(at[seat][0] * cw), RoundEven(at[seat][1] * area));
    for (Suit suit : kSuits) {
      const int top = label->y() + 30 + 30 * suit;
      fields_[size_t(FieldIndex(seat, suit))]->setGeometry(label->x(), top, fieldWidth,
                                                           kFieldHeight);
      suitLabels_[size_t(FieldIndex(seat, suit))]->setGeometry(
          label->x() - 20, top + (kFieldHeight - 16) / 2, 16, 16);
    }
  }
  boardLabel_->adjustSize();
  boardLabel_->move(12, 10);
  // The status fills the middle of the compass: between North's last field
  // and South's name, and between West's fields and East's suit symbols,
  // with room for a problem of three lines.
  const int northBottom = fields_[size_t(FieldIndex(kNorth, kClubs))]->geometry().bottom();
  const int southTop = seatLabels_[size_t(kSouth)]->y();
  const int westRight = fields_[size_t(FieldIndex(kWest, kClubs))]->geometry().right();
  const int eastLeft = suitLabels_[size_t(FieldIndex(kEast, kSpades))]->x();
  statusLabel_->setGeometry(westRight + 8, northBottom + 2, eastLeft - westRight - 16,
                            southTop - northBottom - 4);
  const int buttonWidth = 110, buttonHeight = 30, bottom = ch - buttonHeight - 12;
  clearButton_->setGeometry(12, bottom, buttonWidth, buttonHeight);
  cancelButton_->setGeometry(cw - 12 - buttonWidth, bottom, buttonWidth, buttonHeight);
  applyButton_->setGeometry(cw - 24 - 2 * buttonWidth, bottom, buttonWidth, buttonHeight);
}

}  // namespace tarrow

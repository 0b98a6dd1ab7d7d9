// The hand editor's rules and its dialog, driven as a director would: typing
// into the suit fields, clicking the status line, clearing.
#include "ui/hand_editor.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/deal_number.h"
#include "core/pbn_deal.h"

namespace tarrow {
namespace {

const char* kDeal = "N:AKQJ.T98.765.432 T98.AKQJ.432.765 765.432.AKQJ.T98 432.765.T98.AKQJ";

Deal DealOf(const char* pbn) {
  const Result<Deal> deal = ParsePbnDeal(pbn);
  EXPECT_TRUE(deal.ok()) << deal.message();
  return *deal;
}

TEST(HandEditTest, NormalisesTypedRanks) {
  // typed -> kept
  const std::pair<const char*, const char*> rows[] = {{"kq10x a", "AKQT"},
                                                      {"AA", "A"},
                                                      {"2345", "5432"},
                                                      {"0", ""},
                                                      {"t1T", "T"},
                                                      {"jJ9 8,7", "J987"},
                                                      {"akqjt98765432", "AKQJT98765432"},
                                                      {"ü€x", ""}};
  for (const auto& [typed, kept] : rows) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(NormaliseSuitField(typed), kept);
  }
}

TEST(HandEditTest, FieldsOfADealCheckAsValidWithItsNumber) {
  const Deal deal = DealOf(kDeal);
  const HandFields fields = FieldsFromDeal(deal);
  EXPECT_EQ(fields[size_t(FieldIndex(kNorth, kSpades))], "AKQJ");
  EXPECT_EQ(fields[size_t(FieldIndex(kWest, kClubs))], "AKQJ");
  const HandCheck check = CheckHands(fields);
  EXPECT_EQ(check.status, HandStatus::kValid);
  EXPECT_EQ(check.deal.number, deal.number);
  EXPECT_EQ(check.deal.points[kNorth], deal.points[kNorth]);
}

TEST(HandEditTest, OneShortSeatIsOfferedAndFilled) {
  HandFields fields = FieldsFromDeal(DealOf(kDeal));
  for (Suit s : kSuits) fields[size_t(FieldIndex(kEast, s))].clear();
  fields[size_t(FieldIndex(kEast, kHearts))] = "AK";  // two of East's cards kept
  EXPECT_EQ(CheckHands(fields).status, HandStatus::kFillEast);
  EXPECT_EQ(HandStatusText(HandStatus::kFillEast), "Fill East");
  EXPECT_EQ(HandStatusColour(HandStatus::kFillEast), 0xFF0000u);
  ASSERT_TRUE(FillShortSeat(fields));
  for (std::string& f : fields) f = NormaliseSuitField(f);
  EXPECT_EQ(fields[size_t(FieldIndex(kEast, kSpades))], "T98");
  EXPECT_EQ(fields[size_t(FieldIndex(kEast, kHearts))], "AKQJ");
  EXPECT_EQ(CheckHands(fields).status, HandStatus::kValid);
}

TEST(HandEditTest, CardsNamedTwiceNeverPass) {
  HandFields fields = FieldsFromDeal(DealOf(kDeal));
  // East names the ace of spades instead of its ten: North and East both hold it.
  fields[size_t(FieldIndex(kEast, kSpades))] = "A98";
  EXPECT_EQ(CheckHands(fields).status, HandStatus::kInvalid);
  // Even with West empty, the one-seat-short offer is not made, and West
  // is not filled (it would get fourteen cards).
  for (Suit s : kSuits) fields[size_t(FieldIndex(kWest, s))].clear();
  EXPECT_EQ(CheckHands(fields).status, HandStatus::kInvalid);
  EXPECT_FALSE(FillShortSeat(fields));
  // Two seats short: nothing to fill either.
  fields[size_t(FieldIndex(kEast, kSpades))] = "T98";
  for (Suit s : kSuits) fields[size_t(FieldIndex(kSouth, s))].clear();
  EXPECT_FALSE(FillShortSeat(fields));
  EXPECT_EQ(HandStatusColour(HandStatus::kInvalid), 0x0000FFu);
}

TEST(HandEditTest, AnInvalidDealSaysWhatIsWrong) {
  const HandFields deal = FieldsFromDeal(DealOf(kDeal));
  const auto with = [&](std::initializer_list<std::pair<int, const char*>> changes) {
    HandFields fields = deal;
    for (const auto& [index, text] : changes) fields[size_t(index)] = text;
    return fields;
  };
  const int eastSpades = FieldIndex(kEast, kSpades), westSpades = FieldIndex(kWest, kSpades);
  const int northClubs = FieldIndex(kNorth, kClubs);
  // fields -> status line
  const std::pair<HandFields, const char*> rows[] = {
      {deal, "Valid Hand"},
      {with({{eastSpades, "A98"}}), "Invalid Hand: the ace of spades is named twice"},
      // The card named twice comes first, even with a seat short.
      {with({{eastSpades, "A98"}, {westSpades, ""}}),
       "Invalid Hand: the ace of spades is named twice"},
      {with({{northClubs, "7432"}}), "Invalid Hand: the 7 of clubs is named twice"},
      // A card moved from West to North: 14 and 12, nothing named twice.
      {with({{FieldIndex(kNorth, kHearts), "T985"}, {FieldIndex(kWest, kHearts), "76"}}),
       "Invalid Hand: North holds 14 cards, West 12"},
      {with({{eastSpades, ""},
             {FieldIndex(kEast, kHearts), ""},
             {FieldIndex(kEast, kDiamonds), "4"},
             {FieldIndex(kEast, kClubs), ""},
             {westSpades, ""}}),
       "Invalid Hand: East holds 1 card, West 10"},
      {HandFields{}, "Invalid Hand: no cards are named"},
      {with({{eastSpades, ""}}), "Fill East"},
  };
  for (const auto& [fields, line] : rows) {
    SCOPED_TRACE(line);
    const HandCheck check = CheckHands(fields);
    EXPECT_EQ(HandStatusLine(check), line);
    EXPECT_EQ(check.problem.empty(), check.status != HandStatus::kInvalid);
  }
}

class HandEditorDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { editor_.Load(7, DealOf(kDeal).number); }
  QLineEdit* Field(Seat seat, Suit suit) { return editor_.Field(seat, suit); }
  QLabel* Status() { return editor_.findChild<QLabel*>("LDealOK"); }
  QPushButton* Button(const char* name) { return editor_.findChild<QPushButton*>(name); }
  QColor StatusColour() { return Status()->palette().color(QPalette::WindowText); }

  HandEditor editor_;
};

TEST_F(HandEditorDialogTest, OpensWithTheBoardsCardsAndAValidDeal) {
  EXPECT_EQ(editor_.windowTitle(), "Edit this Hand");
  EXPECT_EQ(editor_.findChild<QLabel*>("LHNum")->text(), "Deal # 7");
  EXPECT_EQ(Field(kNorth, kSpades)->text(), "AKQJ");
  EXPECT_EQ(Field(kSouth, kDiamonds)->text(), "AKQJ");
  EXPECT_EQ(Status()->text(), "Valid Hand");
  EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
  EXPECT_TRUE(Button("BApplyMod")->isEnabled());
  // Tab goes through the fields seat by seat, spades first, then to Apply.
  const auto nextTabStop = [](QWidget* w) {
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(w->window()));
    return w;
  };
  // The i-th field in tab order: seat i / 4, suit i % 4.
  const auto field = [&](int i) { return Field(kSeats[size_t(i / 4)], kSuits[size_t(i % 4)]); };
  for (int i = 0; i < 15; ++i) EXPECT_EQ(nextTabStop(field(i)), field(i + 1)) << i;
  EXPECT_EQ(nextTabStop(Field(kWest, kClubs)), Button("BApplyMod"));
}

TEST_F(HandEditorDialogTest, TypingIsNormalisedAtEveryKeystroke) {
  QLineEdit* field = Field(kNorth, kSpades);
  field->clear();
  QTest::keyClicks(field, "kq10x a");
  EXPECT_EQ(field->text(), "AKQT");
  field->clear();
  QTest::keyClicks(field, "AA");
  EXPECT_EQ(field->text(), "A");
}

TEST_F(HandEditorDialogTest, ClickingFillWestCompletesTheDeal) {
  for (Suit s : kSuits) Field(kWest, s)->clear();
  EXPECT_EQ(Status()->text(), "Fill West");
  EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
  EXPECT_FALSE(Button("BApplyMod")->isEnabled());
  QTest::mouseClick(Status(), Qt::LeftButton);
  EXPECT_EQ(Field(kWest, kSpades)->text(), "432");
  EXPECT_EQ(Field(kWest, kClubs)->text(), "AKQJ");
  EXPECT_EQ(Status()->text(), "Valid Hand");
  EXPECT_TRUE(Button("BApplyMod")->isEnabled());
  EXPECT_EQ(editor_.WorkingDeal().number, DealOf(kDeal).number);
}

TEST_F(HandEditorDialogTest, AnAceNamedTwiceKeepsApplyDisabled) {
  Field(kEast, kSpades)->setText("A98");
  EXPECT_EQ(Status()->text(), "Invalid Hand: the ace of spades is named twice");
  for (Suit s : kSuits) Field(kWest, s)->clear();
  EXPECT_EQ(Status()->text(), "Invalid Hand: the ace of spades is named twice");
  EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
  EXPECT_FALSE(Button("BApplyMod")->isEnabled());
  QTest::mouseClick(Status(), Qt::LeftButton);  // nothing to fill
  EXPECT_EQ(Field(kWest, kSpades)->text(), "");
}

TEST_F(HandEditorDialogTest, FillLooksClickableOnlyWhileItCanBeClicked) {
  const auto looksClickable = [&] {
    return Status()->font().underline() && Status()->cursor().shape() == Qt::PointingHandCursor;
  };
  const auto looksPlain = [&] {
    return !Status()->font().underline() && Status()->cursor().shape() == Qt::ArrowCursor;
  };
  EXPECT_TRUE(looksPlain()) << "Valid Hand";
  for (Suit s : kSuits) Field(kWest, s)->clear();
  ASSERT_EQ(Status()->text(), "Fill West");
  EXPECT_TRUE(looksClickable());
  EXPECT_TRUE(Status()->toolTip().contains("West")) << Status()->toolTip().toStdString();
  Field(kEast, kSpades)->setText("A98");  // now a card is named twice: nothing to fill
  EXPECT_TRUE(looksPlain()) << Status()->text().toStdString();
  Field(kEast, kSpades)->setText("T98");
  EXPECT_TRUE(looksClickable());
  QTest::mouseClick(Status(), Qt::LeftButton);
  EXPECT_EQ(Status()->text(), "Valid Hand");
  EXPECT_TRUE(looksPlain());
}

TEST_F(HandEditorDialogTest, TheStatusLineShowsWholeBesideEveryField) {
  editor_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor_));
  // Nothing hidden stays behind: every control of the dialog is on show.
  for (QWidget* child : editor_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    EXPECT_TRUE(child->isVisible()) << child->objectName().toStdString();
  }
  // The longest problems a deal can have, at the size the dialog opens
  // with and at a smaller one.
  for (const QSize size : {editor_.minimumSize(), QSize(900, 700)}) {
    SCOPED_TRACE(size.width());
    editor_.resize(size);
    // The five of hearts moved from West to North, East and South short.
    Field(kNorth, kHearts)->setText("T985");
    Field(kWest, kHearts)->setText("76");
    Field(kEast, kDiamonds)->setText("4");
    Field(kSouth, kDiamonds)->setText("AKQ");
    ASSERT_EQ(Status()->text(), "Invalid Hand: North holds 14 cards, East 11, South 12, West 12");
    for (const char* text : {"the queen of diamonds is named twice",
                             "North holds 14 cards, East 11, South 12, West 12"}) {
      SCOPED_TRACE(text);
      Status()->setText(QString("Invalid Hand: ") + text);
      EXPECT_LE(Status()->heightForWidth(Status()->width()), Status()->height());
    }
    const QRect status = Status()->geometry();
    for (Seat seat : kSeats) {
      for (Suit suit : kSuits) {
        EXPECT_FALSE(status.intersects(Field(seat, suit)->geometry())) << seat << suit;
      }
    }
    for (const char* name : {"LDirN", "LDirE", "LDirS", "LDirW", "SymbolES", "SymbolWC"}) {
      EXPECT_FALSE(status.intersects(editor_.findChild<QWidget*>(name)->geometry())) << name;
    }
    editor_.Load(7, DealOf(kDeal).number);
  }
}

TEST_F(HandEditorDialogTest, EnterNeverClearsTheHands) {
  editor_.show();
  Field(kNorth, kSpades)->setText("AKQ");  // North short: Apply is disabled
  QTest::keyClick(Field(kNorth, kHearts), Qt::Key_Return);
  EXPECT_EQ(Field(kEast, kSpades)->text(), "T98");
  EXPECT_EQ(editor_.result(), QDialog::Rejected);
  Field(kNorth, kSpades)->setText("AKQJ");
  QTest::keyClick(Field(kNorth, kHearts), Qt::Key_Return);
  EXPECT_EQ(editor_.result(), QDialog::Accepted);
}

TEST_F(HandEditorDialogTest, ClearHandsEmptiesEveryField) {
  Button("BClear")->click();
  for (Seat seat : kSeats)
    for (Suit suit : kSuits) EXPECT_EQ(Field(seat, suit)->text(), "");
  EXPECT_EQ(Status()->text(), "Invalid Hand: no cards are named");
  EXPECT_FALSE(Button("BApplyMod")->isEnabled());
  // Loading again brings the board's cards back: cancelled edits leave no trace.
  editor_.Load(7, DealOf(kDeal).number);
  EXPECT_EQ(Field(kNorth, kSpades)->text(), "AKQJ");
  EXPECT_EQ(Status()->text(), "Valid Hand");
}

TEST_F(HandEditorDialogTest, AnOutOfRangeNumberOpensWithEmptyFields) {
  editor_.Load(3, DealNumber{true, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_EQ(Field(kNorth, kSpades)->text(), "");
  EXPECT_EQ(Status()->text(), "Invalid Hand: no cards are named");
}

}  // namespace
}  // namespace tarrow

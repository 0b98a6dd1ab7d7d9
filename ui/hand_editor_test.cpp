// The hand editor's rules and its dialog, driven as a director would: typing
// into the suit fields, clicking the status line, clearing.
#include "ui/hand_editor.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

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
  const std::pair<const char*, const char*> rows[] = {
      {"kq10x a", "AKQT"}, {"AA", "A"}, {"2345", "5432"}, {"0", ""}, {"t1T", "T"},
      {"jJ9 8,7", "J987"}, {"akqjt98765432", "AKQJT98765432"}, {"ü€x", ""}};
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
  EXPECT_EQ(Status()->text(), "Invalid Hand");
  for (Suit s : kSuits) Field(kWest, s)->clear();
  EXPECT_EQ(Status()->text(), "Invalid Hand");
  EXPECT_FALSE(Button("BApplyMod")->isEnabled());
  QTest::mouseClick(Status(), Qt::LeftButton);  // nothing to fill
  EXPECT_EQ(Field(kWest, kSpades)->text(), "");
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
  EXPECT_EQ(Status()->text(), "Invalid Hand");
  EXPECT_FALSE(Button("BApplyMod")->isEnabled());
  // Loading again brings the board's cards back: cancelled edits leave no trace.
  editor_.Load(7, DealOf(kDeal).number);
  EXPECT_EQ(Field(kNorth, kSpades)->text(), "AKQJ");
  EXPECT_EQ(Status()->text(), "Valid Hand");
}

TEST_F(HandEditorDialogTest, AnOutOfRangeNumberOpensWithEmptyFields) {
  editor_.Load(3, DealNumber{true, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  EXPECT_EQ(Field(kNorth, kSpades)->text(), "");
  EXPECT_EQ(Status()->text(), "Invalid Hand");
}

}  // namespace
}  // namespace tarrow

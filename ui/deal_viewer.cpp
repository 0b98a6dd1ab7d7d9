#include "ui/deal_viewer.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/app.h"
#include "core/banner.h"
#include "core/deal_number.h"
#include "ui/hand_editor.h"

namespace tarrow {
namespace {

// The caption: the program, what the window is, and the set's file.
QString Caption(const App& app) {
  QString caption = QString::fromLatin1(kProgramBanner.data(), qsizetype(kProgramBanner.size())) +
                    " - Bridge Hand Viewer";
  if (!app.SetFilePath().empty()) {
    caption += "  [ " + QString::fromStdString(app.SetFilePath().filename().string()) + " ]";
  }
  return caption;
}

// "Show Hex", "Show Dec." and "Hide" name what the next click does.
QString NumberButtonCaption(NumberMode mode) {
  switch (mode) {
    case NumberMode::kHidden:
      return "Show Hex Deal #";
    case NumberMode::kHex:
      return "Show Dec. Deal #";
    default:
      return "Hide Deal #";
  }
}

}  // namespace

DealViewer::DealViewer(App& app, QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app), editor_(new HandEditor(this)) {
  setObjectName("TDGForm");
  // Below this the cards' indexes get too small to read across a room.
  setMinimumSize(800, 560);
  resize(1280, 800);
  ask = [this](const QString& title, const QString& text) {
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };

  const auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    return b;
  };
  previousButton_ = button("BPrev", "Previous");
  nextButton_ = button("BNext", "Next");
  showNumberButton_ = button("BShowN", NumberButtonCaption(numberMode_));
  editButton_ = button("BEdit", "Edit This Hand");
  quitButton_ = button("BQuit", "Close Viewer");
  connect(previousButton_, &QPushButton::clicked, this, &DealViewer::OnPreviousClicked);
  connect(nextButton_, &QPushButton::clicked, this, &DealViewer::OnNextClicked);
  connect(showNumberButton_, &QPushButton::clicked, this, &DealViewer::OnShowNumberClicked);
  connect(editButton_, &QPushButton::clicked, this, &DealViewer::OnEditClicked);
  connect(quitButton_, &QPushButton::clicked, this, &QWidget::close);

  displayGroup_ = new QGroupBox("Show Analysis as:", this);
  displayGroup_->setObjectName("RGShow");
  displayGroup_->setAutoFillBackground(true);
  QPalette panel = displayGroup_->palette();
  panel.setColor(QPalette::Window, QColor::fromRgb(QRgb(0xFF000000u | kPanelColour)));
  displayGroup_->setPalette(panel);
  displayButtons_ = new QButtonGroup(this);
  auto* items = new QVBoxLayout(displayGroup_);
  items->setContentsMargins(6, 2, 6, 2);
  items->setSpacing(0);
  const char* captions[2] = {"All Contracts", "All Tricks"};
  for (int i = 0; i < 2; ++i) {
    auto* item = new QRadioButton(captions[i], displayGroup_);
    item->setObjectName(QStringLiteral("RGShowItem%1").arg(i));
    displayButtons_->addButton(item, i);
    items->addWidget(item);
  }
  connect(displayButtons_, &QButtonGroup::idClicked, this, &DealViewer::OnDisplayChosen);

  // Keys step through the set whatever control has the focus.
  const auto key = [this](QKeySequence sequence, auto step) {
    auto* shortcut = new QShortcut(sequence, this);
    connect(shortcut, &QShortcut::activated, this, step);
  };
  key(Qt::Key_Left, [this] { OnPreviousClicked(); });
  key(Qt::Key_PageUp, [this] { OnPreviousClicked(); });
  key(Qt::Key_Right, [this] { OnNextClicked(); });
  key(Qt::Key_PageDown, [this] { OnNextClicked(); });
  key(Qt::Key_Home, [this] { SetCurrentBoard(1); });
  key(Qt::Key_End, [this] { SetCurrentBoard(kBoardsPerSet); });

  displayButtons_->button(app_.Settings().AllTricks() ? 1 : 0)->setChecked(true);
  LayOutControls();
  UpdateCaption();
}

void DealViewer::SetCurrentBoard(int board) {
  board = std::clamp(board, 1, kBoardsPerSet);
  if (board == currentBoard_) return;
  currentBoard_ = board;
  ShowHand();
}

void DealViewer::ShowHand() {
  UpdateCaption();
  update();
}

void DealViewer::ShowDD() {
  // The picture is cheap to draw whole, so the seats' results and the
  // workers' lines are simply drawn again with everything else.
  update();
}

BoardView DealViewer::View() const {
  BoardView view;
  view.set = &app_.Set();
  view.board = currentBoard_;
  view.allTricks = app_.Settings().AllTricks();
  view.numberMode = numberMode_;
  if (app_.AnalysisRunning()) {
    view.workerLines = WorkerLines(app_.Runner(), currentBoard_);
    view.workerCount = app_.WorkersStarted();
  }
  return view;
}

void DealViewer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBoardPicture(painter, size(), View());
}

void DealViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutControls();
  update();
}

void DealViewer::LayOutControls() {
  const BoardLayout layout(size());
  QFont font = this->font();
  font.setPixelSize(std::max(8, PointsToPixels(layout.controlFontPoints)));
  for (QWidget* w : std::initializer_list<QWidget*>{previousButton_, nextButton_, showNumberButton_,
                                                    editButton_, displayGroup_, quitButton_}) {
    w->setFont(font);
  }
  previousButton_->setGeometry(layout.previous);
  nextButton_->setGeometry(layout.next);
  showNumberButton_->setGeometry(layout.showNumber);
  editButton_->setGeometry(layout.edit);
  displayGroup_->setGeometry(layout.showAs);
  quitButton_->setGeometry(layout.quit);
}

void DealViewer::UpdateCaption() {
  setWindowTitle(Caption(app_));
  // The name the desktop gives the window in its task list and when it is
  // minimised: the board shown.
  setWindowIconText(QStringLiteral("DG Deal %1").arg(currentBoard_));
}

void DealViewer::OnPreviousClicked() {
  if (currentBoard_ > 1) SetCurrentBoard(currentBoard_ - 1);
}

void DealViewer::OnNextClicked() {
  if (currentBoard_ < kBoardsPerSet) SetCurrentBoard(currentBoard_ + 1);
}

void DealViewer::OnShowNumberClicked() {
  numberMode_ = NumberMode((int(numberMode_) + 1) % 3);
  showNumberButton_->setText(NumberButtonCaption(numberMode_));
  ShowHand();
}

void DealViewer::OnDisplayChosen(int item) {
  app_.SetSwitch(Switch::kAllTricks, item > 0);
  emit DisplayOptionChanged(item > 0);
  ShowHand();
}

void DealViewer::wheelEvent(QWheelEvent* event) {
  // One board per notch of 120; smaller turns (a touchpad's) add nothing.
  const int step = event->angleDelta().y() / 64;
  event->accept();
  SetCurrentBoard(currentBoard_ + step);
}

void DealViewer::mousePressEvent(QMouseEvent* event) {
  const int board = BoardLayout(size()).BoardAt(event->position().toPoint());
  if (board > 0) {
    SetCurrentBoard(board);
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void DealViewer::OnEditClicked() {
  const int board = currentBoard_;
  const DealNumber before = app_.Set().Board(board).number;
  editor_->Load(board, before);
  if (editor_->exec() != QDialog::Accepted) return;
  const DealNumber after = editor_->WorkingDeal().number;
  // Only the 96 number bits count: an empty slot given its own cards back
  // stays as it is.
  if (!after.valid || NumberValue(after) == NumberValue(before)) return;
  ApplyEdit(board, after);
}

void DealViewer::ApplyEdit(int board, const DealNumber& number) {
  const Status saved = app_.ReplaceBoard(board, number);
  ShowHand();
  if (!saved.ok()) emit SaveFailed(QString::fromStdString(saved.message()));
  emit BoardEdited(board);
}

void DealViewer::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  PlaceOnMonitor();
  OnActivated();
}

void DealViewer::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

void DealViewer::OnActivated() {
  rememberedAllTricks_ = app_.Settings().AllTricks();
  displayButtons_->button(rememberedAllTricks_ ? 1 : 0)->setChecked(true);
  ShowHand();
}

void DealViewer::PlaceOnMonitor() {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.size() < 2) return;
  const int monitor = std::clamp(int(app_.Settings().Monitor()), 0, int(screens.size()) - 1);
  const QRect area = screens.at(monitor)->geometry();
  setGeometry(area.left() + 1, area.top() + 1, area.width(), area.height() - 3);
}

void DealViewer::closeEvent(QCloseEvent* event) {
  const bool now = app_.Settings().AllTricks();
  if (now != rememberedAllTricks_) {
    const QString text =
        QStringLiteral("Change hand records to display ") + (now ? "All Tricks?" : "Contracts?");
    if (ask("Double Dummy Display Option", text)) {
      // Written now, so that printed hand records use it too, and the PDF
      // of the set in hand shows it at once.
      rememberedAllTricks_ = now;
      const Status saved = app_.SaveSettings();
      if (!saved.ok()) emit SaveFailed(QString::fromStdString(saved.message()));
      if (app_.HasReadySet() && app_.WritesPdf() && !app_.PbnPath().empty()) {
        const Status written = app_.WriteHandRecords().status;
        if (!written.ok()) emit SaveFailed(QString::fromStdString(written.message()));
      }
      emit DisplayOptionConfirmed(now);
    } else {
      app_.SetSwitch(Switch::kAllTricks, rememberedAllTricks_);
      emit DisplayOptionChanged(rememberedAllTricks_);
    }
  }
  event->accept();
}

}  // namespace tarrow

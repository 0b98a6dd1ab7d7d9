// Takes pictures of the deal viewer and the hand editor as they appear on
// screen, for the documentation and for looking at them without a display:
//
//   tarrow-viewer-screenshots SET.pbn OUTDIR
//
// writes viewer-1280x800.png and viewer-1920x1080.png (board 5 with its
// deal number shown) and hand-editor.png (board 5, West cleared).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "app/app.h"
#include "files/settings.h"
#include "ui/deal_viewer.h"
#include "ui/hand_editor.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarrow-viewer-screenshots SET.pbn OUTDIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tarrow::QueueExecutor executor;
  tarrow::App app(executor, tarrow::SettingsPath(), tarrow::SettingsFileUse::kReadOnly);
  const tarrow::Status loaded = app.OpenFile(argv[1]);
  if (!loaded.ok()) {
    std::fprintf(stderr, "tarrow-viewer-screenshots: %s\n", loaded.message().c_str());
    return 1;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  tarrow::TDGForm viewer(app);
  viewer.SetCurrentBoard(5);
  viewer.findChild<QPushButton*>("BShowN")->click();
  bool ok = true;
  for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
    viewer.resize(size);
    const QString name = QString("viewer-%1x%2.png").arg(size.width()).arg(size.height());
    ok = viewer.grab().save(out.filePath(name)) && ok;
  }
  tarrow::TFHandMod& editor = viewer.HandEditor();
  editor.Load(5, app.Set().Board(5).number);
  for (tarrow::Suit s = 0; s < 4; ++s) editor.Field(tarrow::kWest, s)->clear();
  ok = editor.grab().save(out.filePath("hand-editor.png")) && ok;
  return ok ? 0 : 1;
}

// Where Qt keeps its own per-user settings: the file dialogs' recent
// folders, sizes and view (QtProject.conf).  By default that is the user's
// ~/.config; when TARROW_CONFIG_DIR names the folder of Tarrow.ini, they go
// there too, so that a run given a folder of its own (a test, a second
// configuration) leaves the user's files alone.
//
//   QApplication application(argc, argv);
//   tarrow::KeepQtUserSettingsInConfigDir();   // before the first dialog
#pragma once

#include <QSettings>
#include <QString>
#include <QtGlobal>

namespace tarrow {

// Points Qt's user-scope settings (both formats) at $TARROW_CONFIG_DIR when
// it is set and not empty; otherwise changes nothing.  Settings objects
// made before the call keep their file.
inline void KeepQtUserSettingsInConfigDir() {
  const QString folder = qEnvironmentVariable("TARROW_CONFIG_DIR");
  if (folder.isEmpty()) return;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace tarrow

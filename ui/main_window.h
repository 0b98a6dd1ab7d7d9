// The main window: five tabs (General, Hand Records, Options, Printing,
// Multiple Sets), each a class of its own that builds its controls and
// binds them to App, the controller of the session.  The window itself
// keeps what the tabs share: the one-second tick, the deal viewer, the
// message boxes and the status line, the strip below the tabs, and the
// settings at start and at closing.  Every control carries its control name
// as objectName ("BDeal", "LESeed", "SENprocs", ...) so that tests find it.
//
//   QtOwnerExecutor executor;
//   App app(executor);
//   MainWindow window(app, {.commandLineFile = argv[1]});
//   window.show();
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>

#include "app/app.h"
#include "ui/window_services.h"

class QLabel;
class QTabWidget;
class QTimer;

namespace tarrow {

class DealViewer;
class GeneralTab;
class HandRecordsTab;
class OptionsTab;
class PrintingTab;
class MultipleSetsTab;

struct WindowOptions {
  // A set named on the command line: loaded each time the window becomes
  // active.  Empty for none.
  std::filesystem::path commandLineFile;
  // Where "Load Test Set" finds Test.pbn.
  std::filesystem::path workingDirectory = std::filesystem::current_path();
};

class MainWindow : public QMainWindow, public WindowServices {
 public:
  MainWindow(App& app, WindowOptions options);
  ~MainWindow() override;

  // Shows the settings record in the controls (and selects the stored
  // printer, or the default one).
  void ApplySettings();

  // WindowServices, for the tabs.
  void ShowFailure(const QString& title, const Status& status) override;
  bool Ask(const QString& title, const QString& question) override;
  void ShowStatus(const QString& text) override;
  void ShowNotes(const QString& title, const QStringList& notes) override;
  void StartTicking() override;
  void RefreshAll() override;
  DealViewer& Viewer() override { return *viewer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildStrip();
  void CreateViewer();
  void OnActivated();
  // Once a second while an analysis or a multiple-set run goes on.
  void OnTick();

  App& app_;
  WindowOptions options_;
  std::unique_ptr<DealViewer> viewer_;
  GeneralTab* general_ = nullptr;
  HandRecordsTab* handRecords_ = nullptr;
  OptionsTab* optionsTab_ = nullptr;
  PrintingTab* printing_ = nullptr;
  MultipleSetsTab* multipleSets_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTimer* tickTimer_ = nullptr;
  QTimer* endWatch_ = nullptr;  // ticks at once when the analysis has ended
  QLabel* setNumberLabel_ = nullptr;
  QLabel* currentFileLabel_ = nullptr;
  QLabel* threadsShown_ = nullptr;
  // The analysis run the progress counts are measured from.
  bool closed_ = false;
  bool reportedActivationFailure_ = false;
};

}  // namespace tarrow

// What the main window offers its tabs: the message boxes and the status
// line (a failure from App becomes a message here, and only here), the
// question before something is replaced, the one timer, and a refresh of
// every tab after App changed.
#pragma once

#include <QString>
#include <QStringList>

#include "app/app.h"
#include "core/result.h"

namespace tarrow {

class DealViewer;

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  // A message box titled `title` and the status line, naming what failed.
  virtual void ShowFailure(const QString& title, const Status& status) = 0;
  // A Yes/No question; true for Yes.
  // A question before something is replaced or forgotten: No is the
  // default button.  True for Yes.
  virtual bool Ask(const QString& title, const QString& question) = 0;
  // A passing word on the status line.
  virtual void ShowStatus(const QString& text) = 0;
  // What an action warned of (a load's notes): the status line and a box.
  virtual void ShowNotes(const QString& title, const QStringList& notes) = 0;
  // Starts the once-a-second tick (analysis and multiple-set runs).
  virtual void StartTicking() = 0;
  // Every tab shows App's state again.
  virtual void RefreshAll() = 0;
  virtual DealViewer& Viewer() = 0;
};

// The question before something is replaced: why it was refused, a blank
// line, and what Yes will do.  True for Yes.
inline bool AskToReplace(WindowServices& window, const QString& title, const Status& refusal,
                         const QString& yesDoes) {
  return window.Ask(title, QString::fromStdString(refusal.message()) + ".\n\n" + yesDoes);
}

// Runs a command of App that returns a Verdict, given as a callable taking
// the Word.  When the verdict needs the word, asks as AskToReplace does
// (what is in the way, then the verdict's question) and on Yes runs the
// command again with the word; a refusal is shown.  True when it is done.
//
//   if (!RunCommand(window_, "Deal", [&](Word word) { return app_.Deal(seed, file, word); }))
//   return;
template <typename Command>
bool RunCommand(WindowServices& window, const QString& title, Command command) {
  Verdict verdict = command(Word::kNotGiven);
  if (verdict.needsWord()) {
    if (!AskToReplace(window, title, Status::Error(verdict.message),
                      QString::fromStdString(verdict.question))) {
      return false;
    }
    verdict = command(Word::kGiven);
  }
  if (verdict.refused()) window.ShowFailure(title, Status::Error(verdict.message));
  return verdict.done();
}

}  // namespace tarrow

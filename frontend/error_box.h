// The one place where a failure becomes the error box: every event handler of the window
// runs its body through RunReportingFailures, so an error ends that handler and the
// window is idle again, with the message shown as the system shows an unhandled error.
#pragma once

#include <QString>
#include <exception>
#include <utility>

#include "frontend/dialogs.h"
#include "platform/failure.h"

namespace orlindo {

// The message as the error box shows it: "." appended when its last character comes
// after "." (U+002E), so "…できません" gets one and "… done." or "…: 5" do not.
QString ErrorBoxText(const QString& message);

// The title the program has without setting one: the executable's file name up to its
// first ".", every character after the first in lower case ("ORLINDO.EXE" -> "Orlindo").
QString TitleFromExecutableName(const QString& fileName);

// TitleFromExecutableName of the running program; the error box's caption.
QString ApplicationTitle();

void ShowFailure(Dialogs& dialogs, const QString& message);

// Runs body; a Failure or another std::exception ends it and goes to the error box.
// Returns whether the body ran to its end.
template <typename Body>
bool RunReportingFailures(Dialogs& dialogs, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const zav::Failure& failure) {
    ShowFailure(dialogs, QString::fromStdString(failure.message));
  } catch (const std::exception& error) {
    ShowFailure(dialogs, QString::fromLocal8Bit(error.what()));
  }
  return false;
}

}  // namespace orlindo

// Orlindo without a window, for automated builds: "Orlindo --batch [options]" runs the
// same start sequence as "実行", with the inputs from options or the settings file and
// every dialog printed as one line on standard error. "--help", "--version" and a wrong
// command line are answered here too, all without a display.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "frontend/compiler_resource.h"
#include "frontend/dialogs.h"
#include "frontend/view.h"

namespace orlindo {

// Exit statuses of the batch mode.
inline constexpr int kBatchLibraryMade = 0;
inline constexpr int kBatchFailed = 1;  // a failed check, an import error, a failed compile
inline constexpr int kBatchUsage = 2;   // unknown option, missing value, stray argument

struct CommandLine {
  enum class Mode { Window, Batch, Help, Version, Usage };
  Mode mode = Mode::Window;
  std::optional<QString> inputs[5];  // by Field; nullopt: taken from the settings file
  QString error;                     // for Mode::Usage
};

// Whether the command line is for anything but the window, so that the program starts
// without a display. Qt's own options (-platform ...) are left to the window's
// QApplication; anything else (an option of ours, a wrong one, a stray argument) is not.
bool WantsConsole(int argc, char** argv);

// arguments as QCoreApplication::arguments() gives them, the program first; Qt's own
// options among them are passed over.
CommandLine ParseCommandLine(const QStringList& arguments);

QString BatchHelpText();

// The five inputs without a window; the status text is kept, never printed.
class BatchView : public View {
 public:
  QString FieldText(Field field) const override { return fields_[static_cast<int>(field)]; }
  void SetFieldText(Field field, const QString& text) override {
    fields_[static_cast<int>(field)] = text;
  }
  void SetStatusText(const QString& text) override { status_ = text; }
  QString StatusText() const override { return status_; }
  void SetBusy(bool) override {}
  void FocusField(Field) override {}

 private:
  QString fields_[5];
  QString status_;
};

// Every dialog as one line "<caption>: <text>"; line breaks inside the text become
// " | ". Nothing is ever picked.
class BatchDialogs : public Dialogs {
 public:
  BatchDialogs(std::FILE* out, QString errorCaption)
      : out_(out), errorCaption_(std::move(errorCaption)) {}
  void Show(Notice kind, const QString& text) override;
  std::optional<QString> PickDatabaseFile() override { return std::nullopt; }
  std::optional<QString> PickFolder(const QString&) override { return std::nullopt; }

 private:
  std::FILE* out_;
  QString errorCaption_;
};

// Parses, runs and returns the exit status; help and version go to out, everything else
// to err. A build first puts back the folders of builds an earlier run left unfinished.
// The settings file is read for inputs without an option and never written. A build
// stopped by a signal ends the program by that signal.
int RunBatch(const QStringList& arguments, std::FILE* out, std::FILE* err,
             const QString& compilerResource = QString::fromUtf16(kCompilerResource));

}  // namespace orlindo

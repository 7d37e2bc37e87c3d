// The compiler's progress channel as the front end reads it: a socket whose one end the
// compiler gets as ZAV_PROGRESS_FD, on which it writes lines "DONE/TOTAL" as symbols are
// stored. The latest count goes to the view as "コンパイル中.. DONE/TOTAL" with the
// progress bar. Asked for only by a view that shows progress; the compiler's console
// lines and files are the same either way.
#pragma once

#include <QProcess>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "frontend/view.h"
#include "platform/handles.h"

namespace orlindo {

// The last whole "DONE/TOTAL" line among pending's complete lines, which are taken out
// of it; a line that is not one is passed over.
std::optional<std::pair<std::uint64_t, std::uint64_t>> TakeLastCount(std::string& pending);

class CompilerProgress {
 public:
  // Off (the compiler is not asked) when the view shows no progress or no socket can be
  // had; a build never fails for its progress.
  CompilerProgress(View& view, const QString& step);
  CompilerProgress(const CompilerProgress&) = delete;
  CompilerProgress& operator=(const CompilerProgress&) = delete;

  // Names the compiler's end in its environment.
  void Prepare(QProcess& compiler) const;
  // The descriptor the compiler's process must keep across exec, or -1; cleared of
  // close-on-exec in the child, before exec.
  int ChildFd() const { return childEnd_.get(); }
  // Once the compiler runs: our copy of its end goes, so that the channel ends with it.
  void Started();
  // Once it has ended: the counts still unread, the last one shown.
  void Finish();

 private:
  void ReadAvailable();

  View& view_;
  QString step_;
  zav::UniqueFd ourEnd_;
  zav::UniqueFd childEnd_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::string pending_;
};

}  // namespace orlindo

#include "frontend/compiler_progress.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcessEnvironment>
#include <cerrno>
#include <charconv>
#include <string_view>

namespace orlindo {
namespace {

constexpr std::size_t kMaxLineBytes = 64;

std::optional<std::uint64_t> NumberOf(std::string_view digits) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> TakeLastCount(std::string& pending) {
  std::optional<std::pair<std::uint64_t, std::uint64_t>> last;
  std::size_t start = 0;
  for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string_view line(pending.data() + start, end - start);
    const std::size_t slash = line.find('/');
    if (slash == std::string_view::npos) continue;
    const auto done = NumberOf(line.substr(0, slash));
    const auto total = NumberOf(line.substr(slash + 1));
    if (done && total && *done <= *total) last.emplace(*done, *total);
  }
  pending.erase(0, start);
  return last;
}

CompilerProgress::CompilerProgress(View& view, const QString& step) : view_(view), step_(step) {
  if (!view_.ShowsProgress()) return;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  ourEnd_ = zav::UniqueFd(ends[0]);
  childEnd_ = zav::UniqueFd(ends[1]);
  // Ours never blocks the window; the compiler's stays blocking, as it expects.
  if (::fcntl(ourEnd_.get(), F_SETFL, O_NONBLOCK) != 0) {
    ourEnd_ = zav::UniqueFd();
    childEnd_ = zav::UniqueFd();
  }
}

void CompilerProgress::Prepare(QProcess& compiler) const {
  if (!childEnd_) return;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("ZAV_PROGRESS_FD"), QString::number(childEnd_.get()));
  compiler.setProcessEnvironment(environment);
}

void CompilerProgress::Started() {
  if (!ourEnd_) return;
  childEnd_ = zav::UniqueFd();
  notifier_ = std::make_unique<QSocketNotifier>(ourEnd_.get(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadAvailable(); });
}

void CompilerProgress::Finish() {
  if (!ourEnd_) return;
  notifier_.reset();
  ReadAvailable();
  ourEnd_ = zav::UniqueFd();
}

void CompilerProgress::ReadAvailable() {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(ourEnd_.get(), buffer, sizeof buffer);
    if (got > 0) {
      pending_.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    // The end of the channel (or a fault in it) leaves the count where it was.
    if ((got == 0 || errno != EAGAIN) && notifier_) notifier_->setEnabled(false);
    break;
  }
  if (const auto count = TakeLastCount(pending_)) {
    view_.SetProgress(step_, static_cast<std::size_t>(count->first), static_cast<std::size_t>(count->second));
  }
  if (pending_.size() > kMaxLineBytes) pending_.clear();  // no line of the compiler's
}

}  // namespace orlindo

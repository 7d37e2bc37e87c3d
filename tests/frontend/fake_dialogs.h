// Dialogs for tests: records every dialog shown or opened, in order, and answers the
// pickers from scripted queues (an empty queue, or nullopt in it, is a cancel).
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include <QString>

#include "frontend/dialogs.h"
#include "tests/frontend/qstring_print.h"

namespace orlindo_test {

struct Shown {
  orlindo::Notice kind;
  QString text;
  bool operator==(const Shown&) const = default;
};

inline void PrintTo(const Shown& shown, std::ostream* os) {
  *os << (shown.kind == orlindo::Notice::Warning       ? "warning "
          : shown.kind == orlindo::Notice::Information ? "information "
                                                       : "error box ");
  PrintTo(shown.text, os);
}

class FakeDialogs : public orlindo::Dialogs {
 public:
  void Show(orlindo::Notice kind, const QString& text) override { shown.push_back({kind, text}); }

  std::optional<QString> PickDatabaseFile() override {
    ++databasePicks;
    return Next(databaseAnswers);
  }

  std::optional<QString> PickFolder(const QString& startAt) override {
    folderStarts.push_back(startAt);
    return Next(folderAnswers);
  }

  // Texts of the dialogs of one kind, in the order shown.
  std::vector<QString> Texts(orlindo::Notice kind) const {
    std::vector<QString> texts;
    for (const Shown& s : shown) {
      if (s.kind == kind) texts.push_back(s.text);
    }
    return texts;
  }

  std::vector<Shown> shown;
  std::deque<std::optional<QString>> databaseAnswers;
  std::deque<std::optional<QString>> folderAnswers;
  int databasePicks = 0;
  std::vector<QString> folderStarts;

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& answers) {
    if (answers.empty()) return std::nullopt;
    // Taken apart rather than copied whole: a copied optional<QString> makes GCC 12 warn
    // falsely (-Wmaybe-uninitialized) in Release builds.
    const bool picked = answers.front().has_value();
    QString path = answers.front().value_or(QString());
    answers.pop_front();
    if (!picked) return std::nullopt;
    return path;
  }
};

}  // namespace orlindo_test

// The real dialogs of the front end: Qt message boxes for the warning, information and
// error dialogs, the Qt file dialog for the database, and the Qt folder dialog.
#pragma once

#include "frontend/dialogs.h"

namespace orlindo {

class QtDialogs : public Dialogs {
 public:
  void Show(Notice kind, const QString& text) override;
  std::optional<QString> PickDatabaseFile() override;
  std::optional<QString> PickFolder(const QString& startAt) override;

 private:
  // The database dialog opens on the file chosen last, for as long as the program runs.
  QString lastDatabaseFile_;
};

}  // namespace orlindo

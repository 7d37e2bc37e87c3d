// Every dialog of the front end goes through this interface: QtDialogs shows the real
// Qt dialogs, the batch mode prints one line per dialog, and tests answer them and
// record what was shown.
#pragma once

#include <QString>
#include <optional>

namespace orlindo {

enum class Notice {
  Warning,      // caption "警告", warning icon, one OK button
  Information,  // caption "情報", information icon, one OK button
  Error,        // the error box: caption = application title, error icon; "." rule applied by the caller
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal; returns when the user has pressed OK or closed it.
  virtual void Show(Notice kind, const QString& text) = 0;
  // The database open-file dialog; nullopt when cancelled.
  virtual std::optional<QString> PickDatabaseFile() = 0;
  // The folder browser, starting at startAt when that names a folder; nullopt when cancelled.
  virtual std::optional<QString> PickFolder(const QString& startAt) = 0;
};

}  // namespace orlindo

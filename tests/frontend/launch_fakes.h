// Stand-ins for the window in the launch tests: a view holding the five field texts
// that records status and cursor changes, and shell scripts playing the compiler.
#pragma once

#include <sys/stat.h>

#include <QString>
#include <fstream>
#include <string>
#include <vector>

#include <functional>
#include <optional>
#include <utility>

#include "dialogs.h"
#include "view.h"

namespace zavtest {

class RecordingView : public orlindo::View {
 public:
  QString FieldText(orlindo::Field field) const override { return fields_[Index(field)]; }
  void SetFieldText(orlindo::Field field, const QString& text) override { fields_[Index(field)] = text; }
  void SetStatusText(const QString& text) override {
    status_ = text;
    history.push_back("status:" + text);
  }
  QString StatusText() const override { return status_; }
  void SetBusy(bool busy) override { history.push_back(busy ? "busy" : "idle"); }

  std::vector<QString> history;

 private:
  static int Index(orlindo::Field field) { return static_cast<int>(field); }
  QString fields_[5];
  QString status_;
};

// Records every dialog; onShow runs while the dialog would be open.
class RecordingDialogs : public orlindo::Dialogs {
 public:
  void Show(orlindo::Notice kind, const QString& text) override {
    shown.emplace_back(kind, text);
    if (onShow) onShow(kind, text);
  }
  std::optional<QString> PickDatabaseFile() override { return std::nullopt; }
  std::optional<QString> PickFolder(const QString&) override { return std::nullopt; }

  std::vector<std::pair<orlindo::Notice, QString>> shown;
  std::function<void(orlindo::Notice, const QString&)> onShow;
};

// An executable /bin/sh script at path.
inline std::string WriteScript(const std::string& path, const std::string& body) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "#!/bin/sh\n" << body;
  chmod(path.c_str(), 0700);
  return path;
}

}  // namespace zavtest

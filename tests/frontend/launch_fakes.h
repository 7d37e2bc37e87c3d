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

#include "frontend/dialogs.h"
#include "tests/frontend/fake_view.h"
#include "frontend/view.h"

namespace zavtest {

// The field view of the other front-end tests, also recording status and cursor changes.
class RecordingView : public orlindo_test::FieldsView {
 public:
  void SetStatusText(const QString& text) override {
    FieldsView::SetStatusText(text);
    history.push_back("status:" + text);
  }
  void SetBusy(bool isBusy) override {
    FieldsView::SetBusy(isBusy);
    history.push_back(isBusy ? "busy" : "idle");
  }

  std::vector<QString> history;
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

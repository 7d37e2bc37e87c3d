// A View without a window: five texts and a status line, for units tested without
// widgets.
#pragma once

#include <array>
#include <optional>

#include "frontend/view.h"

namespace orlindo_test {

class FieldsView : public orlindo::View {
 public:
  QString FieldText(orlindo::Field field) const override { return fields[Index(field)]; }
  void SetFieldText(orlindo::Field field, const QString& text) override { fields[Index(field)] = text; }
  void SetStatusText(const QString& text) override { status = text; }
  QString StatusText() const override { return status; }
  void SetBusy(bool isBusy) override { busy = isBusy; }
  void FocusField(orlindo::Field field) override { focused = field; }

  // In the order of orlindo::Field: database, SVG folder, output folder, unique name,
  // copyright.
  std::array<QString, 5> fields;
  QString status;
  bool busy = false;
  std::optional<orlindo::Field> focused;

 private:
  static std::size_t Index(orlindo::Field field) { return static_cast<std::size_t>(field); }
};

}  // namespace orlindo_test

// What the build steps see of the main window: its five input fields, read anew each
// time a step needs one (the user may edit them while a compile runs), and its status
// bar. The window implements it; the batch mode and the tests have their own.
#pragma once

#include <QString>

namespace orlindo {

enum class Field { Kihonmdb, SVGFolder, OutFolder, Uniqkey, Copyright };

class View {
 public:
  virtual ~View() = default;
  virtual QString FieldText(Field field) const = 0;
  virtual void SetFieldText(Field field, const QString& text) = 0;
  virtual void SetStatusText(const QString& text) = 0;
  virtual QString StatusText() const = 0;
  // The wait cursor while the compiler runs.
  virtual void SetBusy(bool busy) = 0;
  // Puts the keyboard focus into a field: the first one that failed the input checks.
  virtual void FocusField(Field field) = 0;
};

}  // namespace orlindo

// What the build steps see of the main window: its five input fields, read anew each
// time a step needs one (the user may edit them while a compile runs), and its status
// bar. The window implements it; the batch mode and the tests have their own.
#pragma once

#include <QString>
#include <cstddef>

namespace orlindo {

enum class Field { Kihonmdb, SVGFolder, OutFolder, Uniqkey, Copyright };

class View {
 public:
  virtual ~View() = default;
  virtual QString FieldText(Field field) const = 0;
  virtual void SetFieldText(Field field, const QString& text) = 0;
  // A step's text alone: where a progress bar was shown, it goes.
  virtual void SetStatusText(const QString& text) = 0;
  virtual QString StatusText() const = 0;
  // Whether the view shows how far a long step is; only then are counts worked out
  // (the compiler asked for its own) and sent to it.
  virtual bool ShowsProgress() const { return false; }
  // "<step> <done>/<total>" and a progress bar where the view has one.
  virtual void SetProgress(const QString& /*step*/, std::size_t /*done*/, std::size_t /*total*/) {}
  // The wait cursor while the compiler runs.
  virtual void SetBusy(bool busy) = 0;
  // Puts the keyboard focus into a field: the first one that failed the input checks.
  virtual void FocusField(Field field) = 0;
};

}  // namespace orlindo

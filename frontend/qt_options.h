// Qt's own command-line options, which QApplication takes out of argv for itself. Orlindo
// must know them before any QApplication exists: one made without a display ends the
// process, so every command line that is not for the window is decided without one.
#pragma once

#include <QStringList>

namespace orlindo {

// The arguments (program first, kept) without Qt's options and the value after those
// that take one. Only the single-dash spellings ("-platform xcb", "-style=fusion") count
// as Qt's: every "--" option is Orlindo's, so "--name" stays ours although Qt's X11
// plugin would take it too.
QStringList WithoutQtOptions(const QStringList& arguments);

}  // namespace orlindo

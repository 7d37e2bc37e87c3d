// The settings file that carries the five inputs from one run of the front end to the
// next: where it lives, and the two operations the window runs at creation and at
// destruction. Read and written only through the private-profile functions.
#pragma once

#include <string>

#include "frontend/view.h"

namespace orlindo {

// $XDG_CONFIG_HOME/Orlindo.ini, or ~/.config/Orlindo.ini when that variable is unset,
// empty or relative (which the XDG rules say to ignore). Worked out afresh at each call.
std::string SettingsPath();

// Fills the five fields from section "作業環境"; a missing file, section or key gives an
// empty field. Creates and writes nothing.
void LoadSettings(View& view, const std::string& path);

// Writes the five fields in their fixed order, then flushes and syncs the file. The first
// write that fails throws "<path> に書き込めません"; the keys after it are not written.
void SaveSettings(const View& view, const std::string& path);

}  // namespace orlindo

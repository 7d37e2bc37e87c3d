// What the front end keeps between its runs: the settings file that carries the five
// inputs (where it lives, and the two operations the window runs at creation and at
// destruction; read and written only through the private-profile functions), and the
// folder of the build journal.
#pragma once

#include <filesystem>
#include <string>

#include "frontend/view.h"

namespace orlindo {

// $XDG_CONFIG_HOME/Orlindo.ini, or ~/.config/Orlindo.ini when that variable is unset,
// empty or relative (which the XDG rules say to ignore). Worked out afresh at each call.
std::string SettingsPath();

// $XDG_STATE_HOME/Orlindo, or ~/.local/state/Orlindo, under the same rule: where a build
// keeps its journal. State, not the runtime folder: a journal must outlive a power cut,
// and the runtime folder is emptied at every boot.
std::string JournalFolder();

// Makes the folder and the missing folders above it, each new one with mode 0700 as
// the XDG rules ask. A folder that cannot be made is left to the next step to report.
void MakePrivateFolders(const std::filesystem::path& folder);

// Fills the five fields from section "作業環境"; a missing file, section or key gives an
// empty field. Creates and writes nothing. A settings file that is no regular file, or
// over 1 MiB, is refused with a message naming it.
void LoadSettings(View& view, const std::string& path);

// Writes the five fields in their fixed order, then flushes and syncs the file. The first
// write that fails throws "<path> に書き込めません"; the keys after it are not written. A
// settings file that LoadSettings would refuse is not written at all.
void SaveSettings(const View& view, const std::string& path);

}  // namespace orlindo

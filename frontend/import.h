// The import of the definition database: table T_main becomes one descriptor file per
// listed symbol whose SVG file exists, plus "copyright.txt", in the SVG folder, where the
// compiler reads them. Runs inside the start sequence, after the input checks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "frontend/dbcreate.h"
#include "frontend/dialogs.h"
#include "frontend/svg_name.h"
#include "frontend/view.h"

namespace orlindo {

// Reads the five fields it needs from the view when it needs them; writes the two status
// texts; shows the missing-file warning. Every error ends it and passes to the caller
// as a Failure; what was written until then stays on disk.
void ImportDefinitions(View& view, Dialogs& dialogs, Connection& ADOConnectionMain);

// The parts of the import with rules of their own.

// The value with every line break (CR LF, CR or LF) replaced by one blank, so that a
// database value cannot add lines to a descriptor file.
std::string OneLine(std::string_view value);

// "<folder>/copyright.txt": the text in the ANSI code page (with EF BB BF when that is
// UTF-8) and CR LF. Throws the create message when the file cannot be made.
void WriteCopyrightFile(const std::string& svgFolder, const std::string& copyright);

// The warning text: the heading, two CR, then each path followed by CR LF.
QString MissingFilesText(const std::vector<std::string>& missing);

}  // namespace orlindo

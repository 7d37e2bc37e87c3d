// The import of the definition database: table T_main becomes one descriptor file per
// listed symbol whose SVG file exists, plus "copyright.txt", in the SVG folder, where the
// compiler reads them. Runs inside the start sequence, after the input checks. The table
// is read and checked whole before anything is written (PlanImport), so that the build
// can record what it will change first (build_journal.h), then written (WriteImport).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "frontend/dbcreate.h"
#include "frontend/dialogs.h"
#include "frontend/svg_name.h"
#include "frontend/view.h"

namespace orlindo {

// One descriptor file to write: where, relative to the SVG folder, and its two values.
struct DescriptorValues {
  std::string relative;
  std::string category;
  std::string caption;
};

// What the import will do, worked out from the table before anything is written.
struct ImportPlan {
  std::string svgFolder;  // as given
  std::vector<DescriptorValues> descriptors;  // in row order; a file named twice is written twice
  std::vector<std::string> missing;  // SVG paths of the rows without an SVG file, in row order
  // Descriptor paths where a link or no regular file stands (or that lie beyond a linked
  // folder): never written through, left as they are.
  std::vector<std::string> refused;

  // The files the import writes, relative to the SVG folder: the descriptor files, then
  // "copyright.txt".
  std::vector<std::string> Files() const;
};

// After each descriptor file written: how many of how many. Called from the threads that
// write, one at a time or not; counts from two of them may come out of order.
using ImportProgress = std::function<void(std::size_t done, std::size_t total)>;

// Connects, reads table T_main whole and plans the import into svgFolder; writes nothing.
// Throws the provider's failures, the column failures, and the copyright file's when a
// link or no regular file stands at its name.
ImportPlan PlanImport(const std::string& databasePath, const std::string& svgFolder,
                      Connection& ADOConnectionMain);

// Writes the planned descriptor files, then "copyright.txt". A stop asked for by a
// signal (stop_signals.h) ends it between two files. Throws the write failures: where
// several folders fail side by side, that of the folder whose first row comes first.
void WriteImport(const ImportPlan& plan, const std::string& copyright, const ImportProgress& progress = {});

// The import as "実行" runs it: reads the fields it needs from the view, writes its
// status texts, plans, lets beforeWriting see the plan (where the build records what it
// will change), writes, and shows the warnings about missing and refused files. The
// reading and the writing run off the window's thread (background_work.h), the writing
// with its count in the status bar. Every error ends it and passes to the caller as a
// Failure.
void ImportDefinitions(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                       const std::function<void(const ImportPlan&)>& beforeWriting = {});

// The parts of the import with rules of their own.

// The value with every line break (CR LF, CR or LF) replaced by one blank, so that a
// database value cannot add lines to a descriptor file.
std::string OneLine(std::string_view value);

// "<folder>/copyright.txt": the text in the ANSI code page (with EF BB BF when that is
// UTF-8) and CR LF. Throws the create message when the file cannot be made.
void WriteCopyrightFile(const std::string& svgFolder, const std::string& copyright);

// The warning texts: the heading, two CR, then each path followed by CR LF.
QString MissingFilesText(const std::vector<std::string>& missing);
QString RefusedFilesText(const std::vector<std::string>& refused);

}  // namespace orlindo

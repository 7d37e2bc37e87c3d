// The rules that turn a row's svgname into the files the import looks for and writes,
// relative to the SVG folder. A database is outside data: no value may lead a write
// out of the folder or put a line break into a file name.
#pragma once

#include <optional>
#include <string>

namespace orlindo {

// The field's value as a path below the SVG folder: "\" read as "/", as databases
// made on Windows write it.
std::string SvgNameFromField(std::string value);

// svgname with its extension removed: everything before the last "." that has no "/" and
// no ":" after it; the whole text when there is none.
std::string SvgNameStem(const std::string& svgName);

// Whether an svgname would name a file outside the SVG folder: an absolute path or one
// with a ".." component.
bool LeadsOutsideFolder(const std::string& svgName);

// "<stem>.svg.inf", the descriptor file of the symbol "<svgName>.svg"; nothing when the
// svgname names no symbol file of its own inside the folder: it leads outside, its
// stem's file name is empty ("", "sub/", ".x"), or it holds a control character (a
// line break would split the names the compiler writes into the index, a NUL would cut
// the path short at the system call).
std::optional<std::string> DescriptorNameOf(const std::string& svgName);

}  // namespace orlindo

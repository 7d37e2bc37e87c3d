// Descriptor files ("<symbol file>.inf"): the three keys of section INFO, read by the
// INI rules the symbol sets were written for (first section and first key win, names
// without case, values as they stand after trimming).
#pragma once

#include <string>
#include <vector>

namespace zav {

struct Descriptor {
  std::string uniqueId;
  std::string caption;
  std::string category;
};

// From the lines of a decoded text.
Descriptor ParseDescriptor(const std::vector<std::string>& lines);

// Opens, reads whole, closes, then parses; EFOpenError, EReadError, EEncodingError.
Descriptor ReadDescriptor(const std::string& pathText);

}  // namespace zav

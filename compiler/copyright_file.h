// "copyright.txt" of the source folder, as the library stores it: the lines written
// back in the encoding they were read in, mark first, every line ending in CR LF.
#pragma once

#include <string>
#include <string_view>

namespace zav {

// The stored text for a file's bytes; EEncodingError for undecodable marked text.
std::string StoredCopyrightText(std::string_view fileBytes);

// Reads "<source>/copyright.txt"; EFOpenError, EReadError, EEncodingError.
std::string ReadCopyrightFile(const std::string& sourceFolder);

}  // namespace zav

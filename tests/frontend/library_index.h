// Reads the index back out of a finished symbol library file, as the map toolkit would:
// the index offset at byte 20, a 4-byte length there, one gzip member, UTF-8 lines.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zavtest {

inline std::uint32_t Le32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

inline std::string Gunzip(const std::string& member) {
  z_stream stream{};
  if (inflateInit2(&stream, 31) != Z_OK) return "<inflateInit2 failed>";
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
  stream.avail_in = static_cast<uInt>(member.size());
  std::string text;
  char buffer[4096];
  int rc = Z_OK;
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    rc = inflate(&stream, Z_NO_FLUSH);
    text.append(buffer, sizeof buffer - stream.avail_out);
  }
  inflateEnd(&stream);
  return rc == Z_STREAM_END ? text : "<damaged gzip member>";
}

// The index lines without the byte-order mark and the CR LF ends; empty when the file
// is too short to hold an index.
inline std::vector<std::string> LibraryIndex(const std::string& library) {
  if (library.size() < 32) return {};
  const std::uint32_t at = Le32At(library, 20);
  if (at + 4ull > library.size()) return {};
  const std::uint32_t length = Le32At(library, at);
  if (at + 4ull + length > library.size()) return {};
  std::string text = Gunzip(library.substr(at + 4, length));
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace zavtest

// A finished library read back for the tests through the reader library: every block
// with its offset, member and content, the index block last, and the index's lines. A
// library the reader finds a problem in fails the assertion, naming the problems.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/library_reader.h"
#include "reader/member_reader.h"

namespace zavtest {

struct LibraryReadBack {
  struct Block {
    std::uint64_t offset = 0;
    std::string member;
    std::string content;
  };
  std::string copyright;          // the stored bytes
  std::vector<Block> blocks;      // the symbols' blocks, then the index block
  std::vector<std::string> indexLines;  // without the mark and the CR LF ends
};

inline ::testing::AssertionResult ReadBack(const std::string& path, LibraryReadBack& out) {
  out = {};
  try {
    zav::reader::Library library = zav::reader::ReadLibrary(path);
    std::string problems;
    for (const auto& p : library.problems) {
      if (p.severity == zav::reader::Severity::Problem) problems += "\n  " + p.where + ": " + p.what;
    }
    if (!problems.empty()) return ::testing::AssertionFailure() << path << ":" << problems;
    if (!library.indexBlock) return ::testing::AssertionFailure() << path << ": no index block";
    std::vector<zav::reader::Block> blocks = library.blocks;
    blocks.push_back(*library.indexBlock);
    zav::reader::MemberReader reader;
    for (const zav::reader::Block& block : blocks) {
      LibraryReadBack::Block read{block.offset, std::string(block.length, '\0'), {}};
      library.file.ReadAt(block.MemberAt(), {reinterpret_cast<std::uint8_t*>(read.member.data()), read.member.size()});
      reader.Start(library.file, block.MemberAt(), block.length, zav::reader::kDefaultMaxContentBytes);
      for (auto piece = reader.Next(); !piece.empty(); piece = reader.Next()) {
        read.content.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      }
      out.blocks.push_back(std::move(read));
    }
    out.copyright = library.copyright;
    std::string text = out.blocks.back().content;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find("\r\n", start);
      out.indexLines.push_back(text.substr(start, end - start));
      start = end == std::string::npos ? text.size() : end + 2;
    }
  } catch (const std::exception& error) {
    return ::testing::AssertionFailure() << path << ": " << error.what();
  }
  return ::testing::AssertionSuccess();
}

// The index lines of a library, or none when it cannot be read back whole.
inline std::vector<std::string> LibraryIndex(const std::string& path) {
  LibraryReadBack library;
  if (!ReadBack(path, library)) return {};
  return library.indexLines;
}

}  // namespace zavtest

// The preview page: one self-contained HTML document that works offline from a file.
// Symbols are drawn as images from data: URIs, so a script inside a symbol never runs;
// every text from the library is escaped; a filter box narrows the page as one types.
// The page is written as it goes, a symbol at a time, whatever the library's size.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zav::inspect {

struct PreviewSymbol {
  std::string name;
  std::string caption;
  std::string category;
  std::vector<std::string> aliases;
  std::uint64_t contentBytes = 0;
};

// `content(i, sink)` hands symbol i's content to `sink` a piece at a time.
using ContentSource =
    std::function<void(std::size_t, const std::function<void(std::span<const std::uint8_t>)>&)>;

void WritePreviewPage(std::ostream& out, const std::string& libraryName, const std::string& copyrightText,
                      const std::vector<PreviewSymbol>& symbols, const ContentSource& content);

std::string EscapeHtml(std::string_view text);

}  // namespace zav::inspect

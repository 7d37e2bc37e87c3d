#include "compiler/descriptor_reader.h"

#include <cstdint>
#include <optional>

#include "compiler/checked_io.h"
#include "compiler/text_file.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace zav {
namespace {

constexpr std::string_view kSection = "INFO";
constexpr std::string_view kUniqueIdKey = "UniqueID";
constexpr std::string_view kCaptionKey = "CAPTION";
constexpr std::string_view kCategoryKey = "CATEGORY";

// Section name of a header line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return TrimControlAndBlank(line.substr(1, line.size() - 2));
}

}  // namespace

Descriptor ParseDescriptor(const std::vector<std::string>& lines) {
  Descriptor result;
  std::optional<std::string> uniqueId, caption, category;
  bool seenInfo = false;  // a later section of the same name is never read
  bool inInfo = false;
  for (const std::string& rawLine : lines) {
    const std::string_view line = TrimControlAndBlank(rawLine);
    if (line.empty() || line.front() == ';') continue;
    if (const auto section = SectionName(line)) {
      inInfo = !seenInfo && EqualIgnoringCase(*section, kSection);
      seenInfo = seenInfo || inInfo;
      continue;
    }
    if (!inInfo) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = TrimControlAndBlank(line.substr(0, equals));
    const std::string value(TrimControlAndBlank(line.substr(equals + 1)));
    for (auto [name, slot] : {std::pair{kUniqueIdKey, &uniqueId}, std::pair{kCaptionKey, &caption},
                              std::pair{kCategoryKey, &category}}) {
      if (!slot->has_value() && EqualIgnoringCase(key, name)) *slot = value;
    }
  }
  result.uniqueId = uniqueId.value_or("");
  result.caption = caption.value_or("");
  result.category = category.value_or("");
  return result;
}

Descriptor ReadDescriptor(const std::string& pathText) {
  std::vector<std::uint8_t> bytes;
  ReadWholeFile(pathText, bytes);  // the file is closed again before parsing
  return ParseDescriptor(
      ReadTextLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

}  // namespace zav

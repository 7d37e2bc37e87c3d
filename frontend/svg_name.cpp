#include "frontend/svg_name.h"

#include <algorithm>
#include <string_view>

namespace orlindo {
namespace {

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 0x20 || code == 0x7F;
  });
}

}  // namespace

std::string SvgNameFromField(std::string value) {
  std::replace(value.begin(), value.end(), '\\', '/');
  return value;
}

std::string SvgNameStem(const std::string& svgName) {
  const std::size_t dot = svgName.find_last_of(".:/");
  if (dot == std::string::npos || svgName[dot] != '.') return svgName;
  return svgName.substr(0, dot);
}

bool LeadsOutsideFolder(const std::string& svgName) {
  if (!svgName.empty() && svgName.front() == '/') return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(svgName.find('/', start), svgName.size());
    if (std::string_view(svgName).substr(start, end - start) == "..") return true;
    if (end == svgName.size()) return false;
    start = end + 1;
  }
}

std::optional<std::string> DescriptorNameOf(const std::string& svgName) {
  if (LeadsOutsideFolder(svgName) || HasControlCharacter(svgName)) return std::nullopt;
  const std::string stem = SvgNameStem(svgName);
  if (stem.empty() || stem.back() == '/') return std::nullopt;
  return stem + ".svg.inf";
}

}  // namespace orlindo

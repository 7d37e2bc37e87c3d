// Any bytes as an svgname value of the definition database: the files the import looks
// for and writes stay inside the SVG folder, hold no control character (no CR or LF to
// split the index, no NUL to cut the path short), and a descriptor is never a file of
// no symbol ("<folder>/.svg.inf").
#include <cstdint>
#include <filesystem>
#include <string>

#include "frontend/svg_name.h"
#include "fuzz/fuzz_support.h"
#include "platform/path_text.h"

namespace {

using zavfuzz::Require;

constexpr const char* kFolder = "/svg/folder";

bool StaysInside(const std::string& relative) {
  const std::filesystem::path joined = std::filesystem::path(zav::JoinPathText(kFolder, relative)).lexically_normal();
  const std::filesystem::path rest = joined.lexically_relative(kFolder);
  return !rest.empty() && *rest.begin() != ".." && rest != ".";
}

bool HasControlCharacter(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string svgName = orlindo::SvgNameFromField(std::string(zavfuzz::AsText(data, size)));
  Require(svgName.find('\\') == std::string::npos, "a \\ is read as /");
  const std::optional<std::string> descriptor = orlindo::DescriptorNameOf(svgName);
  if (!descriptor) return 0;
  for (const std::string& file : {svgName + ".svg", *descriptor}) {
    Require(StaysInside(file), "a file of the import stays inside the SVG folder");
    Require(!HasControlCharacter(file), "a file of the import holds no control character");
  }
  Require(descriptor->ends_with(".svg.inf"), "a descriptor ends in .svg.inf");
  const std::string name = std::filesystem::path(*descriptor).filename().string();
  Require(name != ".svg.inf", "a descriptor belongs to a symbol with a name");
  return 0;
}

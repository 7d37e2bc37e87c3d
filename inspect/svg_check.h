// Whether a symbol's content is a well-formed XML document whose root element is svg,
// fed a piece at a time as it is inflated (expat; no external entity is ever loaded).
// One checker is kept per thread and reset for every symbol.
#pragma once

#include <expat.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zav::inspect {

class SvgCheck {
 public:
  SvgCheck();
  SvgCheck(const SvgCheck&) = delete;
  SvgCheck& operator=(const SvgCheck&) = delete;
  ~SvgCheck();

  void Start();
  void Feed(std::span<const std::uint8_t> piece);
  // The problem, if any: "not well-formed XML (line 3, column 7): mismatched tag", ...
  std::optional<std::string> Finish();

 private:
  static void OnStartElement(void* self, const XML_Char* name, const XML_Char** attributes);
  void Parse(const char* data, std::size_t size, bool last);

  XML_Parser parser_;
  std::optional<std::string> fault_;
  std::optional<std::string> root_;
};

}  // namespace zav::inspect

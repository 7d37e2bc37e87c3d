#include "inspect/svg_check.h"

#include <limits>
#include <new>
#include <string_view>

namespace zav::inspect {

SvgCheck::SvgCheck() : parser_(XML_ParserCreate(nullptr)) {
  if (parser_ == nullptr) throw std::bad_alloc();
}

SvgCheck::~SvgCheck() { XML_ParserFree(parser_); }

void SvgCheck::Start() {
  XML_ParserReset(parser_, nullptr);  // handlers and user data go with the reset
  XML_SetUserData(parser_, this);
  XML_SetStartElementHandler(parser_, &SvgCheck::OnStartElement);
  fault_.reset();
  root_.reset();
}

void SvgCheck::OnStartElement(void* self, const XML_Char* name, const XML_Char**) {
  auto* check = static_cast<SvgCheck*>(self);
  check->root_ = name;
  // Only the root matters; the rest of the document is parsed without the call.
  XML_SetStartElementHandler(check->parser_, nullptr);
}

void SvgCheck::Parse(const char* data, std::size_t size, bool last) {
  if (fault_) return;
  constexpr std::size_t kMaxPiece = std::numeric_limits<int>::max() / 2;
  do {
    const std::size_t piece = std::min(size, kMaxPiece);
    if (XML_Parse(parser_, data, static_cast<int>(piece), last && piece == size) == XML_STATUS_ERROR) {
      fault_ = "not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ", column " +
               std::to_string(XML_GetCurrentColumnNumber(parser_) + 1) +
               "): " + XML_ErrorString(XML_GetErrorCode(parser_));
      return;
    }
    data += piece;
    size -= piece;
  } while (size > 0);
}

void SvgCheck::Feed(std::span<const std::uint8_t> piece) {
  Parse(reinterpret_cast<const char*>(piece.data()), piece.size(), false);
}

std::optional<std::string> SvgCheck::Finish() {
  Parse(nullptr, 0, true);
  if (fault_) return fault_;
  const std::string_view root = *root_;  // a well-formed document has a root
  // A prefixed root ("svg:svg") is the same element in the SVG namespace.
  const std::size_t colon = root.rfind(':');
  const std::string_view local = colon == std::string_view::npos ? root : root.substr(colon + 1);
  if (local != "svg") return "the root element is <" + std::string(root) + ">, not <svg>";
  return std::nullopt;
}

}  // namespace zav::inspect

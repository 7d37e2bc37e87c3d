// What the targets share: a property that does not hold aborts, so that libFuzzer keeps
// the input as a finding and names the property; the code page in force is chosen by
// the input's first byte, so that one corpus covers UTF-8 and the Windows code pages.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/codepage.h"

namespace zavfuzz {

inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

// "J" selects 932 (Shift-JIS), "W" 1252, any other first byte 65001 (ZAV_CODEPAGE
// unset). Returns the input after that byte.
inline std::string_view ChooseCodePage(std::string_view input) {
  int codePage = zav::kUtf8CodePage;
  if (!input.empty() && input.front() == 'J') codePage = 932;
  if (!input.empty() && input.front() == 'W') codePage = 1252;
  zav::OverrideAnsiCodePage(codePage);
  return input.empty() ? input : input.substr(1);
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace zavfuzz

// Comparing whole outputs: names the first differing offset and shows hex around it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace zavtest {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

inline std::string HexAround(const std::string& bytes, std::size_t at) {
  std::string out;
  const std::size_t from = at > 8 ? at - 8 : 0;
  for (std::size_t i = from; i < bytes.size() && i < at + 8; ++i) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, i == at ? "[%02X] " : "%02X ",
                  static_cast<unsigned char>(bytes[i]));
    out += buffer;
  }
  return out;
}

inline ::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
  const std::size_t common = std::min(expected.size(), actual.size());
  std::size_t at = 0;
  while (at < common && expected[at] == actual[at]) ++at;
  if (at == common && expected.size() == actual.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "first difference at offset " << at << " (expected " << expected.size()
         << " bytes, got " << actual.size() << ")\n  expected: " << HexAround(expected, at)
         << "\n  actual:   " << HexAround(actual, at);
}

}  // namespace zavtest

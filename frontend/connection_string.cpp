#include "frontend/connection_string.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "platform/failure.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";
constexpr std::array<std::string_view, 7> kKnownKeys = {
    "Provider", "User ID", "Password", "Data Source", "Mode", "Extended Properties",
    "Persist Security Info"};

// Whether text starts with "<known key>=", the sign that a ";" before it ended a value.
bool StartsKnownKey(std::string_view text) {
  const std::size_t end = text.find_first_of(";=");
  if (end == std::string_view::npos || text[end] != '=') return false;
  const std::string_view key = zav::TrimBlanksAndLineBreaks(text.substr(0, end));
  if (zav::StartsWithIgnoringCase(key, "Jet OLEDB:")) return true;
  return std::any_of(kKnownKeys.begin(), kKnownKeys.end(),
                     [&](std::string_view known) { return zav::EqualIgnoringCase(key, known); });
}

struct KeyValue {
  std::string key;
  std::string value;
};

std::vector<KeyValue> SplitConnectionString(const std::string& text) {
  std::vector<KeyValue> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ';' || zav::IsBlankOrLineBreak(text[pos])) {
      ++pos;
      continue;
    }
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string::npos) zav::Fail("接続文字列を解釈できません: " + text);
    const std::string_view key = std::string_view(text).substr(pos, equals - pos);
    KeyValue pair{std::string(zav::TrimBlanksAndLineBreaks(key)), {}};
    pos = equals + 1;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      // Quoted: a doubled quote stands for one; what follows up to ";" is ignored.
      const char quote = text[pos++];
      for (;;) {
        if (pos >= text.size()) zav::Fail("接続文字列の引用符が閉じていません: " + text);
        if (text[pos] == quote) {
          if (pos + 1 < text.size() && text[pos + 1] == quote) {
            pair.value += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        pair.value += text[pos++];
      }
      pos = std::min(text.find(';', pos), text.size());
    } else {
      std::size_t end = text.find(';', pos);
      while (end != std::string::npos && !StartsKnownKey(std::string_view(text).substr(end + 1))) {
        end = text.find(';', end + 1);
      }
      if (end == std::string::npos) end = text.size();
      pair.value = text.substr(pos, end - pos);
      pos = end;
    }
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

}  // namespace

std::string DataSourceOf(const std::string& connectionString) {
  const std::vector<KeyValue> pairs = SplitConnectionString(connectionString);
  const std::string* dataSource = nullptr;
  for (const KeyValue& pair : pairs) {
    if (zav::EqualIgnoringCase(pair.key, "Provider") &&
        !zav::EqualIgnoringCase(zav::TrimBlanksAndLineBreaks(pair.value), kJetProvider)) {
      zav::Fail("プロバイダ '" + pair.value + "' には対応していません");
    }
    if (zav::EqualIgnoringCase(pair.key, "Data Source")) dataSource = &pair.value;
  }
  if (dataSource == nullptr || dataSource->empty()) {
    zav::Fail("接続文字列にデータベースファイル (Data Source) がありません");
  }
  return *dataSource;
}

std::string ConnectionStringValue(const std::string& value) {
  bool readsBackWhole = !value.empty() && value.front() != '"' && value.front() != '\'';
  for (std::size_t semicolon = value.find(';'); readsBackWhole && semicolon != std::string::npos;
       semicolon = value.find(';', semicolon + 1)) {
    // What follows the value in the string starts with ";", which no key holds, so the
    // value's own text decides.
    readsBackWhole = !StartsKnownKey(std::string_view(value).substr(semicolon + 1));
  }
  if (readsBackWhole) return value;
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += c;
  }
  return quoted + "\"";
}

}  // namespace orlindo

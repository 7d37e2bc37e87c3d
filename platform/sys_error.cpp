#include "platform/sys_error.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace zav {

std::string SystemErrorText(int errorNumber) {
  std::string text = std::strerror(errorNumber);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                           text.back() == '.' || text.back() == '\t')) {
    text.pop_back();
  }
  return text;
}

std::string AbsolutePathText(const std::string& pathText) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(pathText, ec);
  if (ec) return pathText;
  return absolute.lexically_normal().string();
}

std::string CannotOpenMessage(const std::string& pathText, int errorNumber) {
  return "Cannot open file \"" + AbsolutePathText(pathText) + "\". " + SystemErrorText(errorNumber);
}

std::string CannotCreateMessage(const std::string& pathText, int errorNumber) {
  return "Cannot create file \"" + AbsolutePathText(pathText) + "\". " +
         SystemErrorText(errorNumber);
}

}  // namespace zav

#include "platform/sys_error.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace zav {

std::string SystemErrorText(int errorNumber) {
  switch (errorNumber) {
    case kNotRegularFile: return "Not a regular file";
    case kIsSymbolicLink: return "Is a symbolic link";
    case kThroughSymbolicLink: return "A folder on the path is a symbolic link";
    case kOutsideFolder: return "Outside the folder it must be in";
    default: break;
  }
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

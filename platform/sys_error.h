// The system's words for a failure, in the form the messages show them: the text for
// an error code, and the absolute form of a path.
#pragma once

#include <string>

namespace zav {

// strerror(errorNumber) without trailing blanks, line breaks and full stops.
std::string SystemErrorText(int errorNumber);

// The path made absolute against the current folder and lexically normalised; links
// are not resolved. Falls back to the text itself if the current folder is gone.
std::string AbsolutePathText(const std::string& pathText);

// "Cannot open file "<absolute>". <system text>" and its create twin.
std::string CannotOpenMessage(const std::string& pathText, int errorNumber);
std::string CannotCreateMessage(const std::string& pathText, int errorNumber);

}  // namespace zav

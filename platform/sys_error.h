// The system's words for a failure, in the form the messages show them: the text for
// an error code, and the absolute form of a path.
#pragma once

#include <string>

namespace zav {

// Error numbers of the file layer's own, for refusals that no errno names; returned
// and told like errno values. Far above the system's numbers.
inline constexpr int kNotRegularFile = 0x10001;       // a FIFO, device, socket or folder
inline constexpr int kIsSymbolicLink = 0x10002;       // a link at a name written to
inline constexpr int kThroughSymbolicLink = 0x10003;  // a link on the way below a folder
inline constexpr int kOutsideFolder = 0x10004;        // a path that leaves its folder

// strerror(errorNumber) without trailing blanks, line breaks and full stops, or the
// text of one of the numbers above.
std::string SystemErrorText(int errorNumber);

// The path made absolute against the current folder and lexically normalised; links
// are not resolved. Falls back to the text itself if the current folder is gone.
std::string AbsolutePathText(const std::string& pathText);

// "Cannot open file "<absolute>". <system text>" and its create twin.
std::string CannotOpenMessage(const std::string& pathText, int errorNumber);
std::string CannotCreateMessage(const std::string& pathText, int errorNumber);

}  // namespace zav

// The one error type of both programs: a kind word and a message, thrown where the
// fault is found and reported in exactly one place (the compiler's main, the front
// end's error box).
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace zav {

enum class ErrorKind {
  General,            // "Exception": the scan's own checks, wrapped symbol failures, front end
  FileCreate,         // "EFCreateError"
  FileOpen,           // "EFOpenError"
  Encoding,           // "EEncodingError"
  Read,               // "EReadError"
  Write,              // "EWriteError"
  Compression,        // "EZCompressionError"
  PathTooLong,        // "EPathTooLongException"
  DirectoryNotFound,  // "EDirectoryNotFoundException"
};

std::string_view KindWord(ErrorKind kind);

struct Failure : std::exception {
  Failure(ErrorKind k, std::string m) : kind(k), message(std::move(m)) {}
  const char* what() const noexcept override { return message.c_str(); }
  ErrorKind kind;
  std::string message;
};

// Throws the failure of kind "Exception", the kind of every front-end and tool error.
[[noreturn]] void Fail(std::string message);

// The text in double quotes, as messages name paths, statements and values.
std::string Quoted(const std::string& text);

// The fixed messages that several units raise.
inline constexpr std::string_view kEncodingMessage =
    "No mapping for the Unicode character exists in the target multi-byte code page";
inline constexpr std::string_view kReadMessage = "Stream read error";
inline constexpr std::string_view kWriteMessage = "Stream write error";
inline constexpr std::string_view kPathTooLongMessage = "The specified path is too long";
inline constexpr std::string_view kPathNotFoundMessage = "The specified path was not found";

}  // namespace zav

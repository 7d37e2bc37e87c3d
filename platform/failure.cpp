#include "platform/failure.h"

#include <utility>

namespace zav {

std::string_view KindWord(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::General: return "Exception";
    case ErrorKind::FileCreate: return "EFCreateError";
    case ErrorKind::FileOpen: return "EFOpenError";
    case ErrorKind::Encoding: return "EEncodingError";
    case ErrorKind::Read: return "EReadError";
    case ErrorKind::Write: return "EWriteError";
    case ErrorKind::Compression: return "EZCompressionError";
    case ErrorKind::PathTooLong: return "EPathTooLongException";
    case ErrorKind::DirectoryNotFound: return "EDirectoryNotFoundException";
  }
  return "Exception";
}

void Fail(std::string message) { throw Failure(ErrorKind::General, std::move(message)); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace zav

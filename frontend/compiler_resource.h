// The compiler that Orlindo carries inside its own executable, as the Qt resource
// ":/EXE/ZAVCOMPILER", and CompilerFile, the file it is written to for one build:
// zavbuild in the runtime folder ($XDG_RUNTIME_DIR/Orlindo, else Orlindo-<uid> in the
// temp folder).
#pragma once

#include <QString>
#include <string>

#include "platform/handles.h"

namespace orlindo {

inline constexpr char16_t kCompilerResource[] = u":/EXE/ZAVCOMPILER";

// Worked out afresh from the environment on every call.
std::string CompilerFilePath();

// The compiler file of one build. It stays locked from its extraction until it is
// deleted or the owner goes, so that a second build, from this window or another
// instance, cannot replace the program while it runs: its extraction fails as the
// file-creation error, as it does where the system locks a running program's file.
class CompilerFile {
 public:
  // Writes the resource (or any file Qt can open under that name) to path, creating
  // the runtime folder and replacing an earlier file; the file gets mode 0700.
  // Throws the missing-resource or the file-creation failure.
  static CompilerFile Extract(const QString& resource, const std::string& path);

  const std::string& Path() const { return path_; }

  // Deletes the file if one is there; the result is ignored. Releases the lock.
  void Delete() noexcept;

 private:
  CompilerFile(std::string path, zav::UniqueFd lock) : path_(std::move(path)), lock_(std::move(lock)) {}

  std::string path_;
  zav::UniqueFd lock_;  // held without write access, which would make exec() fail
};

}  // namespace orlindo

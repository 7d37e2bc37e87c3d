#include "frontend/compiler_resource.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/sys_error.h"

namespace orlindo {
namespace {

constexpr mode_t kPrivateMode = 0700;
constexpr int kLockAttempts = 3;
// The lock is taken on a descriptor without write access, which would make exec() fail.
constexpr zav::CreateOptions kLockOpen{.access = zav::FileAccess::Read,
                                       .disposition = zav::Disposition::OpenAlways,
                                       .mode = kPrivateMode,
                                       .followLinks = false};
constexpr zav::CreateOptions kProgramWrite{.access = zav::FileAccess::Write,
                                           .disposition = zav::Disposition::TruncateExisting,
                                           .followLinks = false};

zav::Failure CannotCreate(const std::string& path, int errorNumber) {
  return zav::Failure(zav::ErrorKind::General, "ファイル \"" + zav::AbsolutePathText(path) +
                                                   "\" を作成できません。" +
                                                   zav::SystemErrorText(errorNumber));
}

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    return (std::filesystem::path(runtime) / "Orlindo").string();
  }
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  return (temp / ("Orlindo-" + std::to_string(::getuid()))).string();
}

// The folder may lie in a temp folder that everyone can write to: use it only when it
// is a real folder of our own, and keep it private.
void MakePrivateFolder(const std::string& folder, const std::string& filePath) {
  if (::mkdir(folder.c_str(), kPrivateMode) == 0) {
    if (::chmod(folder.c_str(), kPrivateMode) != 0) throw CannotCreate(filePath, errno);
    return;
  }
  if (errno != EEXIST) throw CannotCreate(filePath, errno);
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0) throw CannotCreate(filePath, errno);
  if (!S_ISDIR(info.st_mode)) throw CannotCreate(filePath, ENOTDIR);
  if (info.st_uid != ::getuid()) throw CannotCreate(filePath, EACCES);
  if ((info.st_mode & 07777) != kPrivateMode && ::chmod(folder.c_str(), kPrivateMode) != 0) {
    throw CannotCreate(filePath, errno);
  }
}

// Opens (creating) and locks the file for this build. Retried when an ending build
// deleted the file between our open and our lock, which leaves us holding a lock on a
// file that no longer has the name.
zav::UniqueFd LockCompilerFile(const std::string& path) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    zav::UniqueFd lock;
    if (const int error = zav::TryCreateFile(path, kLockOpen, lock); error != 0) {
      throw CannotCreate(path, error);
    }
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
      throw CannotCreate(path, errno == EWOULDBLOCK ? ETXTBSY : errno);
    }
    struct stat locked, named;
    if (::fstat(lock.get(), &locked) != 0) throw CannotCreate(path, errno);
    if (::lstat(path.c_str(), &named) == 0 && named.st_ino == locked.st_ino &&
        named.st_dev == locked.st_dev) {
      return lock;
    }
  }
  throw CannotCreate(path, ETXTBSY);
}

// The file the lock holds, written: it exists already, and a link put in its place
// meanwhile is refused, never written through.
void WriteProgram(const std::string& path, const QByteArray& bytes) {
  zav::UniqueFd out;
  if (const int error = zav::TryCreateFile(path, kProgramWrite, out); error != 0) {
    throw CannotCreate(path, error);
  }
  const std::string_view program(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (const int error = zav::TryWriteAll(out.get(), program); error != 0) {
    throw CannotCreate(path, error);
  }
  // Set explicitly: the umask may have taken bits away from the mode given to open().
  if (::fchmod(out.get(), kPrivateMode) != 0) throw CannotCreate(path, errno);
  // Closed before anyone starts it: exec() refuses a file that is open for writing.
  if (const int closeError = out.Close(); closeError != 0) throw CannotCreate(path, closeError);
}

}  // namespace

std::string CompilerFilePath() { return (std::filesystem::path(RuntimeFolder()) / "zavbuild").string(); }

CompilerFile CompilerFile::Extract(const QString& resource, const std::string& path) {
  QFile source(resource);
  if (!source.open(QIODevice::ReadOnly)) {
    const QString name = resource.mid(resource.lastIndexOf(u'/') + 1);
    throw zav::Failure(zav::ErrorKind::General, (name + QStringLiteral(" リソースが見つかりません")).toStdString());
  }
  const QByteArray bytes = source.readAll();

  MakePrivateFolder(std::filesystem::path(path).parent_path().string(), path);
  zav::UniqueFd lock = LockCompilerFile(path);
  WriteProgram(path, bytes);
  return CompilerFile(path, std::move(lock));
}

void CompilerFile::Delete() noexcept {
  if (zav::IsExistingFile(path_)) zav::TryRemoveFile(path_);
  lock_.Close();
}

}  // namespace orlindo

#include "frontend/env.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/private_profile.h"
#include "platform/sys_error.h"

namespace orlindo {
namespace {

const std::string kSection = "作業環境";

struct Setting {
  Field field;
  const char* key;
};

// The order in which the keys are read and written, and so their order in a new file.
constexpr std::array<Setting, 5> kSettings = {{
    {Field::Kihonmdb, "定義データベースファイル名"},
    {Field::SVGFolder, "SVGフォルダ"},
    {Field::OutFolder, "出力フォルダ"},
    {Field::Uniqkey, "ライブラリユニークキー"},
    {Field::Copyright, "コピーライト"},
}};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : ".";
}

// The folder an XDG variable names, or HOME + fallback when it is unset, empty or
// relative (which the XDG rules say to ignore). Worked out afresh at each call.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] == '/' ? std::string(value) : HomeFolder() + fallbackBelowHome;
}

[[noreturn]] void ThrowCannotWrite(const std::string& path) {
  throw zav::Failure(zav::ErrorKind::General, path + " に書き込めません");
}

// Five short values fit in a few kilobytes; a file far past that is not a settings file,
// and reading it whole (a link to /dev/zero never ends) is no way to find out.
constexpr off_t kMaxSettingsBytes = off_t{1} << 20;

// A settings file that is there must be a regular file of a sane size; otherwise the
// user learns which file is at fault, not five empty fields.
void CheckSettingsFile(const std::string& path) {
  zav::UniqueFd file;
  const int error = zav::TryOpenForReading(path, file);
  if (error == ENOENT || error == ENOTDIR) return;  // no settings file yet
  const std::string cannotRead = "設定ファイル \"" + zav::AbsolutePathText(path) + "\" を読み込めません。";
  if (error != 0) zav::Fail(cannotRead + zav::SystemErrorText(error));
  struct stat info;
  if (::fstat(file.get(), &info) != 0) zav::Fail(cannotRead + zav::SystemErrorText(errno));
  if (info.st_size > kMaxSettingsBytes) zav::Fail(cannotRead + "1 MiB を超える大きさです");
}

}  // namespace

std::string SettingsPath() { return XdgFolder("XDG_CONFIG_HOME", "/.config") + "/Orlindo.ini"; }

std::string JournalFolder() { return XdgFolder("XDG_STATE_HOME", "/.local/state") + "/Orlindo"; }

// A fresh account may have no ~/.config or ~/.local/state yet.
void MakePrivateFolders(const std::filesystem::path& folder) {
  std::filesystem::path partial;
  for (const auto& part : folder) {
    partial /= part;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

void LoadSettings(View& view, const std::string& path) {
  CheckSettingsFile(path);
  for (const Setting& setting : kSettings) {
    const std::string value = zav::GetPrivateProfileString(kSection, setting.key, "", path);
    view.SetFieldText(setting.field, QString::fromStdString(value));
  }
}

void SaveSettings(const View& view, const std::string& path) {
  try {
    CheckSettingsFile(path);
  } catch (const zav::Failure&) {
    ThrowCannotWrite(path);
  }
  MakePrivateFolders(std::filesystem::path(path).parent_path());
  for (const Setting& setting : kSettings) {
    if (!zav::WritePrivateProfileString(kSection, std::string(setting.key),
                                        view.FieldText(setting.field).toStdString(), path)) {
      ThrowCannotWrite(path);
    }
  }
  if (!zav::WritePrivateProfileString(std::nullopt, std::nullopt, std::nullopt, path)) {
    ThrowCannotWrite(path);
  }
  // Written once, at the end of the program: worth a wait for the disk, so that a power
  // cut right after closing does not leave an empty settings file behind the rename.
  if (!zav::SyncFileToDisk(path)) ThrowCannotWrite(path);
}

}  // namespace orlindo

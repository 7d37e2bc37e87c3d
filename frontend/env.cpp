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
#include "platform/private_profile.h"

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

// A fresh account may have no ~/.config yet; the XDG rules ask for mode 0700. A folder
// that cannot be made is left to the write that follows, which reports it.
void MakeFolders(const std::filesystem::path& folder) {
  std::filesystem::path partial;
  for (const auto& part : folder) {
    partial /= part;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

[[noreturn]] void ThrowCannotWrite(const std::string& path) {
  throw zav::Failure(zav::ErrorKind::General, path + " に書き込めません");
}

}  // namespace

std::string SettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string folder = config != nullptr && config[0] == '/' ? std::string(config)
                                                                     : HomeFolder() + "/.config";
  return folder + "/Orlindo.ini";
}

void LoadSettings(View& view, const std::string& path) {
  for (const Setting& setting : kSettings) {
    const std::string value = zav::GetPrivateProfileString(kSection, setting.key, "", path);
    view.SetFieldText(setting.field, QString::fromStdString(value));
  }
}

void SaveSettings(const View& view, const std::string& path) {
  MakeFolders(std::filesystem::path(path).parent_path());
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

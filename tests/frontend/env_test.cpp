#include "frontend/env.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"
#include "platform/failure.h"
#include "tests/frontend/fake_view.h"
#include "tests/frontend/failure_text.h"
#include "tests/frontend/scoped_env.h"

namespace {

using orlindo_test::ScopedEnv;

TEST(SettingsPathTest, FollowsTheXdgRules) {
  ScopedEnv home("HOME", "/home/hanako");
  struct Case {
    const char* config;
    const char* expected;
  };
  const Case cases[] = {{"/cfg", "/cfg/Orlindo.ini"},
                        {"/cfg/", "/cfg//Orlindo.ini"},
                        {nullptr, "/home/hanako/.config/Orlindo.ini"},
                        {"", "/home/hanako/.config/Orlindo.ini"},
                        {"relative/cfg", "/home/hanako/.config/Orlindo.ini"}};
  for (const Case& c : cases) {
    ScopedEnv config("XDG_CONFIG_HOME", c.config);
    EXPECT_EQ(orlindo::SettingsPath(), c.expected) << (c.config ? c.config : "(unset)");
  }
}

class SettingsTest : public zavtest::TempDirTest {};

TEST_F(SettingsTest, SavesTheFiveKeysInOrderAndLoadsThemBack) {
  orlindo_test::FieldsView saved;
  saved.fields = {"/data/定義.mdb", "/data/svg", "", "korimo", "(c) 公園 ; 2024"};
  const std::string file = Path("new/config/Orlindo.ini");
  orlindo::SaveSettings(saved, file);
  EXPECT_TRUE(zavtest::SameBytes(
      "[作業環境]\r\n"
      "定義データベースファイル名=/data/定義.mdb\r\n"
      "SVGフォルダ=/data/svg\r\n"
      "出力フォルダ=\r\n"
      "ライブラリユニークキー=korimo\r\n"
      "コピーライト=(c) 公園 ; 2024\r\n",
      Read(file)));
  // The missing configuration folders are made private to the user.
  struct stat info {};
  ASSERT_EQ(stat(Path("new/config").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  orlindo_test::FieldsView loaded;
  loaded.fields = {"stale", "stale", "stale", "stale", "stale"};
  orlindo::LoadSettings(loaded, file);
  EXPECT_EQ(loaded.fields, saved.fields);
}

TEST_F(SettingsTest, LoadingWithoutAFileEmptiesTheFieldsAndCreatesNothing) {
  orlindo_test::FieldsView view;
  view.fields = {"a", "b", "c", "d", "e"};
  orlindo::LoadSettings(view, Path("Orlindo.ini"));
  EXPECT_EQ(view.fields, (std::array<QString, 5>{}));
  EXPECT_FALSE(Exists(Path("Orlindo.ini")));
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenIsNamedInTheError) {
  Put("plain", "not a folder");
  const std::string file = Path("plain/Orlindo.ini");
  orlindo_test::FieldsView view;
  try {
    orlindo::SaveSettings(view, file);
    FAIL() << "no failure";
  } catch (const zav::Failure& failure) {
    EXPECT_EQ(failure.kind, zav::ErrorKind::General);
    EXPECT_EQ(failure.message, file + " に書き込めません");
  }
}

// A settings file that is a FIFO, a link to a device or far too big would hang the
// program or fill its memory; it is refused with a message that names it, and closing
// the window leaves it as it is.
TEST_F(SettingsTest, ASettingsFileThatIsNoneIsRefusedByName) {
  const std::string fifo = Path("fifo.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = Path("zero.ini");
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::string huge = Put("huge.ini", "[作業環境]\r\nSVGフォルダ=/x\r\n" + std::string((1 << 20) + 1, ';'));
  const std::string justRight = Put("right.ini", "[作業環境]\r\nSVGフォルダ=/x\r\n" + std::string((1 << 20) - 40, ';'));
  struct Case {
    std::string path;
    const char* reason;
  };
  for (const Case& c : {Case{fifo, "Not a regular file"}, Case{zero, "Not a regular file"},
                        Case{huge, "1 MiB を超える大きさです"}}) {
    orlindo_test::FieldsView view;
    EXPECT_EQ(orlindotest::FailureText([&] { orlindo::LoadSettings(view, c.path); }),
              "設定ファイル \"" + c.path + "\" を読み込めません。" + c.reason);
    EXPECT_EQ(orlindotest::FailureText([&] { orlindo::SaveSettings(view, c.path); }), c.path + " に書き込めません");
  }
  struct stat info;
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  ASSERT_EQ(lstat(zero.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));

  orlindo_test::FieldsView view;
  orlindo::LoadSettings(view, justRight);
  EXPECT_EQ(view.FieldText(orlindo::Field::SVGFolder), QStringLiteral("/x"));
}

}  // namespace

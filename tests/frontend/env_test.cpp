#include "frontend/env.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"
#include "platform/failure.h"
#include "tests/frontend/fake_view.h"
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

}  // namespace

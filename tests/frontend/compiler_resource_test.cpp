#include "frontend/compiler_resource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/failure.h"
#include "tests/support/temp_dir.h"

namespace {

using orlindo::CompilerFile;

class CompilerResourceTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    setenv("XDG_RUNTIME_DIR", Path("run").c_str(), 1);
    MakeFolder("run");
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    TempDirTest::TearDown();
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
  static std::string MessageOf(const QString& resource, const std::string& path) {
    try {
      CompilerFile::Extract(resource, path);
    } catch (const zav::Failure& failure) {
      return failure.message;
    }
    return "no failure";
  }
};

TEST_F(CompilerResourceTest, PathIsInThePrivateRuntimeFolder) {
  EXPECT_EQ(orlindo::CompilerFilePath(), Path("run") + "/Orlindo/zavbuild");
  unsetenv("XDG_RUNTIME_DIR");
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string savedTmp = oldTmp ? oldTmp : "";
  setenv("TMPDIR", MakeFolder("tmp").c_str(), 1);
  EXPECT_EQ(orlindo::CompilerFilePath(), Path("tmp") + "/Orlindo-" + std::to_string(getuid()) + "/zavbuild");
  if (oldTmp) setenv("TMPDIR", savedTmp.c_str(), 1); else unsetenv("TMPDIR");
}

TEST_F(CompilerResourceTest, WritesTheProgramPrivatelyReplacingAnOldFile) {
  const std::string program = Put("prog", std::string("\x7F" "ELF\0\x01 bytes", 11));
  const std::string path = orlindo::CompilerFilePath();
  MakeFolder("run/Orlindo");
  chmod(Path("run/Orlindo").c_str(), 0755);
  Put("run/Orlindo/zavbuild", std::string(4096, 'x'));

  CompilerFile file = CompilerFile::Extract(QString::fromStdString(program), path);
  EXPECT_EQ(file.Path(), path);
  EXPECT_EQ(Read(path), Read(program));
  EXPECT_EQ(ModeOf(path), 0700u);
  EXPECT_EQ(ModeOf(Path("run/Orlindo")), 0700u);
  file.Delete();
  EXPECT_FALSE(Exists(path));
}

TEST_F(CompilerResourceTest, ASecondExtractionWaitsForTheFirstBuildToLetGo) {
  const QString program = QString::fromStdString(Put("prog", "#!/bin/sh\n"));
  const std::string path = orlindo::CompilerFilePath();
  CompilerFile first = CompilerFile::Extract(program, path);
  EXPECT_EQ(MessageOf(program, path),
            "ファイル \"" + path + "\" を作成できません。Text file busy");
  EXPECT_EQ(Read(path), "#!/bin/sh\n");
  first.Delete();
  CompilerFile second = CompilerFile::Extract(program, path);
  EXPECT_TRUE(Exists(path));
  second.Delete();
}

TEST_F(CompilerResourceTest, FailuresNameTheResourceOrTheFile) {
  EXPECT_EQ(MessageOf(QStringLiteral(":/EXE/NOTHERE"), orlindo::CompilerFilePath()),
            "NOTHERE リソースが見つかりません");
  const QString program = QString::fromStdString(Put("prog", "x"));
  Put("file", "");
  EXPECT_EQ(MessageOf(program, Path("file") + "/Orlindo/zavbuild"),
            "ファイル \"" + Path("file") + "/Orlindo/zavbuild\" を作成できません。Not a directory");
  EXPECT_EQ(MessageOf(program, Path("none") + "/Orlindo/zavbuild"),
            "ファイル \"" + Path("none") + "/Orlindo/zavbuild\" を作成できません。No such file or directory");
  // Another user's folder of that name in a shared temp folder is not used.
  if (IsRoot()) {
    MakeFolder("run/Orlindo");
    ASSERT_EQ(chown(Path("run/Orlindo").c_str(), 4242, 4242), 0);
    EXPECT_EQ(MessageOf(program, orlindo::CompilerFilePath()),
              "ファイル \"" + orlindo::CompilerFilePath() + "\" を作成できません。Permission denied");
  }
}

TEST_F(CompilerResourceTest, CarriesTheBuiltCompilerByteForByte) {
  CompilerFile file = CompilerFile::Extract(QString::fromUtf16(orlindo::kCompilerResource),
                                            orlindo::CompilerFilePath());
  const std::string embedded = Read(file.Path());
  EXPECT_FALSE(embedded.empty());
  EXPECT_TRUE(embedded == Read(ZAVBUILD_PATH)) << "the resource differs from " << ZAVBUILD_PATH;
  file.Delete();
}

}  // namespace

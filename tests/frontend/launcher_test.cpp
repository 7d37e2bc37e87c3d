#include "frontend/launcher.h"

#include <QCoreApplication>
#include <QTimer>

#include "platform/failure.h"
#include "tests/frontend/launch_fakes.h"
#include "tests/support/temp_dir.h"

namespace {

using orlindo::Field;
using orlindo::Notice;
using zavtest::WriteScript;

class LauncherTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    view_.SetFieldText(Field::SVGFolder, QString::fromStdString(MakeFolder("svg")));
    view_.SetFieldText(Field::OutFolder, QString::fromStdString(MakeFolder("out")));
    view_.SetFieldText(Field::Uniqkey, QStringLiteral("korimo"));
    view_.SetStatusText(QStringLiteral("処理完了."));
    view_.history.clear();
  }
  bool Run(const std::string& compiler) {
    orlindo::BuildJournal journal = Journal(Path("svg"), Path("out"));
    Put("svg/a.svg.inf", "[INFO]\r\n");  // as the import leaves it
    Put("svg/copyright.txt", "c\r\n");
    return orlindo::RunCompiler(view_, dialogs_, compiler, journal);
  }
  orlindo::BuildJournal Journal(const std::string& svg, const std::string& out) {
    return orlindo::BuildJournal::Begin(Path("state"), svg, {"a.svg.inf", "copyright.txt"}, out);
  }

  zavtest::RecordingView view_;
  zavtest::RecordingDialogs dialogs_;
};

TEST_F(LauncherTest, PassesTheThreeFieldsAsTheyStandAsThreeArguments) {
  const std::string svg = MakeFolder(" svg  dir ");
  const std::string out = MakeFolder("out \"q\"");
  view_.SetFieldText(Field::SVGFolder, QString::fromStdString(svg));
  view_.SetFieldText(Field::OutFolder, QString::fromStdString(out));
  view_.SetFieldText(Field::Uniqkey, QStringLiteral(" my lib \"x\" $HOME "));
  const std::string args = Path("args");
  const std::string compiler = WriteScript(
      Path("zavbuild"), "printf '[%s]\\n' \"$#\" \"$@\" > '" + args + "'\n");
  orlindo::BuildJournal journal = Journal(svg, out);
  EXPECT_TRUE(orlindo::RunCompiler(view_, dialogs_, compiler, journal));
  EXPECT_EQ(Read(args), "[3]\n[ my lib \"x\" $HOME ]\n[" + svg + "]\n[" + out + "]\n");
}

TEST_F(LauncherTest, CleansUpThenSaysItIsDone) {
  const std::string compiler = WriteScript(Path("zavbuild"),
      "echo 'Zavora SVG Library Compiler'\n"
      "touch \"$3/a.svgz\" \"$3/LIBSVG.txt\" \"$3/LIBSVG.txtz\" \"$3/$1.zavlibsvg\"\n");
  dialogs_.onShow = [&](Notice, const QString&) {
    EXPECT_FALSE(Exists(Path("svg/a.svg.inf"))) << "the clean-up comes before the dialog";
    EXPECT_EQ(view_.history.back(), "status:処理完了.");
  };
  EXPECT_TRUE(Run(compiler));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].first, Notice::Information);
  EXPECT_EQ(dialogs_.shown[0].second, QStringLiteral("処理終了しました．"));
  EXPECT_EQ(view_.history, (std::vector<QString>{"status:コンパイル中..", "busy", "status:後処理中..", "idle",
                                                  "status:処理完了."}));
  EXPECT_FALSE(Exists(Path("svg/copyright.txt")));
  EXPECT_FALSE(Exists(Path("out/a.svgz")));
  EXPECT_FALSE(Exists(Path("out/LIBSVG.txt")));
  EXPECT_FALSE(Exists(Path("out/LIBSVG.txtz")));
  EXPECT_TRUE(Exists(Path("out/korimo.zavlibsvg")));
}

TEST_F(LauncherTest, AFailedCompileIsReportedAfterTheCleanUp) {
  const std::string compiler = WriteScript(Path("zavbuild"),
      "printf 'Zavora SVG Library Compiler\\n  compiling...\\n'\n"
      "echo 'Exception: File already exitst: out/a.svgz'\n"
      "touch \"$3/b.svgz\"\nexit 1\n");
  dialogs_.onShow = [&](Notice, const QString&) {
    EXPECT_FALSE(Exists(Path("svg/a.svg.inf")));
    EXPECT_FALSE(Exists(Path("out/b.svgz")));
    EXPECT_EQ(view_.StatusText(), QStringLiteral("ライブラリファイルは作成されませんでした。"))
        << "never the success of an earlier step";
  };
  EXPECT_FALSE(Run(compiler));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].first, Notice::Warning);
  EXPECT_EQ(dialogs_.shown[0].second,
            QStringLiteral("ライブラリファイルは作成されませんでした。\n"
                           "Exception: File already exitst: out/a.svgz"));
}

TEST_F(LauncherTest, ACompilerThatCannotStartEndsTheBuildBeforeTheCleanUp) {
  const std::string compiler = Path("run/zavbuild");
  try {
    Run(compiler);
    ADD_FAILURE() << "no failure";
  } catch (const zav::Failure& failure) {
    EXPECT_EQ(failure.message, compiler + "を起動できません");
  }
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_TRUE(Exists(Path("svg/a.svg.inf")));
  EXPECT_EQ(view_.history, (std::vector<QString>{"status:コンパイル中..", "busy", "idle"}))
      << "the start sequence tells the error";
}

TEST_F(LauncherTest, TheWindowKeepsHandlingEventsWhileTheCompilerRuns) {
  const std::string go = Path("go");
  const std::string compiler = WriteScript(Path("zavbuild"),
      "while [ ! -e '" + go + "' ]; do sleep 0.02; done\n");
  bool handled = false;
  QTimer::singleShot(0, [&] {
    handled = true;
    Put("go", "");
  });
  EXPECT_TRUE(Run(compiler));
  EXPECT_TRUE(handled);
}

// Closing the window during the compile quits the application, which ends every event
// loop, the wait's included: the compiler still runs to its end, then the clean-up.
TEST_F(LauncherTest, QuittingDuringTheCompileStillWaitsAndCleansUp) {
  const std::string compiler = WriteScript(Path("zavbuild"), "sleep 0.3\ntouch \"$3/ran to the end\"\n");
  bool made = false;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    made = Run(compiler);
  });
  QCoreApplication::exec();
  EXPECT_TRUE(made);
  EXPECT_TRUE(Exists(Path("out/ran to the end")));
  EXPECT_FALSE(Exists(Path("svg/a.svg.inf")));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].second, QStringLiteral("処理終了しました．"));
}

struct ReportCase {
  const char* output;
  bool crashed;
  int exitCode;
  const char* report;
};
class CompilerReportTest : public ::testing::TestWithParam<ReportCase> {};
TEST_P(CompilerReportTest, TakesTheCompilersLastWordOrSaysHowItEnded) {
  const ReportCase& c = GetParam();
  EXPECT_EQ(orlindo::CompilerReport(QByteArray(c.output), c.crashed, c.exitCode),
            QString::fromUtf8(c.report));
}
INSTANTIATE_TEST_SUITE_P(Cases, CompilerReportTest, ::testing::Values(
    ReportCase{"Zavora SVG Library Compiler\n  compiling...\nEFOpenError: Cannot open file \"/s/copyright.txt\". No such file or directory\n",
               false, 1, "EFOpenError: Cannot open file \"/s/copyright.txt\". No such file or directory"},
    ReportCase{"banner\r\nException: Not matching file for s/é.svg.inf\r\n\r\n", false, 1,
               "Exception: Not matching file for s/é.svg.inf"},
    ReportCase{"", false, 1, "zavbuild の終了コード: 1"},
    ReportCase{"usage:\n  zavbuild.exe name source output\n", false, 2, "zavbuild の終了コード: 2"},
    ReportCase{"  compiling...\n", true, 0, "zavbuild が異常終了しました"}));

}  // namespace

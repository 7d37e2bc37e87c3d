// A whole batch build stopped by TERM, INT or HUP, or killed outright, at several
// moments: right after its journal is written, while the import writes, while the
// compiler runs, and while the clean-up puts the folders back. A stopped build puts the
// folders back before it ends; after a killed one, the next start of Orlindo does. Either
// way the SVG folder and the output folder end byte for byte as they were, the earlier
// library included. The build runs in orlindo_probe (Orlindo's batch mode with a
// compiler script of the test's), so that the test knows where the build is.
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "frontend/file_cleanup.h"
#include "tests/frontend/build_fixture.h"
#include "tests/frontend/folder_state.h"

namespace {

enum class Moment { AfterTheJournal, DuringTheImport, DuringTheCompile, DuringTheCleanUp };

struct InterruptCase {
  const char* name;
  Moment moment;
  int signal;
};

void PrintTo(const InterruptCase& c, std::ostream* os) { *os << c.name; }

constexpr int kRows = 1000;

class InterruptedBuildTest : public zavtest::BuildFixture,
                             public ::testing::WithParamInterface<InterruptCase> {
 protected:
  // A user's folders: every listed symbol, a hand-written descriptor at the top and one
  // below it (both also in the table), their own copyright text, index and side file,
  // and the library of an earlier build.
  void SetUp() override {
    BuildFixture::SetUp();
    std::vector<std::array<const char*, 3>> rows;
    for (int i = 0; i < kRows; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%s%04d", i % 10 == 0 ? "sub/s" : "s", i);
      names_.push_back(name);
      Symbol(names_.back() + ".svg");
    }
    for (const std::string& name : names_) rows.push_back({name.c_str(), "公園", "ベンチ"});
    WriteDefinitions(rows);
    Put("svg/s0001.svg.inf", "[INFO]\r\nUniqueID=PB-1\r\n");
    Put("svg/sub/s0000.svg.inf", "[INFO]\r\nCAPTION=by hand\r\n");
    Put("svg/copyright.txt", "the user's own\r\n");
    Put("out/LIBSVG.txt", "the user's index");
    Put("out/unrelated.svgz", "the user's side file");
    Put("out/korimo.zavlibsvg", "the earlier library");
    before_ = Folders();
  }
  void TearDown() override {
    if (probe_.state() != QProcess::NotRunning) {
      probe_.kill();
      probe_.waitForFinished(-1);
    }
    BuildFixture::TearDown();
  }

  zavtest::FolderState Folders() const {
    zavtest::FolderState both;
    for (const auto& [path, entry] : zavtest::StateOf(svg_)) both["svg/" + path] = entry;
    for (const auto& [path, entry] : zavtest::StateOf(out_)) both["out/" + path] = entry;
    return both;
  }

  QProcessEnvironment Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(MakeFolder("config")));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(Path("run")));
    environment.insert("XDG_STATE_HOME", QString::fromStdString(Path("state")));
    environment.insert("ORLINDO_TEST_COMPILER", QString::fromStdString(Path("zavbuild")));
    environment.remove("ZAV_CODEPAGE");
    return environment;
  }

  QStringList Options(const std::string& database) const {
    return {"--batch", "--mdb", QString::fromStdString(database), "--svg", QString::fromStdString(svg_),
            "--out", QString::fromStdString(out_), "--name", "korimo", "--copyright", "©"};
  }

  // The compiler writes what zavbuild writes over the user's files, then waits to be
  // stopped (or, for the clean-up, ends at once).
  void StartBuild(bool compilerEnds) {
    zavtest::WriteScript(Path("zavbuild"),
                         "touch \"$3/s0002.svgz\" \"$3/.zavbuild-9-0.tmp\"\n"
                         "echo ours > \"$3/LIBSVG.txt\"; echo ours > \"$3/LIBSVG.txtz\"\n" +
                             std::string(compilerEnds ? "touch '" + Path("compiled") + "'\nexit 0\n"
                                                      : "trap 'touch \"" + Path("terminated") +
                                                            "\"; exit 143' TERM\ntouch '" + Path("compiling") +
                                                            "'\nwhile :; do sleep 0.05; done\n"));
    probe_.setProcessEnvironment(Environment());
    probe_.start(QStringLiteral(ORLINDO_PROBE_PATH), Options(Path("定義.mdb")));
    ASSERT_TRUE(probe_.waitForStarted(-1));
  }

  // Waits for a state, not for a time; false when the build ended before it, unless
  // the state may come after the build (a compiler reacting to its parent's death).
  // The minute is only a bound for a build that hangs.
  bool WaitUntil(const std::function<bool()>& reached, bool afterTheBuildToo = false) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < giveUp) {
      if (reached()) return true;
      if (afterTheBuildToo) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      } else if (probe_.state() == QProcess::NotRunning || probe_.waitForFinished(1)) {
        return reached();
      }
    }
    ADD_FAILURE() << "never got there";
    return false;
  }

  bool Reached(Moment moment) {
    switch (moment) {
      case Moment::AfterTheJournal: {
        std::vector<std::string> journals;
        orlindo::ListFiles(journals, Path("state/Orlindo"), "*.journal");
        return !journals.empty();
      }
      case Moment::DuringTheImport: return Exists(svg_ + "/s0003.svg.inf");
      case Moment::DuringTheCompile: return Exists(Path("compiling"));
      case Moment::DuringTheCleanUp: return Exists(Path("compiled")) && !Exists(svg_ + "/s0003.svg.inf");
    }
    return false;
  }

  // The next start of the real Orlindo, with nothing it could build.
  std::string NextStart() {
    QProcess orlindo;
    orlindo.setProcessEnvironment(Environment());
    orlindo.start(QStringLiteral(ORLINDO_PATH), Options(Path("nothing.mdb")));
    EXPECT_TRUE(orlindo.waitForFinished(120000));
    EXPECT_EQ(orlindo.exitCode(), 1);
    return orlindo.readAllStandardError().toStdString();
  }

  std::vector<std::string> names_;
  zavtest::FolderState before_;
  QProcess probe_;
};

TEST_P(InterruptedBuildTest, LeavesTheFoldersAsTheyWere) {
  const InterruptCase& c = GetParam();
  StartBuild(c.moment == Moment::DuringTheCleanUp);
  const bool interrupted = WaitUntil([&] { return Reached(c.moment); });
  if (interrupted) ::kill(static_cast<pid_t>(probe_.processId()), c.signal);
  ASSERT_TRUE(probe_.waitForFinished(120000));
  const std::string said = probe_.readAllStandardError().toStdString();

  if (!interrupted || probe_.exitStatus() == QProcess::NormalExit) {
    // The clean-up was over before the signal came: the build ended as any build does.
    EXPECT_EQ(c.moment, Moment::DuringTheCleanUp) << said;
    EXPECT_EQ(Folders(), before_);
    return;
  }
  if (c.moment == Moment::DuringTheCompile) {
    // Asked to stop, or left by the front end that died: either way TERM reaches it.
    EXPECT_TRUE(WaitUntil([&] { return Exists(Path("terminated")); }, /*afterTheBuildToo=*/true));
  }
  if (c.signal == SIGKILL) {
    EXPECT_FALSE(std::filesystem::is_empty(Path("state/Orlindo"))) << "the killed build's journal";
    const std::string next = NextStart();
    EXPECT_TRUE(next.starts_with("情報: 前回の処理が中断されていたため、次のフォルダのファイルを処理前の状態に戻しました | " +
                                 svg_ + " | " + out_ + "\n"))
        << next;
  } else {
    const std::string name = c.signal == SIGTERM ? "SIGTERM" : c.signal == SIGINT ? "SIGINT" : "SIGHUP";
    EXPECT_EQ(said, "orlindo_probe: " + name + " を受けたため、処理を中止しました。変更したファイルは処理前の状態に戻しました\n");
    EXPECT_EQ(NextStart(), "警告: 定義データベースを正しく指定してください\n") << "nothing left to restore";
  }
  EXPECT_EQ(Folders(), before_);
  EXPECT_TRUE(std::filesystem::is_empty(Path("state/Orlindo")));
}

INSTANTIATE_TEST_SUITE_P(
    Moments, InterruptedBuildTest,
    ::testing::Values(InterruptCase{"TermAfterTheJournal", Moment::AfterTheJournal, SIGTERM},
                      InterruptCase{"KillAfterTheJournal", Moment::AfterTheJournal, SIGKILL},
                      InterruptCase{"TermDuringTheImport", Moment::DuringTheImport, SIGTERM},
                      InterruptCase{"KillDuringTheImport", Moment::DuringTheImport, SIGKILL},
                      InterruptCase{"TermDuringTheCompile", Moment::DuringTheCompile, SIGTERM},
                      InterruptCase{"IntDuringTheCompile", Moment::DuringTheCompile, SIGINT},
                      InterruptCase{"HupDuringTheCompile", Moment::DuringTheCompile, SIGHUP},
                      InterruptCase{"KillDuringTheCompile", Moment::DuringTheCompile, SIGKILL},
                      InterruptCase{"TermDuringTheCleanUp", Moment::DuringTheCleanUp, SIGTERM},
                      InterruptCase{"KillDuringTheCleanUp", Moment::DuringTheCleanUp, SIGKILL}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

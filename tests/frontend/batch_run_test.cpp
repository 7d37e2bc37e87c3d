// The batch mode through the built program, as an automated build runs it: no display,
// inputs from options and the settings file, dialogs on standard error, exit statuses.
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/frontend/build_fixture.h"
#include "tools/mdb/mdb_damage.h"

namespace {

class BatchRunTest : public zavtest::BuildFixture {
 protected:
  struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
  };

  Outcome Orlindo(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(MakeFolder("config")));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(Path("run")));
    environment.insert("XDG_STATE_HOME", QString::fromStdString(Path("state")));
    environment.remove("ZAV_CODEPAGE");
    // No display at all: the batch mode must not need one.
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    QProcess orlindo;
    orlindo.setProcessEnvironment(environment);
    orlindo.start(QStringLiteral(ORLINDO_PATH), arguments);
    Outcome outcome;
    if (!orlindo.waitForFinished(120000) || orlindo.exitStatus() != QProcess::NormalExit) return outcome;
    outcome.status = orlindo.exitCode();
    outcome.out = orlindo.readAllStandardOutput().toStdString();
    outcome.err = orlindo.readAllStandardError().toStdString();
    return outcome;
  }

  QStringList Options() const {
    return {"--batch", "--mdb", view_.FieldText(orlindo::Field::Kihonmdb), "--svg", QString::fromStdString(svg_),
            "--out", QString::fromStdString(out_)};
  }
};

TEST_F(BatchRunTest, HelpVersionAndWrongCommandLines) {
  Outcome help = Orlindo({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: Orlindo")) << help.out;
  EXPECT_EQ(help.err, "");

  for (const QStringList& arguments : {QStringList{"--version"}, QStringList{"-platform", "xcb", "--version"}}) {
    Outcome version = Orlindo(arguments);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Orlindo " PROJECT_VERSION_TEXT "\n");
    EXPECT_EQ(version.err, "");
  }

  // Without --batch too: a wrong command line never reaches Qt's platform plugin.
  for (const QStringList& arguments : {QStringList{"--batch", "--verbose"}, QStringList{"--verbose"}}) {
    Outcome unknown = Orlindo(arguments);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "Orlindo: Unknown option 'verbose'.\n"
                           "Usage: Orlindo [--batch [OPTION]... | --help | --version]\n"
                           "Try 'Orlindo --help'.\n");
  }
  EXPECT_EQ(Orlindo({"--batch", "--out"}).status, 2);
  EXPECT_EQ(Orlindo({"--batch", "extra"}).status, 2);
  EXPECT_EQ(Orlindo({"extra"}).status, 2);
  EXPECT_EQ(Orlindo({"-x"}).status, 2);
}

TEST_F(BatchRunTest, BuildsWithOptionsAndTheSettingsFileLeftUnwritten) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}, {"gone", "x", "y"}});
  Symbol("bench.svg");
  const std::string settings = "[作業環境]\r\nライブラリユニークキー=korimo\r\nコピーライト=© 地図会社\r\n"
                               "出力フォルダ=/nowhere\r\n";
  Put("config/Orlindo.ini", settings);

  const Outcome made = Orlindo(Options());
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.err, "警告: 次のファイルが見つかりませんでした | " + svg_ + "/gone.svg\n"
                      "情報: 処理終了しました．\n");
  EXPECT_EQ(made.out, "");
  EXPECT_EQ(zavtest::LibraryIndex(out_ + "/korimo.zavlibsvg").size(), 1u);
  EXPECT_EQ(Files(out_), std::vector<std::string>{"korimo.zavlibsvg"});
  EXPECT_EQ(Files(svg_), std::vector<std::string>{"bench.svg"});
  EXPECT_EQ(Read(Path("config/Orlindo.ini")), settings);
  EXPECT_FALSE(Exists(Path("run/Orlindo/zavbuild")));
}

TEST_F(BatchRunTest, ExitsWithOneWhenTheLibraryIsNotMade) {
  WriteDefinitions({{"a", "c", "one"}, {"sub/a", "c", "two"}});
  Symbol("a.svg");
  Symbol("sub/a.svg");

  const Outcome refused = Orlindo(Options());  // no name, no copyright anywhere
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "警告: ライブラリユニーク名を正しく指定してください\n"
                         "警告: Copyrightを正しく指定してください\n");

  const Outcome failed = Orlindo(Options() << "--name" << "korimo" << "--copyright" << "c");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "警告: ライブラリファイルは作成されませんでした。 | Exception: File already exitst: " +
                            out_ + "/a.svgz\n");
  EXPECT_EQ(Files(out_), std::vector<std::string>{});

  Put("定義.mdb", "not a database");
  const Outcome broken = Orlindo(Options() << "--name" << "korimo" << "--copyright" << "c");
  EXPECT_EQ(broken.status, 1);
  EXPECT_TRUE(broken.err.starts_with("Orlindo: ")) << broken.err;
  EXPECT_EQ(Files(svg_), (std::vector<std::string>{"a.svg", "sub/a.svg"}));
}

// A database that lost its last page: libmdb reads the rows before it and says nothing
// but a line on standard error. The build stops before the import writes anything.
TEST_F(BatchRunTest, ADatabaseCutShortImportsNothing) {
  namespace mdb = zav::mdb;
  mdb::Table table{"T_main", {{"ID", mdb::ColumnType::Long}, {"svgname"}, {"category"}, {"caption"}}, {}};
  for (std::int32_t id = 1; id <= 31; ++id) {
    std::string name = "s";  // appended: GCC 12 warns falsely (-Wrestrict) on "s" + text
    name += std::to_string(id);
    Symbol(name + ".svg");
    table.rows.push_back({id, name, std::string("c"), std::string(200, 'x')});
  }
  mdb::WriteDamagedDatabase(mdb::Database{{table}}, mdb::Damage::CutAtLastPage, Path("定義.mdb"));
  const std::vector<std::string> before = Files(svg_);

  const Outcome cut = Orlindo(Options() << "--name" << "korimo" << "--copyright" << "c");
  EXPECT_EQ(cut.status, 1);
  EXPECT_TRUE(cut.err.starts_with("Orlindo: データベース \"" + Path("定義.mdb") + "\" のテーブル 'T_main' を読めません。"))
      << cut.err;
  EXPECT_EQ(Files(svg_), before);
  EXPECT_EQ(Files(out_), std::vector<std::string>{});
}

}  // namespace

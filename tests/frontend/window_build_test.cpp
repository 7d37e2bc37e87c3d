// "実行" pressed on the real window, with scripted dialogs: the whole chain from the
// button to the library file.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "frontend/Unit1.h"
#include "tests/frontend/build_fixture.h"
#include "tests/frontend/fake_dialogs.h"
#include "tests/frontend/scoped_env.h"

namespace {

using orlindo::Notice;
using orlindo_test::Shown;

class WindowBuildTest : public zavtest::BuildFixture {
 protected:
  void SetUp() override {
    BuildFixture::SetUp();
    config_ = std::make_unique<orlindo_test::ScopedEnv>("XDG_CONFIG_HOME", MakeFolder("config").c_str());
  }
  void TearDown() override {
    config_.reset();
    BuildFixture::TearDown();
  }

  // The five inputs of the fixture, put into the window's fields (keyClicks knows ASCII
  // only).
  static void Fill(orlindo::TfrmMain& window, const orlindo::View& from) {
    const char* const names[] = {"editKihonmdb", "editSVGFolder", "editOutFolder", "editUniqkey",
                                 "editCopyright"};
    for (int field = 0; field < 5; ++field) {
      auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(names[field]));
      ASSERT_NE(edit, nullptr);
      edit->setText(from.FieldText(static_cast<orlindo::Field>(field)));
    }
  }
  static void PressStart(orlindo::TfrmMain& window) {
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("bbtnStart")), Qt::LeftButton);
  }

  orlindo_test::FakeDialogs windowDialogs_;
  std::unique_ptr<orlindo_test::ScopedEnv> config_;
};

TEST_F(WindowBuildTest, OnePressMakesTheLibraryWithTheDatabasesCaptions) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}, {"sub/tree", "自然", "木"}});
  Symbol("bench.svg");
  Symbol("sub/tree.svg");
  orlindo::TfrmMain window(windowDialogs_);
  Fill(window, view_);

  for (int press = 0; press < 2; ++press) {  // two builds in a row
    windowDialogs_.shown.clear();
    PressStart(window);
    EXPECT_EQ(windowDialogs_.shown,
              (std::vector<Shown>{{Notice::Information, QStringLiteral("処理終了しました．")}}));
    EXPECT_EQ(zavtest::LibraryIndex(Read(out_ + "/korimo.zavlibsvg")).front(), "korimo:tree=49|木|自然");
    EXPECT_EQ(Files(out_), std::vector<std::string>{"korimo.zavlibsvg"});
    EXPECT_EQ(Files(svg_), (std::vector<std::string>{"bench.svg", "sub/tree.svg"}));
    EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
  }
}

TEST_F(WindowBuildTest, ASecondPressDuringTheCompileIsRefusedAndTheFirstBuildEnds) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}});
  Symbol("bench.svg");
  orlindo::TfrmMain window(windowDialogs_);
  Fill(window, view_);
  // Runs at the first turn of the event loop, which is the wait for the compiler.
  QTimer::singleShot(0, &window, [&] { PressStart(window); });
  PressStart(window);
  EXPECT_EQ(windowDialogs_.shown,
            (std::vector<Shown>{
                {Notice::Error, QString::fromStdString("ファイル \"" + orlindo::CompilerFilePath() +
                                                       "\" を作成できません。Text file busy.")},
                {Notice::Information, QStringLiteral("処理終了しました．")}}));
  EXPECT_EQ(Files(out_), std::vector<std::string>{"korimo.zavlibsvg"});
  EXPECT_EQ(Files(svg_), std::vector<std::string>{"bench.svg"});
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
}

}  // namespace

// "実行" pressed on the real window, with scripted dialogs: the whole chain from the
// button to the library file.
#include <QLabel>
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
  static std::vector<QPushButton*> Buttons(const orlindo::TfrmMain& window) {
    std::vector<QPushButton*> buttons;
    for (const char* name : {"bbtnKihonmdb", "bbtnSVGFolder", "bbtnOutFolder", "bbtnStart"}) {
      buttons.push_back(window.findChild<QPushButton*>(QString::fromLatin1(name)));
    }
    return buttons;
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
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* start = window.findChild<QPushButton*>(QStringLiteral("bbtnStart"));
  start->setFocus();

  for (int press = 0; press < 2; ++press) {  // two builds in a row
    windowDialogs_.shown.clear();
    PressStart(window);
    // The focus is back on "実行", not on the next field with its text selected.
    EXPECT_EQ(window.focusWidget(), start) << press;
    EXPECT_EQ(windowDialogs_.shown,
              (std::vector<Shown>{{Notice::Information, QStringLiteral("処理終了しました．")}}));
    EXPECT_EQ(zavtest::LibraryIndex(out_ + "/korimo.zavlibsvg").front(), "korimo:tree=49|木|自然");
    EXPECT_EQ(Files(out_), std::vector<std::string>{"korimo.zavlibsvg"});
    EXPECT_EQ(Files(svg_), (std::vector<std::string>{"bench.svg", "sub/tree.svg"}));
    EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
    for (QPushButton* button : Buttons(window)) EXPECT_TRUE(button->isEnabled()) << press;
  }
}

// While a build runs, neither a click nor Enter can start a second one (it could only be
// refused, the compiler file being in use). Closing the window asks nothing: the status
// bar says that the program ends after the build, which goes on to its clean-up and its
// outcome, and then the window closes.
TEST_F(WindowBuildTest, DuringABuildTheButtonsAreDisabledAndClosingWaitsForItsEnd) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}});
  Symbol("bench.svg");
  orlindo::TfrmMain window(windowDialogs_);
  Fill(window, view_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  std::vector<bool> enabledDuring;
  bool visibleAfterClose = false;
  QString closingNote;
  // Runs at the first turn of the event loop, which is the wait for the compiler.
  QTimer::singleShot(0, &window, [&] {
    for (QPushButton* button : Buttons(window)) enabledDuring.push_back(button->isEnabled());
    PressStart(window);
    QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("editUniqkey")), Qt::Key_Return);
    window.close();
    visibleAfterClose = window.isVisible();
    if (auto* note = window.findChild<QLabel*>(QStringLiteral("labelClosing")); note && note->isVisible()) {
      closingNote = note->text();
    }
  });
  PressStart(window);
  EXPECT_EQ(enabledDuring, std::vector<bool>(4, false));
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_EQ(closingNote, QStringLiteral("処理の完了後に終了します"));
  EXPECT_EQ(windowDialogs_.shown,
            (std::vector<Shown>{{Notice::Information, QStringLiteral("処理終了しました．")}}));
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Files(out_), std::vector<std::string>{"korimo.zavlibsvg"});
  EXPECT_EQ(Files(svg_), std::vector<std::string>{"bench.svg"});
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
}

}  // namespace

// "実行" pressed on the real window, with scripted dialogs: the whole chain from the
// button to the library file.
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

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

// What the status bar said, each text with the progress bar as it stood then.
struct StatusShown {
  QString text;
  bool bar = false;
  int value = 0;
  int maximum = 0;
};

// Records every text of the window's status bar, in order.
class StatusRecorder {
 public:
  explicit StatusRecorder(orlindo::TfrmMain& window)
      : bar_(window.findChild<QProgressBar*>(QStringLiteral("progressBuild"))) {
    auto* status = window.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    // Queued would be too late: the bar is read as the text changes.
    QObject::connect(status, &QStatusBar::messageChanged, &connection_, [this](const QString& text) {
      if (!text.isEmpty()) shown.push_back({text, !bar_->isHidden(), bar_->value(), bar_->maximum()});
    });
  }

  // The texts with every count left out ("インポート中 12/300" -> "インポート中 #"), each
  // once in a row: the steps in their order.
  std::vector<QString> Steps() const {
    std::vector<QString> steps;
    for (const StatusShown& s : shown) {
      QString step = s.text;
      if (const int blank = step.lastIndexOf(u' '); blank > 0 && step.mid(blank + 1).contains(u'/')) {
        step = step.left(blank) + QStringLiteral(" #");
      }
      if (steps.empty() || steps.back() != step) steps.push_back(step);
    }
    return steps;
  }
  const StatusShown* Find(const QString& text) const {
    for (const StatusShown& s : shown) {
      if (s.text == text) return &s;
    }
    return nullptr;
  }

  std::vector<StatusShown> shown;

 private:
  QProgressBar* bar_;
  QObject connection_;  // ends the recording with the recorder
};

// Counts the paint events of a widget, each with the status text of that moment.
class PaintSpy : public QObject {
 public:
  PaintSpy(QWidget& widget, std::function<QString()> status) : status_(std::move(status)) {
    widget.installEventFilter(this);
  }
  std::vector<QString> paintedDuring;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) paintedDuring.push_back(status_());
    return false;
  }

 private:
  std::function<QString()> status_;
};

// Waits for a state of another thread, never for a time; the minute is only a bound for
// a build that hangs.
bool WaitFor(const std::function<bool()>& reached) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!reached()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

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

// The import runs off the window's thread: while the test holds the window's thread in a
// handler of its event loop, the import writes every descriptor file, and the window
// still paints. Then the status bar tells each step in its order, with the counts and the
// progress bar of the import and the compile, and ends with the outcome.
TEST_F(WindowBuildTest, TheWindowPaintsDuringTheImportAndTheStatusBarTellsEveryStep) {
  constexpr int kRows = 300;
  std::vector<std::string> names;
  for (int i = 0; i < kRows; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "s%04d", i);
    names.push_back(name);
    Symbol(names.back() + ".svg");
  }
  std::vector<std::array<const char*, 3>> rows;
  for (const std::string& name : names) rows.push_back({name.c_str(), "公園", "ベンチ"});
  WriteDefinitions(rows);
  orlindo::TfrmMain window(windowDialogs_);
  Fill(window, view_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  StatusRecorder status(window);
  PaintSpy paints(window, [&window] { return window.StatusText(); });

  // Queued as the import's count first shows, before its writing starts: the first
  // thing the event loop does while the import writes. It holds the window's thread
  // until the import has written its last file.
  const std::string lastDescriptor = svg_ + "/" + names.back() + ".svg.inf";
  bool wroteWhileHeld = false;
  bool held = false;
  QObject holder;  // goes before the window, and the connection with it
  auto* bar = window.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
  QObject::connect(bar, &QStatusBar::messageChanged, &holder, [&](const QString& text) {
    if (held || text != QStringLiteral("インポート中 0/300")) return;
    held = true;
    QMetaObject::invokeMethod(
        &holder,
        [&] {
          wroteWhileHeld = WaitFor([&] { return Exists(lastDescriptor); });
          window.repaint();
        },
        Qt::QueuedConnection);
  });
  PressStart(window);

  EXPECT_TRUE(wroteWhileHeld) << "the import waited for the window's thread";
  EXPECT_NE(std::find(paints.paintedDuring.begin(), paints.paintedDuring.end(), QStringLiteral("インポート中 0/300")),
            paints.paintedDuring.end())
      << "painted while the import wrote";
  EXPECT_EQ(status.Steps(), (std::vector<QString>{QStringLiteral("データベースに接続中.."), QStringLiteral("インポート中 #"),
                                                  QStringLiteral("処理完了."), QStringLiteral("コンパイル中.."),
                                                  QStringLiteral("コンパイル中.. #"), QStringLiteral("後処理中.."),
                                                  QStringLiteral("処理完了.")}));
  for (const char* last : {"インポート中 300/300", "コンパイル中.. 300/300"}) {
    const StatusShown* shown = status.Find(QString::fromUtf8(last));
    ASSERT_NE(shown, nullptr) << last;
    EXPECT_TRUE(shown->bar) << last;
    EXPECT_EQ(shown->value, 300) << last;
    EXPECT_EQ(shown->maximum, 300) << last;
  }
  EXPECT_FALSE(status.shown.back().bar);
  EXPECT_EQ(windowDialogs_.shown,
            (std::vector<Shown>{{Notice::Information, QStringLiteral("処理終了しました．")}}));
  EXPECT_EQ(zavtest::LibraryIndex(out_ + "/korimo.zavlibsvg").size(), 300u);
  EXPECT_EQ(Files(svg_).size(), 300u);
}

// After a build that did not make the library the status bar tells so, never the
// "処理完了." of a step before; a press whose checks fail leaves it empty.
TEST_F(WindowBuildTest, TheStatusBarEndsWithTheOutcome) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* status;
    Notice notice;
  };
  const Case cases[] = {
      {"failed compile", [&] { Put("svg/ghost.svg.inf", "[INFO]\r\n"); },
       "ライブラリファイルは作成されませんでした。", Notice::Warning},
      {"failed import", [&] { WriteDefinitions({{"bench", "公園", ""}}, /*withCaption=*/false); },
       "エラーのため処理を中止しました", Notice::Error},
      {"failed check", [&] { std::filesystem::remove(Path("定義.mdb")); }, "", Notice::Warning},
  };
  for (const Case& c : cases) {
    WriteDefinitions({{"bench", "公園", "ベンチ"}});
    Symbol("bench.svg");
    c.arrange();
    orlindo::TfrmMain window(windowDialogs_);
    Fill(window, view_);
    window.SetStatusText(QStringLiteral("処理完了."));  // an earlier build's
    windowDialogs_.shown.clear();
    PressStart(window);
    EXPECT_EQ(window.StatusText(), QString::fromUtf8(c.status)) << c.name;
    ASSERT_FALSE(windowDialogs_.shown.empty()) << c.name;
    EXPECT_EQ(windowDialogs_.shown.back().kind, c.notice) << c.name;
    EXPECT_TRUE(window.findChild<QProgressBar*>(QStringLiteral("progressBuild"))->isHidden()) << c.name;
    std::filesystem::remove(Path("svg/ghost.svg.inf"));
  }
}

}  // namespace

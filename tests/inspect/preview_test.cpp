// preview: the page's text escapes the library's, it replaces only a file and only when
// whole, and the page made from the bundled example works in a real browser: headless
// Chromium loads it from the file, runs its filter, and draws it (read back as the DOM
// and as a screenshot that is not blank).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "tests/compiler/zavbuild_runner.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/inspect/png_pixels.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/library_bytes.h"

namespace {

using zavtest::LibraryMaker;

const std::string kMark = "\xEF\xBB\xBF";

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

class PreviewTest : public zavtest::InspectTest {
 protected:
  // Chromium from Debian, as a user would run it without a display; its output, or ""
  // when it could not run (the test then fails: CI installs it).
  std::string Chromium(const std::string& arguments) {
    const std::string profile = MakeFolder("profile-" + std::to_string(++runs_));
    const std::string command = "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic "
                                "--no-first-run --disable-background-networking --disable-component-update "
                                "--disable-sync --user-data-dir='" + profile + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    pclose(pipe);
    return output;
  }

  // The figures the filter left visible in a DOM dump: those without "hidden".
  static std::size_t ShownFigures(const std::string& dom) {
    std::size_t shown = 0;
    for (std::size_t at = dom.find("<figure "); at != std::string::npos; at = dom.find("<figure ", at + 1)) {
      const std::string tag = dom.substr(at, dom.find('>', at) - at);
      shown += tag.find(" hidden") == std::string::npos;
    }
    return shown;
  }

  int runs_ = 0;
};

TEST_F(PreviewTest, EscapesEveryTextAndDrawsSymbolsAsImages) {
  LibraryMaker maker("(c) <b>Maps</b> & Co\r\n");
  const std::uint32_t a = maker.AddSymbol("<svg><script>alert(1)</script></svg>");
  const std::string path = Put("lib.zavlibsvg", maker.Finish(kMark + "lib:a=" + std::to_string(a) +
                                                             "|<script>alert(2)</script>|\"cat\" & 'dog'\r\n<x>=@lib:a\r\n"));
  const zavtest::InspectResult result = Inspect({"preview", path, Path("page.html")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Wrote " + Path("page.html") + ": 1 symbol\n");
  const std::string page = Read(Path("page.html"));
  EXPECT_EQ(Count(page, "<script"), 1u);  // the page's own filter, nothing from the library
  EXPECT_NE(page.find("<span class=\"caption\">&lt;script&gt;alert(2)&lt;/script&gt;</span>"), std::string::npos);
  EXPECT_NE(page.find("<h2>&quot;cat&quot; &amp; &#39;dog&#39; <span"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"aliases\">&lt;x&gt;</span>"), std::string::npos);
  EXPECT_NE(page.find("(c) &lt;b&gt;Maps&lt;/b&gt; &amp; Co"), std::string::npos);
  // base64 of "<svg><script>alert(1)</script></svg>"
  EXPECT_NE(page.find("src=\"data:image/svg+xml;base64,PHN2Zz48c2NyaXB0PmFsZXJ0KDEpPC9zY3JpcHQ+PC9zdmc+\""),
            std::string::npos);
  EXPECT_EQ(page.find("http://"), std::string::npos);  // nothing the page could fetch
  EXPECT_EQ(page.find("https://"), std::string::npos);
}

struct TargetCase {
  const char* name;
  std::string target;  // below the test's folder
  std::string err;     // after "zavinspect: Cannot create file \"<path>\". "
};

class PreviewTargetTest : public PreviewTest, public ::testing::WithParamInterface<TargetCase> {};

// Whatever stands at OUT.html but a file stays as it was, and no temporary page is left
// beside it.
TEST_P(PreviewTargetTest, RefusesAllButAFileAndLeavesNothingBehind) {
  const TargetCase& c = GetParam();
  LibraryMaker maker;
  const std::string path = Put("lib.zavlibsvg", maker.Finish(kMark + "lib:a=" + std::to_string(maker.AddSymbol("<svg/>")) + "||\r\n"));
  MakeFolder("folder.html");
  ASSERT_EQ(mkfifo(Path("fifo.html").c_str(), 0600), 0);
  const zavtest::InspectResult result = Inspect({"preview", path, Path(c.target)});
  EXPECT_EQ(result.err, "zavinspect: Cannot create file \"" + Path(c.target) + "\". " + c.err + "\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  struct stat info;
  ASSERT_EQ(stat(Path("fifo.html").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder.html")));
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"fifo.html", "folder.html", "lib.zavlibsvg"}));
}

INSTANTIATE_TEST_SUITE_P(Targets, PreviewTargetTest,
                         ::testing::Values(TargetCase{"Folder", "folder.html", "Is a directory"},
                                           TargetCase{"Fifo", "fifo.html", "Not a regular file"},
                                           TargetCase{"NoParent", "none/page.html", "No such file or directory"}),
                         [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

TEST_F(PreviewTest, DamageFoundHalfwayKeepsTheOldPageAndLeavesNoTemporaryOne) {
  std::uint32_t b = 0;
  const std::string path = LibraryDamagedAtItsSecondSymbol(b);
  Put("page.html", "old page");
  const zavtest::InspectResult result = Inspect({"preview", path, Path("page.html")});
  EXPECT_NE(result.err.find("symbol \"b\" (block at " + std::to_string(b) + "): the CRC-32 is "), std::string::npos)
      << result.err;
  EXPECT_TRUE(result.err.ends_with("zavinspect: no page written\n")) << result.err;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Read(Path("page.html")), "old page");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path()), std::filesystem::directory_iterator()), 2);
}

// A write that fails (here: past the process's file size limit) is told, never a page
// cut short under OUT.html's name.
TEST_F(PreviewTest, AFailedWriteIsToldAndLeavesNoPage) {
  LibraryMaker maker;
  const std::uint32_t a = maker.AddSymbol("<svg>" + std::string(100000, ' ') + "</svg>");
  const std::string path = Put("lib.zavlibsvg", maker.Finish(kMark + "lib:a=" + std::to_string(a) + "||\r\n"));
  zavtest::InspectResult result;
  {
    const zavtest::ScopedFileSizeLimit limit(50000);
    ASSERT_TRUE(limit.IsSet());
    result = Inspect({"preview", path, Path("page.html")});
  }
  EXPECT_EQ(result.err, "zavinspect: Cannot create file \"" + Path("page.html") + "\". File too large\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(PreviewTest, TheBundledExampleWorksInHeadlessChromium) {
  MakeFolder("out");
  const zavtest::ZavbuildResult built =
      zavtest::RunZavbuild({{"example", std::string(EXAMPLES_DIR) + "/symbols", Path("out")}, Path(), std::nullopt, std::nullopt});
  ASSERT_EQ(built.status, 0) << built.output;
  const std::string page = Path("example.html");
  ASSERT_EQ(Inspect({"preview", Path("out/example.zavlibsvg"), page}).status, 0);

  const std::string dom = Chromium("--dump-dom 'file://" + page + "'");
  ASSERT_NE(dom, "") << "chromium did not run: the tests need Debian's chromium (scripts/deps.sh)";
  EXPECT_EQ(Count(dom, "<figure "), 32u);
  EXPECT_NE(dom.find("<span class=\"caption\">水族館</span>"), std::string::npos);
  EXPECT_NE(dom.find("<span id=\"count\">32 symbols</span>"), std::string::npos);

  // The filter, as typed into the box, taken from the address's "#q=".
  const std::string filtered = Chromium("--dump-dom 'file://" + page + "#q=%E6%B0%B4%E6%97%8F'");  // 水族
  EXPECT_NE(filtered.find("<span id=\"count\">1 of 32 symbols</span>"), std::string::npos) << filtered.substr(0, 2000);
  EXPECT_EQ(ShownFigures(filtered), 1u);

  const std::string shot = Path("shot.png");
  Chromium("--window-size=1280,900 --virtual-time-budget=3000 --screenshot='" + shot + "' 'file://" + page + "'");
  const std::optional<zavtest::Pixels> pixels = zavtest::DecodePng(Read(shot));
  ASSERT_TRUE(pixels.has_value()) << "no screenshot";
  EXPECT_EQ(pixels->width, 1280u);
  // Not blank: a good part of the page is dark (symbols, text) and many shades show.
  std::size_t dark = 0;
  std::map<std::uint32_t, std::size_t> shades;
  for (std::size_t i = 0; i + 2 < pixels->data.size(); i += pixels->channels) {
    const std::uint32_t rgb = pixels->data[i] << 16 | pixels->data[i + 1] << 8 | pixels->data[i + 2];
    if (pixels->data[i] + pixels->data[i + 1] + pixels->data[i + 2] < 200) ++dark;
    ++shades[rgb];
  }
  const std::size_t all = pixels->data.size() / pixels->channels;
  EXPECT_GT(dark * 100, all * 2) << dark << " dark pixels of " << all;
  EXPECT_GT(shades.size(), 50u);
}

}  // namespace

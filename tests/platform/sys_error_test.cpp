// The system's words in messages: the text for an error code and the absolute form of
// a path, and the two messages built from them.
#include "platform/sys_error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace {

struct ErrorTextCase {
  int error;
  const char* text;
};

class SystemErrorTextTest : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(SystemErrorTextTest, IsTheSystemsTextWithoutTrailingStop) {
  EXPECT_EQ(zav::SystemErrorText(GetParam().error), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemErrorTextTest,
                         ::testing::Values(ErrorTextCase{ENOENT, "No such file or directory"},
                                           ErrorTextCase{EACCES, "Permission denied"},
                                           ErrorTextCase{EISDIR, "Is a directory"},
                                           ErrorTextCase{ENOTDIR, "Not a directory"},
                                           ErrorTextCase{EEXIST, "File exists"},
                                           ErrorTextCase{ENOSPC, "No space left on device"},
                                           ErrorTextCase{ETXTBSY, "Text file busy"},
                                           ErrorTextCase{EIO, "Input/output error"},
                                           ErrorTextCase{0, "Success"},
                                           ErrorTextCase{99999, "Unknown error 99999"}));

struct AbsoluteCase {
  const char* path;
  const char* belowCurrent;  // expected, after the current folder and "/"; or absolute as given
};

class AbsolutePathTextTest : public ::testing::TestWithParam<AbsoluteCase> {};

TEST_P(AbsolutePathTextTest, IsLexicallyNormalAndFollowsNoLink) {
  const std::string current = std::filesystem::current_path().string();
  const std::string expected = GetParam().belowCurrent[0] == '/'
                                   ? std::string(GetParam().belowCurrent)
                                   : current + "/" + GetParam().belowCurrent;
  EXPECT_EQ(zav::AbsolutePathText(GetParam().path), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AbsolutePathTextTest,
                         ::testing::Values(AbsoluteCase{"a.svg", "a.svg"},
                                           AbsoluteCase{"./src/../out//lib", "out/lib"},
                                           AbsoluteCase{"/x/./y/../z", "/x/z"},
                                           AbsoluteCase{"/x//y/", "/x/y/"},
                                           AbsoluteCase{"/proc/self/cwd/a", "/proc/self/cwd/a"}));

TEST(FileMessageTest, NamesTheAbsolutePathAndTheSystemsText) {
  EXPECT_EQ(zav::CannotOpenMessage("/x/../lib/a.svg", ENOENT),
            "Cannot open file \"/lib/a.svg\". No such file or directory");
  EXPECT_EQ(zav::CannotCreateMessage("/out/LIBSVG.txt", EACCES),
            "Cannot create file \"/out/LIBSVG.txt\". Permission denied");
}

}  // namespace

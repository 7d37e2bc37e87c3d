// A fresh folder per test, removed afterwards, with helpers to put and read files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zavtest {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "zavtest-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    // Give back write rights that a test took away, so that removal goes through.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
      }
    }
    std::filesystem::remove_all(root_, ec);
  }

  // Path text of a file or folder below the root.
  std::string Path(const std::string& relative = "") const {
    return relative.empty() ? root_.string() : (root_ / relative).string();
  }

  // Writes bytes to a file below the root, making its folders.
  std::string Put(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  std::string MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(root_ / relative);
    return (root_ / relative).string();
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  }

  static bool IsRoot() { return geteuid() == 0; }

  std::filesystem::path root_;
};

}  // namespace zavtest

// A build as "実行" runs it, for the start sequence and batch tests: a definition
// database with Japanese captions, an SVG folder, an output folder, the five inputs in a
// view, scripted dialogs and a private runtime folder.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>

#include "platform/failure.h"
#include "tests/frontend/launch_fakes.h"
#include "tools/mdb/mdb_writer.h"
#include "frontend/start_sequence.h"
#include "tests/support/library_read_back.h"
#include "tests/support/temp_dir.h"

namespace zavtest {

using orlindo::Field;
namespace mdb = zav::mdb;

inline constexpr const char* kSymbol =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"15\" height=\"15\">"
    "<circle cx=\"7.5\" cy=\"7.5\" r=\"6\"/></svg>\n";

// A build as "実行" runs it: a definition database, an SVG folder, an output folder,
// the five inputs in a view and scripted dialogs.
class BuildFixture : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    setenv("XDG_RUNTIME_DIR", MakeFolder("run").c_str(), 1);
    setenv("XDG_STATE_HOME", Path("state").c_str(), 1);
    SetInputs(MakeFolder("svg"), MakeFolder("out"), "korimo");
    view_.SetFieldText(Field::Kihonmdb, QString::fromStdString(Path("定義.mdb")));
    view_.SetFieldText(Field::Copyright, QStringLiteral("© 地図会社"));
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_STATE_HOME");
    TempDirTest::TearDown();
  }

  void SetInputs(const std::string& svg, const std::string& out, const std::string& name) {
    svg_ = svg;
    out_ = out;
    view_.SetFieldText(Field::SVGFolder, QString::fromStdString(svg));
    view_.SetFieldText(Field::OutFolder, QString::fromStdString(out));
    view_.SetFieldText(Field::Uniqkey, QString::fromStdString(name));
  }

  // Rows of T_main: svgname, category, caption; IDs in the given order.
  void WriteDefinitions(const std::vector<std::array<const char*, 3>>& rows, bool withCaption = true) {
    mdb::Table table{"T_main", {{"ID", mdb::ColumnType::Long}, {"svgname"}, {"category"}}, {}};
    if (withCaption) table.columns.push_back({"caption"});
    std::int32_t id = 0;
    for (const auto& row : rows) {
      mdb::Row values{++id, std::string(row[0]), std::string(row[1])};
      if (withCaption) values.push_back(std::string(row[2]));
      table.rows.push_back(std::move(values));
    }
    mdb::WriteDatabase(mdb::Database{{table}}, Path("定義.mdb"));
  }

  void Symbol(const std::string& relative) { Put(svg_.substr(root_.string().size() + 1) + "/" + relative, kSymbol); }

  bool Run(const QString& resource = QString::fromUtf16(orlindo::kCompilerResource)) {
    return orlindo::RunStartSequence(view_, dialogs_, connection_, resource);
  }
  std::string RunFailing(const QString& resource = QString::fromUtf16(orlindo::kCompilerResource)) {
    try {
      Run(resource);
    } catch (const zav::Failure& failure) {
      return failure.message;
    }
    return "no failure";
  }

  std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) names.push_back(entry.path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string svg_, out_;
  zavtest::RecordingView view_;
  zavtest::RecordingDialogs dialogs_;
  orlindo::Connection connection_;
};

}  // namespace zavtest

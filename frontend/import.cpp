#include "frontend/import.h"

#include <algorithm>
#include <optional>

#include "platform/codepage.h"
#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/path_text.h"
#include "platform/private_profile.h"
#include "platform/sys_error.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

std::string Text(const View& view, Field field) { return view.FieldText(field).toStdString(); }

void WriteDescriptorKey(const std::string& key, const std::string& value, const std::string& path) {
  if (!zav::WritePrivateProfileString(std::string("INFO"), key, OneLine(value), path)) {
    zav::Fail(path + " に書き込めません");
  }
}

void FlushDescriptor(const std::string& path) {
  if (!zav::WritePrivateProfileString(std::nullopt, std::nullopt, std::nullopt, path)) {
    zav::Fail(path + " に書き込めません");
  }
}

}  // namespace

std::string OneLine(std::string_view value) {
  std::string line;
  line.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += value[i];
    }
  }
  return line;
}

void WriteCopyrightFile(const std::string& svgFolder, const std::string& copyright) {
  const std::string path = zav::JoinPathText(svgFolder, "copyright.txt");
  std::string bytes;
  if (zav::AnsiCodePageHasMark()) bytes += zav::kUtf8Mark;
  bytes += zav::EncodeAnsi(copyright);
  bytes += "\r\n";

  zav::UniqueFd file;
  if (const int error = zav::TryCreateFile(path, {.disposition = zav::Disposition::CreateAlways}, file);
      error != 0) {
    zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" を作成できません。" + zav::SystemErrorText(error));
  }
  const auto cannotWrite = [&path](int error) {
    zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" に書き込めません。" + zav::SystemErrorText(error));
  };
  if (const int error = zav::TryWriteAll(file.get(), bytes); error != 0) cannotWrite(error);
  if (const int error = file.Close(); error != 0) cannotWrite(error);
}

QString MissingFilesText(const std::vector<std::string>& missing) {
  QString text = QStringLiteral("次のファイルが見つかりませんでした");
  text += QStringLiteral("\r\r");
  for (const std::string& path : missing) {
    text += QString::fromStdString(path);
    text += QStringLiteral("\r\n");
  }
  return text;
}

void ImportDefinitions(View& view, Dialogs& dialogs, Connection& ADOConnectionMain) {
  std::vector<std::string> missing;
  view.SetStatusText(QStringLiteral("データベースに接続中.."));

  const std::string databasePath = Text(view, Field::Kihonmdb);
  if (ConnectDatabase(databasePath, "", "", ADOConnectionMain) == -1) {
    // The file went away after the input checks. Going on would read the database of an
    // earlier import through the connection string it left behind.
    zav::Fail("ファイル \"" + zav::AbsolutePathText(databasePath) + "\" が見つかりません");
  }

  {
    // The provider has one kind of dataset: client-side, fetched whole, read-only, which
    // covers the keyset cursor, optimistic locking and text command asked for here.
    Dataset dataset(ADOConnectionMain);
    OpenTable(dataset, "T_main", "", "ORDER BY ID");
    dataset.First();
    const int rowCount = dataset.RecordCount();
    for (int row = 0; row < rowCount; ++row) {
      const std::string svgFolder = Text(view, Field::SVGFolder);
      const std::string svgName = SvgNameFromField(dataset.FieldByName("svgname"));
      const std::string svgPath = zav::JoinPathText(svgFolder, svgName + ".svg");
      const std::optional<std::string> descriptor = DescriptorNameOf(svgName);
      if (descriptor && zav::IsExistingFile(svgPath)) {
        const std::string descriptorPath = zav::JoinPathText(svgFolder, *descriptor);
        WriteDescriptorKey("CATEGORY", dataset.FieldByName("category"), descriptorPath);
        WriteDescriptorKey("CAPTION", dataset.FieldByName("caption"), descriptorPath);
        FlushDescriptor(descriptorPath);
      } else {
        missing.push_back(svgPath);
      }
      dataset.Next();
    }
    dataset.Close();
  }
  ADOConnectionMain.Close();

  WriteCopyrightFile(Text(view, Field::SVGFolder), Text(view, Field::Copyright));

  if (!missing.empty()) dialogs.Show(Notice::Warning, MissingFilesText(missing));
  view.SetStatusText(QStringLiteral("処理完了."));
}

}  // namespace orlindo

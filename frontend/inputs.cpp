#include "frontend/inputs.h"

#include <optional>

#include "platform/dir_listing.h"
#include "platform/name_rules.h"

namespace orlindo {
namespace {

std::string PathText(const View& view, Field field) { return view.FieldText(field).toStdString(); }

}  // namespace

int CheckInputs(View& view, Dialogs& dialogs) {
  int failures = 0;
  std::optional<Field> firstFailed;
  const auto check = [&](Field field, bool passes, const QString& warning) {
    if (passes) return;
    dialogs.Show(Notice::Warning, warning);
    ++failures;
    if (!firstFailed) firstFailed = field;
  };
  check(Field::Kihonmdb, zav::IsExistingFile(PathText(view, Field::Kihonmdb)),
        QStringLiteral("定義データベースを正しく指定してください"));
  check(Field::SVGFolder, zav::IsExistingFolder(PathText(view, Field::SVGFolder)),
        QStringLiteral("SVGファイルフォルダを正しく指定してください"));
  check(Field::OutFolder, zav::IsExistingFolder(PathText(view, Field::OutFolder)),
        QStringLiteral("出力フォルダを正しく指定してください"));
  // The name becomes a file name in the output folder and the first field of every index
  // line: one that could leave the folder or split a line fails this same check.
  const QString name = view.FieldText(Field::Uniqkey);
  check(Field::Uniqkey, zav::IsValidLibraryName(name.toStdString()),
        name.isEmpty() ? QStringLiteral("ライブラリユニーク名を正しく指定してください")
                       : QStringLiteral("ライブラリユニーク名を正しく指定してください"
                                        "（「/」「\\」と制御文字は使えません。「.」「..」だけの名前も使えません）"));
  check(Field::Copyright, !view.FieldText(Field::Copyright).isEmpty(),
        QStringLiteral("Copyrightを正しく指定してください"));
  if (firstFailed) view.FocusField(*firstFailed);
  return -failures;
}

}  // namespace orlindo

#include "frontend/inputs.h"

#include "platform/dir_listing.h"

namespace orlindo {
namespace {

std::string PathText(const View& view, Field field) { return view.FieldText(field).toStdString(); }

}  // namespace

int CheckInputs(const View& view, Dialogs& dialogs) {
  int failures = 0;
  const auto check = [&](bool passes, const QString& warning) {
    if (passes) return;
    dialogs.Show(Notice::Warning, warning);
    ++failures;
  };
  check(zav::IsExistingFile(PathText(view, Field::Kihonmdb)),
        QStringLiteral("定義データベースを正しく指定してください"));
  check(zav::IsExistingFolder(PathText(view, Field::SVGFolder)),
        QStringLiteral("SVGファイルフォルダを正しく指定してください"));
  check(zav::IsExistingFolder(PathText(view, Field::OutFolder)),
        QStringLiteral("出力フォルダを正しく指定してください"));
  check(!view.FieldText(Field::Uniqkey).isEmpty(),
        QStringLiteral("ライブラリユニーク名を正しく指定してください"));
  check(!view.FieldText(Field::Copyright).isEmpty(),
        QStringLiteral("Copyrightを正しく指定してください"));
  return -failures;
}

}  // namespace orlindo

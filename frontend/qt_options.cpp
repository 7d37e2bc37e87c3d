#include "frontend/qt_options.h"

#include <string_view>

namespace orlindo {
namespace {

struct QtOption {
  std::string_view name;  // without its dash
  bool takesValue;
};
// QGuiApplication, QApplication and the xcb platform plugin of Qt 6.
constexpr QtOption kQtOptions[] = {
    {"platform", true},    {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true},      {"qwindowgeometry", true},    {"qwindowtitle", true},
    {"qwindowicon", true}, {"geometry", true},           {"title", true},
    {"icon", true},        {"session", true},            {"style", true},
    {"stylesheet", true},  {"display", true},            {"name", true},
    {"visual", true},      {"reverse", false},           {"testability", false},
    {"widgetcount", false}, {"nograb", false},           {"dograb", false},
};
// Options that carry their value after "=" in the same argument.
constexpr std::string_view kQtValueOptions[] = {"style=", "stylesheet=", "qmljsdebugger="};

// How many arguments from this one on are Qt's: 0 when it is not one of its options.
int QtOptionLength(const QString& argument) {
  if (argument.size() < 2 || argument[0] != u'-' || argument[1] == u'-') return 0;
  const QByteArray name = argument.mid(1).toUtf8();
  const std::string_view text(name.constData(), static_cast<std::size_t>(name.size()));
  for (const QtOption& option : kQtOptions) {
    if (text == option.name) return option.takesValue ? 2 : 1;
  }
  for (std::string_view prefix : kQtValueOptions) {
    if (text.starts_with(prefix)) return 1;
  }
  return 0;
}

}  // namespace

QStringList WithoutQtOptions(const QStringList& arguments) {
  QStringList ours;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const int length = i == 0 ? 0 : QtOptionLength(arguments[i]);
    if (length == 0) {
      ours << arguments[i];
    } else {
      i += length - 1;
    }
  }
  return ours;
}

}  // namespace orlindo

#include "frontend/batch.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

#include "platform/codepage.h"
#include "frontend/env.h"
#include "frontend/error_box.h"
#include "frontend/qt_options.h"
#include "frontend/start_sequence.h"
#include "platform/version.h"

namespace orlindo {
namespace {

struct InputOption {
  Field field;
  const char* name;
  const char* valueName;
};
constexpr InputOption kInputOptions[] = {
    {Field::Kihonmdb, "mdb", "FILE"},  {Field::SVGFolder, "svg", "DIR"},
    {Field::OutFolder, "out", "DIR"},  {Field::Uniqkey, "name", "NAME"},
    {Field::Copyright, "copyright", "TEXT"},
};

void Print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

}  // namespace

bool WantsConsole(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return ParseCommandLine(arguments).mode != CommandLine::Mode::Window;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  const QCommandLineOption batch(QStringLiteral("batch"));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOption(batch);
  parser.addOption(help);
  parser.addOption(version);
  for (const InputOption& option : kInputOptions) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), QString(),
                                        QString::fromLatin1(option.valueName)));
  }

  CommandLine line;
  auto usage = [&](const QString& error) {
    line.mode = CommandLine::Mode::Usage;
    line.error = error;
    return line;
  };
  if (!parser.parse(WithoutQtOptions(arguments))) return usage(parser.errorText());
  if (parser.isSet(help)) {
    line.mode = CommandLine::Mode::Help;
    return line;
  }
  if (parser.isSet(version)) {
    line.mode = CommandLine::Mode::Version;
    return line;
  }
  if (!parser.positionalArguments().isEmpty()) {
    return usage(QStringLiteral("Unexpected argument: ") + parser.positionalArguments().front());
  }
  for (const InputOption& option : kInputOptions) {
    const QString name = QString::fromLatin1(option.name);
    if (!parser.isSet(name)) continue;
    if (!parser.isSet(batch)) return usage(QStringLiteral("--%1 needs --batch").arg(name));
    line.inputs[static_cast<int>(option.field)] = parser.value(name);
  }
  line.mode = parser.isSet(batch) ? CommandLine::Mode::Batch : CommandLine::Mode::Window;
  return line;
}

QString BatchHelpText() {
  return QStringLiteral(
      "Usage: Orlindo                  the window\n"
      "       Orlindo --batch [--mdb FILE] [--svg DIR] [--out DIR] [--name NAME]\n"
      "               [--copyright TEXT]\n"
      "       Orlindo --help | --version\n"
      "\n"
      "Builds the symbol library NAME.zavlibsvg in the output folder DIR from the definition\n"
      "database FILE (Access 2000 .mdb, table T_main) and the SVG folder DIR, as \"実行\" in\n"
      "the window does, without showing a window.\n"
      "\n"
      "  --mdb FILE        the definition database\n"
      "  --svg DIR         the SVG folder\n"
      "  --out DIR         the output folder\n"
      "  --name NAME       the library unique name\n"
      "  --copyright TEXT  the copyright text\n"
      "  -h, --help        this text\n"
      "      --version     the version number\n"
      "\n"
      "An input without its option comes from the settings file, as the window last saved\n"
      "it ($XDG_CONFIG_HOME/Orlindo.ini, by default ~/.config/Orlindo.ini); the batch mode\n"
      "never writes that file. Every message the window would show in a dialog is printed\n"
      "as one line on standard error: its caption, \": \", its text.\n"
      "\n"
      "While it runs, the compiler is written to $XDG_RUNTIME_DIR/Orlindo/zavbuild (or\n"
      "Orlindo-<uid> in the temporary folder) and removed afterwards. The descriptor files\n"
      "and copyright.txt that the import writes into the SVG folder, and the side files\n"
      "that the compiler leaves in the output folder, are removed after the compile; files\n"
      "that were there before the build get their earlier bytes back. What the build will\n"
      "change is recorded first in $XDG_STATE_HOME/Orlindo (by default\n"
      "~/.local/state/Orlindo): SIGTERM, SIGINT or SIGHUP stop the build and put the\n"
      "folders back; after a crash or SIGKILL the next start of Orlindo does.\n"
      "\n"
      "Exit status: 0 the library was made; 1 it was not (a failed check, an import error,\n"
      "a failed compile); 2 a wrong command line.\n");
}

void BatchDialogs::Show(Notice kind, const QString& text) {
  QString caption;
  switch (kind) {
    case Notice::Warning: caption = QStringLiteral("警告"); break;
    case Notice::Information: caption = QStringLiteral("情報"); break;
    case Notice::Error: caption = errorCaption_; break;
  }
  static const QRegularExpression kLineBreaks(QStringLiteral("[\\r\\n]+"));
  QString line = text;
  while (line.endsWith(u'\r') || line.endsWith(u'\n')) line.chop(1);
  line.replace(kLineBreaks, QStringLiteral(" | "));
  Print(out_, caption + QStringLiteral(": ") + line + u'\n');
}

int RunBatch(const QStringList& arguments, std::FILE* out, std::FILE* err, const QString& compilerResource) {
  const QString program = arguments.isEmpty() ? QStringLiteral("Orlindo")
                                              : QFileInfo(arguments.front()).fileName();
  const CommandLine line = ParseCommandLine(arguments);
  switch (line.mode) {
    case CommandLine::Mode::Help:
      Print(out, BatchHelpText());
      return kBatchLibraryMade;
    case CommandLine::Mode::Version:
      Print(out, QStringLiteral("Orlindo ") +
                     QString::fromUtf8(zav::kVersion.data(), static_cast<qsizetype>(zav::kVersion.size())) + u'\n');
      return kBatchLibraryMade;
    case CommandLine::Mode::Window:
    case CommandLine::Mode::Usage:
      Print(err, QStringLiteral("%1: %2\n"
                                "Usage: %1 [--batch [OPTION]... | --help | --version]\n"
                                "Try '%1 --help'.\n")
                     .arg(program, line.mode == CommandLine::Mode::Usage ? line.error
                                                                        : QStringLiteral("--batch missing")));
      return kBatchUsage;
    case CommandLine::Mode::Batch:
      break;
  }

  BatchView view;
  BatchDialogs dialogs(err, ApplicationTitle());
  bool made = false;
  try {
    RunReportingFailures(dialogs, [&] { RestoreUnfinishedBuilds(dialogs); });
    RunReportingFailures(dialogs, [&] {
      zav::AnsiCodePage();  // a ZAV_CODEPAGE that cannot be used is told before any file is read
      // The settings file only stands in for options not given: a build given all five
      // does not depend on it, nor fails for it.
      if (std::any_of(std::begin(line.inputs), std::end(line.inputs), [](const auto& input) { return !input; })) {
        LoadSettings(view, SettingsPath());
      }
      for (int field = 0; field < 5; ++field) {
        if (line.inputs[field]) view.SetFieldText(static_cast<Field>(field), *line.inputs[field]);
      }
      Connection ADOConnectionMain;
      made = RunStartSequence(view, dialogs, ADOConnectionMain, compilerResource);
    });
  } catch (const BuildInterrupted& stop) {
    EndInterruptedBuild(stop, err);
  }
  return made ? kBatchLibraryMade : kBatchFailed;
}

}  // namespace orlindo

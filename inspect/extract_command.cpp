// zavinspect extract LIB DIR: every symbol as "<name>.svg" (its content exactly) with
// its descriptor "<name>.svg.inf", and "copyright.txt" (the stored bytes), so that
// zavbuild of DIR gives the same library again for a flat tree. Everything is checked
// and written in a hidden folder first; DIR sees the files only when all are whole,
// and nothing in it is ever replaced.
#include <map>
#include <string>
#include <vector>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "inspect/staging_folder.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "platform/sys_error.h"
#include "platform/unicode.h"
#include "reader/member_reader.h"

namespace zav::inspect {
namespace {

using reader::IndexSymbol;
using reader::Problem;
using reader::Severity;

constexpr std::size_t kNameMaxBytes = 255;  // of one file name on Linux
constexpr std::string_view kSvgExtension = ".svg";
constexpr std::string_view kDescriptorExtension = ".svg.inf";
constexpr std::string_view kCopyrightFile = "copyright.txt";

std::string SymbolWhere(const IndexSymbol& symbol) {
  return "symbol \"" + symbol.name + "\" (index line " + std::to_string(symbol.line) + ")";
}

// Why the name cannot be a file name inside DIR, if it cannot. ".svg" follows every
// name, so "." and ".." are the files "..svg" and "...svg", which the compiler reads.
std::optional<std::string> NameFault(const std::string& name) {
  if (name.find('/') != std::string::npos) return "its name holds \"/\"";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return byte == 0 ? "its name holds NUL" : "its name holds a control character";
  }
  if (name.size() + kDescriptorExtension.size() > kNameMaxBytes) {
    return "its name is too long for a file name (" + std::to_string(name.size()) + " bytes)";
  }
  return std::nullopt;
}

bool BlankAtAnEnd(const std::string& value) {
  return !value.empty() && (static_cast<unsigned char>(value.front()) <= 0x20 ||
                            static_cast<unsigned char>(value.back()) <= 0x20);
}

// The descriptor as the compiler reads it back: UTF-8 with its mark, CR LF.
std::string DescriptorBytes(const IndexSymbol& symbol) {
  std::string bytes(kUtf8Mark);
  bytes += "[INFO]\r\nCATEGORY=" + symbol.category + "\r\nCAPTION=" + symbol.caption + "\r\n";
  if (!symbol.aliases.empty()) bytes += "UniqueID=" + symbol.aliases.front() + "\r\n";
  return bytes;
}

// What extraction would lose or cannot do; problems stop it before anything is written.
std::vector<Problem> Check(const reader::Library& library, const StagingFolder& staging, const std::string& dir) {
  std::vector<Problem> found;
  std::map<std::string, const IndexSymbol*> byName;
  const auto inTarget = [&](const std::string& name) {
    if (staging.ExistsInTarget(name)) found.push_back({Severity::Problem, JoinPathText(dir, name), "exists already"});
  };
  inTarget(std::string(kCopyrightFile));
  for (const IndexSymbol& symbol : library.symbols) {
    if (const auto fault = NameFault(symbol.name)) {
      found.push_back({Severity::Problem, SymbolWhere(symbol), *fault});
      continue;
    }
    const auto [first, added] = byName.emplace(symbol.name, &symbol);
    if (!added) {
      found.push_back({Severity::Problem, SymbolWhere(symbol),
                       "a second symbol of this name (first at index line " + std::to_string(first->second->line) + ")"});
      continue;
    }
    inTarget(symbol.name + std::string(kSvgExtension));
    inTarget(symbol.name + std::string(kDescriptorExtension));
    if (symbol.aliases.size() > 1) {
      found.push_back({Severity::Warning, SymbolWhere(symbol),
                       "a descriptor keeps one alias: \"" + symbol.aliases.front() + "\" is written, " +
                           Counted(symbol.aliases.size() - 1, "more alias") + " left out"});
    }
    if (BlankAtAnEnd(symbol.caption) || BlankAtAnEnd(symbol.category)) {
      found.push_back({Severity::Warning, SymbolWhere(symbol),
                       "the compiler trims a descriptor's values: blanks at the ends of the caption or category "
                       "will not come back"});
    }
  }
  return found;
}

void WriteAllTo(const UniqueFd& fd, std::span<const std::uint8_t> bytes, const std::string& pathText) {
  if (const int error = TryWriteAll(fd.get(), bytes); error != 0) {
    throw Failure(ErrorKind::Write, CannotCreateMessage(pathText, error));
  }
}

void Close(UniqueFd& fd, const std::string& pathText) {
  if (const int error = fd.Close(); error != 0) throw Failure(ErrorKind::Write, CannotCreateMessage(pathText, error));
}

void WriteFile(StagingFolder& staging, const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string pathText = JoinPathText(dir, name);
  UniqueFd fd = staging.Create(name);
  WriteAllTo(fd, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, pathText);
  Close(fd, pathText);
}

}  // namespace

int RunExtract(const Command& command, std::ostream& out, std::ostream& err) {
  const std::string& path = command.operands[0];
  const std::string& dir = command.operands[1];
  const reader::Library library = OpenSoundLibrary(path, command, err);
  StagingFolder staging(dir);
  const std::vector<Problem> found = Check(library, staging, dir);
  PrintProblems(err, path, found);
  if (reader::HasProblems(found)) {
    err << "zavinspect: nothing extracted\n";
    return 1;
  }

  const std::uint64_t maxContentBytes = ReadOptionsOf(command).maxContentBytes;
  reader::MemberReader member;
  for (const IndexSymbol& symbol : library.symbols) {
    const std::string svgName = symbol.name + std::string(kSvgExtension);
    const std::string svgPath = JoinPathText(dir, svgName);
    UniqueFd fd = staging.Create(svgName);
    const reader::Block& block = library.blocks[*symbol.block];
    try {
      member.Start(library.file, block.MemberAt(), block.length, maxContentBytes);
      for (auto piece = member.Next(); !piece.empty(); piece = member.Next()) WriteAllTo(fd, piece, svgPath);
    } catch (const reader::DamagedData& damage) {
      PrintProblem(err, path, {Severity::Problem, BlockWhere(library, *symbol.block), damage.what()});
      err << "zavinspect: nothing extracted\n";
      return 1;
    }
    Close(fd, svgPath);
    WriteFile(staging, dir, symbol.name + std::string(kDescriptorExtension), DescriptorBytes(symbol));
  }
  WriteFile(staging, dir, std::string(kCopyrightFile), library.copyright);
  staging.Commit();
  out << "Extracted " << Counted(library.symbols.size(), "symbol") << " into " << ConsoleText(dir) << '\n';
  return 0;
}

}  // namespace zav::inspect

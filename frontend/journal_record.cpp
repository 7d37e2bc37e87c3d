#include "frontend/journal_record.h"

#include "frontend/byte_fields.h"

namespace orlindo {
namespace {

// A journal is applied at a later start, perhaps by a later version: the head names the
// form, and a record counts only with its tail.
constexpr std::string_view kHead = "ORLINDO-JOURNAL-1\n";
constexpr std::string_view kTail = "END\n";

}  // namespace

std::string EncodeJournal(const JournalRecord& record) {
  std::string out(kHead);
  PutText(out, record.svgFolder);
  PutText(out, record.outFolder);
  PutU32(out, static_cast<std::uint32_t>(record.files.size()));
  for (const EarlierFile& file : record.files) {
    out.push_back(static_cast<char>(file.folder));
    PutText(out, file.relative);
    out.push_back(static_cast<char>(file.state));
    PutU32(out, file.mode);
    PutU64(out, file.bytes.size());
    out.append(file.bytes);
  }
  PutU32(out, static_cast<std::uint32_t>(record.outNames.size()));
  for (const std::string& name : record.outNames) PutText(out, name);
  out.append(kTail);
  return out;
}

std::optional<JournalRecord> DecodeJournal(std::string_view bytes) {
  FieldReader in(bytes);
  JournalRecord record;
  std::uint32_t fileCount = 0;
  if (!in.Take(kHead) || !in.Text(record.svgFolder) || !in.Text(record.outFolder) || !in.U32(fileCount)) {
    return std::nullopt;
  }
  // Each entry takes at least 18 bytes: a count beyond that is garbage, not a reason
  // for a huge allocation.
  if (fileCount > in.Left() / 18) return std::nullopt;
  record.files.resize(fileCount);
  for (EarlierFile& file : record.files) {
    std::uint8_t folder = 0, state = 0;
    std::uint64_t size = 0;
    if (!in.Byte(folder) || folder > static_cast<std::uint8_t>(BuildFolder::Out) || !in.Text(file.relative) ||
        !in.Byte(state) || state > static_cast<std::uint8_t>(EarlierFile::State::LeftAlone) || !in.U32(file.mode) ||
        !in.U64(size) || !in.Piece(size, file.bytes)) {
      return std::nullopt;
    }
    file.folder = static_cast<BuildFolder>(folder);
    file.state = static_cast<EarlierFile::State>(state);
  }
  std::uint32_t nameCount = 0;
  if (!in.U32(nameCount) || nameCount > in.Left() / 4) return std::nullopt;
  record.outNames.resize(nameCount);
  for (std::string& name : record.outNames) {
    if (!in.Text(name)) return std::nullopt;
  }
  if (!in.Take(kTail) || in.Left() != 0) return std::nullopt;
  return record;
}

}  // namespace orlindo

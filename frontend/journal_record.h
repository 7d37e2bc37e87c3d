// What a build changes in the user's folders, as plain data: every file it will write
// with the state that file had before, and the side files that already lay in the output
// folder. The build journal (build_journal.h) keeps it in memory for the clean-up and on
// disk for a restart after a crash; this unit also gives its byte form on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlindo {

enum class BuildFolder : std::uint8_t { Svg, Out };

struct EarlierFile {
  enum class State : std::uint8_t {
    Absent,      // no entry of that name: one made by the build is removed
    Regular,     // a regular file: its bytes and mode come back
    LeftAlone,   // a link or no regular file: never touched, never replaced
  };
  BuildFolder folder = BuildFolder::Svg;
  std::string relative;  // below the folder
  State state = State::Absent;
  std::uint32_t mode = 0;  // permission bits, for Regular
  std::string bytes;       // for Regular
};

struct JournalRecord {
  std::string svgFolder;  // absolute, links not resolved
  std::string outFolder;
  std::vector<EarlierFile> files;
  // Names at the top of the output folder that a build may add more of (side files, a
  // compiler's temporary file): those present before the build, which stay as they are.
  std::vector<std::string> outNames;
};

std::string EncodeJournal(const JournalRecord& record);

// nullopt for bytes that are not a whole record: cut short, garbled or of another kind.
std::optional<JournalRecord> DecodeJournal(std::string_view bytes);

}  // namespace orlindo

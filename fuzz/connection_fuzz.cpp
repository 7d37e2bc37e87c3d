// Any text as a connection string and as a query: each is read or refused with a
// Failure, never anything else. And the path the import puts into its connection
// string comes back out whole, or the string is refused: never another file.
#include <cstdint>
#include <string>

#include "frontend/connection_string.h"
#include "frontend/dbcreate.h"
#include "frontend/query_text.h"
#include "fuzz/fuzz_support.h"
#include "platform/failure.h"

namespace {

using zavfuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(zavfuzz::AsText(data, size));
  try {
    Require(!orlindo::DataSourceOf(text).empty(), "a data source is never empty");
  } catch (const zav::Failure&) {
  }
  try {
    const orlindo::TableQuery query = orlindo::ParseTableQuery(text);
    Require(!query.table.empty(), "a query names its table");
  } catch (const zav::Failure&) {
  }

  if (!text.empty()) {
    try {
      Require(orlindo::DataSourceOf(orlindo::BuildConnectionString(text, "", "")) == text,
              "the database path comes back whole");
    } catch (const zav::Failure&) {
    }
  }
  return 0;
}

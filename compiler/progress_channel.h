// How far a run is, for a program that starts zavbuild and shows it (the front end's
// status bar): with ZAV_PROGRESS_FD naming an open descriptor, the run writes lines
// "DONE/TOTAL" to it, symbols stored so far over descriptor files found. The console
// lines and the files written stay exactly as they are without it.
#pragma once

#include <cstdint>

namespace zav {

class ProgressChannel {
 public:
  // Off: no descriptor, or ZAV_PROGRESS_FD unset, not a number, 0 to 2 (the console's own
  // streams) or not an open descriptor.
  ProgressChannel() = default;
  explicit ProgressChannel(int fd) : fd_(fd) {}
  static ProgressChannel FromEnvironment();

  bool Active() const { return fd_ >= 0; }
  // Writes "0/TOTAL"; the count of files found before the scan, which a tree changed
  // meanwhile can make wrong: a count is never shown above its total.
  void Start(std::uint64_t total);
  // One more symbol stored; written about once per hundredth of the total, so that a
  // run of many small symbols does not pay a write each.
  void SymbolStored();
  // The last line, "DONE/DONE", once every symbol is stored.
  void Finish();

 private:
  void Write();

  int fd_ = -1;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  std::uint64_t nextWrite_ = 0;
  std::uint64_t writtenDone_ = 0;
};

}  // namespace zav

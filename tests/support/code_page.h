// Switches the code page in force for one test and puts the earlier one back. The
// programs read ZAV_CODEPAGE once per process, so a test that switches code pages
// within its process does it through the seam, not through the variable.
#pragma once

#include "platform/codepage.h"

namespace zavtest {

class ScopedCodePage {
 public:
  // codePage 65001 stands for ZAV_CODEPAGE unset or empty.
  explicit ScopedCodePage(int codePage) : before_(zav::OverrideAnsiCodePage(codePage)) {}
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;
  ~ScopedCodePage() { zav::OverrideAnsiCodePage(before_); }

 private:
  int before_;
};

}  // namespace zavtest

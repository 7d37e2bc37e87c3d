// Opening a path below a folder the user gave without ever leaving it: no symbolic link
// on the way or at the name, no "..". The kernel checks it in one step where it has
// openat2 (RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS); elsewhere the path is walked one
// folder at a time, each opened without following a link. Part of the file layer
// (platform/file_io.h), which is what callers use.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace zav {

// The part of pathText below folderText, as texts: pathText must start with the folder
// text itself and go on with "/"; the separators after it are dropped, "." for the
// folder itself. nullopt where pathText does not lie below the folder or holds "..".
std::optional<std::string> RelativeBelow(std::string_view folderText, std::string_view pathText);

// open(flags, mode) of `relative` below the folder opened as folderFd. Returns 0 or an
// errno: kThroughSymbolicLink for a link on the way, kIsSymbolicLink for one at the
// name, kOutsideFolder for a path that would leave. The opened file is not looked at
// further (the caller checks what it is).
[[nodiscard]] int TryOpenBeneath(int folderFd, const std::string& relative, int flags, mode_t mode, UniqueFd& fd);

// The same by the walk alone, as on a kernel without openat2; for tests of that path.
[[nodiscard]] int TryOpenBeneathByWalk(int folderFd, const std::string& relative, int flags, mode_t mode,
                                       UniqueFd& fd);

}  // namespace zav

// The one name pattern of the program's temporary files (a copy or a settings
// file being written, before it is renamed into place). The name carries the
// machine and the process that made it, so that one left behind by a killed
// run is recognised and removed by a later synchronization, while one a
// running sync is still writing, or a user's file that merely looks alike,
// is left alone.
#pragma once

#include <string>
#include <string_view>

namespace dm::platform {

// A fresh hidden name of that pattern (no separator in it).
std::string temporaryName();

// Whether the name is of that pattern: such a file is no item of a folder.
bool isTemporaryName(std::string_view name);

// Whether the name is of that pattern and its maker, a process of this
// machine, has ended: what it left can only be a leftover.
bool isLeftoverName(std::string_view name);

// The temporary path beside `target`: its folder and a fresh name.
std::string temporaryBeside(const std::string& target);

}  // namespace dm::platform

// The one name pattern of the program's temporary files (a copy or a settings
// file being written, before it is renamed into place), so that one left
// behind by a killed run is recognised: never taken for an item, and removed
// by a later synchronization.
#pragma once

#include <string>
#include <string_view>

namespace dm::platform {

// A fresh hidden name of that pattern (no separator in it).
std::string temporaryName();

bool isTemporaryName(std::string_view name);

// The temporary path beside `target`: its folder and a fresh name.
std::string temporaryBeside(const std::string& target);

}  // namespace dm::platform

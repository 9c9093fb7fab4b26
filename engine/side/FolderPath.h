// A folder as the engine hands it around.
#pragma once

#include <string>

namespace dm {

// A folder path as the engine hands it around: an existing folder, ending in
// the separator. False (normalized empty, error text set) when it is no folder.
bool normalizeFolder(const std::string& path, std::string& normalized, std::string& errorText);
// Why the folder at the path cannot be used, from the last error.
std::string folderErrorText(const std::string& path);

}  // namespace dm

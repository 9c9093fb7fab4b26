// Opening a file with the C library, with a failure's cause left as lastError().
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode);

// The whole content of a file that is this user's own: a regular file (never
// a link, a pipe or a device), owned by the user, writable by nobody else, and
// at most `maxBytes` long. False,
// without reading anything, for any other file.
bool readOwnFile(const std::string& path, uint64_t maxBytes, std::string& data);

}  // namespace dm::platform

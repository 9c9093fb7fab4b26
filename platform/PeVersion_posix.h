// Reading a file version through an open folder, for the listing.
#pragma once

#include "platform/PeVersion.h"

namespace dm::platform {

// The version of an entry of an open folder that is known to be a regular
// file, of the size the listing saw.
std::optional<FileVersion> readFileVersionAt(int folder, const char* name, std::optional<uint64_t> knownSize);

}  // namespace dm::platform

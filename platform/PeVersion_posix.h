// Reading a file version through an open folder, for the listing.
#pragma once

#include "platform/PeVersion.h"

namespace dm::platform {

// The version of an entry of an open folder that is known to be a regular
// file, of the size the listing saw.
std::optional<FileVersion> readFileVersionAt(int folder, const char* name, std::optional<uint64_t> knownSize);

// An executable's headers (DOS stub, PE header, section table) nearly always
// fit in its first KiB: one read of that much tells an executable from any
// other file and where its resources lie.
constexpr size_t kHeadBytes = 1024;

// The same, from the first `headBytes` bytes of the file, already read; the
// file is opened only when the version lies beyond them.
std::optional<FileVersion> versionFromHead(int folder, const char* name, uint64_t size, const uint8_t* head,
                                           size_t headBytes);

}  // namespace dm::platform

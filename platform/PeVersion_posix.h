// Reading a file version through an open folder, for the listing.
#pragma once

#include "platform/PeVersion.h"

namespace dm::platform {

// The version of an entry of an open folder that is known to be a regular
// file, of the size the listing saw.
std::optional<FileVersion> readFileVersionAt(int folder, const char* name, std::optional<uint64_t> knownSize);

// The headers of almost every executable fit in the first block, so one read
// of that much usually answers the whole question.
constexpr size_t kHeadBytes = 1024;

// The same, from the first `headBytes` bytes of the file, already read; the
// file is opened only when the version lies beyond them.
std::optional<FileVersion> versionFromHead(int folder, const char* name, uint64_t size, const uint8_t* head,
                                           size_t headBytes);

}  // namespace dm::platform

// The "last error" of the calling thread, as the platform calls leave it.
#pragma once

#include <string>

namespace dm::platform {

// Codes of our own, beside the system's.
constexpr int kNotARegularFile = -1001;  // a file was expected: a pipe, a device or a folder is there
constexpr int kLinkInPath = -1002;       // a symbolic link stands where a folder was expected
constexpr int kFolderReplaced = -1003;   // the folder written into is no longer the one compared
constexpr int kNameTaken = -1004;        // the place is held already (a twin a case-blind folder takes for it)
constexpr int kSourceChanged = -1005;    // the source changed while it was copied

// The error code of the last failing platform call on this thread.
int lastError();
void setLastError(int code);

// Whether the code says only that nothing is at the path (or a part of it is
// no folder), rather than why something there cannot be reached.
bool isNotFound(int code);

// The system's description of an error code ("" when it has none).
std::string systemMessage(int code);

}  // namespace dm::platform

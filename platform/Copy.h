// Copying one file or one folder over another place, the way synchronization
// needs it: nothing asked, nothing half-written, nothing outside the target.
#pragma once

#include <string>

namespace dm::platform {

// Copies `source` (a file, a folder with all it holds, or a symbolic link, which
// is copied as a link) to `target`, the path of the copy itself. Missing folders
// above the target are created and an existing folder is merged into. A file
// is written beside its target and renamed over it only when complete, so the
// old file survives any failure. A target that is a symbolic link is replaced,
// never followed. Modification times and permission bits travel with the copy.
// Returns 0, or the error code of the first failure (the rest is still copied).
int copyItem(const std::string& source, const std::string& target);

}  // namespace dm::platform

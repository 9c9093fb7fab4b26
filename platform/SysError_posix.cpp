#include <cerrno>
#include <cstring>

#include "platform/SysError.h"

namespace dm::platform {

namespace {
thread_local int tLastError = 0;
}

int lastError()
{
    return tLastError;
}

void setLastError(int code)
{
    tLastError = code;
}

bool isNotFound(int code)
{
    return code == ENOENT || code == ENOTDIR;
}

std::string systemMessage(int code)
{
    if (code == 0) return {};
    if (code == kNotARegularFile) return "not a regular file";
    if (code == kLinkInPath) return "a symbolic link stands where a folder was expected";
    if (code == kFolderReplaced) return "folder B is no longer the folder that was compared (replaced or a link now)";
    if (code == kNameTaken)
        return "B holds an item of that name already (a folder that ignores case takes both names for one)";
    if (code == kSourceChanged) return "the file in A changed while it was copied";
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

}  // namespace dm::platform

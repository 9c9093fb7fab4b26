#include "platform/OpenFile.h"
#include "platform/Win32.h"

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode)
{
    // The runtime opens with CreateFileA, whose error stays the thread's last one.
    SetLastError(ERROR_SUCCESS);
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_OPEN_FAILED);
    return file;
}

}  // namespace dm::platform

#include <cerrno>

#include "platform/OpenFile.h"
#include "platform/SysError.h"

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode)
{
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) setLastError(errno);
    return file;
}

}  // namespace dm::platform

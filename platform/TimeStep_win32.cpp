#include "platform/TimeStep.h"
#include "platform/Win32.h"

namespace dm::platform {

FolderMedia mediaOf(const std::string& folder, bool)
{
    char root[MAX_PATH + 1] = {};
    char type[MAX_PATH + 1] = {};
    if (!GetVolumePathNameA(folder.c_str(), root, sizeof root) ||
        !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, type, sizeof type))
        return {};
    const std::string name(type);
    if (name == "FAT" || name == "FAT32") return {20000000, 0, false, 0, 0};
    if (name == "exFAT") return {100000, 0, false, 0, 0};
    return {};
}

}  // namespace dm::platform

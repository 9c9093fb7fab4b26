#include "platform/TimeStep.h"
#include "platform/Win32.h"

namespace dm::platform {

uint64_t timeStepOf(const std::string& folder, bool)
{
    char root[MAX_PATH + 1] = {};
    char type[MAX_PATH + 1] = {};
    if (!GetVolumePathNameA(folder.c_str(), root, sizeof root) ||
        !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, type, sizeof type))
        return 1;
    const std::string name(type);
    if (name == "FAT" || name == "FAT32") return 20000000;
    if (name == "exFAT") return 100000;
    return 1;
}

}  // namespace dm::platform

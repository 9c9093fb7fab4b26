#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/Faults.h"

namespace dm::test {

SmallDisk::SmallDisk(const std::string& folder) : MountedBy(folder, "mount -t tmpfs -o size=64k tmpfs '" + folder + "'")
{
}

MountedBy::MountedBy(std::string folder, const std::string& command) : folder_(std::move(folder))
{
    struct stat inside {};
    struct stat above {};
    mounted_ = std::system((command + " >/dev/null 2>&1").c_str()) == 0 && stat(folder_.c_str(), &inside) == 0 &&
               stat((folder_ + "/..").c_str(), &above) == 0 && inside.st_dev != above.st_dev;
}

MountedBy::~MountedBy()
{
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}

bool setImmutable(const std::string& path, bool immutable)
{
    const std::string command = std::string("chattr ") + (immutable ? "+i '" : "-i '") + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

std::optional<std::string> setVariable(const std::string& name, const std::optional<std::string>& value)
{
    const char* old = std::getenv(name.c_str());
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
    return saved;
}

}  // namespace dm::test

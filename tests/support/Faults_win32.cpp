#include <cstdlib>

#include "platform/FindData.h"
#include "platform/Win32.h"
#include "tests/support/Faults.h"

namespace dm::test {

SmallDisk::SmallDisk(const std::string& folder) : MountedBy(folder, {}) {}

MountedBy::MountedBy(std::string folder, const std::string&) : folder_(std::move(folder)) {}

MountedBy::~MountedBy() = default;

bool setImmutable(const std::string& path, bool immutable)
{
    // The read-only attribute guards a file; a folder's is only a hint to the shell.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & platform::FILE_ATTRIBUTE_DIRECTORY)) return false;
    return SetFileAttributesA(path.c_str(), immutable ? platform::FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

std::optional<std::string> setVariable(const std::string& name, const std::optional<std::string>& value)
{
    const char* old = std::getenv(name.c_str());
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    _putenv_s(name.c_str(), value ? value->c_str() : "");
    return saved;
}

}  // namespace dm::test

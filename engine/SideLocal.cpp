// A folder of this machine: listed and read here.
#include "engine/Comp.h"
#include "engine/Side.h"
#include "platform/TimeStep.h"

namespace dm {

namespace {

class LocalFolder : public Side {
public:
    bool list(dirCompare& comp, element_t& node, const std::string& itemName, std::string& error) const override
    {
        return comp.scanTree(node, error, itemName);
    }

    platform::FolderMedia media(const std::string& path, bool mayWrite) const override
    {
        return platform::mediaOf(path, mayWrite);
    }
};

}  // namespace

std::unique_ptr<Side> localFolderSide()
{
    return std::make_unique<LocalFolder>();
}

}  // namespace dm

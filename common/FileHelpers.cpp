#include "common/FileHelpers.h"

#include "common/Messages.h"
#include "platform/Copy.h"
#include "platform/Listing.h"
#include "platform/PeVersion.h"
#include "platform/SysError.h"

namespace dm {

std::string systemErrorText(const std::string& text)
{
    return text + " : " + platform::systemMessage(platform::lastError());
}

int shellCopy(const std::string& source, const std::string& target)
{
    return platform::copyItem(source, target);
}

uint64_t fileSize(const std::string& path)
{
    return platform::itemSize(path);
}

std::string fileVersionText(const std::string& path)
{
    return versionText(platform::readFileVersion(path));
}

std::string versionText(const std::optional<platform::FileVersion>& v)
{
    if (!v) return messageText(msg::NoVersion);
    return std::to_string(v->major) + "." + std::to_string(v->minor) + "." + std::to_string(v->build) + "." +
           std::to_string(v->revision);
}

}  // namespace dm

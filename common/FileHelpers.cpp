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

std::string withCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
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

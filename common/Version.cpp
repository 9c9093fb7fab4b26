#include "common/Version.h"

#include <string>

#include "common/FileHelpers.h"
#include "common/Messages.h"

namespace dm {

std::string versionLine(const std::string& program)
{
    std::string line = program + " " + kVersion;
    if (*kCommit) line += std::string(" (") + kCommit + ")";
    return line;
}

std::string programVersionText(const std::string& programFile)
{
    // A Windows program carries its version as a resource; elsewhere the
    // build's own version stands in for it.
    const std::string text = fileVersionText(programFile);
    return text == messageText(msg::NoVersion) ? std::string(kVersion) : text;
}

}  // namespace dm

#include "platform/ChildProcess.h"

namespace dm::platform {

struct ChildProcess::Impl {};

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() = default;

bool ChildProcess::start(const std::vector<std::string>&, std::string& error, const std::string&, const StopSignal*,
                         const StopSignal*)
{
    error = "folders on another machine are not supported by this build";
    return false;
}

std::FILE* ChildProcess::output()
{
    return nullptr;
}

int ChildProcess::finish(std::string& errors, std::chrono::milliseconds)
{
    errors.clear();
    return 255;
}

void ChildProcess::stop() {}

bool startDetached(const std::vector<std::string>& command)
{
    (void)command;
    return false;  // desktop notices are freedesktop's; this build has none to start
}

// Windows' ssh shares no connections between calls.
PrivateFolder::PrivateFolder() = default;
PrivateFolder::~PrivateFolder() = default;

}  // namespace dm::platform

#include "platform/VersionProbes.h"

namespace dm::platform {

struct VersionProbes::State {};

VersionProbes::VersionProbes() = default;
VersionProbes::~VersionProbes() = default;

void VersionProbes::request(const std::string& folder, const std::string& name, uint64_t size, Receiver receiver)
{
    receiver(size < kMinExecutableSize ? std::nullopt : readFileVersion(folder + name));
}

void VersionProbes::finish() {}

}  // namespace dm::platform

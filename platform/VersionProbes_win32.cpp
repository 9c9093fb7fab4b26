#include "platform/VersionProbes.h"

namespace dm::platform {

struct VersionProbes::State {};

VersionProbes::VersionProbes() = default;
VersionProbes::~VersionProbes() = default;

void VersionProbes::request(const FolderListing& listing, Receiver receiver)
{
    receiver(listing.fileVersion());
}

void VersionProbes::finish() {}

}  // namespace dm::platform

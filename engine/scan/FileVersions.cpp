// Reading file versions, and the cache of those read before.
#include "engine/scan/FileVersions.h"

#include <algorithm>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/side/RunControl.h"
#include "platform/Listing.h"
#include "platform/PeVersion.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/VersionCache.h"

namespace dm {

namespace {

platform::VersionKey keyOf(const element_t& file, const platform::FileIdentity& identity)
{
    return {identity, file.size(), platform::fileTimeValue(file.findData.ftLastWriteTime)};
}

}  // namespace

FileVersions::FileVersions(std::string cachePath, const RunControl* control)
    : cachePath_(std::move(cachePath)), control_(control)
{
}

FileVersions::~FileVersions() = default;

void FileVersions::open()
{
    if (cached() && !cache_) cache_ = std::make_unique<platform::VersionCache>(cachePath_);
}

void FileVersions::lookUp(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files)
{
    if (files.empty() || !cached()) return;
    open();
    std::vector<platform::VersionKey> keys;
    keys.reserve(files.size());
    for (const auto& [file, identity] : files) keys.push_back(keyOf(*file, identity));
    cache_->prefetch(keys);
    for (size_t i = 0; i < files.size(); ++i) {
        element_t& file = *files[i].first;
        std::optional<platform::FileVersion> version;
        if (cache_->find(keys[i], version, file.versionEntry)) {
            file.version = versionText(version);
            file.versionEntry = 0;
        }
    }
}

void FileVersions::Batch::add(element_t& file)
{
    if (file.isFolder || !file.version.empty()) return;
    const std::string_view name = platform::lastComponent(file.path);
    const std::string folder = file.path.substr(0, file.path.size() - name.size());
    platform::VersionCache* const cache = versions_.cache_.get();
    probes_.request(folder, std::string(name), file.size(),
                    [cache, target = &file](const std::optional<platform::FileVersion>& version) {
                        target->version = versionText(version);
                        // A read that failed (a file locked for a moment) is tried again next time.
                        const int failure = platform::lastVersionReadFailure();
                        target->versionFailure = uint8_t(std::min(failure, 255));
                        if (cache && failure == 0) cache->store(target->versionEntry, version);
                    });
}

void FileVersions::readOf(element_t& folder)
{
    if (!folder.children || stopped()) return;
    Batch reads(*this);
    for (auto& child : *folder.children) reads.add(*child);
}

void FileVersions::readBelow(element_t& folder)
{
    if (!folder.children || stopped()) return;
    readOf(folder);
    for (auto& child : *folder.children) {
        if (child->isFolder) readBelow(*child);
    }
}

void FileVersions::save()
{
    if (cache_ && !cache_->save() && note_.empty())
        note_ = textIn("版本缓存未能保存: ", "the version cache was not saved: ") + cachePath_ + ": " +
                platform::systemMessage(platform::lastError());
}

bool FileVersions::stopped() const
{
    return control_ && control_->abortRequested();
}

}  // namespace dm

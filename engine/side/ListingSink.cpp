// The policy every listing shares, whatever its side.
#include "engine/side/ListingSink.h"

#include <algorithm>

#include "common/Messages.h"
#include "engine/side/RunControl.h"
#include "platform/Text.h"

namespace dm {

namespace {

// Upper-casing keeps every ASCII byte that is not a letter, and makes none
// from other bytes: an entry of such bytes alone (the separator that takes
// every path) is found in a path as it is.
bool caseless(const std::string& entry)
{
    return std::all_of(entry.begin(), entry.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x80 && !((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
    });
}

}  // namespace

bool isIncludedPath(const std::string& path, const StringList& include, const StringList& exclude)
{
    const bool asItIs =
        std::all_of(include.begin(), include.end(), caseless) && std::all_of(exclude.begin(), exclude.end(), caseless);
    std::string upperPath;
    if (!asItIs) upperPath = platform::upperCase(path);
    const auto occurs = [&](const std::string& entry) {
        if (entry.empty()) return false;
        if (asItIs) return path.find(entry) != std::string::npos;
        return upperPath.find(platform::upperCase(entry)) != std::string::npos;
    };
    return std::any_of(include.begin(), include.end(), occurs) && std::none_of(exclude.begin(), exclude.end(), occurs);
}

bool ListingSink::descends(const element_t& folder) const
{
    return scope_.subFolders && !isLinkedFolder(folder) && isIncludedPath(folder.path, scope_.include, scope_.exclude);
}

bool ListingSink::leftOut(const std::string& path) const
{
    return std::any_of(scope_.leftOut.begin(), scope_.leftOut.end(), [&](const std::string& folder) {
        return folder.size() == path.size() + 1 && folder.starts_with(path);
    });
}

bool ListingSink::count(int32_t entries, const std::string& where, std::string& error)
{
    const int32_t before = counted_;
    counted_ += entries;
    if (!progress_) return true;
    progress_->entriesCounted += entries;
    // Entries come fast: where they are is shown (and a stop looked for) once a thousand.
    if (before / 1024 == counted_ / 1024) return true;
    progress_->setText(messageText(msg::ProgressScanning) + where);
    if (!stopped()) return true;
    error = messageText(msg::UserAbort);
    return false;
}

bool ListingSink::entering(const std::string& folder, std::string& error)
{
    if (stopped()) {
        error = messageText(msg::UserAbort);
        return false;
    }
    if (progress_) progress_->setText(messageText(msg::ProgressScanning) + folder);
    return true;
}

void ListingSink::say(const std::string& text) const
{
    if (progress_) progress_->setText(text);
}

bool ListingSink::stopped() const
{
    return ended() || (progress_ && progress_->abortRequested());
}

const platform::StopSignal* ListingSink::stopSignal() const
{
    return progress_ ? &progress_->stopSignal() : nullptr;
}

bool ListingSink::skip(element_t& folder, const std::string& reason)
{
    if (!mayskip(folder.path, reason)) return false;
    folder.unreadable = std::make_unique<std::string>(reason);
    folder.children.reset();
    folder.count = 0;
    return true;
}

}  // namespace dm

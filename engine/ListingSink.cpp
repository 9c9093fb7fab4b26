// The policy every listing shares, whatever its side.
#include "engine/ListingSink.h"

#include "common/Messages.h"
#include "engine/RunControl.h"

namespace dm {

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

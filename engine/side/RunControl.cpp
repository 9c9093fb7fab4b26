#include "engine/side/RunControl.h"

#include "common/Messages.h"

namespace dm {

void RunControl::reset()
{
    stop_.clear();
    setText({});
    for (auto* counter : {&entriesCounted, &itemsCompared, &filesCopied, &filesToCopy, &bytesCopied, &bytesToCopy,
                          &bytesCompared, &bytesToCompare})
        *counter = 0;
}

void RunControl::setText(std::string text)
{
    if (onText && !text.empty()) {
        // Two sides are read at once: the hook hears one text at a time.
        const std::lock_guard lock(hookMutex_);
        onText(text);
    }
    const std::lock_guard lock(mutex_);
    text_ = std::move(text);
}

std::string RunControl::text() const
{
    const std::lock_guard lock(mutex_);
    return text_;
}

std::string RunControl::shownText() const
{
    const int64_t bytes = bytesCompared;
    if (bytes == 0) return text();
    return textIn("已比较 ", "compared ") + std::to_string(bytes >> 20) + " MiB  " + text();
}

platform::ContentReading readingFor(RunControl* progress)
{
    platform::ContentReading reading;
    if (progress) {
        reading.stop = [progress] { return progress->abortRequested(); };
        reading.progress = [progress](uint64_t bytes) { progress->bytesCompared += int64_t(bytes); };
    }
    return reading;
}

}  // namespace dm

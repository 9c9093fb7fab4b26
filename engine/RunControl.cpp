#include "engine/RunControl.h"

namespace dm {

void RunControl::reset()
{
    abort_ = false;
    setText({});
    for (auto* counter : {&entriesCounted, &itemsCompared, &filesCopied, &filesToCopy, &bytesCopied, &bytesToCopy})
        *counter = 0;
}

void RunControl::setText(std::string text)
{
    if (onText && !text.empty()) onText(text);
    const std::lock_guard lock(mutex_);
    text_ = std::move(text);
}

std::string RunControl::text() const
{
    const std::lock_guard lock(mutex_);
    return text_;
}

}  // namespace dm

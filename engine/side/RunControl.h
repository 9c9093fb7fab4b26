// What a long piece of engine work (a comparison, a refresh, a copy) shares
// with whoever started it, safely from another thread: the abort request, the
// latest progress text and counters. The engine only writes the text and the
// counters and reads the request; the caller polls the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/Contents.h"
#include "platform/StopSignal.h"

namespace dm {

class RunControl {
public:
    // Before each job: no abort requested, no text, every counter 0.
    void reset();

    void requestAbort() { stop_.trigger(); }
    bool abortRequested() const { return stop_.triggered(); }
    // The same request as a blocking wait sees it (a pipe from another program).
    const platform::StopSignal& stopSignal() const { return stop_; }

    void setText(std::string text);
    std::string text() const;
    // The text as a progress line shows it: with the bytes the content rule
    // has compared so far, once there are any.
    std::string shownText() const;

    // Each text as it is set, on the thread that sets it (one call at a
    // time): for tests that act at a given moment of the work. Set it before
    // the work starts.
    std::function<void(const std::string&)> onText;

    std::atomic<int64_t> entriesCounted{0};  // listing entries, as the limit counts them
    std::atomic<int64_t> itemsCompared{0};   // result nodes made
    std::atomic<int64_t> filesCopied{0};
    std::atomic<int64_t> filesToCopy{0};  // the copies planned, where known
    std::atomic<int64_t> bytesCopied{0};
    std::atomic<int64_t> bytesToCopy{0};  // the planned files' sizes (folders not included)
    // By the content rule, from each side: the pairs' bytes done (a pair
    // found different counts whole), and all there are to do once both
    // trees are listed.
    std::atomic<int64_t> bytesCompared{0};
    std::atomic<int64_t> bytesToCompare{0};

private:
    platform::StopSignal stop_;
    mutable std::mutex mutex_;
    std::mutex hookMutex_;
    std::string text_;
};

// How the content rule reads files for the work: stopped by its abort, its
// bytes counted (nothing of either without a run control).
platform::ContentReading readingFor(RunControl* progress);

}  // namespace dm

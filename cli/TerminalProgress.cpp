#include "cli/TerminalProgress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <future>
#include <string>
#include <thread>

#include "platform/Console.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

// Columns a UTF-8 text takes, counting wide (CJK) characters twice.
size_t columnsOf(const std::string& text, size_t begin)
{
    size_t columns = 0;
    for (size_t i = begin; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : std::max<size_t>(1, platform::utf8SequenceLength(text, i));
        columns += length >= 3 ? 2 : 1;
        i += length;
    }
    return columns;
}

// The end of the text that fits in `width` columns, cut at a character boundary.
std::string tailFitting(const std::string& text, size_t width)
{
    size_t begin = 0;
    while (begin < text.size() && columnsOf(text, begin) > width) {
        ++begin;
        while (begin < text.size() && (static_cast<unsigned char>(text[begin]) & 0xC0) == 0x80) ++begin;
    }
    return text.substr(begin);
}

}  // namespace

TerminalProgress::TerminalProgress() : visible_(platform::isTerminal(platform::Stream::Error))
{
    platform::catchInterrupts();
}

TerminalProgress::~TerminalProgress()
{
    clear();
}

void TerminalProgress::run(RunControl& control, const std::function<void()>& work)
{
    std::exception_ptr failure;
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished.set_value();
    });
    // After a stop the work winds down; work that shows no progress for two
    // seconds waits on something that will not answer, and the process ends.
    int64_t lastSeen = -1;
    auto lastMove = std::chrono::steady_clock::now();
    do {
        if (platform::interruptRequested()) {
            control.requestAbort();
            const int64_t seen = control.entriesCounted + control.itemsCompared + control.filesCopied +
                                 control.bytesCopied + control.bytesCompared;
            if (seen != lastSeen) {
                lastSeen = seen;
                lastMove = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - lastMove > std::chrono::seconds(2)) {
                clear();
                platform::endAfterInterrupt();
            }
        }
        if (std::lock_guard lock(asking_); question_) {
            clear();
            (*question_)();
            question_ = nullptr;
            answered_.set_value();
        }
        show(control.shownText());
    } while (done.wait_for(std::chrono::milliseconds(25)) != std::future_status::ready);
    worker.join();
    clear();
    if (failure) std::rethrow_exception(failure);
}

void TerminalProgress::ask(const std::function<void()>& question)
{
    std::future<void> answer;
    {
        std::lock_guard lock(asking_);
        answered_ = {};
        answer = answered_.get_future();
        question_ = &question;
    }
    answer.wait();
}

void TerminalProgress::show(const std::string& text)
{
    if (!visible_ || text.empty() || text == shown_) return;
    shown_ = text;
    const auto width = size_t(std::max(20, platform::terminalWidth() - 1));
    std::fprintf(stderr, "\r%s\x1b[K", tailFitting(text, width).c_str());
    std::fflush(stderr);
    dirty_ = true;
}

void TerminalProgress::clear()
{
    if (!dirty_) return;
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
    dirty_ = false;
    shown_.clear();
}

}  // namespace dm::cli

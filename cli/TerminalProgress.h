// The progress line of the command line: one line on standard error, kept up
// to date only when that is a terminal. Engine work runs on a thread of its
// own meanwhile; Ctrl-C (or a request to terminate) is its abort button.
#pragma once

#include <functional>
#include <future>
#include <mutex>
#include <string>

#include "engine/side/RunControl.h"

namespace dm::cli {

class TerminalProgress {
public:
    TerminalProgress();
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Runs the work on a thread of its own and returns when it is done; a few
    // dozen times a second shows the control's latest text and passes an
    // interrupt on as its abort request. The line is removed at the end.
    void run(RunControl& control, const std::function<void()>& work);

    // Asks the user from the work's thread: the question is put on the thread
    // that called run(), with the progress line out of its way, and the work
    // waits for it.
    void ask(const std::function<void()>& question);

    // Removes the progress line, so that ordinary output starts on a clean line.
    void clear();

private:
    void show(const std::string& text);

    std::mutex asking_;
    const std::function<void()>* question_ = nullptr;  // put by ask(), answered by run()
    std::promise<void> answered_;
    bool visible_;
    bool dirty_ = false;
    std::string shown_;
};

}  // namespace dm::cli

// The progress label of the command line: one line on standard error, kept
// up to date only when that is a terminal. Ctrl-C is its abort button.
#pragma once

#include "engine/Progress.h"

namespace dm::cli {

class TerminalProgress : public ProgressLabel {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void setText(const std::string& text) override;
    int tag() const override;
    void setTag(int value) override { tag_ = value; }
    void processMessages() override {}

    // Removes the progress line, so that ordinary output starts on a clean line.
    void clear();

private:
    bool visible_;
    bool dirty_ = false;
    int tag_ = 0;
};

}  // namespace dm::cli

#include "cli/TerminalProgress.h"

#include <cstdio>
#include <string>

#include "platform/Console.h"

namespace dm::cli {

namespace {

// Columns a UTF-8 text takes, counting wide (CJK) characters twice.
size_t columnsOf(const std::string& text, size_t begin)
{
    size_t columns = 0;
    for (size_t i = begin; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
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

void TerminalProgress::setText(const std::string& text)
{
    if (!visible_) return;
    const auto width = size_t(std::max(20, platform::terminalWidth() - 1));
    std::fprintf(stderr, "\r%s\x1b[K", tailFitting(text, width).c_str());
    std::fflush(stderr);
    dirty_ = true;
}

int TerminalProgress::tag() const
{
    return tag_ != 0 || platform::interruptRequested() ? 1 : 0;
}

void TerminalProgress::clear()
{
    if (!dirty_) return;
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
    dirty_ = false;
}

}  // namespace dm::cli

#include "ui/presenter/PairSummary.h"

#include <cstdio>

#include "common/Messages.h"
#include "platform/SysError.h"

namespace dm {

namespace {

std::string encodingOf(const TextContent& text)
{
    return encodingName(text.codePage) + (text.crlf ? ", CRLF" : ", LF");
}

}  // namespace

std::string textSummary(const PairContent& content, bool hasA, bool hasB)
{
    const size_t blocks = content.diff.blocks.size();
    std::string text = std::to_string(blocks) + textIn(" 处不同", blocks == 1 ? " difference" : " differences");
    if (hasA && content.a) text += "    A: " + encodingOf(*content.a);
    if (hasB && content.b) text += "    B: " + encodingOf(*content.b);
    if (hasA && hasB && content.a && content.b && blocks == 0 &&
        (content.a->crlf != content.b->crlf || content.a->finalNewline != content.b->finalNewline))
        text += textIn("    (只有行尾不同)", "    (only the line ends differ)");
    if (!content.diff.aligned)
        text += textIn("    (不同的行太多, 按位置对照)", "    (too many lines differ to align: shown by position)");
    return text;
}

std::string offsetText(uint64_t offset)
{
    char text[48];
    std::snprintf(text, sizeof text, "0x%llx (%llu)", static_cast<unsigned long long>(offset),
                  static_cast<unsigned long long>(offset));
    return text;
}

std::string bytesSummary(const ByteDifference& first, bool hasA, bool hasB)
{
    if (first.error) return std::string(1, first.side) + ": " + platform::systemMessage(first.error);
    if (!hasA || !hasB) return textIn("只有一边有此文件", "The file is on one side only");
    if (!first.offset) return textIn("内容相同", "The contents are the same");
    return textIn("第一处不同在偏移 ", "First difference at offset ") + offsetText(*first.offset);
}

}  // namespace dm

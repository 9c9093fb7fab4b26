#include "engine/PairDiff.h"

#include <dtl/dtl.hpp>

#include "platform/FileRead.h"

namespace dm {

namespace {

bool isUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const size_t length = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::optional<TextContent> decodeText(std::string_view bytes)
{
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    TextContent text;
    std::string converted;
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (!isUtf8(bytes)) {
        if (!platform::gb18030ToUtf8(bytes, converted)) return std::nullopt;
        text.encoding = TextEncoding::Gb18030;
        bytes = converted;
    }
    text.finalNewline = bytes.ends_with('\n');
    size_t crlf = 0;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = bytes.find('\n', at);
        const bool ended = end != std::string_view::npos;
        if (!ended) end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        if (ended && line.ends_with('\r')) {
            line.remove_suffix(1);
            ++crlf;
        }
        text.lines.emplace_back(line);
        at = end + 1;
    }
    text.crlf = crlf > 0 && crlf * 2 >= text.lines.size();
    return text;
}

TextDiff diffLines(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    dtl::Diff<std::string, std::vector<std::string>> diff(a, b);
    diff.onHuge();
    diff.compose();
    TextDiff out;
    std::vector<int32_t> removed;
    std::vector<int32_t> added;
    // A run of removals and additions between common lines: changed lines
    // side by side, then what one side has more of.
    const auto flush = [&] {
        if (removed.empty() && added.empty()) return;
        out.blocks.push_back(out.rows.size());
        const size_t both = std::min(removed.size(), added.size());
        for (size_t i = 0; i < both; ++i) out.rows.push_back({RowKind::Changed, removed[i], added[i]});
        for (size_t i = both; i < removed.size(); ++i) out.rows.push_back({RowKind::Removed, removed[i], -1});
        for (size_t i = both; i < added.size(); ++i) out.rows.push_back({RowKind::Added, -1, added[i]});
        removed.clear();
        added.clear();
    };
    for (const auto& [line, info] : diff.getSes().getSequence()) {
        switch (info.type) {
            case dtl::SES_DELETE: removed.push_back(int32_t(info.beforeIdx - 1)); break;
            case dtl::SES_ADD: added.push_back(int32_t(info.afterIdx - 1)); break;
            default:
                flush();
                out.rows.push_back({RowKind::Same, int32_t(info.beforeIdx - 1), int32_t(info.afterIdx - 1)});
        }
    }
    flush();
    return out;
}

LineChange lineChange(std::string_view a, std::string_view b)
{
    size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
    // Back to a character's first byte, so that no character is cut in two.
    const auto inCharacter = [](std::string_view text, size_t at) {
        return at < text.size() && isContinuation(text[at]);
    };
    while (prefix > 0 && (inCharacter(a, prefix) || inCharacter(b, prefix))) --prefix;
    size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && isContinuation(a[a.size() - suffix])) --suffix;
    return {prefix, a.size() - suffix, prefix, b.size() - suffix};
}

ByteDifference firstDifferentByte(const std::string& pathA, const std::string& pathB, uint64_t from)
{
    ByteDifference found;
    std::string a;
    std::string b;
    uint64_t chunk = 64 * 1024;
    for (uint64_t at = from;; at += chunk, chunk = std::min<uint64_t>(chunk * 2, 8u << 20)) {
        if (const int error = platform::readFileRange(pathA, at, chunk, a)) return {std::nullopt, error, 'A'};
        if (const int error = platform::readFileRange(pathB, at, chunk, b)) return {std::nullopt, error, 'B'};
        const size_t both = std::min(a.size(), b.size());
        for (size_t i = 0; i < both; ++i) {
            if (a[i] != b[i]) {
                found.offset = at + i;
                return found;
            }
        }
        if (a.size() != b.size()) {
            found.offset = at + both;
            return found;
        }
        if (a.size() < chunk) return found;  // both ended, equal
    }
}

std::string hexRows(std::string_view bytes, uint64_t offset)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t row = 0; row < bytes.size(); row += 16) {
        const uint64_t at = offset + row;
        for (int shift = 28; shift >= 0; shift -= 4) out += digits[(at >> shift) & 0xF];
        out += "  ";
        for (size_t i = 0; i < 16; ++i) {
            if (row + i < bytes.size()) {
                const auto c = static_cast<unsigned char>(bytes[row + i]);
                out += digits[c >> 4];
                out += digits[c & 0xF];
                out += ' ';
            } else {
                out += "   ";
            }
            if (i == 7) out += ' ';
        }
        out += " |";
        for (size_t i = 0; i < 16 && row + i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[row + i]);
            out += c >= 0x20 && c < 0x7F ? char(c) : '.';
        }
        out += "|\n";
    }
    return out;
}

}  // namespace dm

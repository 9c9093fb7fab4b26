#include "engine/PairDiff.h"

#include <dtl/dtl.hpp>
#include <new>

#include "platform/FileRead.h"
#include "platform/Listing.h"
#include "platform/Text.h"

namespace dm {

namespace {

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
    if (!platform::isUtf8(bytes)) {
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

TextDiff diffLines(const std::vector<std::string>& a, const std::vector<std::string>& b, size_t alignLimit)
{
    TextDiff out;
    // The lines both files start and end with are the same rows whatever the
    // middle holds: only the middle goes through the diff, so that a large
    // file with a few changes costs about a pass over it.
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
    out.rows.reserve(std::max(a.size(), b.size()));
    for (size_t i = 0; i < head; ++i) out.rows.push_back({RowKind::Same, int32_t(i), int32_t(i)});
    if (a.size() + b.size() - 2 * (head + tail) > alignLimit) {
        // Too much differs to align in reasonable time: line by line, by position.
        out.aligned = false;
        bool inBlock = false;
        for (size_t i = head; i < std::max(a.size(), b.size()) - tail; ++i) {
            const bool inA = i < a.size() - tail;
            const bool inB = i < b.size() - tail;
            const RowKind kind = !inA           ? RowKind::Added
                                 : !inB         ? RowKind::Removed
                                 : a[i] == b[i] ? RowKind::Same
                                                : RowKind::Changed;
            if (kind != RowKind::Same && !inBlock) out.blocks.push_back(out.rows.size());
            inBlock = kind != RowKind::Same;
            out.rows.push_back({kind, inA ? int32_t(i) : -1, inB ? int32_t(i) : -1});
        }
        for (size_t i = tail; i > 0; --i)
            out.rows.push_back({RowKind::Same, int32_t(a.size() - i), int32_t(b.size() - i)});
        return out;
    }
    const std::vector<std::string> middleA(a.begin() + ptrdiff_t(head), a.end() - ptrdiff_t(tail));
    const std::vector<std::string> middleB(b.begin() + ptrdiff_t(head), b.end() - ptrdiff_t(tail));
    dtl::Diff<std::string, std::vector<std::string>> diff(middleA, middleB);
    diff.onHuge();
    diff.compose();
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
    const auto at = [head](long long index) { return int32_t(size_t(index - 1) + head); };
    for (const auto& [line, info] : diff.getSes().getSequence()) {
        switch (info.type) {
            case dtl::SES_DELETE: removed.push_back(at(info.beforeIdx)); break;
            case dtl::SES_ADD: added.push_back(at(info.afterIdx)); break;
            default: flush(); out.rows.push_back({RowKind::Same, at(info.beforeIdx), at(info.afterIdx)});
        }
    }
    flush();
    for (size_t i = tail; i > 0; --i) out.rows.push_back({RowKind::Same, int32_t(a.size() - i), int32_t(b.size() - i)});
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

namespace {

// The pair shown as bytes from its first difference: a few pages whatever its size.
PairContent asBytes(const std::string& pathA, const std::string& pathB)
{
    PairContent pair;
    pair.tooLarge = platform::itemSize(pathA) + platform::itemSize(pathB);
    pair.binary = true;
    if (!pathA.empty() && !pathB.empty()) pair.first = firstDifferentByte(pathA, pathB, 0);
    return pair;
}

PairContent readLines(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading,
                      uint64_t maxLineBytes);

}  // namespace

PairContent readPair(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading,
                     uint64_t maxLineBytes)
{
    try {
        return readLines(pathA, pathB, reading, maxLineBytes);
    } catch (const std::bad_alloc&) {
        return asBytes(pathA, pathB);
    }
}

namespace {

PairContent readLines(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading,
                      uint64_t maxLineBytes)
{
    constexpr uint64_t kFirstLook = 64 * 1024;
    constexpr uint64_t kChunk = 4u << 20;
    PairContent pair;
    std::string bytes[2];
    const std::string* paths[2] = {&pathA, &pathB};
    // A first look at each: a NUL byte makes the pair binary, and nothing more is read.
    for (int i = 0; i < 2; ++i) {
        if (paths[i]->empty()) continue;
        if (const int error = platform::readFileRange(*paths[i], 0, kFirstLook, bytes[i])) {
            pair.error = error;
            pair.side = i == 0 ? 'A' : 'B';
            return pair;
        }
        if (bytes[i].find('\0') != std::string::npos) {
            pair.binary = true;
            if (!pathA.empty() && !pathB.empty()) pair.first = firstDifferentByte(pathA, pathB, 0);
            return pair;
        }
    }
    if (platform::itemSize(pathA) + platform::itemSize(pathB) > maxLineBytes) return asBytes(pathA, pathB);
    for (int i = 0; i < 2; ++i) {
        if (paths[i]->empty()) continue;
        if (reading.progress) reading.progress(bytes[i].size());
        std::string chunk;
        // The rest in large pieces, a stop heard between them.
        for (bool more = bytes[i].size() == kFirstLook; more; more = chunk.size() == kChunk) {
            if (reading.stop && reading.stop()) {
                pair.stopped = true;
                return pair;
            }
            if (const int error = platform::readFileRange(*paths[i], bytes[i].size(), kChunk, chunk)) {
                pair.error = error;
                pair.side = i == 0 ? 'A' : 'B';
                return pair;
            }
            bytes[i] += chunk;
            if (reading.progress) reading.progress(chunk.size());
        }
    }
    const auto decoded = [&](int i) {
        return paths[i]->empty() ? std::optional<TextContent>(TextContent{}) : decodeText(bytes[i]);
    };
    pair.a = decoded(0);
    pair.b = decoded(1);
    if (!pair.a || !pair.b) {
        pair.binary = true;
        if (!pathA.empty() && !pathB.empty()) pair.first = firstDifferentByte(pathA, pathB, 0);
        return pair;
    }
    if (reading.stop && reading.stop()) {
        pair.stopped = true;
        return pair;
    }
    pair.diff = diffLines(pair.a->lines, pair.b->lines);
    return pair;
}

}  // namespace

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

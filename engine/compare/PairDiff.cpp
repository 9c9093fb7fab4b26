#include "engine/compare/PairDiff.h"

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

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool fromUtf16(std::string_view bytes, bool bigEndian, std::string& text)
{
    if (bytes.size() % 2 != 0) return false;
    const auto unit = [&](size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? uint32_t(first << 8 | second) : uint32_t(second << 8 | first);
    };
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size(); at += 2) {
        uint32_t c = unit(at);
        if (c >= 0xDC00 && c < 0xE000) return false;
        if (c >= 0xD800 && c < 0xDC00) {
            if (at + 3 >= bytes.size()) return false;
            const uint32_t low = unit(at + 2);
            if (low < 0xDC00 || low >= 0xE000) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        appendUtf8(text, c);
    }
    return true;
}

// Windows-1252's letters and signs where Latin-1 has control characters; 0: none there.
constexpr uint16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool fromSingleByte(std::string_view bytes, bool windows1252, std::string& text)
{
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) {
        uint32_t c = static_cast<unsigned char>(byte);
        if (windows1252 && c >= 0x80 && c < 0xA0) {
            c = kWindows1252High[c - 0x80];
            if (c == 0) return false;
        }
        appendUtf8(text, c);
    }
    return true;
}

bool decodeAs(std::string_view bytes, unsigned codePage, std::string& text)
{
    switch (codePage) {
        case kUtf16Le: return fromUtf16(bytes, false, text);
        case kUtf16Be: return fromUtf16(bytes, true, text);
        case kWindows1252: return fromSingleByte(bytes, true, text);
        case kLatin1: return fromSingleByte(bytes, false, text);
        case kGb18030: return platform::gb18030ToUtf8(bytes, text);
        default:
            if (bytes.find('\0') != std::string_view::npos) return false;
            return platform::decodeText(bytes, codePage, text);
    }
}

// Control characters other than tab, line ends, form feed and escape: in
// 8-bit text they are rare; in binary content without NUL bytes, common.
bool hasControlCharacters(std::string_view bytes)
{
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B) || c == 0x7F) return true;
    }
    return false;
}

// Where a byte order mark names the encoding: it, and the mark's length.
std::pair<unsigned, size_t> byteOrderMark(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) return {platform::kUtf8CodePage, 3};
    if (bytes.starts_with("\xFF\xFE")) return {kUtf16Le, 2};
    if (bytes.starts_with("\xFE\xFF")) return {kUtf16Be, 2};
    return {0, 0};
}

// Whether bytes with a NUL may still be text: UTF-16, asked for or marked.
bool mayBeText(std::string_view bytes, unsigned codePage)
{
    if (codePage == 0) codePage = byteOrderMark(bytes).first;
    return codePage == kUtf16Le || codePage == kUtf16Be || bytes.find('\0') == std::string_view::npos;
}

}  // namespace

std::string encodingName(unsigned codePage)
{
    switch (codePage) {
        case platform::kUtf8CodePage: return "UTF-8";
        case kGb18030: return "GB 18030";
        case kWindows1252: return "Windows-1252";
        case kLatin1: return "Latin-1";
        case kUtf16Le: return "UTF-16 LE";
        case kUtf16Be: return "UTF-16 BE";
        default: return "CP" + std::to_string(codePage);
    }
}

std::optional<TextContent> decodeText(std::string_view bytes, unsigned codePage)
{
    TextContent text;
    std::string converted;
    const auto [marked, markLength] = byteOrderMark(bytes);
    if (codePage == 0 || codePage == marked) bytes.remove_prefix(markLength);
    const auto fits = [&](unsigned candidate) {
        converted.clear();
        if (!decodeAs(bytes, candidate, converted)) return false;
        text.codePage = candidate;
        return true;
    };
    bool decoded = false;
    if (codePage != 0) {
        decoded = fits(codePage);
    } else if (marked != 0) {
        decoded = fits(marked);
    } else if (bytes.find('\0') == std::string_view::npos) {
        const unsigned legacy = platform::legacyCodePage();
        decoded =
            fits(platform::kUtf8CodePage) || fits(kGb18030) ||
            (!hasControlCharacters(bytes) && ((legacy != 0 && fits(legacy)) || fits(kWindows1252) || fits(kLatin1)));
    }
    if (!decoded) return std::nullopt;
    bytes = converted;
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
                      uint64_t maxLineBytes, unsigned codePage);

}  // namespace

PairContent readPair(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading,
                     uint64_t maxLineBytes, unsigned codePage)
{
    try {
        return readLines(pathA, pathB, reading, maxLineBytes, codePage);
    } catch (const std::bad_alloc&) {
        return asBytes(pathA, pathB);
    }
}

namespace {

PairContent readLines(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading,
                      uint64_t maxLineBytes, unsigned codePage)
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
        if (!mayBeText(bytes[i], codePage)) {
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
        return paths[i]->empty() ? std::optional<TextContent>(TextContent{}) : decodeText(bytes[i], codePage);
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

// What differs inside one pair of files: the lines of two texts, or the
// bytes of two binary files, as the pair view shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Contents.h"

namespace dm {

// The encodings a text is read in, by their code pages (UTF-8 is
// platform::kUtf8CodePage; the system's older one may be any other).
constexpr unsigned kGb18030 = 936;
constexpr unsigned kWindows1252 = 1252;
constexpr unsigned kLatin1 = 28591;
constexpr unsigned kUtf16Le = 1200;
constexpr unsigned kUtf16Be = 1201;
// An encoding's name as people know it ("GB 18030", "Windows-1252"…).
std::string encodingName(unsigned codePage);

// A file's content as lines of UTF-8, without their line ends.
struct TextContent {
    std::vector<std::string> lines;
    unsigned codePage = 65001;  // what it was read as
    bool crlf = false;          // its lines end with CR LF
    bool finalNewline = false;  // its last line ends with a line end
};

// The bytes as text in that code page, or with 0 in the first that fits:
// the one its byte order mark names, UTF-8, GB 18030, then for 8-bit text
// without control characters the system's older code page, Windows-1252 or
// Latin-1. None for binary content (a NUL byte outside UTF-16, or bytes that
// are not text in the encoding asked for).
std::optional<TextContent> decodeText(std::string_view bytes, unsigned codePage = 0);

enum class RowKind : uint8_t {
    Same,
    Changed,  // a line of A facing the line of B that replaced it
    Removed,  // a line of A only
    Added,    // a line of B only
};

// One row of the view: a line of A, of B, or of both (-1: none on that side).
struct DiffRow {
    RowKind kind = RowKind::Same;
    int32_t lineA = -1;
    int32_t lineB = -1;
};

struct TextDiff {
    std::vector<DiffRow> rows;
    std::vector<size_t> blocks;  // the first row of each run of rows that differ
    // False where the lines that differ were too many to align: they face
    // each other by position instead.
    bool aligned = true;
};

// Beyond this many differing lines (both sides together) the shortest edit
// script could take minutes: lines then face each other by position.
constexpr size_t kAlignLimit = 400000;

// The rows of A's and B's lines: the shortest edit script, with a removal
// followed by an addition shown as lines changed, side by side.
TextDiff diffLines(const std::vector<std::string>& a, const std::vector<std::string>& b,
                   size_t alignLimit = kAlignLimit);

// Where two lines that face each other differ: [begin, end) in each, at
// character boundaries, after what both start and end with.
struct LineChange {
    size_t beginA = 0, endA = 0;
    size_t beginB = 0, endB = 0;
};
LineChange lineChange(std::string_view a, std::string_view b);

// Binary content: the offset of the first byte at or after `from` where the
// two files differ (the shorter one's end counts), none when they are equal
// from there; reads them in step, no further than that byte's chunk. 0, or
// the system's error with its side ('A' or 'B').
struct ByteDifference {
    std::optional<uint64_t> offset;
    int error = 0;
    char side = 0;
};
ByteDifference firstDifferentByte(const std::string& pathA, const std::string& pathB, uint64_t from);

// A pair's two files read as the view needs them: the texts and their diff,
// or only that the content is binary (then no more than a first look at each
// file is read). A side's path empty: the file is on the other side only.
struct PairContent {
    bool binary = false;
    std::optional<TextContent> a;
    std::optional<TextContent> b;
    TextDiff diff;
    ByteDifference first;  // binary content on both sides: where it first differs
    int error = 0;         // the system's error reading side `side`
    char side = 0;
    bool stopped = false;
    // The pair's bytes where there were too many to compare line by line
    // (or memory ran out doing so): it is then shown as bytes. 0 otherwise.
    uint64_t tooLarge = 0;
};
// Lines take several times a file's bytes: beyond this a pair is shown as bytes.
constexpr uint64_t kMaxLinePairBytes = uint64_t(256) << 20;
// `codePage`: both files read in that encoding; 0: each in the one it fits.
PairContent readPair(const std::string& pathA, const std::string& pathB, const platform::ContentReading& reading = {},
                     uint64_t maxLineBytes = kMaxLinePairBytes, unsigned codePage = 0);

// Rows of 16 bytes as a hex view shows them: offset, bytes, characters.
std::string hexRows(std::string_view bytes, uint64_t offset);

}  // namespace dm

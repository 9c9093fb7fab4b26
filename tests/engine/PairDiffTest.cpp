#include <gtest/gtest.h>

#include "engine/compare/PairDiff.h"
#include "platform/Text.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

// A row as "kind lineA lineB", 1-based, "-" where a side has none.
std::string rowsOf(const std::string& a, const std::string& b)
{
    const auto textA = decodeText(a);
    const auto textB = decodeText(b);
    if (!textA || !textB) return "binary";
    std::string out;
    for (const DiffRow& row : diffLines(textA->lines, textB->lines).rows) {
        const char kinds[] = {'=', '*', '-', '+'};
        const auto line = [](int32_t n) { return n < 0 ? std::string("-") : std::to_string(n + 1); };
        out += std::string(1, kinds[int(row.kind)]) + line(row.lineA) + line(row.lineB) + ' ';
    }
    return out;
}

TEST(PairDiff, LinesChangedInsertedDeletedAndMovedFaceWhatTheyBecame)
{
    struct Case {
        const char* what;
        std::string a, b, rows;
    };
    const Case cases[] = {
        {"one line changed", "a\nb\nc\n", "a\nB\nc\n", "=11 *22 =33 "},
        {"a line inserted", "a\nc\n", "a\nb\nc\n", "=11 +-2 =23 "},
        {"a line deleted", "a\nb\nc\n", "a\nc\n", "=11 -2- =32 "},
        {"a block moved", "1\n2\n3\nx\ny\n", "x\ny\n1\n2\n3\n", "+-1 +-2 =13 =24 =35 -4- -5- "},
        {"CR LF against LF: the same lines", "a\r\nb\r\n", "a\nb\n", "=11 =22 "},
        {"no final line end", "a\nb", "a\nb\n", "=11 =22 "},
        {"GB 18030 against UTF-8", "\xd6\xd0\xce\xc4\n", "中文\n", "=11 "},
        {"a NUL byte makes it binary", std::string("a\0b", 3), "ab", "binary"},
    };
    for (const Case& c : cases) EXPECT_EQ(rowsOf(c.a, c.b), c.rows) << c.what;
}

TEST(PairDiff, PastTheAlignLimitLinesFaceEachOtherByPositionAndTheEndsStillMatch)
{
    const std::vector<std::string> a{"head", "1", "2", "3", "tail"};
    const std::vector<std::string> b{"head", "x", "2", "tail"};
    const TextDiff diff = diffLines(a, b, 4);
    EXPECT_FALSE(diff.aligned);
    std::string rows;
    for (const DiffRow& row : diff.rows) rows += std::to_string(int(row.kind));
    EXPECT_EQ(rows, "01020");  // same, changed, same, removed, same
    EXPECT_EQ(diff.blocks, (std::vector<size_t>{1, 3}));
    EXPECT_TRUE(diffLines(a, b, 5).aligned);
}

TEST(PairDiff, ABinaryPairIsToldByAFirstLookAndNeverReadWhole)
{
    test::TempDir dir;
    std::string bytes(1 << 20, 'x');
    bytes[10] = '\0';
    const std::string a = dir.file("a", bytes);
    bytes[500000] = 'y';
    const std::string b = dir.file("b", bytes);
    uint64_t readWhole = 0;
    platform::ContentReading reading;
    reading.progress = [&](uint64_t n) { readWhole += n; };
    const PairContent pair = readPair(a, b, reading);
    EXPECT_TRUE(pair.binary);
    EXPECT_EQ(pair.first.offset, 500000u);
    EXPECT_EQ(readWhole, 0u);
}

TEST(PairDiff, ATextPairTooLargeForLinesIsShownAsBytesWithItsSizeAndNeverReadWhole)
{
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
    const std::string a = dir.file("a", text);
    text[100000] = '#';
    const std::string b = dir.file("b", text);
    uint64_t readWhole = 0;
    platform::ContentReading reading;
    reading.progress = [&](uint64_t n) { readWhole += n; };
    const PairContent pair = readPair(a, b, reading, 2 * text.size() - 1);
    EXPECT_TRUE(pair.binary);
    EXPECT_EQ(pair.tooLarge, 2 * text.size());
    EXPECT_EQ(pair.first.offset, 100000u);
    EXPECT_EQ(readWhole, 0u);
    EXPECT_EQ(readPair(a, b, {}, 2 * text.size()).tooLarge, 0u) << "a pair at the bound is compared by lines";
}

TEST(PairDiff, TheTextSaysItsEncodingAndLineEnds)
{
    const auto gb = decodeText("\xd6\xd0\xce\xc4\r\n");
    ASSERT_TRUE(gb);
    EXPECT_TRUE(gb->crlf);
    EXPECT_TRUE(gb->finalNewline);
    const auto plain = decodeText("\xEF\xBB\xBFx\ny");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->lines, (std::vector<std::string>{"x", "y"}));
    EXPECT_FALSE(plain->crlf || plain->finalNewline);
}

// Text is read in the encoding it fits (or the one the user chose), and
// binary content is never taken for text.
TEST(PairDiff, EachEncodingIsFoundOrTakenAsAskedAndBinaryStaysBinary)
{
    const struct {
        std::string_view bytes;
        unsigned asked;
        unsigned found;  // 0: binary
        std::string firstLine;
    } cases[] = {
        {"\xEF\xBB\xBFx\ny", 0, platform::kUtf8CodePage, "x"},
        {"caf\xc3\xa9\n", 0, platform::kUtf8CodePage, "caf\xc3\xa9"},
        {"\xd6\xd0\xce\xc4\r\n", 0, kGb18030, "\xe4\xb8\xad\xe6\x96\x87"},
        {"caf\xe9 cr\xe8me\n", 0, kWindows1252, "caf\xc3\xa9 cr\xc3\xa8me"},
        {"\x93quoted\x94 text", 0, kWindows1252, "\xe2\x80\x9cquoted\xe2\x80\x9d text"},
        {std::string_view("\xFF\xFEh\0i\0\n\0", 8), 0, kUtf16Le, "hi"},
        {std::string_view("\xFE\xFF\0h\xd8\x3d\xde\x00", 8), 0, kUtf16Be, "h\xf0\x9f\x98\x80"},
        {"bin\x01\x02\x80\xff", 0, 0, ""},
        {std::string_view("a\0b", 3), 0, 0, ""},
        {"\xd6\xd0", kWindows1252, kWindows1252, "\xc3\x96\xc3\x90"},
        {"\x81", kWindows1252, 0, ""},
        {"\x81", kLatin1, kLatin1, "\xc2\x81"},
        {"\xEF\xBB\xBFx", kLatin1, kLatin1, "\xc3\xaf\xc2\xbb\xc2\xbfx"},
        {"caf\xe9", platform::kUtf8CodePage, 0, ""},
    };
    for (const auto& c : cases) {
        const auto text = decodeText(c.bytes, c.asked);
        const std::string shown = hexRows(c.bytes, 0);
        if (c.found == 0) {
            EXPECT_FALSE(text) << shown;
            continue;
        }
        ASSERT_TRUE(text) << shown;
        EXPECT_EQ(encodingName(text->codePage), encodingName(c.found)) << shown;
        if (!c.firstLine.empty()) {
            EXPECT_EQ(text->lines.at(0), c.firstLine) << shown;
        }
    }
}

TEST(PairDiff, ALineChangeNeverCutsACharacter)
{
    const LineChange ascii = lineChange("int x = 1;", "int x = 22;");
    EXPECT_EQ(std::make_pair(ascii.beginA, ascii.endA), std::make_pair(size_t(8), size_t(9)));
    EXPECT_EQ(std::make_pair(ascii.beginB, ascii.endB), std::make_pair(size_t(8), size_t(10)));
    // 中 and 乐 share their first byte: the change starts at the character.
    const LineChange wide = lineChange("中文", "乐字");
    EXPECT_EQ(wide.beginA, 0u);
    EXPECT_EQ(wide.endA, 6u);
    const LineChange same = lineChange("same", "same");
    EXPECT_EQ(same.beginA, same.endA);
}

TEST(PairDiff, TheFirstDifferentByteIsFoundFromAnyOffsetAndAShorterFileEndsThere)
{
    test::TempDir dir;
    std::string big(300000, 'x');
    const std::string a = dir.file("a", big);
    big[200001] = 'y';
    const std::string b = dir.file("b", big);
    const std::string shorter = dir.file("c", big.substr(0, 1000));
    EXPECT_EQ(firstDifferentByte(a, b, 0).offset, 200001u);
    EXPECT_FALSE(firstDifferentByte(a, b, 200002).offset);
    EXPECT_EQ(firstDifferentByte(b, shorter, 0).offset, 1000u);
    const ByteDifference missing = firstDifferentByte(a, dir / "none", 0);
    EXPECT_EQ(missing.side, 'B');
    EXPECT_NE(missing.error, 0);
    EXPECT_EQ(hexRows("AB\n", 0x10), "00000010  41 42 0a                                          |AB.|\n");
}

// The byte view reads in growing pieces (64 KiB, then twice as much each
// time): a difference or an end just below, at and above each piece's edge
// is found where it is.
TEST(PairDiff, TheFirstDifferenceIsFoundAroundEveryEdgeOfTheReadPieces)
{
    test::TempDir dir;
    const std::string same(500000, 'x');
    const std::string a = dir.file("a", same);
    for (const uint64_t edge : {uint64_t(65536), uint64_t(196608), uint64_t(458752)}) {
        for (const uint64_t at : {edge - 1, edge, edge + 1}) {
            std::string changed = same;
            changed[at] = 'y';
            const std::string b = dir.file("b", changed);
            EXPECT_EQ(firstDifferentByte(a, b, 0).offset, at);
            EXPECT_EQ(firstDifferentByte(a, b, at).offset, at);
            EXPECT_FALSE(firstDifferentByte(a, b, at + 1).offset) << at;
            // A copy that ends there: the shorter one's end is the difference.
            const std::string cut = dir.file("cut", same.substr(0, at));
            EXPECT_EQ(firstDifferentByte(a, cut, 0).offset, at);
            EXPECT_FALSE(firstDifferentByte(cut, dir.file("cut2", same.substr(0, at)), 0).offset) << at;
        }
    }
}

}  // namespace
}  // namespace dm

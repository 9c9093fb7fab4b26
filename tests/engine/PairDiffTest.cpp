#include <gtest/gtest.h>

#include "engine/PairDiff.h"
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
    EXPECT_EQ(gb->encoding, TextEncoding::Gb18030);
    EXPECT_TRUE(gb->crlf);
    EXPECT_TRUE(gb->finalNewline);
    const auto plain = decodeText("\xEF\xBB\xBFx\ny");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->encoding, TextEncoding::Utf8);
    EXPECT_EQ(plain->lines, (std::vector<std::string>{"x", "y"}));
    EXPECT_FALSE(plain->crlf || plain->finalNewline);
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

}  // namespace
}  // namespace dm

// The listing stream between two dirmatch programs: exact both ways, and a
// broken or hostile stream is refused with a reason, never half-believed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/side/Stream.h"
#include "tests/support/Compare.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::TempDir;

class Stream : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(English); }
    void TearDown() override { setLanguage(Chinese); }

    // The stream of folder A as the other machine writes it.
    std::string written(int32_t maxEntries = MaxScanCount)
    {
        std::string bytes;
        std::string error;
        EXPECT_TRUE(writeListingStream(
            a, upTo(maxEntries), {}, {},
            [&](std::string_view piece) {
                bytes += piece;
                return true;
            },
            error))
            << error;
        return bytes;
    }

    // Reads `bytes` as the listing of folder "/A/"; the error text, empty when it was read.
    std::string read(std::string bytes, element_t& root, ListingSink& sink)
    {
        root.path = a + test::kSep;
        root.isFolder = 1;
        std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
        std::string error;
        StreamFault fault;
        const bool ok = readListingStream(sink, root, in, media, error, fault);
        std::fclose(in);
        EXPECT_EQ(ok, error.empty()) << error;
        return error;
    }

    TempDir dir;
    std::string a = dir.folder("A");
    platform::FolderMedia media;  // what the last stream read said of its file system
};

// Every field of every element, and its place in the tree.
void expectSameTree(const element_t& scanned, const element_t& streamed)
{
    ASSERT_EQ(bool(scanned.children), bool(streamed.children)) << scanned.path;
    EXPECT_EQ(scanned.count, streamed.count) << scanned.path;
    if (!scanned.children) return;
    ASSERT_EQ(scanned.children->size(), streamed.children->size()) << scanned.path;
    for (size_t i = 0; i < scanned.children->size(); ++i) {
        const element_t& s = *(*scanned.children)[i];
        const element_t& r = *(*streamed.children)[i];
        EXPECT_EQ(s.path, r.path);
        EXPECT_EQ(s.isFolder, r.isFolder) << s.path;
        EXPECT_EQ(s.version, r.version) << s.path;
        EXPECT_EQ(s.shortName.str(), r.shortName.str()) << s.path;
        EXPECT_EQ(0, std::memcmp(&s.findData, &r.findData, sizeof s.findData)) << s.path;
        expectSameTree(s, r);
    }
}

TEST_F(Stream, EveryNameAndFieldOfATreeArrivesExactly)
{
    for (const char* name : {"trail ", "tab\t", "END", "BEGIN", "line\nbreak", "\r", "中文.txt", " lead", "a", "ab",
                             "abc", "sub/deeper/x", "sub/y"})
        dir.file(std::string("A/") + name, name, test::kTime + std::string(name).size());
    dir.file("A/tool.exe", test::peWithVersion(1, 2, 3, 4));
    test::setModified(a + "/sub", test::kTime - 86400 * 365 * 40);  // long before the files in it

    // A first look sets the access times, which then stay as they are.
    const auto scanned = [&] {
        auto scanner = std::make_unique<dirCompare>(
            test::request(a, std::string(), StringList{test::kSep}, StringList{}, kAllOptions), nullptr);
        std::string error;
        EXPECT_TRUE(scanner->scanFolder(scanner->rootA, error, {})) << error;
        return scanner;
    };
    scanned();
    const std::string bytes = written();
    const auto scanner = scanned();
    test::TestSink sink;
    element_t root;
    media.timeStep = 0;
    EXPECT_EQ(read(bytes, root, sink), "");
    expectSameTree(scanner->rootA, root);
    EXPECT_TRUE(media == platform::mediaOf(a, false)) << "the folder's file system, as its machine found it";
}

TEST_F(Stream, AStreamCutAnywhereOrBrokenIsRefusedWithItsReason)
{
    dir.lay({{"A/one", "1"}, {"A/sub/two", "2"}});
    const std::string whole = written();
    test::TestSink sink;
    for (size_t size = 0; size < whole.size(); ++size) {
        element_t root;
        EXPECT_NE(read(whole.substr(0, size), root, sink), "") << "cut at " << size;
    }

    const std::string open =
        "\x7f"
        "DMS" +
        std::string(1, char(kStreamVersion));
    const auto item = [](const std::string& name, char shared = 0) {
        return std::string("E\x01", 2) + shared + char(name.size()) + name + std::string(7, '\0');
    };
    const std::string first = std::string("B\0", 2) + item("f");
    const struct {
        std::string bytes;
        std::string said;
    } cases[] = {
        {"not a stream", "does not begin as one"},
        {open.substr(0, 4) + char(kStreamVersion + 1), "speaks stream version " + std::to_string(kStreamVersion + 1) +
                                                           ", this one needs " + std::to_string(kStreamVersion)},
        {open + std::string("M\0\0\0\0\0", 6), "impossible facts of the file system"},  // no time step
        {open + item("x"), "outside any folder"},
        {open + std::string("B\x05", 2), "a block for no folder listed"},
        {open + first + std::string("B\0", 2), "a block for no folder listed"},  // twice
        {open + first + item("x", 2), "a name of an impossible length"},         // shares more than there is
        {open + first.substr(0, 2) + item(".."), "an invalid name"},
        {open + first.substr(0, 2) + item("a/b"), "an invalid name"},
        {open + first.substr(0, 2) + item(std::string("a\0b", 3)), "an invalid name"},
        {open + first.substr(0, 2) + item(""), "an invalid name"},
        {open + first + "Q", "unknown record"},
        {open + first + std::string("E\x01\x00\xff\xff\xff\x7f", 8), "a name too long"},
        {open + first + std::string("E\x01\x00\x81\x20", 5) + std::string(4097, 'n'), "a name too long: 4097 bytes"},
        {open + first + std::string("E\x01\x00\x05nam", 7), "a record cut short"},
        {open + first + std::string("X\x04gone", 6), "gone"},
        {open + first +
             std::string("U\x01\x04"
                         "deny",
                         7) +
             std::string("Z\0", 2),
         "deny"},
    };
    for (const auto& c : cases) {
        element_t root;
        const std::string error = read(c.bytes, root, sink);
        EXPECT_NE(error.find(c.said), std::string::npos) << c.said << ": " << error;
    }
}

// Each level's path holds every level above it: without a bound, 20,000
// levels of 100-byte names would cost gigabytes for a stream of 2 MB (2,000
// levels here keep a failure of the bound affordable).
TEST_F(Stream, FoldersNestedPastTheLongestPathAreRefusedLongBeforeTheirMemoryGrows)
{
    std::string bytes(
        "\x7f"
        "DMS\x02",
        5);
    const std::string name(100, 'd');
    for (unsigned level = 0; level < 2000; ++level) {
        bytes += 'B';
        for (unsigned id = level;; id >>= 7) {  // LEB128
            bytes += char((id & 0x7F) | (id >= 0x80 ? 0x80 : 0));
            if (id < 0x80) break;
        }
        bytes += std::string("E\x01\x00", 3) + char(name.size()) + name + std::string(7, '\0');
    }
    bytes += std::string("Z\0", 2);
    test::TestSink sink;
    element_t root;
    const std::string error = read(bytes, root, sink);
    EXPECT_NE(error.find("a path too long"), std::string::npos) << error;
}

TEST_F(Stream, WhatTheOtherFileSystemKeepsArrivesBeforeTheListing)
{
    // A FAT stick: 2 s, no modes (ENOSYS), no holes, files shown as 0700, folders as 0755.
    const std::string bytes =
        "\x7f"
        "DMS" +
        std::string(1, char(kStreamVersion)) + std::string("M\x80\xda\xc4\x09\x26\x00\xc0\x03\xed\x03", 11) +
        std::string("B\0Z\0", 4);
    test::TestSink sink;
    element_t root;
    EXPECT_EQ(read(bytes, root, sink), "");
    EXPECT_TRUE(media == (platform::FolderMedia{20000000, 38, false, 0700, 0755}));
}

TEST_F(Stream, AFolderTheOtherSideCouldNotListIsSkippedOnlyWhereTheCallerSaysSo)
{
    const std::string bytes = std::string(
                                  "\x7f"
                                  "DMS\x02"
                                  "B\0E\x01\0\x03sub",
                                  14) +
                              std::string(7, '\0') + std::string("U\x01\x11Permission denied", 20) + "Z" + '\0';
    test::TestSink sink;
    std::string asked;
    sink.skips = [&](const std::string& folder, const std::string& reason) {
        asked = folder + ": " + reason;
        return true;
    };
    element_t root;
    EXPECT_EQ(read(bytes, root, sink), "");
    EXPECT_EQ(asked, a + "/sub: Permission denied");
    const element_t& sub = *(*root.children)[0];
    ASSERT_TRUE(sub.unreadable);
    EXPECT_FALSE(sub.children);
}

TEST_F(Stream, EachFileAskedForGetsItsDigestOrWhyNot)
{
    dir.lay({{"A/x", "same"}, {"A/sub/y", "same"}, {"A/z", "other"}});
    std::string bytes;
    writeDigestStream(a, {"4 x", "4 sub/y", "5 z", "4 z", "4 ../A/x", "4 missing", "x"},
                      [&](std::string_view piece) {
                          bytes += piece;
                          return true;
                      },
                      {});
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
    std::vector<DigestAnswer> answers;
    std::string error;
    StreamFault fault;
    ASSERT_TRUE(readDigestStream(in, 7, answers, error, fault)) << error;
    std::fclose(in);
    EXPECT_TRUE(answers[0].read && answers[1].read && answers[2].read);
    EXPECT_EQ(answers[0].digest, answers[1].digest);
    EXPECT_NE(answers[0].digest, answers[2].digest);
    EXPECT_EQ(answers[3].why, "the file changed while it was read");
    EXPECT_NE(answers[4].why.find("invalid request"), std::string::npos);
    EXPECT_NE(answers[5].why, "");
    EXPECT_NE(answers[6].why.find("invalid request"), std::string::npos);
}

}  // namespace
}  // namespace dm

#include <gtest/gtest.h>

#include <random>

#include "platform/PeVersion.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

std::optional<FileVersion> parse(const std::string& image)
{
    return parsePeVersion(reinterpret_cast<const uint8_t*>(image.data()), image.size());
}

TEST(PeVersion, ReadsTheFixedVersionOfPe32AndPe32Plus)
{
    for (const bool plus : {false, true}) {
        const auto v = parse(test::peWithVersion(1, 2, 0, 15, plus));
        ASSERT_TRUE(v);
        EXPECT_EQ(v->major, 1);
        EXPECT_EQ(v->minor, 2);
        EXPECT_EQ(v->build, 0);
        EXPECT_EQ(v->revision, 15);
    }
    const auto big = parse(test::peWithVersion(65535, 0, 65535, 1));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->major, 65535);
}

TEST(PeVersion, OnlyTheVersionResourceWithIdOneCountsAsTheSystemReadsIt)
{
    EXPECT_EQ(parse(test::peWithVersionIds({1}))->revision, 1);
    EXPECT_FALSE(parse(test::peWithVersionIds({102})));
    const auto both = parse(test::peWithVersionIds({102, 1}));
    ASSERT_TRUE(both);
    EXPECT_EQ(both->major, 2);  // the second entry, the one with ID 1
}

TEST(PeVersion, NoVersionWithoutAResourceOrWithABadSignature)
{
    EXPECT_FALSE(parse(test::peWithoutVersion()));
    std::string bad = test::peWithVersion(1, 2, 3, 4);
    bad[0x200 + 0x58 + 40] ^= 1;
    EXPECT_FALSE(parse(bad));
    EXPECT_FALSE(parse("MZ"));
    EXPECT_FALSE(parse(std::string(64, 'M')));
}

TEST(PeVersion, TruncatedOrCorruptImagesNeverReadOutOfBounds)
{
    const std::string good = test::peWithVersion(1, 2, 3, 4);
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        // A heap copy of exactly `cut` bytes lets the sanitizers see any overread.
        const std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
        parsePeVersion(part.data(), part.size());
    }
    std::mt19937 random(42);
    for (int round = 0; round < 2000; ++round) {
        std::string corrupt = good;
        for (int flips = 0; flips < 4; ++flips) corrupt[random() % corrupt.size()] = char(random());
        const std::vector<uint8_t> bytes(corrupt.begin(), corrupt.end());
        parsePeVersion(bytes.data(), bytes.size());
    }
}

// A version block that claims 0xFFFF bytes inside data of 0x1000, in a
// section of 0x400, with a key that never ends within the first 512 bytes.
std::string blockLongerThanItsData()
{
    std::string image = test::peWithVersion(1, 2, 3, 4);
    const auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) image[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    const size_t section = 0x40 + 24 + 224;
    put(section + 8, 0x400, 4);   // virtual size
    put(section + 16, 0x400, 4);  // raw size
    image.resize(0x200 + 0x400, 'A');
    put(0x200 + 0x48 + 4, 0x1000, 4);  // data size
    put(0x200 + 0x58, 0xFFFF, 2);      // block length
    for (size_t at = 0x200 + 0x58 + 6; at < image.size(); ++at) image[at] = 'A';
    return image;
}

TEST(PeVersion, ABlockClaimingMoreThanItsDataIsNeverReadPast)
{
    const std::string image = blockLongerThanItsData();
    const std::vector<uint8_t> exact(image.begin(), image.end());
    EXPECT_FALSE(parsePeVersion(exact.data(), exact.size()));
}

TEST(PeVersion, FilesFoldersAndSmallFiles)
{
    test::TempDir dir;
    EXPECT_TRUE(readFileVersion(dir.file("app.exe", test::peWithVersion(7, 8, 9, 10))));
    EXPECT_FALSE(readFileVersion(dir.file("notes.txt", std::string(100, 'a'))));
    EXPECT_FALSE(readFileVersion(dir.file("tiny", "MZ")));
    EXPECT_FALSE(readFileVersion(dir.folder("sub")));
    EXPECT_FALSE(readFileVersion(dir / "missing"));

    // The Windows build asks the system; what the parser reads here is what it answers.
    // Numbered other than 1, a version resource is none to the system either
    // (a resource compiler sorts the numbers, as the system expects).
    int index = 0;
    for (const std::string& image : {test::peWithVersionIds({1}), test::peWithVersionIds({102}),
                                     test::peWithVersionIds({1, 102}), test::peWithVersionIds({2, 102})}) {
        const auto read = readFileVersion(dir.file("ids.exe", image));
        const auto parsed = parse(image);
        ASSERT_EQ(read.has_value(), parsed.has_value()) << "image " << index;
        if (read) {
            EXPECT_EQ(read->major, parsed->major) << "image " << index;
        }
        ++index;
    }
}

}  // namespace
}  // namespace dm::platform

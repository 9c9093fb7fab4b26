#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/TestSeams.h"
#include "platform/VersionCache.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::TempDir;

VersionKey keyOf(uint64_t n)
{
    return {{8, 1000 + n, int64_t(1700000000000000000 + n)}, 4096 + n, 133000000000000000 + n};
}

// Makes a cache of n files, every third one without a version.
void fill(const std::string& path, uint64_t n)
{
    std::filesystem::remove(path);
    VersionCache cache(path);
    for (uint64_t i = 0; i < n; ++i) {
        std::optional<FileVersion> version;
        uint32_t entry = 0;
        ASSERT_FALSE(cache.find(keyOf(i), version, entry));
        cache.store(entry, i % 3 == 0 ? std::nullopt : std::optional(FileVersion{1, 2, uint16_t(i), 4}));
    }
    ASSERT_TRUE(cache.save());
    std::optional<FileVersion> version;
    uint32_t entry = 0;
    ASSERT_TRUE(n == 0 || cache.find(keyOf(n - 1), version, entry)) << "what was saved is what the cache finds next";
}

TEST(VersionCache, EveryOneOfManyEntriesIsFoundFromTwoThreadsAtOnce)
{
    TempDir dir;
    const std::string path = dir / "cache/versions.cache";
    constexpr uint64_t kEntries = 200000;
    fill(path, kEntries);
    VersionCache cache(path);
    std::atomic<uint64_t> found{0};
    std::atomic<uint64_t> wrong{0};
    const auto lookUp = [&](uint64_t from, uint64_t to) {
        for (uint64_t i = from; i < to; ++i) {
            std::optional<FileVersion> version;
            uint32_t entry = 0;
            if (!cache.find(keyOf(i), version, entry)) continue;
            ++found;
            if (version.has_value() == (i % 3 == 0) || (version && version->build != uint16_t(i))) ++wrong;
        }
    };
    std::thread other(lookUp, 0, kEntries / 2);
    lookUp(kEntries / 2, kEntries + 1000);  // the last thousand were never stored
    other.join();
    EXPECT_EQ(found, kEntries);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(cache.size(), kEntries + 1000);  // the misses wait for their versions
}

TEST(VersionCache, AVersionReadOnceIsKnownToTheNextRunAndOnlyForTheSameKey)
{
    TempDir dir;
    const std::string path = dir / "cache/versions.cache";
    fill(path, 100);
    VersionCache cache(path);
    std::optional<FileVersion> version;
    uint32_t entry = 0;
    ASSERT_TRUE(cache.find(keyOf(7), version, entry));
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->build, 7);
    ASSERT_TRUE(cache.find(keyOf(9), version, entry));
    EXPECT_FALSE(version.has_value());  // "no version" is remembered too

    // Any field that differs is another file, or the same file changed.
    const std::vector<void (*)(VersionKey&)> changes = {
        [](VersionKey& k) { ++k.identity.device; }, [](VersionKey& k) { ++k.identity.inode; },
        [](VersionKey& k) { ++k.identity.changeTime; }, [](VersionKey& k) { ++k.size; },
        [](VersionKey& k) { ++k.writeTime; }};
    for (size_t i = 0; i < changes.size(); ++i) {
        VersionKey key = keyOf(7);
        changes[i](key);
        EXPECT_FALSE(cache.find(key, version, entry)) << "change " << i;
    }
}

TEST(VersionCache, ADamagedOrForeignFileIsIgnoredAndMadeAnew)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    const std::vector<std::pair<const char*, void (*)(std::string&)>> damages = {
        {"cut short", [](std::string& d) { d.resize(d.size() - 3); }},
        {"another program's", [](std::string& d) { d[0] = 'X'; }},
        {"a count past the end", [](std::string& d) { d[8] = char(0xFF); }},
        {"empty", [](std::string& d) { d.clear(); }},
    };
    for (const auto& [what, damage] : damages) {
        fill(path, 10);
        std::string data = test::readFile(path);
        damage(data);
        test::writeFile(path, data);
        VersionCache cache(path);
        EXPECT_EQ(cache.size(), 0u) << what;
        std::optional<FileVersion> version;
        uint32_t entry = 0;
        EXPECT_FALSE(cache.find(keyOf(1), version, entry)) << what;
        cache.store(entry, FileVersion{5, 0, 0, 0});
        ASSERT_TRUE(cache.save()) << what;
        EXPECT_TRUE(VersionCache(path).find(keyOf(1), version, entry)) << what;
    }
}

TEST(VersionCache, AFileCutShortByAnotherProgramAsItIsReadIsNoCacheAndNoCrash)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    fill(path, 5000);
    testSeams().ownFileOpened = [](const std::string& opened) { std::filesystem::resize_file(opened, 64); };
    VersionCache cache(path);
    testSeams().ownFileOpened = nullptr;
    for (uint64_t i = 0; i < 5000; ++i) {
        std::optional<FileVersion> version;
        uint32_t entry = 0;
        ASSERT_FALSE(cache.find(keyOf(i), version, entry)) << i;
    }
}

TEST(VersionCache, KeepsAtMostItsCapacityAndNeverFilesWhoseVersionWasNotRead)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    {
        VersionCache cache(path, 50);
        for (uint64_t i = 0; i < 80; ++i) {
            std::optional<FileVersion> version;
            uint32_t entry = 0;
            cache.find(keyOf(i), version, entry);
            if (i % 2 == 0) cache.store(entry, FileVersion{});
        }
        ASSERT_TRUE(cache.save());
    }
    EXPECT_EQ(VersionCache(path, 50).size(), 40u);
    fill(path, 80);
    EXPECT_EQ(VersionCache(path, 50).size(), 0u) << "a file over the capacity is not ours";
    EXPECT_EQ(VersionCache(path).size(), 80u);
}

TEST(VersionCache, WhenFullTheRecordsLeastRecentlyUsedGoAndTheRestAreStillFound)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    const int64_t day = int64_t(86400) * 1000000000;
    const auto lookUp = [&](VersionCache& cache, uint64_t n) {
        std::optional<FileVersion> version;
        uint32_t entry = 0;
        const bool found = cache.find(keyOf(n), version, entry);
        if (!found) cache.store(entry, FileVersion{1, 0, uint16_t(n), 0});
        return found;
    };
    {
        VersionCache cache(path, 4);
        for (const uint64_t n : {10, 20, 30, 40}) lookUp(cache, n);  // day 0
        ASSERT_TRUE(cache.save());
    }
    {
        // A day later two of them are used again, and two new files come.
        testSeams().versionCacheClockShift = day;
        VersionCache cache(path, 4);
        EXPECT_TRUE(lookUp(cache, 30));
        EXPECT_TRUE(lookUp(cache, 10));
        EXPECT_FALSE(lookUp(cache, 5));
        EXPECT_FALSE(lookUp(cache, 35));
        ASSERT_TRUE(cache.save());
    }
    VersionCache cache(path, 4);
    testSeams().versionCacheClockShift = 0;
    for (const uint64_t n : {5, 10, 30, 35}) EXPECT_TRUE(lookUp(cache, n)) << n << " was used on the last day";
    for (const uint64_t n : {20, 40}) EXPECT_FALSE(lookUp(cache, n)) << n << " was least recently used";
}

TEST(VersionCache, ARecordWithAnyBitFlippedIsDroppedAndTheOthersStand)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    fill(path, 10);
    const std::string good = test::readFile(path);
    const size_t header = 32;
    const size_t slots = 4 * size_t(uint8_t(good[24]));  // after the records; fewer than 256 here
    const size_t record = (good.size() - header - slots) / 10;
    // Every bit of record 4 in turn: its key, its version, its state, its checksum.
    for (size_t bit = 0; bit < record * 8; bit += 3) {
        std::string data = good;
        data[header + 4 * record + bit / 8] ^= char(1 << (bit % 8));
        test::writeFile(path, data);
        VersionCache cache(path);
        std::optional<FileVersion> version;
        uint32_t entry = 0;
        EXPECT_FALSE(cache.find(keyOf(4), version, entry)) << "bit " << bit;
        ASSERT_TRUE(cache.find(keyOf(5), version, entry)) << "bit " << bit;
        EXPECT_EQ(version->build, 5);
    }
}

TEST(VersionCache, ADamagedTableOfSlotsNeitherHangsNorReadsPastItsRecords)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    // Every slot naming the first record (no free slot ends a search), or one past the last.
    for (const char* slot : {"\1\0\0\0", "\xff\xff\xff\x7f"}) {
        fill(path, 10);
        std::string data = test::readFile(path);
        const size_t slots = size_t(uint8_t(data[24]));
        for (size_t i = 0; i < slots; ++i) data.replace(data.size() - 4 * (i + 1), 4, std::string(slot, 4));
        test::writeFile(path, data);
        {
            VersionCache cache(path);
            std::optional<FileVersion> version;
            uint32_t entry = 0;
            EXPECT_FALSE(cache.find(keyOf(5), version, entry));
            cache.store(entry, FileVersion{1, 2, 5, 4});
            ASSERT_TRUE(cache.save());
        }
        VersionCache cache(path);
        for (uint64_t n = 0; n < 10; ++n) {
            std::optional<FileVersion> version;
            uint32_t entry = 0;
            EXPECT_TRUE(cache.find(keyOf(n), version, entry)) << n << ": the table is whole again once saved";
        }
    }
}

TEST(VersionCache, AFileChangedTooLatelyToBeToldFromTheNextChangeIsNeverTrusted)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    const auto now = int64_t(std::time(nullptr)) * 1000000000;
    const VersionKey recent{{8, 1, now}, 4096, 1};
    const VersionKey settled{{8, 2, now - 60 * int64_t(1000000000)}, 4096, 1};
    {
        VersionCache cache(path);
        for (const VersionKey& key : {recent, settled}) {
            std::optional<FileVersion> version;
            uint32_t entry = 0;
            ASSERT_FALSE(cache.find(key, version, entry));
            cache.store(entry, FileVersion{1, 0, 0, 0});
        }
        ASSERT_TRUE(cache.save());
    }
    VersionCache cache(path);
    std::optional<FileVersion> version;
    uint32_t entry = 0;
    EXPECT_TRUE(cache.find(settled, version, entry));
    EXPECT_FALSE(cache.find(recent, version, entry)) << "a file on a 1-second file system may change again unseen";
}

#ifndef _WIN32
// Owners, modes, links and pipes: what POSIX systems give anyone a hold on.
TEST(VersionCache, OnlyTheUsersOwnRegularFileIsRead)
{
    TempDir dir;
    const std::string path = dir / "versions.cache";
    fill(path, 10);
    const std::string good = test::readFile(path);
    std::filesystem::permissions(path, std::filesystem::perms::group_write, std::filesystem::perm_options::add);
    EXPECT_EQ(VersionCache(path).size(), 0u) << "a file others may write";
    std::filesystem::remove(path);
    test::writeFile(dir / "elsewhere", good);
    std::filesystem::create_symlink(dir / "elsewhere", path);
    EXPECT_EQ(VersionCache(path).size(), 0u) << "a link";
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(VersionCache(path).size(), 0u) << "a pipe nobody writes into: read without waiting";
    std::filesystem::remove(path);
    test::writeFile(path, good);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    EXPECT_EQ(VersionCache(path).size(), 0u) << "another user's file";
}
#endif

}  // namespace
}  // namespace dm::platform

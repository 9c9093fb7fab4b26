#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Time.h"
#include "tests/support/PeBuilder.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::TempDir;

std::vector<std::string> listNames(const std::string& folder, const std::string& name = {})
{
    FolderListing listing;
    WIN32_FIND_DATA rec;
    std::vector<std::string> names;
    if (!listing.first(folder, name, rec)) return names;
    do names.emplace_back(rec.cFileName);
    while (listing.next(rec));
    return names;
}

TEST(Listing, DotEntriesComeFirstThenNamesInUpperCaseOrder)
{
    TempDir dir;
    for (const char* n : {"b.txt", "A.txt", "_x", "a.TXT", "C"}) dir.file(n);
    EXPECT_EQ(listNames(dir.path() + "/"), (std::vector<std::string>{".", "..", "A.txt", "a.TXT", "b.txt", "C", "_x"}));
}

TEST(Listing, RecordCarriesAttributesSizeAndTimes)
{
    TempDir dir;
    dir.file("data.bin", std::string(5000, 'z'), test::kTime, 123456789);
    dir.folder("sub");
    dir.file(".hidden");
    FolderListing listing;
    WIN32_FIND_DATA rec;
    ASSERT_TRUE(listing.first(dir.path() + "/", "data.bin", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fileSizeOf(rec), 5000u);
    EXPECT_EQ(fileTimeValue(rec.ftLastWriteTime), uint64_t(test::kTime) * 10000000 + kUnixEpochTicks + 1234567);
    EXPECT_TRUE(listing.isRegularFile());

    ASSERT_TRUE(listing.first(dir.path() + "/", "sub", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(fileSizeOf(rec), 0u);
    ASSERT_TRUE(listing.first(dir.path() + "/", ".hidden", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
}

TEST(Listing, ASingleNameIsFoundWithoutRegardToCase)
{
    TempDir dir;
    dir.file("ReadMe.txt");
    dir.file("other");
    EXPECT_EQ(listNames(dir.path() + "/", "README.TXT"), std::vector<std::string>{"ReadMe.txt"});
    FolderListing listing;
    WIN32_FIND_DATA rec;
    EXPECT_FALSE(listing.first(dir.path() + "/", "missing", rec));
    EXPECT_EQ(lastError(), ENOENT);
}

TEST(Listing, LinksAreDescribedByTheirTargetAndMarked)
{
    TempDir dir;
    dir.file("target.txt", "12345");
    dir.folder("folder");
    std::filesystem::create_symlink(dir / "target.txt", dir / "link");
    std::filesystem::create_symlink(dir / "folder", dir / "folderlink");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    FolderListing listing;
    WIN32_FIND_DATA rec;
    ASSERT_TRUE(listing.first(dir.path() + "/", "link", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(fileSizeOf(rec), 5u);
    ASSERT_TRUE(listing.first(dir.path() + "/", "folderlink", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_TRUE(listing.first(dir.path() + "/", "dangling", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(fileSizeOf(rec), 0u);
    EXPECT_FALSE(listing.isRegularFile());
}

TEST(Listing, FailsOnMissingFoldersAndInjectedErrors)
{
    TempDir dir;
    FolderListing listing;
    WIN32_FIND_DATA rec;
    EXPECT_FALSE(listing.first(dir / "missing/", {}, rec));
    EXPECT_EQ(lastError(), ENOENT);

    dir.file(std::string(255, 'n'));  // the longest name Linux allows still fits the record
    EXPECT_TRUE(listing.first(dir.path() + "/", {}, rec));

    testSeams().failListing = [](const std::string&) { return EACCES; };
    EXPECT_FALSE(listing.first(dir.path() + "/", {}, rec));
    EXPECT_EQ(lastError(), EACCES);
    testSeams().failListing = nullptr;
}

TEST(Listing, VersionsReadAheadInBatchesEqualThoseReadOneByOne)
{
    TempDir dir;
    for (int i = 0; i < 600; ++i) {
        const std::string name = "f" + std::to_string(1000 + i);
        if (i % 50 == 0)
            dir.file(name, test::peWithVersion(1, 2, uint16_t(i), 4));
        else if (i % 7 == 0)
            dir.file(name, test::peWithoutVersion());
        else
            dir.file(name, std::string(size_t(i % 130), 'x'));
    }
    const auto versions = [&](bool ahead) {
        std::vector<std::string> texts;
        FolderListing listing;
        WIN32_FIND_DATA rec;
        if (!listing.first(dir.path() + "/", {}, rec, ahead)) return texts;
        do {
            const auto v = listing.fileVersion();
            texts.push_back(v ? std::to_string(v->build) : "-");
        } while (listing.next(rec));
        return texts;
    };
    const auto ahead = versions(true);
    EXPECT_EQ(ahead, versions(false));
    testSeams().noUring = true;
    EXPECT_EQ(ahead, versions(true));
    testSeams().noUring = false;
    EXPECT_EQ(std::count(ahead.begin(), ahead.end(), "550"), 1);
}

TEST(Listing, FolderExistsOnlyForFolders)
{
    TempDir dir;
    dir.file("f");
    EXPECT_TRUE(folderExists(dir.path()));
    EXPECT_FALSE(folderExists(dir / "f"));
    EXPECT_FALSE(folderExists(dir / "none"));
    EXPECT_FALSE(folderExists(""));
}

}  // namespace
}  // namespace dm::platform

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Time.h"
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
    for (const char* n : {"b.txt", "A.txt", "_x", "C"}) dir.file(n);
    EXPECT_EQ(listNames(dir / ""), (std::vector<std::string>{".", "..", "A.txt", "b.txt", "C", "_x"}));
}

TEST(Listing, RecordCarriesAttributesSizeAndTimes)
{
    TempDir dir;
    dir.file("data.bin", std::string(5000, 'z'), test::kTime, 123456789);
    dir.folder("sub");
    dir.file(".hidden");
    FolderListing listing;
    WIN32_FIND_DATA rec;
    ASSERT_TRUE(listing.first(dir / "", "data.bin", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fileSizeOf(rec), 5000u);
    EXPECT_EQ(fileTimeValue(rec.ftLastWriteTime), uint64_t(test::kTime) * 10000000 + kUnixEpochTicks + 1234567);
    EXPECT_TRUE(listing.isRegularFile());

    ASSERT_TRUE(listing.first(dir / "", "sub", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(fileSizeOf(rec), 0u);
    ASSERT_TRUE(listing.first(dir / "", ".hidden", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
}

TEST(Listing, ASingleNameIsFoundWithoutRegardToCase)
{
    TempDir dir;
    dir.file("ReadMe.txt");
    dir.file("other");
    EXPECT_EQ(listNames(dir / "", "README.TXT"), std::vector<std::string>{"ReadMe.txt"});
    FolderListing listing;
    WIN32_FIND_DATA rec;
    EXPECT_FALSE(listing.first(dir / "", "missing", rec));
    EXPECT_EQ(lastError(), ENOENT);
}

TEST(Listing, FailsOnMissingFoldersAndInjectedErrors)
{
    TempDir dir;
    FolderListing listing;
    WIN32_FIND_DATA rec;
    EXPECT_FALSE(listing.first(dir / "missing/", {}, rec));
    EXPECT_NE(lastError(), 0);

    testSeams().failListing = [](const std::string&) { return EACCES; };
    EXPECT_FALSE(listing.first(dir / "", {}, rec));
    EXPECT_EQ(lastError(), EACCES);
    testSeams().failListing = nullptr;
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

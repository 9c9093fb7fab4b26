#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Listing.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::TempDir;

// Names that differ only in case, links and 255-byte names exist only here.
TEST(PosixListing, NamesAreOrderedByTheirUpperCaseBytesThenByTheirOwn)
{
    TempDir dir;
    for (const char* n :
         {"b.txt", "a.TXT", "A.txt", "libfoo.so.10", "LIBFOO.SO.9", "libfoo.so.1", "libfoo.so", "LIBFOO.so.1"})
        dir.file(n);
    FolderListing listing;
    WIN32_FIND_DATA rec;
    std::vector<std::string> names;
    ASSERT_TRUE(listing.first(dir / "", {}, rec));
    do names.emplace_back(rec.cFileName);
    while (listing.next(rec));
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.txt", "a.TXT", "b.txt", "libfoo.so", "LIBFOO.so.1",
                                               "libfoo.so.1", "libfoo.so.10", "LIBFOO.SO.9"}));
}

TEST(PosixListing, TheLongestNameLinuxAllowsStillFitsTheRecord)
{
    TempDir dir;
    dir.file(std::string(255, 'n'));
    FolderListing listing;
    WIN32_FIND_DATA rec;
    EXPECT_TRUE(listing.first(dir / "", {}, rec));
}

TEST(PosixListing, LinksAreDescribedByTheirTargetAndMarked)
{
    TempDir dir;
    dir.file("target.txt", "12345");
    dir.folder("folder");
    std::filesystem::create_symlink(dir / "target.txt", dir / "link");
    std::filesystem::create_symlink(dir / "folder", dir / "folderlink");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    FolderListing listing;
    WIN32_FIND_DATA rec;
    ASSERT_TRUE(listing.first(dir / "", "link", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(fileSizeOf(rec), 5u);
    ASSERT_TRUE(listing.first(dir / "", "folderlink", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_TRUE(listing.first(dir / "", "dangling", rec));
    EXPECT_EQ(rec.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(fileSizeOf(rec), 0u);
    EXPECT_FALSE(listing.isRegularFile());
}

}  // namespace
}  // namespace dm::platform

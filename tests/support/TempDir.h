// A fresh folder per test, with helpers to lay out files and set their times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FindData.h"
#include "platform/Text.h"

namespace dm::test {

// The separator alone, as folder ends and compare lists have it.
inline const std::string kSep(1, platform::kSeparator);

// The root folder of the file system the tests run on.
std::string rootFolder();

// The path with "/" standing for the separator.
std::string native(std::string path);

// Text written here in UTF-8, in the system's code page, as the program's own
// texts and the names it lists are.
inline std::string operator""_sys(const char* text, size_t length)
{
    return platform::fromUtf8(std::string_view(text, length));
}

// A fixed, ordinary moment (2004-11-09 11:33:20 UTC) so that times are explicit.
constexpr int64_t kTime = 1100000000;

// One item of a tree laid out at once: a file with its content and time, or a
// folder where the path ends with "/".
struct Item {
    std::string path;
    std::string content = "x";
    int64_t seconds = kTime;
};

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a final separator.
    const std::string& path() const { return path_; }
    // The path of an item in it; "/" in `relative` stands for the separator.
    std::string operator/(const std::string& relative) const;

    // Creates the file (and its folders) with the content and modification time.
    std::string file(const std::string& relative, const std::string& content = "x", int64_t seconds = kTime,
                     uint32_t nanoseconds = 0) const;
    std::string folder(const std::string& relative) const;
    // Lays out a whole tree from a table of items.
    void lay(const std::vector<Item>& items) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    // Whether names that differ only in case are different items here.
    bool keepsNamesApartByCase() const;

private:
    std::string path_;
};

// A new, empty folder for one test.
std::string makeTemporaryFolder();
void setModified(const std::string& path, int64_t seconds, uint32_t nanoseconds = 0);
std::string readFile(const std::string& path);
// How many items the folder holds.
size_t entriesIn(const std::string& folder);
// How many of the program's temporary files lie in the folder or below it.
size_t temporariesIn(const std::string& folder);
// This machine's tag, as the program's temporary names carry it.
std::string machineTag();
// The listing record of the item at the path, as a scan would see it.
platform::WIN32_FIND_DATA recordOf(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

}  // namespace dm::test

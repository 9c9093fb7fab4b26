#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/Listing.h"
#include "platform/OpenFile.h"
#include "platform/Process.h"
#include "platform/ProgramPaths.h"
#include "platform/TempName.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace dm::test {

TempDir::TempDir() : path_(makeTemporaryFolder()) {}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

bool TempDir::keepsNamesApartByCase() const
{
    writeFile(*this / "case-probe", "lower");
    writeFile(*this / "CASE-PROBE", "upper");
    const bool apart = read("case-probe") == "lower";
    std::error_code ec;
    fs::remove(*this / "case-probe", ec);
    fs::remove(*this / "CASE-PROBE", ec);
    return apart;
}

std::string native(std::string path)
{
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

std::string TempDir::operator/(const std::string& relative) const
{
    return path_ + platform::kSeparator + native(relative);
}

std::string TempDir::file(const std::string& relative, const std::string& content, int64_t seconds,
                          uint32_t nanoseconds) const
{
    const std::string full = *this / relative;
    // Through the platform, which knows the code page's double-byte characters.
    if (!platform::makeFolders(platform::folderOf(full))) throw std::runtime_error("cannot make a folder for " + full);
    writeFile(full, content);
    setModified(full, seconds, nanoseconds);
    return full;
}

std::string TempDir::folder(const std::string& relative) const
{
    const std::string full = *this / relative;
    if (!platform::makeFolders(full)) throw std::runtime_error("cannot make " + full);
    return full;
}

void TempDir::lay(const std::vector<Item>& items) const
{
    for (const Item& item : items) {
        if (!item.path.empty() && item.path.back() == '/')
            folder(item.path);
        else
            file(item.path, item.content, item.seconds);
    }
}

std::string TempDir::read(const std::string& relative) const
{
    return readFile(*this / relative);
}

bool TempDir::exists(const std::string& relative) const
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(*this / relative, ec));
}

std::string readFile(const std::string& path)
{
    std::string bytes;
    std::FILE* in = platform::openFile(path, "rb");
    if (!in) return bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
    std::fclose(in);
    return bytes;
}

size_t entriesIn(const std::string& folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
}

platform::WIN32_FIND_DATA recordOf(const std::string& path)
{
    platform::FolderListing listing;
    platform::WIN32_FIND_DATA record;
    if (!listing.first(platform::folderOf(path), std::string(platform::lastComponent(path)), record))
        throw std::runtime_error("cannot list " + path);
    return record;
}

// Through the platform, which takes paths of any length.
void writeFile(const std::string& path, const std::string& content)
{
    std::FILE* out = platform::openFile(path, "wb");
    const bool written = out && std::fwrite(content.data(), 1, content.size(), out) == content.size();
    if (out && std::fclose(out) != 0) throw std::runtime_error("cannot write " + path);
    if (!written) throw std::runtime_error("cannot write " + path);
}

std::string machineTag()
{
    char tag[16];
    std::snprintf(tag, sizeof tag, "%08x", unsigned(platform::thisMachine()));
    return tag;
}

size_t temporariesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        n += platform::isTemporaryName(e.path().filename().string());
    return n;
}

}  // namespace dm::test

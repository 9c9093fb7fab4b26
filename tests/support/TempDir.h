// A fresh folder per test, with helpers to lay out files and set their times.
#pragma once

#include <cstdint>
#include <string>

namespace dm::test {

// A fixed, ordinary moment (2004-11-09 11:33:20 UTC) so that times are explicit.
constexpr int64_t kTime = 1100000000;

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a final separator.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    // Creates the file (and its folders) with the content and modification time.
    std::string file(const std::string& relative, const std::string& content = "x", int64_t seconds = kTime,
                     uint32_t nanoseconds = 0) const;
    std::string folder(const std::string& relative) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
};

void setModified(const std::string& path, int64_t seconds, uint32_t nanoseconds = 0);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

}  // namespace dm::test

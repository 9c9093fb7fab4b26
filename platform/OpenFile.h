// Opening a file with the C library, with a failure's cause left as lastError().
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode);

// The content of a file that is this user's own: a regular file (never a
// link, a pipe or a device), owned by the user, writable by nobody else, and
// at most `maxBytes` long; nothing is read of any other file. It is read
// whole, never mapped: a mapped file that another program cuts short kills
// the process that touches the lost pages.
class OwnFileView {
public:
    OwnFileView() = default;
    ~OwnFileView() { close(); }
    OwnFileView(const OwnFileView&) = delete;
    OwnFileView& operator=(const OwnFileView&) = delete;

    bool open(const std::string& path, uint64_t maxBytes);
    void close();
    std::string_view data() const { return data_; }

private:
    std::string_view data_;
    std::string copy_;
};

}  // namespace dm::platform

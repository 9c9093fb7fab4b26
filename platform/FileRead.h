// Reading part of a file whole, for views that show what a file holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dm::platform {

// Up to `count` bytes of the file from `offset` into `bytes` (fewer at its
// end); 0, or the system's error code. A file that is not a regular file (a
// pipe, a device) is not read: kNotARegularFile.
int readFileRange(const std::string& path, uint64_t offset, uint64_t count, std::string& bytes);

// GB 18030 text (the Chinese code page's superset) as UTF-8; false where the
// bytes are not GB 18030.
bool gb18030ToUtf8(std::string_view text, std::string& utf8);

}  // namespace dm::platform

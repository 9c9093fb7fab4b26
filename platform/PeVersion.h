// The fixed file version of a Windows executable (the VS_FIXEDFILEINFO of its
// RT_VERSION resource), read without trusting a single offset in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dm::platform {

struct FileVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;
};

// Reads exactly `length` bytes at `offset` into `buffer`; false when it cannot.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t length)>;

std::optional<FileVersion> parsePeVersion(const ReadAt& read, uint64_t fileSize);
std::optional<FileVersion> parsePeVersion(const uint8_t* data, size_t size);

// The version of the file at the path; nothing for folders, files that are not
// executables with a version resource, and anything that cannot be read.
std::optional<FileVersion> readFileVersion(const std::string& path);

// Why the last version read on this thread failed to open or read the file
// (an error code for systemMessage; no version then says nothing lasting
// about the file), or 0 when it did not fail.
int lastVersionReadFailure();

// Smallest file that can hold a DOS header; smaller files are never opened.
constexpr uint64_t kMinExecutableSize = 64;

}  // namespace dm::platform

// The listing record and the time records the engine works with. They keep the
// layout of their Win32 namesakes so that records can be copied whole and the
// information file can write them word by word on every platform.
#pragma once

#include <cstdint>

namespace dm::platform {

struct FILETIME {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

// What a tree keeps of a listing record: its words without the two names
// (the name is the path's last component), a seventh of the record's size.
struct FileRecord {
    uint32_t dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    uint32_t nFileSizeHigh = 0;
    uint32_t nFileSizeLow = 0;
    uint32_t dwReserved0 = 0;
    uint32_t dwReserved1 = 0;
};

// The listing record: those words, then the two names.
struct WIN32_FIND_DATA : FileRecord {
    char cFileName[260] = {};
    char cAlternateFileName[14] = {};
};
static_assert(sizeof(WIN32_FIND_DATA) == 320, "the listing record keeps its Win32 size");

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// What tells one file from another on its device, with the time its inode
// last changed: any write, or any setting of its times, moves that time, so
// an unchanged identity (with size and write time) means unchanged content.
// All zero where the system does not say (the record alone is then all there is).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t changeTime = 0;  // nanoseconds since 1970

    bool known() const { return inode != 0; }
    bool operator==(const FileIdentity&) const = default;
};

// Longest name a record can hold (the terminating zero takes the last byte).
constexpr unsigned kMaxNameLength = 259;

inline uint64_t fileSizeOf(const FileRecord& rec)
{
    return (uint64_t(rec.nFileSizeHigh) << 32) | rec.nFileSizeLow;
}

inline uint64_t fileTimeValue(const FILETIME& ft)
{
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline FILETIME makeFileTime(uint64_t value)
{
    return FILETIME{uint32_t(value & 0xFFFFFFFFu), uint32_t(value >> 32)};
}

}  // namespace dm::platform

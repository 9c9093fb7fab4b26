#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/Contents.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {

constexpr uint64_t kFirstChunk = 64 * 1024;
constexpr uint64_t kLargestChunk = 1 << 20;

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool openRegular(const std::string& path, Handle& file, int& error)
{
    file.h = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file.h == INVALID_HANDLE_VALUE) {
        error = int(GetLastError());
        return false;
    }
    if (GetFileType(file.h) != FILE_TYPE_DISK) {
        error = kNotARegularFile;
        return false;
    }
    return true;
}

// The bytes read, short only at the end of the file; -1 on failure.
int64_t readFully(HANDLE file, uint8_t* buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, DWORD(length - done), &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return int64_t(done);
}

}  // namespace

ContentResult compareContents(const std::string& pathA, const std::string& pathB, uint64_t size,
                              const ContentReading& reading)
{
    Handle a;
    Handle b;
    int error = 0;
    if (!openRegular(pathA, a, error)) return {ContentVerdict::Failed, error, 'A'};
    if (!openRegular(pathB, b, error)) return {ContentVerdict::Failed, error, 'B'};
    const auto bufferA = std::make_unique<uint8_t[]>(kLargestChunk);
    const auto bufferB = std::make_unique<uint8_t[]>(kLargestChunk);
    uint64_t chunk = kFirstChunk;
    for (uint64_t offset = 0; offset < size; offset += chunk, chunk = std::min(chunk * 2, kLargestChunk)) {
        const uint64_t length = std::min(chunk, size - offset);
        const int64_t gotA = readFully(a.h, bufferA.get(), size_t(length));
        if (gotA < 0) return {ContentVerdict::Failed, int(GetLastError()), 'A'};
        const int64_t gotB = readFully(b.h, bufferB.get(), size_t(length));
        if (gotB < 0) return {ContentVerdict::Failed, int(GetLastError()), 'B'};
        if (uint64_t(gotA) != length || uint64_t(gotB) != length) return {ContentVerdict::Changed};
        if (std::memcmp(bufferA.get(), bufferB.get(), size_t(length)) != 0) return {ContentVerdict::Different};
        if (reading.progress) reading.progress(length);
        if (reading.stop && reading.stop()) return {ContentVerdict::Stopped};
    }
    uint8_t extra = 0;
    if (readFully(a.h, &extra, 1) > 0 || readFully(b.h, &extra, 1) > 0) return {ContentVerdict::Changed};
    return {ContentVerdict::Same};
}

ContentFolders::ContentFolders(const std::string& folderA, const std::string& folderB)
    : folders_{endsWithSeparator(folderA) ? folderA : folderA + kSeparator,
               endsWithSeparator(folderB) ? folderB : folderB + kSeparator}
{
}

ContentFolders::~ContentFolders() = default;

// Here each file is opened by its whole path; what it is, and whether it
// changes, is seen as it is read.
ContentResult ContentFolders::compare(const std::string& nameA, const std::string& nameB, uint64_t size,
                                      const FILETIME&, const FILETIME&, const ContentReading& reading) const
{
    return compareContents(folders_[0] + nameA, folders_[1] + nameB, size, reading);
}

}  // namespace dm::platform

#include <cstring>

#include "platform/FindData.h"
#include "platform/OpenFile.h"
#include "platform/TestSeams.h"
#include "platform/Win32.h"

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode)
{
    // The runtime opens with CreateFileW, whose error stays the thread's last one.
    SetLastError(ERROR_SUCCESS);
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    std::FILE* file = _wfopen(widePath(path).c_str(), wideMode.c_str());
    if (!file && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_OPEN_FAILED);
    return file;
}

// Read whole, as on every system.
bool OwnFileView::open(const std::string& path, uint64_t maxBytes)
{
    close();
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    const uint64_t size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) return false;
    if (const auto& hook = testSeams().ownFileOpened) hook(path);
    std::FILE* file = openFile(path, "rb");
    if (!file) return false;
    copy_.resize(size_t(size));
    const bool read = std::fread(copy_.data(), 1, copy_.size(), file) == copy_.size();
    std::fclose(file);
    if (read) data_ = copy_;
    return read;
}

void OwnFileView::close()
{
    data_ = {};
    std::string().swap(copy_);
}

}  // namespace dm::platform

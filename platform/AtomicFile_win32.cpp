#include <algorithm>

#include "platform/AtomicFile.h"
#include "platform/FindData.h"
#include "platform/SysError.h"
#include "platform/TempName.h"
#include "platform/Win32.h"

namespace dm::platform {

struct AtomicFile::Impl {
    std::string target;
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool failed = false;

    void discard()
    {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        if (!temp.empty()) DeleteFileA(temp.c_str());
        temp.clear();
    }
};

AtomicFile::AtomicFile() : impl_(std::make_unique<Impl>()) {}

AtomicFile::~AtomicFile()
{
    const DWORD error = GetLastError();  // cleaning up must not hide the cause of a failure
    impl_->discard();
    SetLastError(error);
}

bool AtomicFile::open(const std::string& target)
{
    impl_->discard();
    impl_->target = target;
    impl_->failed = false;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(DWORD(kNotARegularFile));
        return false;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryBeside(target);
        const HANDLE file =
            CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            impl_->file = file;
            impl_->temp = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return false;
}

bool AtomicFile::write(std::string_view data)
{
    if (impl_->file == INVALID_HANDLE_VALUE || impl_->failed) return false;
    while (!data.empty()) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<size_t>(data.size(), 1u << 30));
        if (!WriteFile(impl_->file, data.data(), chunk, &written, nullptr) || written == 0) {
            if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
            impl_->failed = true;
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

bool AtomicFile::commit(bool flushToDisk)
{
    if (impl_->file == INVALID_HANDLE_VALUE || impl_->failed) return false;
    const HANDLE file = impl_->file;
    impl_->file = INVALID_HANDLE_VALUE;
    const bool flushed = !flushToDisk || FlushFileBuffers(file) != 0;
    DWORD error = flushed ? ERROR_SUCCESS : GetLastError();
    if (!CloseHandle(file) && flushed) error = GetLastError();
    if (error == ERROR_SUCCESS &&
        !MoveFileExA(impl_->temp.c_str(), impl_->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        impl_->discard();
        SetLastError(error);
        return false;
    }
    impl_->temp.clear();
    return true;
}

}  // namespace dm::platform

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {

WIN32_FIND_DATA fromSystem(const WIN32_FIND_DATAW& found)
{
    WIN32_FIND_DATA rec;
    rec.dwFileAttributes = found.dwFileAttributes;
    rec.ftCreationTime = FILETIME{found.ftCreationTime.dwLowDateTime, found.ftCreationTime.dwHighDateTime};
    rec.ftLastAccessTime = FILETIME{found.ftLastAccessTime.dwLowDateTime, found.ftLastAccessTime.dwHighDateTime};
    rec.ftLastWriteTime = FILETIME{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime};
    rec.nFileSizeHigh = found.nFileSizeHigh;
    rec.nFileSizeLow = found.nFileSizeLow;
    rec.dwReserved0 = found.dwReserved0;
    rec.dwReserved1 = found.dwReserved1;
    const std::string name = narrowed(found.cFileName);
    const std::string shortName = narrowed(found.cAlternateFileName);
    std::memcpy(rec.cFileName, name.data(), std::min(name.size(), sizeof rec.cFileName - 1));
    std::memcpy(rec.cAlternateFileName, shortName.data(),
                std::min(shortName.size(), sizeof rec.cAlternateFileName - 1));
    return rec;
}

bool isDots(const wchar_t* name)
{
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

struct FolderListing::Impl {
    std::string folder;
    std::vector<WIN32_FIND_DATA> records;
    size_t nextIndex = 0;
    const WIN32_FIND_DATA* current = nullptr;
};

FolderListing::FolderListing() : impl_(std::make_unique<Impl>()) {}
FolderListing::~FolderListing() = default;

bool FolderListing::first(const std::string& folder, const std::string& name, WIN32_FIND_DATA& record)
{
    impl_ = std::make_unique<Impl>();
    impl_->folder = folder;
    if (const auto& hook = testSeams().failListing) {
        if (const int code = hook(folder)) {
            setLastError(code);
            return false;
        }
    }
    // The whole listing is read at once and put in the listing order, which
    // the file system does not promise; "." and ".." lead it as on NTFS.
    WIN32_FIND_DATAW found{};
    const std::string pattern = folder + (name.empty() ? std::string("*.*") : name);
    FindHandle handle(FindFirstFileW(widePath(pattern).c_str(), &found));
    if (handle.get() == INVALID_HANDLE_VALUE) return false;
    std::vector<WIN32_FIND_DATA> dots;
    do {
        (isDots(found.cFileName) ? dots : impl_->records).push_back(fromSystem(found));
    } while (FindNextFileW(handle.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        impl_->records.clear();
        return false;
    }
    std::stable_sort(
        impl_->records.begin(), impl_->records.end(),
        [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b) { return listingOrderLess(a.cFileName, b.cFileName); });
    if (name.empty()) {
        std::sort(dots.begin(), dots.end(), [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b) {
            return std::strlen(a.cFileName) < std::strlen(b.cFileName);
        });
        impl_->records.insert(impl_->records.begin(), dots.begin(), dots.end());
    }
    if (!next(record)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

bool FolderListing::next(WIN32_FIND_DATA& record)
{
    Impl& impl = *impl_;
    if (impl.nextIndex >= impl.records.size()) {
        impl.current = nullptr;
        return false;
    }
    impl.current = &impl.records[impl.nextIndex++];
    record = *impl.current;
    return true;
}

int FolderListing::failure() const
{
    return 0;  // the whole folder is read by first()
}

bool FolderListing::isRegularFile() const
{
    return impl_->current && !(impl_->current->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileIdentity FolderListing::identity() const
{
    return {};
}

FileIdentity FolderListing::folderIdentity() const
{
    return {};
}

bool folderExists(const std::string& path)
{
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (path.empty()) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) SetLastError(ERROR_DIRECTORY);
    return attributes & FILE_ATTRIBUTE_DIRECTORY;
}

std::optional<std::string> pathInside(const std::string& inner, const std::string& outer)
{
    const auto full = [](const std::string& path) -> std::optional<std::string> {
        const std::wstring wide = widePath(path);
        std::wstring buffer(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
        const DWORD n =
            buffer.empty() ? 0 : GetFullPathNameW(wide.c_str(), DWORD(buffer.size()), buffer.data(), nullptr);
        if (n == 0 || n >= buffer.size()) return std::nullopt;
        buffer.resize(n);
        if (buffer.starts_with(L"\\\\?\\UNC\\"))
            buffer.replace(0, 8, L"\\\\");
        else if (buffer.starts_with(L"\\\\?\\"))
            buffer.erase(0, 4);
        std::string text = narrowed(buffer.c_str());
        if (!endsWithSeparator(text)) text += kSeparator;
        return text;
    };
    const auto in = full(inner);
    const auto out = full(outer);
    if (!in || !out || in->size() <= out->size() || !upperCase(*in).starts_with(upperCase(*out))) return std::nullopt;
    return in->substr(out->size(), in->size() - out->size() - 1);
}

std::optional<FileIdentity> folderIdentity(const std::string&)
{
    return std::nullopt;  // no inode to tell one folder from another by its path
}

// Links are not copied as links here: their content is what counts.
std::optional<std::string> linkText(const std::string&)
{
    return std::nullopt;
}

bool itemExists(const std::string& path)
{
    return GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t itemSize(const std::string& path)
{
    WIN32_FIND_DATAW found{};
    FindHandle handle(FindFirstFileW(widePath(path).c_str(), &found));
    if (handle.get() == INVALID_HANDLE_VALUE) return 0;
    return (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

bool deleteFile(const std::string& path)
{
    return DeleteFileW(widePath(path).c_str()) != 0;
}

bool removeEmptyFolder(const std::string& path)
{
    return RemoveDirectoryW(widePath(path).c_str()) != 0;
}

}  // namespace dm::platform

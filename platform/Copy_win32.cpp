#include "platform/Copy.h"
#include "platform/FindData.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {

// One file through the shell: nothing asked, no error shown, missing folders made.
int shellCopyFile(const std::string& source, const std::string& target)
{
    if (const auto& hook = testSeams().failCopyWrite) {
        if (const int code = hook(target, 0)) return code;
    }
    // The shell takes no path past the old limit; the system's copy does.
    if (isLongPath(source) || isLongPath(target))
        return CopyFileW(widePath(source).c_str(), widePath(target).c_str(), FALSE) ? 0 : int(GetLastError());
    // Each list is one path ending in a double zero.
    const std::string from = source + '\0' + '\0';
    const std::string to = target + '\0' + '\0';
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    operation.fFlags =
        FOF_MULTIDESTFILES | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_FILESONLY | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = "File copying";
    const int result = SHFileOperationA(&operation);
    if (result == 0 && operation.fAnyOperationsAborted) return ERROR_CANCELLED;
    return result;
}

// Folders are walked here and only files given to the shell: shells differ in
// whether they merge a folder into one that exists or nest it inside, and in
// whether they descend into sub-folders at all with these flags. `fresh`: the
// place must be free (the item was lacking, or its folder was made by this
// copy): Windows folders ignore case, and "X.h" must not replace "x.h".
// `keepAt`: where the file the copy replaces is kept first, or empty.
// `below`: the item's path below the copied one ("sub/"), for `leaveOut`.
struct CopyWalk {
    CopyReport& report;
    const std::function<bool()>& stop;
    const std::function<void(uint64_t)>& written;
    const std::function<void()>& fileCopied;
    const std::set<std::string>& leaveOut;
};

void copyAny(const CopyWalk& walk, const std::string& source, const std::string& target, bool fresh,
             const std::string& keepAt, const std::string& below)
{
    CopyReport& report = walk.report;
    const auto& stop = walk.stop;
    const auto& written = walk.written;
    if (stop && stop()) {
        report.stopped = true;
        return;
    }
    const DWORD attributes = GetFileAttributesW(widePath(source).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        report.failures.push_back({target, int(GetLastError())});
        return;
    }
    const DWORD existing = GetFileAttributesW(widePath(target).c_str());
    if (fresh && existing != INVALID_FILE_ATTRIBUTES) {
        report.failures.push_back({target, kNameTaken});
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        int code = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) ? kNotARegularFile : 0;
        // Copied, not moved: the old file stays in place until its replacement is whole.
        if (code == 0 && existing != INVALID_FILE_ATTRIBUTES && !keepAt.empty()) {
            const std::string_view name = lastComponent(keepAt);
            if (!makeFolders(keepAt.substr(0, keepAt.size() - name.size())) ||
                !CopyFileW(widePath(target).c_str(), widePath(keepAt).c_str(), TRUE))
                code = int(GetLastError());
            else
                ++report.kept;
        }
        if (code == 0) code = shellCopyFile(source, target);
        if (code == 0) {
            ++report.filesCopied;
            if (written) written(itemSize(target));
            if (walk.fileCopied) walk.fileCopied();
        } else {
            report.failures.push_back({target, code});
        }
        return;
    }
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT)) {
        report.failures.push_back({target, kLinkInPath});
        return;
    }
    if (!makeFolders(target)) {
        report.failures.push_back({target, lastError()});
        return;
    }
    FolderListing listing;
    WIN32_FIND_DATA record;
    if (!listing.first(source + kSeparator, {}, record)) {
        report.failures.push_back({target, lastError()});
        return;
    }
    do {
        const std::string name = record.cFileName;
        if (name == "." || name == ".." || walk.leaveOut.count(below + name)) continue;
        copyAny(walk, source + kSeparator + name, target + kSeparator + name, existing == INVALID_FILE_ATTRIBUTES,
                keepAt.empty() ? keepAt : keepAt + kSeparator + name, below + name + kSeparator);
    } while (!report.stopped && listing.next(record));
}

}  // namespace

struct CopyInto::Impl {
    std::string root;
    std::string backupFolder;
};

CopyInto::CopyInto(std::string root, std::optional<FileIdentity>) : impl_(std::make_unique<Impl>())
{
    impl_->root = std::move(root);
    if (!impl_->root.empty() && !endsWithSeparator(impl_->root)) impl_->root += kSeparator;
}

CopyInto::~CopyInto() = default;

// Each file is in place when its copy returns.
CopyInto::Flushed CopyInto::flush()
{
    return {};
}

void CopyInto::keepReplacedIn(const std::string& folder)
{
    impl_->backupFolder = folder;
}

CopyReport CopyInto::copy(const std::string& source, const std::string& relative, bool onlyIfAbsent,
                          const std::set<std::string>& leaveOut)
{
    CopyReport report;
    const std::string target = impl_->root + relative;
    if (source.empty() || relative.empty()) {
        report.failures.push_back({target, ERROR_INVALID_PARAMETER});
        return report;
    }
    // A root that became a link (a junction swapped in) is not written into.
    const DWORD rootAttributes = GetFileAttributesW(widePath(impl_->root).c_str());
    if (rootAttributes == INVALID_FILE_ATTRIBUTES || (rootAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        report.failures.push_back(
            {target, rootAttributes == INVALID_FILE_ATTRIBUTES ? int(GetLastError()) : kFolderReplaced});
        return report;
    }
    if (onlyIfAbsent && itemExists(target)) {
        report.present = true;
        return report;
    }
    // No folder between the root and the target may be a link (a junction or
    // a symbolic link swapped in since the comparison).
    std::string folder = impl_->root;
    std::string_view rest = relative;
    for (size_t cut; (cut = rest.find(kSeparator)) != std::string_view::npos; rest.remove_prefix(cut + 1)) {
        folder += std::string(rest.substr(0, cut));
        const DWORD attributes = GetFileAttributesW(widePath(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            report.failures.push_back({folder, kLinkInPath});
            return report;
        }
        folder += kSeparator;
    }
    copyAny({report, stopRequested, written, fileCopied, leaveOut}, source, target, onlyIfAbsent,
            impl_->backupFolder.empty() ? std::string() : impl_->backupFolder + kSeparator + relative, {});
    return report;
}

int removeTree(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return int(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return SetFileAttributesW(widePath(path).c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileW(widePath(path).c_str())
                   ? 0
                   : int(GetLastError());
    // A junction or folder link goes as itself: what it leads to is not ours.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FolderListing listing;
        WIN32_FIND_DATA record;
        if (listing.first(path + kSeparator, {}, record)) {
            do {
                const std::string name = record.cFileName;
                if (name == "." || name == "..") continue;
                if (const int code = removeTree(path + kSeparator + name)) return code;
            } while (listing.next(record));
        }
    }
    return RemoveDirectoryW(widePath(path).c_str()) ? 0 : int(GetLastError());
}

int copyItem(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) return ERROR_INVALID_PARAMETER;
    const std::string_view name = lastComponent(target);
    const size_t folderLength = target.size() - name.size();
    const std::string folder = folderLength == 0 ? std::string(".") : target.substr(0, folderLength);
    if (!makeFolders(folder)) return int(GetLastError());
    return CopyInto(folder).copy(source, std::string(name)).firstError();
}

}  // namespace dm::platform

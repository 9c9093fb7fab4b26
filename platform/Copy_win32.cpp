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
// whether they descend into sub-folders at all with these flags.
int copyFolder(const std::string& source, const std::string& target)
{
    if (!makeFolders(target)) return lastError();
    FolderListing listing;
    WIN32_FIND_DATA record;
    if (!listing.first(source + kSeparator, {}, record)) return lastError();
    int first = 0;
    do {
        const std::string name = record.cFileName;
        if (name == "." || name == "..") continue;
        const std::string from = source + kSeparator + name;
        const std::string to = target + kSeparator + name;
        const int e =
            (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? copyFolder(from, to) : shellCopyFile(from, to);
        if (first == 0) first = e;
    } while (listing.next(record));
    return first;
}

}  // namespace

int copyItem(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) return ERROR_INVALID_PARAMETER;
    const DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return int(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return copyFolder(source, target);
    return shellCopyFile(source, target);
}

}  // namespace dm::platform

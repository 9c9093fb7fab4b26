#include <string>

#include "platform/SysError.h"
#include "platform/Win32.h"

namespace dm::platform {

bool isNotFound(int code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_DIRECTORY ||
           code == ERROR_INVALID_NAME;
}

int lastError()
{
    return int(GetLastError());
}

void setLastError(int code)
{
    SetLastError(DWORD(code));
}

std::string systemMessage(int code)
{
    if (code == 0) return {};
    if (code == kNotARegularFile) return "not a regular file";
    if (code == kLinkInPath) return "a link (reparse point) stands where a folder was expected";
    if (code == kFolderReplaced) return "folder B is no longer the folder that was compared (replaced or a link now)";
    if (code == kNameTaken)
        return "B holds an item of that name already (a folder that ignores case takes both names for one)";
    if (code == kSourceChanged) return "the file in A changed while it was copied";
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, DWORD(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), LPSTR(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    LocalFree(buffer);
    // The system ends its messages with a line break; ours are one line.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text;
}

}  // namespace dm::platform

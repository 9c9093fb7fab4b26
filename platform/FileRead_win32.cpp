#include <algorithm>

#include "platform/FileRead.h"
#include "platform/SysError.h"
#include "platform/Win32.h"

namespace dm::platform {

int readFileRange(const std::string& path, uint64_t offset, uint64_t count, std::string& bytes)
{
    bytes.clear();
    const HANDLE file =
        CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return int(GetLastError());
    int error = 0;
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        error = kNotARegularFile;
    } else if (!GetFileSizeEx(file, &size)) {
        error = int(GetLastError());
    } else if (offset < uint64_t(size.QuadPart)) {
        bytes.resize(size_t(std::min<uint64_t>(count, uint64_t(size.QuadPart) - offset)));
        size_t done = 0;
        while (done < bytes.size()) {
            OVERLAPPED at{};
            const uint64_t from = offset + done;
            at.Offset = DWORD(from);
            at.OffsetHigh = DWORD(from >> 32);
            const DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file, bytes.data() + done, want, &got, &at)) {
                error = int(GetLastError());
                break;
            }
            if (got == 0) break;
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(file);
    return error;
}

bool gb18030ToUtf8(std::string_view text, std::string& utf8)
{
    utf8.clear();
    if (text.empty()) return true;
    // GB 18030 where the system has it, else GBK (code page 936, its common part).
    for (const UINT codePage : {54936u, 936u}) {
        const int wide = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
        if (wide <= 0) continue;
        std::wstring units(size_t(wide), L'\0');
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), units.data(), wide);
        const int n = WideCharToMultiByte(CP_UTF8, 0, units.data(), wide, nullptr, 0, nullptr, nullptr);
        utf8.resize(size_t(n));
        WideCharToMultiByte(CP_UTF8, 0, units.data(), wide, utf8.data(), n, nullptr, nullptr);
        return true;
    }
    return false;
}

}  // namespace dm::platform

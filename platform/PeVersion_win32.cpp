#include <vector>

#include "platform/PeVersion.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

int lastVersionReadFailure()
{
    return 0;  // the system's reader does not tell a failed read from a file without a version
}

std::optional<FileVersion> readFileVersion(const std::string& path)
{
    if (const auto& fail = testSeams().failProbeOpen; fail && fail(std::string(lastComponent(path))))
        return std::nullopt;
    DWORD handle = 0;
    const std::wstring wide = widePath(path);
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<char> block(size_t(size) + 1);
    if (!GetFileVersionInfoW(wide.c_str(), 0, size, block.data())) return std::nullopt;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                       LOWORD(info->dwFileVersionLS)};
}

}  // namespace dm::platform

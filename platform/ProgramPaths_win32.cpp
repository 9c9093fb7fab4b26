#include <cstdlib>

#include "platform/ChildProcess.h"
#include "platform/FindData.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

std::string programFile()
{
    if (!testSeams().programFile.empty()) return testSeams().programFile;
    char buffer[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return "dirmatch.exe";
    return std::string(buffer, n);
}

std::string folderOf(const std::string& file)
{
    const std::string_view name = lastComponent(file);
    return file.substr(0, file.size() - name.size());
}

std::string userConfigFolder()
{
    const char* appData = std::getenv("APPDATA");
    std::string base = appData && *appData ? appData : ".";
    if (!endsWithSeparator(base)) base += kSeparator;
    return base + "dirmatch" + kSeparator;
}

std::string userCacheFolder()
{
    const char* local = std::getenv("LOCALAPPDATA");
    std::string base = local && *local ? local : ".";
    if (!endsWithSeparator(base)) base += kSeparator;
    return base + "dirmatch" + kSeparator;
}

std::string absolutePath(const std::string& path)
{
    char whole[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof whole, whole, nullptr);
    return n == 0 || n >= sizeof whole ? path : std::string(whole, n);
}

std::string userUnitFolder()
{
    return {};
}

bool userServiceManagerRunning()
{
    return false;
}

std::vector<std::string> taskSchedulerCommand()
{
    // A stand-in where the system's cannot be run (tests under wine).
    const char* standIn = std::getenv("DIRMATCH_SCHTASKS");
    if (standIn && *standIn) return commandWords(standIn);
    return {"schtasks"};
}

std::string userStateFolder()
{
    return userCacheFolder();
}

namespace {

// Whether `folder` lies in one of the system's folders for installed programs.
bool inProgramFiles(const std::string& folder)
{
    const std::string upper = upperCase(folder);
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        std::string base = upperCase(value);
        if (!endsWithSeparator(base)) base += kSeparator;
        if (upper.starts_with(base)) return true;
    }
    return false;
}

// Whether a file can be made in `folder`: its rights answer only when asked.
bool writable(const std::string& folder)
{
    const std::string probe = folder + ".dirmatch-" + std::to_string(GetCurrentProcessId()) + ".probe";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

std::string besideProgram(const std::string& programFile)
{
    // A copy run from a folder of the user's own keeps its files beside it;
    // an installed one, which a standard user cannot write, keeps them per user.
    const std::string folder = folderOf(programFile);
    if (!inProgramFiles(folder) && writable(folder.empty() ? ".\\" : folder)) return folder;
    const std::string fallback = userConfigFolder();
    makeFolders(fallback);
    return fallback;
}

bool isInstalled(const std::string&)
{
    return false;  // no scheduler here asks
}

std::string dataFolder(const std::string& programFile)
{
    return folderOf(programFile);
}

bool makeFolders(const std::string& path)
{
    if (path.empty()) return true;
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    std::string trimmed = path;
    while (trimmed.size() > 1 && endsWithSeparator(trimmed)) trimmed.pop_back();
    const std::string parent = folderOf(trimmed);
    if (!makeFolders(parent)) return false;
    if (CreateDirectoryW(widePath(trimmed).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    return false;
}

}  // namespace dm::platform

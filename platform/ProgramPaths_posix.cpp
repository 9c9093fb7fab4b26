#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"

namespace dm::platform {

std::string programFile()
{
    if (!testSeams().programFile.empty()) return testSeams().programFile;
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "dirmatch";
    return std::string(buffer, size_t(n));
}

std::string folderOf(const std::string& file)
{
    const auto pos = file.find_last_of(kSeparator);
    return pos == std::string::npos ? std::string() : file.substr(0, pos + 1);
}

namespace {

// $VARIABLE, or $HOME/FALLBACK where it is unset, with dirmatch's folder in it.
std::string userFolder(const char* variable, const char* fallback)
{
    const char* xdg = std::getenv(variable);
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/" + fallback;
    }
    if (!endsWithSeparator(base)) base += kSeparator;
    return base + "dirmatch" + kSeparator;
}

}  // namespace

std::string userConfigFolder()
{
    return userFolder("XDG_CONFIG_HOME", ".config");
}

std::string userCacheFolder()
{
    return userFolder("XDG_CACHE_HOME", ".cache");
}

std::string absolutePath(const std::string& path)
{
    if (path.empty() || path[0] == '/') return path;
    char here[4096];
    if (!getcwd(here, sizeof here)) return path;
    std::string whole = here;
    if (!endsWithSeparator(whole)) whole += kSeparator;
    return whole + (path.starts_with("./") ? path.substr(2) : path);
}

std::string userUnitFolder()
{
    const std::string dirmatch = userConfigFolder();  // CONFIG/dirmatch/
    return dirmatch.substr(0, dirmatch.size() - std::string("dirmatch/").size()) + "systemd/user/";
}

bool userServiceManagerRunning()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && itemExists(std::string(runtime) + "/systemd/private");
}

std::vector<std::string> taskSchedulerCommand()
{
    return {};
}

std::string userStateFolder()
{
    return userFolder("XDG_STATE_HOME", ".local/state");
}

namespace {

// PREFIX/share/dirmatch/ when the program is PREFIX/bin/NAME of an installation.
std::string installedData(const std::string& programFile)
{
    const std::string folder = folderOf(programFile);
    const std::string bin = std::string("bin") + kSeparator;
    if (folder.size() <= bin.size() || folder.compare(folder.size() - bin.size(), bin.size(), bin) != 0) return {};
    const std::string data = folder.substr(0, folder.size() - bin.size()) + "share/dirmatch/";
    return folderExists(data) ? data : std::string();
}

}  // namespace

bool isInstalled(const std::string& programFile)
{
    return !installedData(programFile).empty();
}

std::string dataFolder(const std::string& programFile)
{
    const std::string installed = installedData(programFile);
    return installed.empty() ? folderOf(programFile) : installed;
}

std::string besideProgram(const std::string& programFile)
{
    const std::string folder = folderOf(programFile);
    // An installed program never writes into its own folder, even as root.
    if (installedData(programFile).empty() && access(folder.empty() ? "." : folder.c_str(), W_OK) == 0) return folder;
    const std::string fallback = userConfigFolder();
    makeFolders(fallback);
    return fallback;
}

bool makeFolders(const std::string& path)
{
    if (path.empty()) return true;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        setLastError(ENOTDIR);
        return false;
    }
    std::string trimmedPath = path;
    while (trimmedPath.size() > 1 && endsWithSeparator(trimmedPath)) trimmedPath.pop_back();
    const auto pos = trimmedPath.find_last_of(kSeparator);
    if (pos != std::string::npos && pos > 0 && !makeFolders(trimmedPath.substr(0, pos))) return false;
    if (mkdir(trimmedPath.c_str(), 0777) == 0 || errno == EEXIST) return true;
    setLastError(errno);
    return false;
}

}  // namespace dm::platform

#include "engine/side/Backup.h"

#include <cstdio>
#include <string_view>

#include "common/Messages.h"
#include "platform/BackupFolder.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

namespace {

bool isAbsolute(std::string_view path)
{
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t daysOf(int year, int month, int day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t ofEra = year - era * 400;
    const int64_t ofYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + ofEra * 365 + ofEra / 4 - ofEra / 100 + ofYear - 719468;
}

int64_t secondsOf(const platform::SYSTEMTIME& t)
{
    return daysOf(t.wYear, t.wMonth, t.wDay) * 86400 + t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
}

}  // namespace

std::string whyNoBackupFolder(const std::string& backupDir)
{
    if (backupDir.empty() || isAbsolute(backupDir)) return {};
    size_t at = 0;
    bool named = false;
    while (at <= backupDir.size()) {
        const size_t end = std::min(backupDir.find_first_of("/\\", at), backupDir.size());
        const std::string_view part = std::string_view(backupDir).substr(at, end - at);
        if (part == "..")
            return textIn("备份文件夹须在 B 之内, 或是绝对路径: ",
                          "the backup folder must lie inside B, or be an absolute path: ") +
                   backupDir;
        named = named || (!part.empty() && part != ".");
        at = end + 1;
    }
    return named ? std::string() : textIn("备份文件夹不能是 B 本身", "the backup folder cannot be B itself");
}

std::string backupFolderOf(const std::string& backupDir, const std::string& pathB, char separator)
{
    if (backupDir.empty()) return {};
    std::string folder = backupDir;
    if (!isAbsolute(backupDir)) {
        for (char& c : folder)
            if (c == '/' || c == '\\') c = separator;
        folder = pathB + folder;
    }
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == separator)) folder.pop_back();
    return folder;
}

std::string backupSetName(const platform::SYSTEMTIME& at)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04u-%02u-%02u %02u%02u%02u", unsigned(at.wYear), unsigned(at.wMonth),
                  unsigned(at.wDay), unsigned(at.wHour), unsigned(at.wMinute), unsigned(at.wSecond));
    return name;
}

bool isExpiredBackupSet(const std::string& name, const platform::SYSTEMTIME& now, int days)
{
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    // A second set of the same second carries "-N" after the time.
    std::string_view base(name);
    if (name.size() > 18 && name[17] == '-' && name[18] != '0' &&
        name.find_first_not_of("0123456789", 18) == std::string::npos && name.size() <= 22)
        base = base.substr(0, 17);
    char end = 0;
    if (base.size() != 17 || std::sscanf(std::string(base).c_str(), "%4u-%2u-%2u %2u%2u%2u%c", &year, &month, &day,
                                         &hour, &minute, &second, &end) != 6)
        return false;
    platform::SYSTEMTIME began;
    began.wYear = uint16_t(year);
    began.wMonth = uint16_t(month);
    began.wDay = uint16_t(day);
    began.wHour = uint16_t(hour);
    began.wMinute = uint16_t(minute);
    began.wSecond = uint16_t(second);
    // Only what this program names so: a folder the user made stays.
    if (backupSetName(began) != base || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return false;
    const int64_t monthLength = (month == 12 ? daysOf(int(year) + 1, 1, 1) : daysOf(int(year), int(month) + 1, 1)) -
                                daysOf(int(year), int(month), 1);
    if (day > monthLength) return false;
    return secondsOf(now) - secondsOf(began) > int64_t(days) * 86400;
}

bool makeBackupSet(const std::string& root, const std::string& folder, const platform::SYSTEMTIME& now, int keepDays,
                   BackupSetMade& made, std::string& error)
{
    made = {};
    platform::BackupFolder sets;
    std::string at;
    if (const int code = sets.open(root, folder, at)) {
        error = textIn("无法使用备份文件夹: ", "cannot use the backup folder: ") + at + ": " +
                (code == platform::kLinkInPath ? textIn("是一个链接", "is a link") : platform::systemMessage(code));
        return false;
    }
    if (!sets.onFileSystemOf(root)) {
        error =
            textIn("不能在另一个文件系统上保存被替换的文件: ", "cannot keep replaced files on another file system: ") +
            sets.path();
        return false;
    }
    if (keepDays > 0) {
        for (const std::string& name : sets.folders()) {
            if (!isExpiredBackupSet(name, now, keepDays)) continue;
            if (const int code = sets.remove(name)) {
                made.note = sets.path() + platform::kSeparator + name + ": " + platform::systemMessage(code);
                break;
            }
            ++made.expired;
        }
    }
    std::string name;
    if (const int code = sets.makeFresh(backupSetName(now), name)) {
        error = textIn("无法建立备份: ", "cannot make the backup set: ") + sets.path() + ": " +
                platform::systemMessage(code);
        return false;
    }
    made.set = sets.path() + platform::kSeparator + name;
    return true;
}

}  // namespace dm

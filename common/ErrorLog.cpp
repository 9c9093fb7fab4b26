#include "common/ErrorLog.h"

#include <cstdio>

#include "common/FileHelpers.h"
#include "platform/Listing.h"
#include "platform/Time.h"

namespace dm {

namespace {

std::string stampNow()
{
    const auto t = platform::localNow();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%u/%u/%04u %02u:%02u:%02u", unsigned(t.wMonth), unsigned(t.wDay),
                  unsigned(t.wYear), unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond));
    return buffer;
}

}  // namespace

void writeLog(const std::string& message, const std::string& logPath)
{
    if (fileSize(logPath) >= MaxLogSize) platform::deleteFile(logPath);
    std::FILE* file = std::fopen(logPath.c_str(), "ab");
    if (!file) return;
    std::string entry = "\n";
    entry.append(stampNow()).append("\n").append(message).append("\n-----------------------------");
    entry = withCrLf(entry);
    std::fwrite(entry.data(), 1, entry.size(), file);
    std::fclose(file);
}

}  // namespace dm

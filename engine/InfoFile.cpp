#include "engine/InfoFile.h"

#include <array>
#include <cstring>
#include <stdexcept>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "platform/AtomicFile.h"
#include "platform/OpenFile.h"
#include "platform/Text.h"

namespace dm {

namespace {

constexpr int kWordCount = 11;
constexpr size_t kLineBuffer = 4096;  // a longer line is read as several
const char* const kIncomplete = "文件不完整";

std::string trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

// The record's first eleven 32-bit words, in their order in the record.
using Words = std::array<uint32_t, kWordCount>;

Words wordsOf(const WIN32_FIND_DATA& r)
{
    return {r.dwFileAttributes,
            r.ftCreationTime.dwLowDateTime,
            r.ftCreationTime.dwHighDateTime,
            r.ftLastAccessTime.dwLowDateTime,
            r.ftLastAccessTime.dwHighDateTime,
            r.ftLastWriteTime.dwLowDateTime,
            r.ftLastWriteTime.dwHighDateTime,
            r.nFileSizeHigh,
            r.nFileSizeLow,
            r.dwReserved0,
            r.dwReserved1};
}

void setWords(WIN32_FIND_DATA& r, const Words& w)
{
    r.dwFileAttributes = w[0];
    r.ftCreationTime = {w[1], w[2]};
    r.ftLastAccessTime = {w[3], w[4]};
    r.ftLastWriteTime = {w[5], w[6]};
    r.nFileSizeHigh = w[7];
    r.nFileSizeLow = w[8];
    r.dwReserved0 = w[9];
    r.dwReserved1 = w[10];
}

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string lineBreakError(const std::string& path)
{
    return messageText(msg::ExportFailed) + ": " +
           (currentLanguage() == English ? "a line break in the name cannot be written: "
                                         : "名称中含有换行符, 无法写入: ") +
           path;
}

// The runtime's 64-bit conversion: decimal must fit a signed value,
// hexadecimal may use all 64 bits.
bool toInt64(const std::string& text, int64_t& value)
{
    bool negative = false;
    bool hexadecimal = false;
    uint64_t magnitude = 0;
    if (!platform::parseInteger(text, negative, hexadecimal, magnitude)) return false;
    if (!hexadecimal && magnitude > (negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX))) return false;
    value = int64_t(negative ? 0 - magnitude : magnitude);
    return true;
}

bool readLine(std::FILE* file, std::string& line)
{
    char buffer[kLineBuffer];
    if (!std::fgets(buffer, sizeof buffer, file)) return false;
    line = trimmed(buffer);
    return true;
}

void copyName(char* to, size_t capacity, const std::string& from)
{
    const size_t n = std::min(from.size(), capacity - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

}  // namespace

std::string infoPathOf(const dirCompare& comp, const std::string& path)
{
    if (comp.pathB.empty()) return path;
    const size_t at = path.find(comp.pathB);
    if (at == std::string::npos) return path;
    return comp.pathA + path.substr(at + comp.pathB.size());
}

bool writeInfoBlock(const dirCompare& comp, platform::AtomicFile& file, const element_t& element, std::string& error)
{
    // The caller, who knows the file's name, words a failed write.
    const auto failWrite = [&] {
        error.clear();
        return false;
    };
    try {
        if (!file.write(withCrLf(messageRaw(msg::InfoWriteBegin)))) return failWrite();
        for (const auto& child : *element.children) {
            const std::string path = infoPathOf(comp, child->path);
            const std::string name = child->findData.cFileName;
            const std::string shortName = child->findData.cAlternateFileName;
            if (holdsLineBreak(path) || holdsLineBreak(name) || holdsLineBreak(shortName) ||
                holdsLineBreak(child->version)) {
                error = lineBreakError(child->path);
                return false;
            }
            const Words w = wordsOf(child->findData);
            char numbers[160];
            std::snprintf(numbers, sizeof numbers, "%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u\r\n", w[0], w[1], w[2], w[3], w[4],
                          w[5], w[6], w[7], w[8], w[9], w[10]);
            const std::string record =
                path + "\r\n" + withCrLf(messageRaw(child->isFolder ? msg::InfoWriteFolder : msg::InfoWriteFile)) +
                child->version + "\r\n" + numbers + name + "\r\n" + shortName + "\r\n";
            if (!file.write(record)) return failWrite();
            if (child->isFolder && child->children && !writeInfoBlock(comp, file, *child, error)) return false;
        }
        if (!file.write(withCrLf(messageRaw(msg::InfoWriteEnd)))) return failWrite();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool exportInfoFile(const dirCompare& comp, const std::string& fileName, std::string& error, const element_t& root)
{
    platform::AtomicFile file;
    if (!file.open(fileName)) {
        error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    element_t empty;
    empty.children.emplace();
    if (!writeInfoBlock(comp, file, root.children ? root : empty, error)) {
        if (error.empty()) error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    if (!file.commit()) {
        error = systemErrorText(messageText(msg::OpenForWrite) + fileName);
        return false;
    }
    return true;
}

bool parseNumbersLine(const std::string& line, WIN32_FIND_DATA& record, std::string& error)
{
    Words words = wordsOf(record);
    int k = 0;
    std::string rest = line;
    while (k < kWordCount && !rest.empty()) {
        std::string field;
        const size_t comma = rest.find(',');
        if (comma != std::string::npos) {
            field = trimmed(rest.substr(0, comma));
            rest = rest.substr(comma + 1);
        } else {
            field = trimmed(rest);
            rest.clear();
        }
        if (field.empty()) continue;
        int64_t value = 0;
        if (!toInt64(field, value)) {
            error = "'" + field + "' is not a valid integer value" + messageText(msg::ErrorLine) + line;
            return false;
        }
        words[k++] = uint32_t(uint64_t(value) & 0xFFFFFFFFu);
    }
    setWords(record, words);
    return true;
}

bool readInfoBlock(dirCompare& comp, element_t& element, std::FILE* file, std::string& error,
                   const std::string& subPath, int depth)
{
    if (depth > kMaxInfoDepth) {
        error = messageText(msg::InfoReadError) + " (BEGIN > " + std::to_string(kMaxInfoDepth) + ")";
        return false;
    }
    element.children.emplace();
    bool found = subPath.empty();
    bool inside = false;
    int n = 0;
    std::unique_ptr<element_t> record;
    const std::string begin = messageText(msg::InfoBegin);
    const std::string end = messageText(msg::InfoEnd);
    const std::string folderMark = messageText(msg::InfoFolder);
    std::string line;
    while (readLine(file, line)) {
        if (line == subPath) found = true;
        if (!inside) {
            if (line == begin && found) {
                inside = true;
                n = 0;
            }
            continue;
        }
        if (line == end) break;
        switch (n) {
            case 0:
                record = std::make_unique<element_t>();
                record->path = line;
                break;
            case 1: record->isFolder = line == folderMark ? 1 : 0; break;
            case 2:
                record->version = line == messageRaw(msg::StoredNoVersion) ? messageText(msg::NoVersion) : line;
                break;
            case 3:
                if (!parseNumbersLine(line, record->findData, error)) return false;
                break;
            case 4: copyName(record->findData.cFileName, sizeof record->findData.cFileName, line); break;
            case 5: {
                copyName(record->findData.cAlternateFileName, sizeof record->findData.cAlternateFileName, line);
                element_t& added = *record;
                element.children->push_back(std::move(record));
                n = 0;
                if (added.isFolder && !readInfoBlock(comp, added, file, error, {}, depth + 1)) return false;
                continue;
            }
        }
        ++n;
    }
    if (n != 0) {
        error = platform::fromUtf8(kIncomplete);
        return false;
    }
    return true;
}

bool readInfoFile(dirCompare& comp, element_t& target, const std::string& fileName, std::string& error,
                  const std::string& subPath)
{
    std::FILE* file = platform::openFile(fileName, "rb");
    if (!file) {
        error = systemErrorText(messageText(msg::OpenForRead) + fileName);
        return false;
    }
    target.count = 0;
    const bool ok = readInfoBlock(comp, target, file, error, subPath);
    std::fclose(file);
    return ok;
}

}  // namespace dm

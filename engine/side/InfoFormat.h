// What the reader and the writer of the information file share: its marks,
// its lines, and the eleven numbers of a record.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/Messages.h"
#include "platform/FindData.h"
#include "platform/Text.h"

namespace dm::info {

constexpr int kWordCount = 11;
constexpr size_t kLineBuffer = 4096;  // a longer line is read as several
inline const char* const kIncomplete = "文件不完整";
// The line before a file's first block that names the code page of its text.
inline const std::string kCodePageMark = "#codepage ";
// The code page of a file whose names are kept as their bytes: a Linux name
// that is not UTF-8 has no text of any code page to stand for it.
inline const std::string kBytesCodePage = "bytes";
// The line before a file's first block that gives the step (in 100-ns units)
// in which its folder's file system keeps times, where that is coarser than 100 ns.
inline const std::string kTimeStepMark = "#timestep ";

inline std::string trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

// The record's first eleven 32-bit words, in their order in the record.
using Words = std::array<uint32_t, kWordCount>;

inline Words wordsOf(const platform::FileRecord& r)
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

inline void setWords(platform::FileRecord& r, const Words& w)
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

// The runtime's 64-bit conversion: decimal must fit a signed value,
// hexadecimal may use all 64 bits.
inline bool toInt64(const std::string& text, int64_t& value)
{
    bool negative = false;
    bool hexadecimal = false;
    uint64_t magnitude = 0;
    if (!platform::parseInteger(text, negative, hexadecimal, magnitude)) return false;
    if (!hexadecimal && magnitude > (negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX))) return false;
    value = int64_t(negative ? 0 - magnitude : magnitude);
    return true;
}

// A line exactly as written, only its end taken off: a name may begin or end
// with spaces, and every line ends in CR LF, so nothing else belongs to the end.
inline bool readLine(std::FILE* file, std::string& line)
{
    char buffer[kLineBuffer];
    if (!std::fgets(buffer, sizeof buffer, file)) return false;
    line = buffer;
    if (line.ends_with('\n')) line.pop_back();
    if (line.ends_with('\r')) line.pop_back();
    return true;
}

// The marks of the format are known with spaces around them, as a hand may
// have left them.
inline bool isMark(const std::string& line, const std::string& mark)
{
    return trimmed(line) == mark;
}

// The marks of the format. The folder and file marks are Chinese words; where
// the system's code page cannot hold them, their bytes in code page 936 stand
// in, so a file reads back on the system that wrote it and on a Chinese one.
struct InfoMarks {
    std::string begin = messageRaw(msg::InfoBegin);
    std::string end = messageRaw(msg::InfoEnd);
    std::string folder = inSystemOr(messageRaw(msg::InfoFolder), kFolder936);
    std::string file = inSystemOr(messageRaw(msg::InfoWriteFile), kFile936);

    bool isFolderMark(const std::string& line) const { return isMark(line, folder) || isMark(line, kFolder936); }
    bool isStoredNoVersion(const std::string& line) const
    {
        return isMark(line, messageRaw(msg::StoredNoVersion)) || isMark(line, kNoVersion936);
    }

    static constexpr const char* kFolder936 = "\xC4\xBF\xC2\xBC";                             // 目录
    static constexpr const char* kFile936 = "\xCE\xC4\xBC\xFE";                               // 文件
    static constexpr const char* kNoVersion936 = "\xB0\xE6\xB1\xBE\xB2\xBB\xB4\xE6\xD4\xDA";  // 版本不存在

private:
    static std::string inSystemOr(const std::string& text, const char* bytes936)
    {
        const std::string word = trimmed(text);
        return word.find('?') == std::string::npos ? word : bytes936;
    }
};

inline const InfoMarks& marks()
{
    static const InfoMarks m;
    return m;
}

}  // namespace dm::info

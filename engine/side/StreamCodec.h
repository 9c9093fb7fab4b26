// The bytes of the listing stream, shared by its writer and its reader.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace dm::stream {

// "\x7f" "DMS" and the version byte open every stream.
constexpr std::string_view kMagic =
    "\x7f"
    "DMS";

enum Tag : uint8_t {
    Block = 'B',       // the records that follow are the folder's of this id
    Entry = 'E',       // one item of the current folder
    Unreadable = 'U',  // a folder (by id) that could not be listed, and why
    Digest = 'H',      // the 16 bytes of a file's digest
    NotRead = 'R',     // why a file's digest could not be made
    Failure = 'X',     // the peer failed: its words
    End = 'Z',         // the stream is whole (a flags byte follows)
    Media = 'M',       // what the folder's file system keeps: time step, why no modes, holes
};

enum EntryFlags : uint8_t {
    IsFolder = 1,
    HasVersion = 2,  // a version text follows
    HasShortName = 4,
    NoVersion = 8,  // a file without a version (read, and found to have none)
};

constexpr uint8_t kEndAtLimit = 1;  // the walk stopped at the entry limit

// Longest texts a reader accepts: a name, a version or short name, a message.
constexpr uint64_t kMaxName = 4096;
// A path longer than a walk here could open is refused: it also bounds the
// depth, and so the memory, a stream of nested folders can cost.
constexpr uint64_t kMaxPath = 4096;
constexpr uint64_t kMaxShort = 256;
constexpr uint64_t kMaxMessage = 65536;

inline void putVarint(std::string& out, uint64_t value)
{
    while (value >= 0x80) {
        out += char(uint8_t(value) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

inline void putSigned(std::string& out, int64_t value)
{
    putVarint(out, (uint64_t(value) << 1) ^ uint64_t(value >> 63));
}

inline void putText(std::string& out, std::string_view text)
{
    putVarint(out, text.size());
    out += text;
}

// Reads what the writer put, failing on a short stream or an oversized field.
class Input {
public:
    explicit Input(std::FILE* file) : file_(file) {}

    bool byte(uint8_t& value)
    {
        const int c = std::getc(file_);
        if (c == EOF) return false;
        value = uint8_t(c);
        return true;
    }
    bool varint(uint64_t& value)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            uint8_t b = 0;
            if (!byte(b)) return false;
            if (shift == 63 && b > 1) return false;
            value |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool signedValue(int64_t& value)
    {
        uint64_t raw = 0;
        if (!varint(raw)) return false;
        value = int64_t(raw >> 1) ^ -int64_t(raw & 1);
        return true;
    }
    bool bytes(std::string& out, uint64_t count)
    {
        out.resize(size_t(count));
        return count == 0 || std::fread(out.data(), 1, out.size(), file_) == out.size();
    }
    bool text(std::string& out, uint64_t limit)
    {
        uint64_t size = 0;
        return varint(size) && size <= limit && bytes(out, size);
    }

private:
    std::FILE* file_;
};

}  // namespace dm::stream

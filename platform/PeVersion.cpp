#include "platform/PeVersion.h"

#include <cstring>
#include <vector>

namespace dm::platform {

namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kVersionResourceId = 1;  // the only one the system's version query reads
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr size_t kFixedInfoSize = 52;
constexpr unsigned kMaxSections = 96;

uint16_t u16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t u32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

class PeReader {
public:
    PeReader(const ReadAt& read, uint64_t size) : read_(read), size_(size) {}

    bool bytes(uint64_t offset, size_t length, std::vector<uint8_t>& out) const
    {
        if (offset > size_ || length > size_ - offset) return false;
        out.resize(length);
        return length == 0 || read_(offset, out.data(), length);
    }

    std::optional<uint64_t> fileOffsetOf(uint32_t rva, uint32_t length) const
    {
        for (const Section& s : sections_) {
            const uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || uint64_t(rva) - s.virtualAddress >= span) continue;
            const uint64_t delta = uint64_t(rva) - s.virtualAddress;
            if (delta + length > s.rawSize) return std::nullopt;
            return uint64_t(s.rawOffset) + delta;
        }
        return std::nullopt;
    }

    std::optional<FileVersion> version()
    {
        std::vector<uint8_t> buf;
        if (!bytes(0, 64, buf) || buf[0] != 'M' || buf[1] != 'Z') return std::nullopt;
        const uint64_t peOffset = u32(&buf[0x3C]);
        if (!bytes(peOffset, 24, buf) || std::memcmp(buf.data(), "PE\0\0", 4) != 0) return std::nullopt;
        const unsigned sectionCount = u16(&buf[6]);
        const unsigned optionalSize = u16(&buf[20]);
        if (sectionCount == 0 || sectionCount > kMaxSections) return std::nullopt;

        std::vector<uint8_t> opt;
        if (!bytes(peOffset + 24, optionalSize, opt) || optionalSize < 2) return std::nullopt;
        size_t countAt = 0;
        switch (u16(opt.data())) {
            case 0x10b: countAt = 92; break;   // PE32
            case 0x20b: countAt = 108; break;  // PE32+
            default: return std::nullopt;
        }
        const size_t resourceDirAt = countAt + 4 + 2 * 8;
        if (optionalSize < resourceDirAt + 8 || u32(&opt[countAt]) < 3) return std::nullopt;
        const uint32_t resourceRva = u32(&opt[resourceDirAt]);
        if (resourceRva == 0) return std::nullopt;

        std::vector<uint8_t> table;
        if (!bytes(peOffset + 24 + optionalSize, size_t(sectionCount) * 40, table)) return std::nullopt;
        for (unsigned i = 0; i < sectionCount; ++i) {
            const uint8_t* s = &table[size_t(i) * 40];
            sections_.push_back(Section{u32(s + 12), u32(s + 8), u32(s + 16), u32(s + 20)});
        }
        const auto base = fileOffsetOf(resourceRva, 16);
        if (!base) return std::nullopt;
        return walkResources(*base);
    }

private:
    // One directory level: the offset (from the resource base) of the entry
    // with that ID (or the first entry), with its subdirectory bit.
    std::optional<uint32_t> entryOf(uint64_t base, uint32_t dirOffset, bool wantId, uint32_t id) const
    {
        std::vector<uint8_t> dir;
        if (!bytes(base + dirOffset, 16, dir)) return std::nullopt;
        const size_t entries = size_t(u16(&dir[12])) + u16(&dir[14]);
        std::vector<uint8_t> list;
        if (!bytes(base + dirOffset + 16, entries * 8, list)) return std::nullopt;
        for (size_t i = 0; i < entries; ++i) {
            const uint32_t name = u32(&list[i * 8]);
            if (wantId && name != id) continue;  // named entries have the high bit set
            return u32(&list[i * 8 + 4]);
        }
        return std::nullopt;
    }

    std::optional<FileVersion> walkResources(uint64_t base) const
    {
        const auto typeEntry = entryOf(base, 0, true, kResourceTypeVersion);
        if (!typeEntry || !(*typeEntry & kSubdirectoryBit)) return std::nullopt;
        const auto nameEntry = entryOf(base, *typeEntry & ~kSubdirectoryBit, true, kVersionResourceId);
        if (!nameEntry || !(*nameEntry & kSubdirectoryBit)) return std::nullopt;
        const auto langEntry = entryOf(base, *nameEntry & ~kSubdirectoryBit, false, 0);
        if (!langEntry || (*langEntry & kSubdirectoryBit)) return std::nullopt;

        std::vector<uint8_t> dataEntry;
        if (!bytes(base + *langEntry, 16, dataEntry)) return std::nullopt;
        const uint32_t dataRva = u32(&dataEntry[0]);
        const uint32_t dataSize = u32(&dataEntry[4]);
        if (dataSize < 6) return std::nullopt;
        const uint32_t headerSize = std::min<uint32_t>(dataSize, 512);
        const auto dataAt = fileOffsetOf(dataRva, headerSize);
        std::vector<uint8_t> block;
        if (!dataAt || !bytes(*dataAt, headerSize, block)) return std::nullopt;
        return fixedInfo(block, dataSize);
    }

    // The root block of VS_VERSIONINFO: length, value length, type, a
    // zero-terminated UTF-16 key, padding to 32 bits, then the fixed info.
    static std::optional<FileVersion> fixedInfo(const std::vector<uint8_t>& block, uint32_t dataSize)
    {
        const size_t blockLength = std::min<size_t>({u16(&block[0]), dataSize, block.size()});
        const size_t valueLength = u16(&block[2]);
        if (valueLength < kFixedInfoSize) return std::nullopt;
        size_t at = 6;
        while (at + 2 <= blockLength && u16(&block[at]) != 0) at += 2;
        at = (at + 2 + 3) & ~size_t(3);
        if (at + kFixedInfoSize > blockLength) return std::nullopt;
        if (u32(&block[at]) != kFixedInfoSignature) return std::nullopt;
        const uint32_t ms = u32(&block[at + 8]);
        const uint32_t ls = u32(&block[at + 12]);
        return FileVersion{uint16_t(ms >> 16), uint16_t(ms & 0xFFFF), uint16_t(ls >> 16), uint16_t(ls & 0xFFFF)};
    }

    const ReadAt& read_;
    uint64_t size_;
    std::vector<Section> sections_;
};

}  // namespace

std::optional<FileVersion> parsePeVersion(const ReadAt& read, uint64_t fileSize)
{
    return PeReader(read, fileSize).version();
}

std::optional<FileVersion> parsePeVersion(const uint8_t* data, size_t size)
{
    const ReadAt read = [data, size](uint64_t offset, void* buffer, size_t length) {
        if (offset > size || length > size - offset) return false;
        std::memcpy(buffer, data + offset, length);
        return true;
    };
    return parsePeVersion(read, size);
}

}  // namespace dm::platform

#include "platform/VersionCache.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <fstream>
#include <tuple>

#include "platform/AtomicFile.h"
#include "platform/ProgramPaths.h"

namespace dm::platform {

namespace {

constexpr char kMagic[8] = {'D', 'M', 'V', 'C', 'A', 'C', 'H', '2'};
constexpr size_t kHeaderBytes = sizeof kMagic + 8;
constexpr size_t kRecordBytes = 8 * 5 + 2 * 4 + 4 + 1;

auto tied(const VersionKey& k)
{
    return std::tie(k.identity.device, k.identity.inode, k.identity.changeTime, k.size, k.writeTime);
}

bool keyLess(const VersionKey& a, const VersionKey& b)
{
    return tied(a) < tied(b);
}

void put(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

uint64_t get(const unsigned char*& at, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t(*at++) << (8 * i);
    return value;
}

// A little-endian word of the file, read whole (the lookups read many).
uint64_t word(const char* at)
{
    uint64_t value;
    std::memcpy(&value, at, sizeof value);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
    return value;
}

}  // namespace

VersionCache::VersionCache(std::string path, size_t capacity)
    : path_(std::move(path)), capacity_(capacity), today_(uint32_t(std::time(nullptr) / 86400))
{
    load();
}

std::string VersionCache::defaultPath()
{
    return userCacheFolder() + "versions.cache";
}

void VersionCache::load()
{
    std::ifstream in(path_, std::ios::binary | std::ios::ate);
    if (!in) return;
    const std::streamoff length = in.tellg();
    if (length < std::streamoff(kHeaderBytes)) return;
    std::string data(size_t(length), '\0');
    in.seekg(0);
    if (!in.read(data.data(), length)) return;
    if (data.size() < kHeaderBytes || !std::equal(kMagic, kMagic + sizeof kMagic, data.begin())) return;
    const auto* at = reinterpret_cast<const unsigned char*>(data.data()) + sizeof kMagic;
    const uint64_t count = get(at, 8);
    if (count > capacity_ || data.size() != kHeaderBytes + count * kRecordBytes) return;
    // Every record ends with its state: a file with any other byte there is not ours.
    for (size_t i = 1; i <= count; ++i) {
        const char state = data[kHeaderBytes + i * kRecordBytes - 1];
        if (state != kNoVersion && state != kVersion) return;
    }
    stored_ = std::move(data);
    storedCount_ = size_t(count);
}

// Records are read where they lie, only those a lookup reaches.
VersionKey VersionCache::storedKey(size_t index) const
{
    const char* at = stored_.data() + kHeaderBytes + index * kRecordBytes;
    return {{word(at), word(at + 8), int64_t(word(at + 16))}, word(at + 24), word(at + 32)};
}

VersionCache::Entry VersionCache::storedEntry(size_t index) const
{
    Entry e;
    e.key = storedKey(index);
    const auto* at =
        reinterpret_cast<const unsigned char*>(stored_.data()) + kHeaderBytes + index * kRecordBytes + 5 * 8;
    e.version = {uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2))};
    e.lastUsed = uint32_t(get(at, 4));
    e.state = uint8_t(get(at, 1));
    return e;
}

bool VersionCache::find(const VersionKey& key, std::optional<FileVersion>& version, uint32_t& entry)
{
    // The file's records are sorted by key: a binary search, nothing built first.
    size_t low = 0;
    size_t high = storedCount_;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (keyLess(storedKey(middle), key))
            low = middle + 1;
        else
            high = middle;
    }
    if (low < storedCount_) {
        const Entry e = storedEntry(low);
        if (e.key == key && e.state != kUnread) {
            if (e.lastUsed != today_) {
                usedAgain_.push_back(low);
                changed_ = true;
            }
            version = e.state == kVersion ? std::optional(e.version) : std::nullopt;
            return true;
        }
    }
    added_.push_back(Entry{key, {}, today_, kUnread});
    entry = uint32_t(added_.size());
    return false;
}

void VersionCache::store(uint32_t entry, const std::optional<FileVersion>& version)
{
    if (entry == 0 || entry > added_.size()) return;
    Entry& e = added_[entry - 1];
    e.state = version ? kVersion : kNoVersion;
    e.version = version.value_or(FileVersion{});
    changed_ = true;
}

bool VersionCache::save()
{
    if (!changed_) return true;
    std::vector<Entry> all;
    all.reserve(storedCount_ + added_.size());
    for (size_t i = 0; i < storedCount_; ++i) all.push_back(storedEntry(i));
    for (const size_t i : usedAgain_) all[i].lastUsed = today_;
    for (const Entry& e : added_) all.push_back(e);
    std::erase_if(all, [](const Entry& e) { return e.state == kUnread; });
    // One record a key, the newest first; the least recently used go when it is full.
    std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
        return keyLess(a.key, b.key) || (a.key == b.key && a.lastUsed > b.lastUsed);
    });
    all.erase(std::unique(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.key == b.key; }),
              all.end());
    if (all.size() > capacity_) {
        std::nth_element(all.begin(), all.begin() + ptrdiff_t(capacity_), all.end(),
                         [](const Entry& a, const Entry& b) { return a.lastUsed > b.lastUsed; });
        all.resize(capacity_);
        std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return keyLess(a.key, b.key); });
    }
    std::string out(kMagic, sizeof kMagic);
    out.reserve(kHeaderBytes + all.size() * kRecordBytes);
    put(out, all.size(), 8);
    for (const Entry& e : all) {
        for (const uint64_t v : {e.key.identity.device, e.key.identity.inode, uint64_t(e.key.identity.changeTime),
                                 e.key.size, e.key.writeTime})
            put(out, v, 8);
        for (const uint16_t v : {e.version.major, e.version.minor, e.version.build, e.version.revision}) put(out, v, 2);
        put(out, e.lastUsed, 4);
        put(out, e.state, 1);
    }
    AtomicFile file;
    if (!makeFolders(folderOf(path_)) || !file.open(path_) || !file.write(out) || !file.commit(false)) return false;
    // What was saved is what the next lookups read.
    stored_ = std::move(out);
    storedCount_ = all.size();
    added_.clear();
    usedAgain_.clear();
    changed_ = false;
    return true;
}

}  // namespace dm::platform

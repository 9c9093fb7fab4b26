#include "platform/VersionCache.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/AtomicFile.h"
#include "platform/ProgramPaths.h"

namespace dm::platform {

namespace {

constexpr char kMagic[8] = {'D', 'M', 'V', 'C', 'A', 'C', 'H', '1'};
constexpr size_t kHeaderBytes = sizeof kMagic + 8;
constexpr size_t kRecordBytes = 8 * 5 + 2 * 4 + 4 + 1;

uint64_t mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= h >> 31;
    return h * 0xBF58476D1CE4E5B9ull;
}

uint64_t hashOf(const VersionKey& k)
{
    uint64_t h = mix(0, k.identity.device);
    for (const uint64_t v : {k.identity.inode, uint64_t(k.identity.changeTime), k.size, k.writeTime}) h = mix(h, v);
    return h;
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
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < kHeaderBytes || !std::equal(kMagic, kMagic + sizeof kMagic, data.begin())) return;
    const auto* at = reinterpret_cast<const unsigned char*>(data.data()) + sizeof kMagic;
    const uint64_t count = get(at, 8);
    if (count > capacity_ || data.size() != kHeaderBytes + count * kRecordBytes) return;
    std::vector<Entry> entries(count);
    for (Entry& e : entries) {
        e.key.identity.device = get(at, 8);
        e.key.identity.inode = get(at, 8);
        e.key.identity.changeTime = int64_t(get(at, 8));
        e.key.size = get(at, 8);
        e.key.writeTime = get(at, 8);
        e.version = {uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2))};
        e.lastUsed = uint32_t(get(at, 4));
        e.state = uint8_t(get(at, 1));
        if (e.state != kNoVersion && e.state != kVersion) return;  // not a file this program wrote
    }
    entries_ = std::move(entries);
    rehash(entries_.size() * 2);
}

void VersionCache::rehash(size_t wanted)
{
    size_t slots = 1024;
    while (slots < wanted) slots *= 2;
    index_.assign(slots, 0);
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        const uint64_t hash = hashOf(entries_[i].key);
        *slotOf(entries_[i].key, hash) = (hash & ~0xFFFFFFFFull) | (i + 1);
    }
}

// The slot holding the key, or the free slot where it belongs.
uint64_t* VersionCache::slotOf(const VersionKey& key, uint64_t hash)
{
    const size_t mask = index_.size() - 1;
    const uint64_t tag = hash & ~0xFFFFFFFFull;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        uint64_t& slot = index_[at];
        if (slot == 0) return &slot;
        if ((slot & ~0xFFFFFFFFull) == tag && entries_[(slot & 0xFFFFFFFFu) - 1].key == key) return &slot;
    }
}

bool VersionCache::find(const VersionKey& key, std::optional<FileVersion>& version, uint32_t& entry)
{
    if (index_.empty()) rehash(0);
    const uint64_t hash = hashOf(key);
    uint64_t* slot = slotOf(key, hash);
    if (*slot == 0) {
        entries_.push_back(Entry{key, {}, today_, kUnread});
        *slot = (hash & ~0xFFFFFFFFull) | entries_.size();
        entry = uint32_t(entries_.size());
        if (entries_.size() * 2 > index_.size()) rehash(index_.size() * 2);
    } else {
        entry = uint32_t(*slot & 0xFFFFFFFFu);
    }
    Entry& e = entries_[entry - 1];
    if (e.state == kUnread) return false;
    if (e.lastUsed != today_) {
        e.lastUsed = today_;
        changed_ = true;
    }
    version = e.state == kVersion ? std::optional(e.version) : std::nullopt;
    return true;
}

void VersionCache::store(uint32_t entry, const std::optional<FileVersion>& version)
{
    if (entry == 0 || entry > entries_.size()) return;
    Entry& e = entries_[entry - 1];
    e.state = version ? kVersion : kNoVersion;
    e.version = version.value_or(FileVersion{});
    e.lastUsed = today_;
    changed_ = true;
}

bool VersionCache::save()
{
    if (!changed_) return true;
    std::vector<const Entry*> kept;
    kept.reserve(entries_.size());
    for (const Entry& e : entries_) {
        if (e.state != kUnread) kept.push_back(&e);
    }
    if (kept.size() > capacity_) {
        std::nth_element(kept.begin(), kept.begin() + ptrdiff_t(capacity_), kept.end(),
                         [](const Entry* a, const Entry* b) { return a->lastUsed > b->lastUsed; });
        kept.resize(capacity_);
    }
    std::string out(kMagic, sizeof kMagic);
    out.reserve(kHeaderBytes + kept.size() * kRecordBytes);
    put(out, kept.size(), 8);
    for (const Entry* e : kept) {
        for (const uint64_t v : {e->key.identity.device, e->key.identity.inode, uint64_t(e->key.identity.changeTime),
                                 e->key.size, e->key.writeTime})
            put(out, v, 8);
        for (const uint16_t v : {e->version.major, e->version.minor, e->version.build, e->version.revision})
            put(out, v, 2);
        put(out, e->lastUsed, 4);
        put(out, e->state, 1);
    }
    const std::string folder = folderOf(path_);
    AtomicFile file;
    if (!makeFolders(folder) || !file.open(path_) || !file.write(out) || !file.commit(false)) return false;
    changed_ = false;
    return true;
}

}  // namespace dm::platform

#include "platform/VersionCache.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <ctime>
#include <functional>
#include <tuple>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "platform/AtomicFile.h"
#include "platform/OpenFile.h"
#include "platform/ProgramPaths.h"
#include "platform/TestSeams.h"

namespace dm::platform {

namespace {

// The records in key order, then the slots of a hash table over them (a
// record's index + 1, 0 for none): another hashOf is another file.
constexpr char kMagic[8] = {'D', 'M', 'V', 'C', 'A', 'C', 'H', '4'};
constexpr size_t kHeaderBytes = sizeof kMagic + 8 + 8 + 8;  // and the count, when it was saved, the slots
constexpr size_t kSlotBytes = 4;
constexpr size_t kDataBytes = 8 * 5 + 2 * 4 + 4 + 1;
constexpr size_t kRecordBytes = kDataBytes + 8;  // and the XXH3 of the data
// Marks a record's index as one of what this run added (the capacity stays below it).
constexpr uint32_t kAdded = 0x80000000u;

// The table's size for `records`: at least twice their number of slots.
uint64_t slotsFor(uint64_t records)
{
    return std::bit_ceil(std::max<uint64_t>(16, records * 2));
}

uint64_t checksum(const char* data)
{
    return XXH3_64bits(data, kDataBytes);
}

int64_t nowNs()
{
    return int64_t(std::time(nullptr)) * 1000000000 + testSeams().versionCacheClockShift;
}

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
    : path_(std::move(path)), capacity_(capacity), today_(uint32_t(nowNs() / (int64_t(86400) * 1000000000)))
{
    load();
}

std::string VersionCache::defaultPath()
{
    return userCacheFolder() + "versions.cache";
}

void VersionCache::load()
{
    // Another user's file (a shared cache folder) could say anything; a file
    // larger than the capacity's is no cache of ours and is never read. Only
    // the pages a lookup reaches are read; a damaged record is found not to
    // be one when it is reached, and goes at the next save.
    const uint64_t slotsAtMost = slotsFor(capacity_);
    if (!stored_.open(path_, kHeaderBytes + capacity_ * kRecordBytes + slotsAtMost * kSlotBytes)) return;
    const std::string_view data = stored_.data();
    if (data.size() < kHeaderBytes || !std::equal(kMagic, kMagic + sizeof kMagic, data.begin())) {
        stored_.close();
        return;
    }
    const auto* at = reinterpret_cast<const unsigned char*>(data.data()) + sizeof kMagic;
    const uint64_t count = get(at, 8);
    const int64_t writtenAt = int64_t(get(at, 8));
    const uint64_t slots = get(at, 8);
    if (count > capacity_ || slots > slotsAtMost || !std::has_single_bit(slots) || slots <= count ||
        data.size() != kHeaderBytes + count * kRecordBytes + slots * kSlotBytes) {
        stored_.close();
        return;
    }
    writtenAt_ = writtenAt;
    storedCount_ = count;
    slotCount_ = slots;
}

namespace {

uint64_t hashOf(const VersionKey& key)
{
    // The inode tells files apart; the rest of the key spreads what it does not.
    uint64_t h = key.identity.inode * 0x9E3779B97F4A7C15ull ^ key.identity.device ^ key.writeTime;
    h ^= h >> 29;
    return h * 0xBF58476D1CE4E5B9ull;
}

}  // namespace

uint32_t VersionCache::slot(size_t at) const
{
    uint32_t value;
    std::memcpy(&value, slotTable() + at * kSlotBytes, sizeof value);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
    return value;
}

const char* VersionCache::record(size_t index) const
{
    return stored_.data().data() + kHeaderBytes + index * kRecordBytes;
}

const char* VersionCache::slotTable() const
{
    return record(storedCount_);  // it follows the last record
}

std::optional<size_t> VersionCache::storedIndex(const VersionKey& key) const
{
    // A damaged table may name records that are not there, or have no free
    // slot to end a search: neither is followed past its bounds.
    const size_t mask = slotCount_ - 1;
    size_t at = hashOf(key) & mask;
    for (size_t probes = 0; probes < slotCount_; ++probes, at = (at + 1) & mask) {
        const uint32_t s = slot(at);
        if (s == 0 || s > storedCount_) return std::nullopt;
        if (storedKey(s - 1) == key) return s - 1;
    }
    return std::nullopt;
}

bool VersionCache::racy(const VersionKey& key, int64_t cacheTime) const
{
    return key.identity.changeTime >= cacheTime - kRacyWindow;
}

// Records are read where they lie, only those a lookup reaches.
VersionKey VersionCache::storedKey(size_t index) const
{
    const char* at = record(index);
    return {{word(at), word(at + 8), int64_t(word(at + 16))}, word(at + 24), word(at + 32)};
}

bool VersionCache::intact(size_t index) const
{
    const char* data = record(index);
    const auto state = uint8_t(data[kDataBytes - 1]);
    return word(data + kDataBytes) == checksum(data) && (state == kNoVersion || state == kVersion);
}

VersionCache::Entry VersionCache::storedEntry(size_t index) const
{
    Entry e;
    e.key = storedKey(index);
    const auto* at = reinterpret_cast<const unsigned char*>(record(index)) + 5 * 8;
    e.version = {uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2)), uint16_t(get(at, 2))};
    e.lastUsed = uint32_t(get(at, 4));
    e.state = uint8_t(get(at, 1));
    return e;
}

namespace {
std::atomic<size_t> gCapacity{VersionCache::kCapacity};
}  // namespace

void VersionCache::setCapacity(size_t capacity)
{
    gCapacity = capacity;
}

size_t VersionCache::capacity()
{
    return gCapacity;
}

void VersionCache::reloadIfSaved()
{
    if (reloadPending_) {
        const std::lock_guard lock(mutex_);
        if (reloadPending_) load();
        reloadPending_ = false;
    }
}

void VersionCache::prefetch(std::span<const VersionKey> keys)
{
    reloadIfSaved();
    if (slotCount_ == 0) return;
    const size_t mask = slotCount_ - 1;
    const char* slots = slotTable();
    for (const VersionKey& key : keys) __builtin_prefetch(slots + (hashOf(key) & mask) * kSlotBytes);
    for (const VersionKey& key : keys) {
        if (const uint32_t s = slot(hashOf(key) & mask); s != 0 && s <= storedCount_) {
            __builtin_prefetch(record(s - 1));
            __builtin_prefetch(record(s - 1) + kRecordBytes - 1);
        }
    }
}

bool VersionCache::find(const VersionKey& key, std::optional<FileVersion>& version, uint32_t& entry)
{
    reloadIfSaved();
    // The stored records are only read here: found without the lock, which
    // guards what this run adds.
    if (const std::optional<size_t> at = storedIndex(key); at && !racy(key, writtenAt_) && intact(*at)) {
        const Entry e = storedEntry(*at);
        if (e.lastUsed != today_) {
            const std::lock_guard lock(mutex_);
            usedAgain_.push_back(*at);
            changed_ = true;
        }
        version = e.state == kVersion ? std::optional(e.version) : std::nullopt;
        return true;
    }
    const std::lock_guard lock(mutex_);
    added_.push_back(Entry{key, {}, today_, kUnread});
    entry = uint32_t(added_.size());
    return false;
}

void VersionCache::store(uint32_t entry, const std::optional<FileVersion>& version)
{
    const std::lock_guard lock(mutex_);
    if (entry == 0 || entry > added_.size()) return;
    Entry& e = added_[entry - 1];
    e.state = version ? kVersion : kNoVersion;
    e.version = version.value_or(FileVersion{});
    changed_ = true;
}

bool VersionCache::save()
{
    if (!changed_) return true;
    const int64_t now = nowNs();
    // Damaged records go, and so does what changed too lately to be told apart
    // from a change to come.
    const auto keptStored = [&](size_t i) { return intact(i) && !racy(storedKey(i), now); };
    std::vector<uint32_t> added;
    for (size_t i = 0; i < added_.size(); ++i)
        if (added_[i].state != kUnread && !racy(added_[i].key, now)) added.push_back(uint32_t(i));
    std::stable_sort(added.begin(), added.end(),
                     [&](uint32_t a, uint32_t b) { return keyLess(added_[a].key, added_[b].key); });

    // The records to write, in key order, each named by where it lies (the
    // file's records are in key order already; this run's are merged in):
    // one record a key, what this run read first.
    std::vector<uint32_t> order;
    order.reserve(storedCount_ + added.size());
    const auto keyOf = [&](uint32_t ref) { return ref & kAdded ? added_[ref & ~kAdded].key : storedKey(ref); };
    size_t s = 0;
    size_t a = 0;
    while (s < storedCount_ || a < added.size()) {
        uint32_t ref;
        if (a < added.size() && (s == storedCount_ || !keyLess(storedKey(s), added_[added[a]].key)))
            ref = added[a++] | kAdded;
        else if (keptStored(s))
            ref = uint32_t(s++);
        else {
            ++s;
            continue;
        }
        if (order.empty() || !(keyOf(order.back()) == keyOf(ref))) order.push_back(ref);
    }

    std::vector<bool> usedToday(storedCount_);
    for (const size_t i : usedAgain_) usedToday[i] = true;
    const auto entryOf = [&](uint32_t ref) {
        if (ref & kAdded) return added_[ref & ~kAdded];
        Entry e = storedEntry(ref);
        if (usedToday[ref]) e.lastUsed = today_;
        return e;
    };
    // The least recently used go when it is full.
    if (capacity_ == 0) order.clear();
    if (order.size() > capacity_) {
        std::vector<uint32_t> days;
        days.reserve(order.size());
        for (const uint32_t ref : order) days.push_back(entryOf(ref).lastUsed);
        std::vector<uint32_t> sorted = days;
        std::nth_element(sorted.begin(), sorted.begin() + ptrdiff_t(capacity_ - 1), sorted.end(), std::greater<>());
        const uint32_t oldestKept = sorted[capacity_ - 1];
        size_t room =
            capacity_ - size_t(std::count_if(days.begin(), days.end(), [&](uint32_t d) { return d > oldestKept; }));
        size_t kept = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            if (days[i] < oldestKept || (days[i] == oldestKept && room == 0)) continue;
            if (days[i] == oldestKept) --room;
            order[kept++] = order[i];
        }
        order.resize(kept);
    }
    // Written in pieces: the records are not held twice.
    AtomicFile file;
    if (!makeFolders(folderOf(path_)) || !file.open(path_)) return false;
    constexpr size_t kPiece = 1 << 20;
    std::vector<uint32_t> slots(slotsFor(order.size()), 0);
    const size_t mask = slots.size() - 1;
    std::string out(kMagic, sizeof kMagic);
    out.reserve(kPiece + kRecordBytes);
    put(out, order.size(), 8);
    put(out, uint64_t(now), 8);
    put(out, slots.size(), 8);
    for (size_t i = 0; i < order.size(); ++i) {
        const Entry e = entryOf(order[i]);
        size_t at = hashOf(e.key) & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = uint32_t(i + 1);
        for (const uint64_t v : {e.key.identity.device, e.key.identity.inode, uint64_t(e.key.identity.changeTime),
                                 e.key.size, e.key.writeTime})
            put(out, v, 8);
        for (const uint16_t v : {e.version.major, e.version.minor, e.version.build, e.version.revision}) put(out, v, 2);
        put(out, e.lastUsed, 4);
        put(out, e.state, 1);
        put(out, checksum(out.data() + out.size() - kDataBytes), 8);
        if (out.size() >= kPiece) {
            if (!file.write(out)) return false;
            out.clear();
        }
    }
    for (const uint32_t value : slots) {
        put(out, value, kSlotBytes);
        if (out.size() >= kPiece) {
            if (!file.write(out)) return false;
            out.clear();
        }
    }
    if (!file.write(out) || !file.commit(false)) return false;
    // What was saved is what the next lookups read: the file, read again by
    // the first of them (most runs end here), once this run's entries are let go.
    added_.clear();
    usedAgain_.clear();
    changed_ = false;
    stored_.close();
    storedCount_ = 0;
    slotCount_ = 0;
    reloadPending_ = true;
    return true;
}

}  // namespace dm::platform

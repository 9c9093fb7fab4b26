// The versions of files read on earlier runs, so that a file unchanged since
// is not opened again. One file per user, replaced whole when it changed;
// one that is damaged or not ours is ignored and made anew, and a record
// whose checksum fails is dropped.
//
// A file changed within a moment of a run may change again with nothing in
// its key to show it (a coarse file system keeps the same times): like git's
// index, the cache never trusts an entry whose change time is not older than
// the cache itself by more than the coarsest file system's time step.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/FindData.h"
#include "platform/OpenFile.h"
#include "platform/PeVersion.h"

namespace dm::platform {

// What must all be equal for a remembered version to stand.
struct VersionKey {
    FileIdentity identity;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // FILETIME value

    bool operator==(const VersionKey&) const = default;
};

class VersionCache {
public:
    // Entries kept from one run to the next, unless the settings say another
    // number; those used least recently go first. The file holds what the
    // runs saw, 60 bytes an entry (several trees of 10^6 entries fit).
    static constexpr size_t kCapacity = 8000000;
    static void setCapacity(size_t capacity);
    static size_t capacity();
    // How much older than the cache a change must be to be trusted (FAT keeps 2 s).
    static constexpr int64_t kRacyWindow = 2'000'000'000;  // ns

    // Reads the cache file, if any.
    explicit VersionCache(std::string path, size_t capacity = VersionCache::capacity());
    // The user's cache file.
    static std::string defaultPath();

    // True, with the version (or none), when the file's version is known; else
    // false, and `entry` names where its version goes once read (see store).
    // Both may be called from several threads at once.
    bool find(const VersionKey& key, std::optional<FileVersion>& version, uint32_t& entry);
    // Brings the records of keys about to be found near the processor, all
    // at once rather than one wait for memory a find.
    void prefetch(std::span<const VersionKey> keys);
    void store(uint32_t entry, const std::optional<FileVersion>& version);

    // Writes the file back if anything changed; false (lastError() set) when it cannot.
    bool save();

    // The entries held now (none between a save and the next lookup).
    size_t size() const { return storedCount_ + added_.size(); }

private:
    enum State : uint8_t { kUnread = 0, kNoVersion = 1, kVersion = 2 };
    struct Entry {
        VersionKey key;
        FileVersion version;
        uint32_t lastUsed = 0;  // days since 1970
        uint8_t state = kUnread;
    };

    void load();
    void reloadIfSaved();
    uint32_t slot(size_t at) const;
    const char* record(size_t index) const;
    const char* slotTable() const;
    std::optional<size_t> storedIndex(const VersionKey& key) const;
    VersionKey storedKey(size_t index) const;
    // Whether the record's checksum holds and its state is one we write.
    bool intact(size_t index) const;
    Entry storedEntry(size_t index) const;  // an intact one's
    bool racy(const VersionKey& key, int64_t cacheTime) const;

    std::mutex mutex_;                        // over what find and store change
    std::atomic<bool> reloadPending_{false};  // saved: the file is read again before the next lookup
    std::string path_;
    size_t capacity_;
    uint32_t today_;
    int64_t writtenAt_ = 0;  // when the file was saved, ns since 1970
    bool changed_ = false;
    OwnFileView stored_;  // the file as read (or last saved)
    size_t storedCount_ = 0;
    size_t slotCount_ = 0;
    std::vector<size_t> usedAgain_;  // stored records found today for the first time
    std::deque<Entry> added_;        // files looked up in vain; their versions once read
};

}  // namespace dm::platform

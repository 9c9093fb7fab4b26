#include <memory>

#include "platform/Contents.h"
#include "platform/FileRead.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace dm::platform {

ContentResult digestFile(const std::string& path, uint64_t size, FileDigest& digest, const ContentReading& reading)
{
    constexpr uint64_t kPiece = uint64_t(4) << 20;
    const std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(), &XXH3_freeState);
    XXH3_128bits_reset(state.get());
    ContentResult result;
    std::string bytes;
    uint64_t done = 0;
    for (;;) {
        if (reading.stop && reading.stop()) return {ContentVerdict::Stopped};
        // One byte past the listed size tells a file that has grown.
        const uint64_t want = std::min(kPiece, size + 1 - done);
        if (const int code = readFileRange(path, done, want, bytes); code != 0) return {ContentVerdict::Failed, code};
        XXH3_128bits_update(state.get(), bytes.data(), bytes.size());
        done += bytes.size();
        if (reading.progress) reading.progress(bytes.size());
        if (done > size) return {ContentVerdict::Changed};
        if (bytes.size() < want) break;
    }
    if (done != size) return {ContentVerdict::Changed};
    const XXH128_hash_t hash = XXH3_128bits_digest(state.get());
    digest = {hash.high64, hash.low64};
    return result;
}

}  // namespace dm::platform

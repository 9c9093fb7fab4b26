// The version cache's reader on arbitrary files: loaded, looked up with keys
// taken from the file itself, and saved again.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/VersionCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/dirmatch-fuzz-cache-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    dm::platform::VersionCache cache(path, 64);
    for (size_t at = 24; at + 40 <= size; at += 61) {
        uint64_t words[5];
        std::memcpy(words, data + at, sizeof words);
        const dm::platform::VersionKey key{{words[0], words[1], int64_t(words[2])}, words[3], words[4]};
        std::optional<dm::platform::FileVersion> version;
        uint32_t entry = 0;
        if (!cache.find(key, version, entry)) cache.store(entry, dm::platform::FileVersion{1, 2, 3, 4});
    }
    cache.save();
    return 0;
}

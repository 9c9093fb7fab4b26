// One item of a scanned tree, file or folder alike, and the rules a
// comparison may apply to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ComparisonRequest.h"
#include "platform/FindData.h"

namespace dm {

enum CompareOptions : uint8_t {
    optValid = 0x01,
    optSize = 0x02,
    optTime = 0x04,
    optVersion = 0x08,
    optSubFolders = 0x10,
    optContent = 0x20,
};

// What a byte without the valid bit stands for: every rule but the content's,
// which is on only when asked for.
constexpr uint8_t kFallbackOptions = kAllOptions & ~optContent;
// The rules a request's byte stands for.
constexpr uint8_t effectiveOptions(uint8_t asked)
{
    return (asked & optValid) ? asked : kFallbackOptions;
}
// The sameVersion of a pair that size or time already tell apart, while its
// versions are not read (readAllVersions settles it).
constexpr uint8_t kVersionNotRead = 2;

struct element_t;
using ElementList = std::vector<std::unique_ptr<element_t>>;

// The 8.3 name of an item, where the system gives one: held in place, as the
// listing record holds it (trees hold millions of nodes; most have none).
class ShortName {
public:
    ShortName& operator=(std::string_view name);
    std::string str() const { return text_; }
    bool empty() const { return text_[0] == 0; }

private:
    char text_[sizeof(platform::WIN32_FIND_DATA::cAlternateFileName)] = {};
};

// One node of a scanned tree, file or folder alike.
struct element_t {
    std::string path;
    std::string version;  // empty while not read (a file scanned without the version rule)
    // Present only for a folder whose content has been listed.
    std::unique_ptr<ElementList> children;
    // Why a folder that was skipped could not be listed; its content is unknown.
    std::unique_ptr<std::string> unreadable;
    platform::FileRecord findData;
    int32_t count = 0;
    // Where the file's version goes in the version cache once read (0: nowhere).
    uint32_t versionEntry = 0;
    ShortName shortName;
    uint8_t isFolder = 0;
    // Why the file's version could not be read (an error code), 0 when it was.
    uint8_t versionFailure = 0;

    std::string name() const;
    uint64_t size() const { return platform::fileSizeOf(findData); }
};

// A link to a folder: shown, never entered.
bool isLinkedFolder(const element_t& e);

}  // namespace dm

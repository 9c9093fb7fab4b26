// Shortcuts for tests that run a comparison and look into its result tree.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/compare/Comp.h"
#include "platform/Text.h"

namespace dm::test {

// A request for folders A and B with these rules and filters; where an
// information file is named, it is read in place of that side.
ComparisonRequest request(const std::string& a, const std::string& b, const StringList& include,
                          const StringList& exclude, uint8_t options, const std::string& infoB = {},
                          const std::string& infoA = {});

std::unique_ptr<dirCompare> compared(const std::string& a, const std::string& b, uint8_t options = 0x1F,
                                     const StringList& include = {std::string(1, platform::kSeparator)},
                                     const StringList& exclude = {}, RunControl* control = nullptr);

// Scans the folder with every rule and writes its information file; false,
// with why, where either fails.
bool exportFolder(const std::string& folder, const std::string& file, std::string& error);

// A listing's sink as a test wants it: the limit, a run control, and the
// answer to "skip this unreadable folder?" (no, unless `skips` says yes).
class TestSink : public ListingSink {
public:
    explicit TestSink(int32_t limit = MaxScanCount, RunControl* progress = nullptr) : ListingSink(upTo(limit), progress)
    {
    }
    std::function<bool(const std::string& folder, const std::string& reason)> skips;

protected:
    bool mayskip(const std::string& folder, const std::string& reason) override
    {
        return skips && skips(folder, reason);
    }
};

// The child of `parent` with that name; fails the test when there is none.
result_t& child(result_t& parent, const std::string& name);
element_t& child(element_t& parent, const std::string& name);

}  // namespace dm::test

// Sides made from tables: a comparison, a workflow or a plan tested where
// the folders themselves are not the point (any case rule, any time step,
// any version, a folder that cannot be listed, on every system alike).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace dm::test {

// One item of a table: a folder where the path ends with "/" (the folders
// above an item need no rows of their own), else a file with its content,
// time and version ("": it has none).
struct FakeItem {
    FakeItem(std::string itemPath, std::string itemContent = "x", int64_t itemSeconds = kTime,
             std::string itemVersion = {})
        : path(std::move(itemPath)),
          content(std::move(itemContent)),
          seconds(itemSeconds),
          version(std::move(itemVersion))
    {
    }
    std::string path;
    std::string content;
    int64_t seconds;
    std::string version;
    uint32_t nanoseconds = 0;
    std::optional<uint64_t> size;  // where it is not the content's
    std::string unreadable;        // a folder that cannot be listed: why
};

struct FakeTable {
    std::vector<FakeItem> items;
    uint64_t timeStep = 1;  // in 100-ns units, as its media would say
    int listings = 0;       // how often the side was listed from its top
};

// While it lives, a folder named "fake:NAME" is the side its table NAME
// makes: listed from the table as it stands at each listing.
class FakeSides {
public:
    FakeSides();
    ~FakeSides();
    FakeSides(const FakeSides&) = delete;
    FakeSides& operator=(const FakeSides&) = delete;

    // The folder that names a side holding these items.
    std::string add(const std::string& name, std::vector<FakeItem> items, uint64_t timeStep = 1);
    FakeTable& table(const std::string& name) { return *tables_.at(name); }

private:
    std::map<std::string, std::shared_ptr<FakeTable>> tables_;
};

}  // namespace dm::test

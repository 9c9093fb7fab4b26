#include "tests/support/FakeSide.h"

#include <algorithm>
#include <functional>
#include <set>

#include "common/Messages.h"
#include "engine/side/Element.h"
#include "engine/side/FolderPath.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Side.h"
#include "engine/side/Stream.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace dm::test {

namespace {

const std::string kPrefix = "fake:";

std::string parentOf(const std::string& path)
{
    const std::string bare = path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
    const size_t slash = bare.rfind('/');
    return slash == std::string::npos ? std::string() : bare.substr(0, slash + 1);
}

std::string nameOf(const std::string& path)
{
    const std::string bare = path.ends_with('/') ? path.substr(0, path.size() - 1) : path;
    return bare.substr(bare.rfind('/') + 1);
}

class FakeSide : public Side {
public:
    FakeSide(std::string root, std::shared_ptr<FakeTable> table) : root_(std::move(root)), table_(std::move(table)) {}

    bool locate(const std::string& folder, std::string& path, std::string& error) const override
    {
        if (!table_) {
            error = folderErrorText(folder);
            return false;
        }
        path = folder + platform::kSeparator;
        return true;
    }

    bool list(element_t& node, const std::string& itemName, ListingSink& sink, std::string& error) const override
    {
        if (sink.scope().top) ++table_->listings;
        return level(node, itemName, sink, error, true);
    }

    platform::FolderMedia media(const std::string&, bool) const override { return {table_->timeStep, 0, true, 0, 0}; }
    bool hasLocalPaths() const override { return false; }
    std::string whyNoLocalPaths() const override { return " is a table"; }
    bool makesDigests() const override { return true; }

    bool digests(RunControl*, const std::vector<const element_t*>& files, std::vector<DigestAnswer>& answers,
                 std::string&) const override
    {
        answers.clear();
        for (const element_t* file : files) {
            const FakeItem* item = find(relative(file->path));
            DigestAnswer answer;
            answer.read = item != nullptr;
            if (item) answer.digest = {std::hash<std::string>{}(item->content), item->content.size()};
            answers.push_back(answer);
        }
        return true;
    }

private:
    // The path in the table ("sub/file", "sub/" for a folder) of a path of the side.
    std::string relative(const std::string& path) const
    {
        std::string rel = path.substr(std::min(path.size(), root_.size() + 1));
        std::replace(rel.begin(), rel.end(), platform::kSeparator, '/');
        return rel;
    }

    const FakeItem* find(const std::string& rel) const
    {
        for (const FakeItem& item : table_->items)
            if (item.path == rel) return &item;
        return nullptr;
    }

    bool level(element_t& node, const std::string& itemName, ListingSink& sink, std::string& error, bool asked) const
    {
        const std::string folder =
            platform::endsWithSeparator(node.path) ? node.path : node.path + platform::kSeparator;
        if (!sink.entering(folder, error)) return false;
        const std::string rel = relative(folder);
        const FakeItem* self = rel.empty() ? nullptr : find(rel);
        const std::string why = !rel.empty() && !self ? folderErrorText(node.path) : self ? self->unreadable : "";
        if (!why.empty()) {
            if (asked || !sink.skip(node, why)) {
                error = why;
                return false;
            }
            return true;
        }

        int32_t count = 0;
        if (itemName.empty() || !node.children) {
            node.children = std::make_unique<ElementList>();
        } else {
            count = node.count;
            const std::string wanted = platform::upperCase(itemName);
            std::erase_if(*node.children, [&](const std::unique_ptr<element_t>& child) {
                if (platform::upperCase(child->name()) != wanted) return false;
                count -= 1 + child->count;
                return true;
            });
        }
        node.unreadable.reset();
        const size_t firstNew = node.children->size();
        for (const FakeItem& item : table_->items) {
            if (parentOf(item.path) != rel || sink.full()) continue;
            const std::string name = nameOf(item.path);
            if (!itemName.empty() && platform::upperCase(name) != platform::upperCase(itemName)) continue;
            const bool isFolder = item.path.ends_with('/');
            const std::string path = folder + name;
            if (isFolder && sink.leftOut(path)) continue;
            ++count;
            if (!sink.count(1, folder, error)) return false;
            auto e = std::make_unique<element_t>();
            e->path = path;
            e->isFolder = isFolder ? 1 : 0;
            if (isFolder) {
                e->findData.dwFileAttributes = platform::FILE_ATTRIBUTE_DIRECTORY;
            } else {
                const uint64_t size = item.size.value_or(item.content.size());
                e->findData.dwFileAttributes = platform::FILE_ATTRIBUTE_ARCHIVE;
                e->findData.nFileSizeHigh = uint32_t(size >> 32);
                e->findData.nFileSizeLow = uint32_t(size);
                e->version = item.version.empty() ? messageText(msg::NoVersion) : item.version;
            }
            e->findData.ftLastWriteTime = platform::fileTimeFromUnix(item.seconds, item.nanoseconds);
            node.children->push_back(std::move(e));
        }
        if (itemName.empty() && !sink.listed(node, error)) return false;
        for (size_t i = firstNew; i < node.children->size(); ++i) {
            element_t& child = *(*node.children)[i];
            if (!child.isFolder || !sink.descends(child)) continue;
            if (!level(child, {}, sink, error, false)) return false;
            count += child.count;
            if (sink.full()) break;
        }
        node.count = count;
        return true;
    }

    std::string root_;
    std::shared_ptr<FakeTable> table_;
};

}  // namespace

FakeSides::FakeSides()
{
    sideMakerForTests() = [this](const std::string& folder) -> std::unique_ptr<Side> {
        if (!folder.starts_with(kPrefix)) return nullptr;
        const auto found = tables_.find(folder.substr(kPrefix.size()));
        return std::make_unique<FakeSide>(folder, found == tables_.end() ? nullptr : found->second);
    };
}

FakeSides::~FakeSides()
{
    sideMakerForTests() = nullptr;
}

std::string FakeSides::add(const std::string& name, std::vector<FakeItem> items, uint64_t timeStep)
{
    // Every folder above an item is an item of its own.
    std::set<std::string> folders;
    for (const FakeItem& item : items)
        for (std::string up = parentOf(item.path); !up.empty(); up = parentOf(up)) folders.insert(up);
    for (const std::string& folder : folders) {
        if (std::none_of(items.begin(), items.end(), [&](const FakeItem& i) { return i.path == folder; }))
            items.emplace_back(folder);
    }
    tables_[name] = std::make_shared<FakeTable>(FakeTable{std::move(items), timeStep, 0});
    return kPrefix + name;
}

}  // namespace dm::test

// Pairing two scanned trees into the result tree, and redoing part of it.
#include <algorithm>
#include <unordered_map>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Contents.h"
#include "platform/Text.h"

namespace dm {

namespace {

const ElementList kNoElements;

const ElementList& childrenOf(const element_t& e)
{
    return e.children ? *e.children : kNoElements;
}

std::string upperName(const element_t& e)
{
    return platform::upperCase(platform::lastComponent(e.path));
}

void addCounts(result_t& to, const result_t& from, int sign = 1)
{
    to.lacked += sign * from.lacked;
    to.redundant += sign * from.redundant;
    to.different += sign * from.different;
}

bool countsAreZero(const result_t& r)
{
    return r.lacked == 0 && r.redundant == 0 && r.different == 0;
}

constexpr size_t kNone = SIZE_MAX;

}  // namespace

const std::string& result_t::noPath()
{
    static const std::string none;
    return none;
}

std::vector<size_t> pairNames(const ElementList& listA, const ElementList& listB, const std::string& onlyKey)
{
    std::vector<size_t> partner(listA.size(), kNone);
    std::vector<uint8_t> takenB(listB.size(), 0);
    std::unordered_map<std::string_view, size_t> exactB;
    exactB.reserve(listB.size());
    for (size_t j = 0; j < listB.size(); ++j) exactB.emplace(platform::lastComponent(listB[j]->path), j);
    bool leftInA = false;
    for (size_t i = 0; i < listA.size(); ++i) {
        const auto match = exactB.find(platform::lastComponent(listA[i]->path));
        if (match == exactB.end()) {
            leftInA = true;
            continue;
        }
        partner[i] = match->second;
        takenB[match->second] = 1;
    }
    if (!leftInA) return partner;

    struct Group {
        size_t a = kNone;
        size_t b = kNone;
        int countA = 0;
        int countB = 0;
    };
    std::unordered_map<std::string, Group> groups;
    for (size_t i = 0; i < listA.size(); ++i) {
        if (partner[i] != kNone) continue;
        std::string key = upperName(*listA[i]);
        if (!onlyKey.empty() && key != onlyKey) continue;
        Group& g = groups[std::move(key)];
        g.a = i;
        ++g.countA;
    }
    for (size_t j = 0; j < listB.size(); ++j) {
        if (takenB[j]) continue;
        const auto g = groups.find(upperName(*listB[j]));
        if (g == groups.end()) continue;
        g->second.b = j;
        ++g->second.countB;
    }
    for (const auto& [key, g] : groups) {
        if (g.countA == 1 && g.countB == 1) partner[g.a] = g.b;
    }
    return partner;
}

namespace {

// The chain of result nodes from `root` down to `target`, both included.
bool findChain(result_t& root, const result_t& target, std::vector<result_t*>& chain)
{
    chain.push_back(&root);
    if (&root == &target) return true;
    if (root.children) {
        for (auto& child : *root.children) {
            if (findChain(*child, target, chain)) return true;
        }
    }
    chain.pop_back();
    return false;
}

}  // namespace

bool dirCompare::compareEntries(result_t& result, const element_t& a, const element_t& b) const
{
    const PairVerdict v = verdictOf(a, b, verdictRules());
    result.kind = InBoth;
    result.folderA = a.isFolder;
    result.folderB = b.isFolder;
    result.sameSize = v.sameSize;
    result.sameTime = v.sameTime;
    result.sameVersion = v.sameVersion;
    result.sameContent = 1;
    return v.identical;
}

void dirCompare::compareFolders(element_t& folderA, element_t& folderB, const std::string& itemName, result_t& result)
{
    result_t totals;
    const std::string wanted = platform::upperCase(itemName);
    if (itemName.empty()) {
        result.children = std::make_unique<ResultList>();
    } else {
        // Every node of that name goes, whatever pairing produced it, so that
        // none is left pointing at an element the scan has just replaced.
        if (!result.children) result.children = std::make_unique<ResultList>();
        addCounts(totals, result);
        std::erase_if(*result.children, [&](const std::unique_ptr<result_t>& child) {
            if (platform::upperCase(child->name) != wanted) return false;
            if (child->included) addCounts(totals, *child, -1);
            return true;
        });
    }
    ResultList& out = *result.children;
    const size_t madeBefore = out.size();
    size_t countedPairs = 0;
    const ElementList& listA = childrenOf(folderA);
    const ElementList& listB = childrenOf(folderB);
    const std::vector<size_t> partner = pairNames(listA, listB, wanted);
    readVersionsToCompare(listA, listB, partner, wanted);
    const auto contents = readContentsToCompare(folderA, folderB, listA, listB, partner, wanted);
    std::vector<uint8_t> pairedB(listB.size(), 0);

    for (size_t i = 0; i < listA.size(); ++i) {
        const auto& p = listA[i];
        const size_t j = partner[i];
        if (j != kNone) pairedB[j] = 1;
        if (!itemName.empty() && upperName(*p) != wanted) continue;
        if (j == kNone) {
            auto r = std::make_unique<result_t>();
            r->kind = OnlyInA;
            r->name = p->name();
            r->folderA = p->isFolder;
            r->elemA = p.get();
            if (isIncluded(p->path)) {
                r->included = 1;
                r->lacked = 1;
                ++totals.lacked;
            }
            out.push_back(std::move(r));
            continue;
        }
        element_t& q = *listB[j];
        auto owned = std::make_unique<result_t>();
        result_t& r = *owned;
        r.name = p->name();
        r.elemA = p.get();
        r.elemB = &q;
        r.identical = compareEntries(r, *p, q);
        const platform::ContentResult* readAhead = i < contents.size() && contents[i] ? &*contents[i] : nullptr;
        if ((options & optContent) && !compareContent(r, *p, q, readAhead)) r.identical = 0;
        const bool included = isIncluded(q.path);
        r.included = included;
        if (included && !r.identical) {
            r.different = 1;
            ++totals.different;
        }
        out.push_back(std::move(owned));
        if (progress) {
            if (!readAhead) ++progress->itemsCompared;  // else counted as read
            ++countedPairs;
        }
        if (r.folderA && r.folderB && p->children && q.children && (options & optSubFolders)) {
            // Stopped between compared folders: the pair stays, its content not compared.
            if (comparingAborted_ || abortRequested()) {
                comparingAborted_ = true;
                continue;
            }
            showProgress(msg::ProgressComparing, r.pathB());
            compareFolders(*p, q, {}, r);
            r.identical = countsAreZero(r);
            if (included) addCounts(totals, r);
        }
    }

    for (size_t j = 0; j < listB.size(); ++j) {
        const auto& q = listB[j];
        if (pairedB[j] || (!itemName.empty() && upperName(*q) != wanted)) continue;
        auto r = std::make_unique<result_t>();
        r->kind = OnlyInB;
        r->name = q->name();
        r->folderB = q->isFolder;
        r->elemB = q.get();
        if (isIncluded(q->path)) {
            r->included = 1;
            r->redundant = 1;
            ++totals.redundant;
        }
        out.push_back(std::move(r));
    }

    result.lacked = totals.lacked;
    result.redundant = totals.redundant;
    result.different = totals.different;
    if (progress) progress->itemsCompared += int64_t(out.size() - madeBefore - countedPairs);
}

void dirCompare::refresh(result_t& node, const std::string& itemName)
{
    if (state == TooManyFiles || !node.elemA || !node.elemB) return;
    std::vector<result_t*> chain;
    findChain(results, node, chain);
    result_t before;  // the node's counts as they were
    addCounts(before, node);

    state = Comparing;
    std::string error;
    // A side read from an information file was read whole, so every pair
    // below the node has to be made again.
    const bool wholeSide = sideA().listsWhole() || sideB().listsWhole();
    bool ok = loadSides(*node.elemA, *node.elemB, itemName, error) &&
              prepareDigests(*node.elemA, *node.elemB, wholeSide ? std::string() : itemName, error);
    if (ok) {
        showProgress(msg::ProgressComparing, node.elemB->path);
        comparingAborted_ = false;
        compareFolders(*node.elemA, *node.elemB, wholeSide ? std::string() : itemName, node);
        node.identical = countsAreZero(node);
        saveVersionCache();
        state = Finished;
        if (comparingAborted_) {
            ok = false;
            error = messageText(msg::UserAbort);
        }
    }
    if (!ok) {
        // The failed scan may have released elements that the node's pairs
        // point at: drop them all rather than keep a dangling pair.
        node.children = std::make_unique<ResultList>();
        node.lacked = node.redundant = node.different = 0;
        node.identical = 0;
        errorText = error;
        state = CompareError;
    }

    // Folders above the node hold sums of what they include: carry the change
    // up as far as each level counts the level below.
    result_t delta;
    addCounts(delta, node);
    addCounts(delta, before, -1);
    for (size_t i = chain.size(); i-- > 1;) {
        if (!chain[i]->included) break;
        result_t& parent = *chain[i - 1];
        addCounts(parent, delta);
        if (&parent != &results) parent.identical = countsAreZero(parent);
    }
}

}  // namespace dm

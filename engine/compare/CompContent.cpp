// The content rule: two files of the same size are the same only when every
// byte is.
#include <atomic>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/HelperThread.h"
#include "platform/Contents.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

namespace {

// What makes a pair's content unknown, as its details say it.
std::string contentErrorText(const platform::ContentResult& outcome)
{
    if (outcome.verdict == platform::ContentVerdict::Changed)
        return textIn("比较时文件被修改", "a file changed while it was compared");
    return contentNotReadText(outcome.side, platform::systemMessage(outcome.error));
}

// Whether two links point to the same text; nothing unless both are links.
std::optional<bool> sameLinks(const element_t& a, const element_t& b)
{
    if (!(a.findData.dwFileAttributes & b.findData.dwFileAttributes & platform::FILE_ATTRIBUTE_REPARSE_POINT))
        return std::nullopt;
    const std::optional<std::string> textA = platform::linkText(a.path);
    const std::optional<std::string> textB = platform::linkText(b.path);
    if (!textA || !textB) return std::nullopt;
    return *textA == *textB;
}

}  // namespace

std::string contentNotReadText(char side, const std::string& why)
{
    return textIn("无法读取内容 (", "content not read (") + std::string(1, side) + "): " + why;
}

std::vector<std::optional<platform::ContentResult>> dirCompare::readContentsToCompare(
    const element_t& folderA, const element_t& folderB, const ElementList& listA, const ElementList& listB,
    const std::vector<size_t>& partner, const std::string& wanted)
{
    if (!(options & optContent) || !sideA().hasLocalPaths() || !sideB().hasLocalPaths()) return {};
    std::vector<size_t> toRead;
    for (size_t i = 0; i < listA.size(); ++i) {
        if (partner[i] == SIZE_MAX) continue;
        const element_t& a = *listA[i];
        const element_t& b = *listB[partner[i]];
        if (a.isFolder || b.isFolder || a.size() != b.size()) continue;
        if (!wanted.empty() && platform::upperCase(a.name()) != wanted) continue;
        toRead.push_back(i);
    }
    if (toRead.empty()) return {};
    std::vector<std::optional<platform::ContentResult>> outcomes(listA.size());
    std::atomic<size_t> next{0};
    const platform::ContentReading reading = readingFor(progress);
    const platform::ContentFolders folders(folderA.path, folderB.path);
    const auto compareOne = [&](const element_t& a, const element_t& b, const platform::ContentReading& how) {
        return folders.compare(a.name(), b.name(), a.size(), a.findData.ftLastWriteTime, b.findData.ftLastWriteTime,
                               how);
    };
    const std::function<void()> work = [&] {
        for (size_t k = next++; k < toRead.size() && !abortRequested(); k = next++) {
            const element_t& a = *listA[toRead[k]];
            const element_t& b = *listB[partner[toRead[k]]];
            // Long reads say what they are reading.
            if (a.size() > (uint64_t(1) << 20)) showProgress(msg::ProgressComparing, b.path);
            if (!progress) {
                outcomes[toRead[k]] = compareOne(a, b, reading);
                continue;
            }
            // A pair found different early counts whole, so that the bytes
            // done end at the bytes there were to do.
            int64_t done = 0;
            platform::ContentReading pair = reading;
            pair.progress = [&](uint64_t bytes) {
                done += int64_t(bytes);
                progress->bytesCompared += int64_t(bytes);
            };
            outcomes[toRead[k]] = compareOne(a, b, pair);
            if (outcomes[toRead[k]]->verdict != platform::ContentVerdict::Stopped)
                progress->bytesCompared += int64_t(a.size()) - done;
            ++progress->itemsCompared;
        }
    };
    // A few pairs are not worth waking the helper for.
    constexpr size_t kWorthSharing = 8;
    if (toRead.size() < kWorthSharing) {
        work();
    } else {
        if (!helper_) helper_ = std::make_unique<HelperThread>();
        helper_->runOnBoth(work);
    }
    return outcomes;
}

uint64_t bytesToCompare(const element_t& folderA, const element_t& folderB)
{
    if (!folderA.children || !folderB.children) return 0;
    const ElementList& listA = *folderA.children;
    const ElementList& listB = *folderB.children;
    const std::vector<size_t> partner = pairNames(listA, listB, {});
    uint64_t total = 0;
    for (size_t i = 0; i < listA.size(); ++i) {
        if (partner[i] == SIZE_MAX) continue;
        const element_t& a = *listA[i];
        const element_t& b = *listB[partner[i]];
        if (a.isFolder && b.isFolder)
            total += bytesToCompare(a, b);
        else if (!a.isFolder && !b.isFolder && a.size() == b.size())
            total += a.size();
    }
    return total;
}

bool dirCompare::compareContent(result_t& result, const element_t& a, const element_t& b,
                                const platform::ContentResult* readAhead)
{
    if (a.isFolder || b.isFolder) return true;
    // A side whose files are not here and cannot be told by digest (an
    // information file): such pairs go by the other rules.
    const bool here = sideA().hasLocalPaths() && sideB().hasLocalPaths();
    if (!here && !contentByDigest()) return true;
    if (a.size() != b.size()) {
        result.sameContent = 0;
        return false;
    }
    if (comparingAborted_ || (!readAhead && abortRequested())) {
        comparingAborted_ = true;
        return true;
    }
    if (!here) return compareDigests(result, a, b);
    const platform::ContentResult outcome =
        readAhead ? *readAhead : platform::compareContents(a.path, b.path, a.size(), readingFor(progress));
    switch (outcome.verdict) {
        case platform::ContentVerdict::Same: return true;
        case platform::ContentVerdict::Stopped: comparingAborted_ = true; return true;
        case platform::ContentVerdict::Different: break;
        case platform::ContentVerdict::Failed:
            // A link whose target cannot be read (dangling) is copied as a
            // link: what the copy made equal is the link itself.
            if (const auto same = sameLinks(a, b)) {
                if (*same) return true;
                break;
            }
            [[fallthrough]];
        case platform::ContentVerdict::Changed:
            result.contentError = std::make_unique<std::string>(contentErrorText(outcome));
            break;
    }
    result.sameContent = 0;
    return false;
}

namespace {

size_t pairsByDigest(const result_t& r)
{
    size_t count = r.byDigest;
    if (r.children)
        for (const auto& child : *r.children) count += pairsByDigest(*child);
    return count;
}

}  // namespace

std::string dirCompare::contentRuleNote() const
{
    const bool hereA = sideA().hasLocalPaths();
    const bool hereB = sideB().hasLocalPaths();
    if (!(options & optContent) || (hereA && hereB)) return {};
    std::string where;
    if (!hereA) where += textIn("A 边", "side A") + sideA().whyNoLocalPaths();
    if (!hereA && !hereB) where += "; ";
    if (!hereB) where += textIn("B 边", "side B") + sideB().whyNoLocalPaths();
    if (!contentByDigest()) return textIn("未比较内容: ", "content not compared: ") + where;
    return textIn("按 XXH3-128 摘要比较内容的文件对: ", "pairs whose content was compared by XXH3-128 digests: ") +
           std::to_string(pairsByDigest(results)) + " (" + where + ")";
}

}  // namespace dm

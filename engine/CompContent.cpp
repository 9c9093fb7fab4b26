// The content rule: two files of the same size are the same only when every
// byte is.
#include "common/Messages.h"
#include "engine/Comp.h"
#include "platform/Contents.h"
#include "platform/SysError.h"

namespace dm {

namespace {

// What makes a pair's content unknown, as its details say it.
std::string contentErrorText(const platform::ContentResult& outcome)
{
    if (outcome.verdict == platform::ContentVerdict::Changed)
        return textIn("比较时文件被修改", "a file changed while it was compared");
    return textIn("无法读取内容 (", "content not read (") + std::string(1, outcome.side) +
           "): " + platform::systemMessage(outcome.error);
}

}  // namespace

bool dirCompare::compareContent(result_t& result, const element_t& a, const element_t& b)
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
    if (comparingAborted_) return true;
    if (!here) return compareDigests(result, a, b);
    const uint64_t size = a.size();
    // Long reads say what they are reading.
    if (size > (uint64_t(1) << 20)) showProgress(msg::ProgressComparing, b.path);
    const platform::ContentResult outcome = platform::compareContents(a.path, b.path, size, readingFor(progress));
    switch (outcome.verdict) {
        case platform::ContentVerdict::Same: return true;
        case platform::ContentVerdict::Stopped: comparingAborted_ = true; return true;
        case platform::ContentVerdict::Different: break;
        case platform::ContentVerdict::Changed:
        case platform::ContentVerdict::Failed:
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

// The content rule where a side's files are not here: each side gives the
// digests of its files (read there), and the digests are compared.
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

namespace {

// Both files of each pair of the same size, at and below the two folders, as
// the pairing will meet them.
void collectPairs(const element_t& a, const element_t& b, const std::string& wanted, bool below,
                  std::vector<const element_t*>& filesA, std::vector<const element_t*>& filesB)
{
    if (!a.children || !b.children) return;
    const ElementList& listA = *a.children;
    const ElementList& listB = *b.children;
    const std::vector<size_t> partner = pairNames(listA, listB, wanted);
    for (size_t i = 0; i < listA.size(); ++i) {
        if (partner[i] == SIZE_MAX) continue;
        const element_t& p = *listA[i];
        const element_t& q = *listB[partner[i]];
        if (!wanted.empty() && platform::upperCase(p.name()) != wanted) continue;
        if (!p.isFolder && !q.isFolder && p.size() == q.size()) {
            filesA.push_back(&p);
            filesB.push_back(&q);
        } else if (p.isFolder && q.isFolder && below) {
            collectPairs(p, q, {}, below, filesA, filesB);
        }
    }
}

}  // namespace

DigestAnswer digestOf(const std::string& path, uint64_t size, const platform::ContentReading& reading, bool& stopped)
{
    DigestAnswer answer;
    const platform::ContentResult read = platform::digestFile(path, size, answer.digest, reading);
    stopped = read.verdict == platform::ContentVerdict::Stopped;
    answer.read = read.verdict == platform::ContentVerdict::Same;
    if (read.verdict == platform::ContentVerdict::Changed)
        answer.why = textIn("读取时文件被修改", "the file changed while it was read");
    else if (read.verdict == platform::ContentVerdict::Failed)
        answer.why = platform::systemMessage(read.error);
    return answer;
}

bool dirCompare::contentByDigest() const
{
    return (options & optContent) && sideA().makesDigests() && sideB().makesDigests();
}

bool dirCompare::prepareDigests(const element_t& folderA, const element_t& folderB, const std::string& itemName,
                                std::string& error)
{
    digests_.clear();  // the elements they were made for may be gone
    if (!contentByDigest() || (sideA().hasLocalPaths() && sideB().hasLocalPaths())) return true;
    std::vector<const element_t*> filesA;
    std::vector<const element_t*> filesB;
    collectPairs(folderA, folderB, platform::upperCase(itemName), options & optSubFolders, filesA, filesB);
    if (filesA.empty()) return true;
    showProgress(msg::ProgressComparing, folderB.path);
    std::vector<DigestAnswer> answersA;
    std::vector<DigestAnswer> answersB;
    if (!sideA().digests(progress, filesA, answersA, error) || !sideB().digests(progress, filesB, answersB, error))
        return false;
    for (size_t i = 0; i < filesA.size(); ++i) {
        digests_.emplace(filesA[i], std::move(answersA[i]));
        digests_.emplace(filesB[i], std::move(answersB[i]));
    }
    return true;
}

bool dirCompare::compareDigests(result_t& result, const element_t& a, const element_t& b)
{
    const auto foundA = digests_.find(&a);
    const auto foundB = digests_.find(&b);
    if (foundA == digests_.end() || foundB == digests_.end()) return true;
    for (const auto& [side, answer] : {std::pair{'A', &foundA->second}, std::pair{'B', &foundB->second}}) {
        if (answer->read) continue;
        result.contentError = std::make_unique<std::string>(contentNotReadText(side, answer->why));
        result.sameContent = 0;
        return false;
    }
    result.byDigest = 1;
    if (foundA->second.digest == foundB->second.digest) return true;
    result.sameContent = 0;
    return false;
}

}  // namespace dm
